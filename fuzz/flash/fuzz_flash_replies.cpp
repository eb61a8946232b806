// Fuzz target: "Read FlashType", the 32-bit read and the protection letter
// with arbitrary reply texts, separated by LF in the input; replies that run
// out are time-outs.
#include "fuzz_support.h"
#include "flash/flash_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList replies = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n');
    ScriptedChannel link(replies);
    const FlashTypeResult r = ReadFlashType(link);
    const QString reset = QStringLiteral("02207FE00000000F00F0");
    // Chips put in identification mode are reset; success takes 3 cycles,
    // 2 identification reads, 19 protection reads and the reset.
    check(r.status == QStringLiteral("Write Error!") ? !r.ok && !link.sent.contains(reset) : link.sent.last() == reset);
    check(!r.ok || (r.status.section(QStringLiteral(" Prot:"), 1).size() == 19 && link.sent.size() == 25));
    for (const QString &reply : replies) {
        ScriptedChannel one({reply, reply});
        FlashWord word{};
        check(FRead(one, 0x1554, word) == (reply.size() != 11) && QStringLiteral("UXP?E").contains(BlockProt(one, 0)));
    }
    return 0;
}
