// Fuzz target: the flash bus-cycle routines and "Read FlashType" with
// arbitrary reply texts.
// Input: the replies separated by LF; replies that run out are empty
// (time-outs).
#include "fuzz_support.h"
#include "flash/flash_access.h"
#include "flash/flash_ops.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

const QString kReset = QStringLiteral("02207FE00000000F00F0");

void CheckFlashType(const QStringList &replies)
{
    ScriptedChannel link(replies);
    const FlashTypeResult r = ReadFlashType(link);
    check(!r.status.isEmpty());
    if (r.status == QStringLiteral("Write Error!")) {
        check(!r.ok && link.sent.size() <= 3 && !link.sent.contains(kReset));
        return;
    }
    // Identification mode was entered: the chips are always reset at the end.
    check(link.sent.size() >= 4 && link.sent.last() == kReset);
    if (!r.ok)
        return;
    const qsizetype colon = r.status.indexOf(QStringLiteral(" Prot:"));
    check(colon > 0);
    const QString letters = r.status.mid(colon + 6);
    check(letters.size() == 19);
    for (QChar c : letters)
        check(QStringLiteral("UXP?E").contains(c));
    check(link.sent.size() == 3 + 2 + 19 + 1);
}

void CheckReads(const QStringList &replies)
{
    for (const QString &reply : replies) {
        FlashWord data{};
        ParseFReadReply(reply, data);
        ScriptedChannel link({reply});
        FlashWord read{};
        const bool err = FRead(link, 0x1554, read);
        check(err == (reply.size() != 11));
        check(read == data);
        ScriptedChannel again({reply});
        const QString letter = BlockProt(again, 0x20000);
        check(letter.size() == 1 && QStringLiteral("UXP?E").contains(letter));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList replies = text.split(QLatin1Char('\n'));
    CheckFlashType(replies);
    CheckReads(replies);
    return 0;
}
