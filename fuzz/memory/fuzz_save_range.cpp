// The "MEM --> File" page loop with any replies in every read mode. Input: 1 byte mode, 3 bytes start
// page, 1 byte page count - 1 (0..3), 1 byte STOP before that page (255 never), replies split by LF.
#include "fuzz_support.h"
#include "memory/save_range.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    const int pages = 1 + data[4] % 4, stopAt = data[5];
    ScriptedChannel link(
        QString::fromLatin1(reinterpret_cast<const char *>(data + 6), qsizetype(size - 6)).split('\n'));
    int checks = 0;
    OperationHooks hooks;
    hooks.stopRequested = [&checks, stopAt] { return stopAt != 255 && checks++ >= stopAt; };
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    Page buffer{};
    const qint32 start = data[1] << 16 | data[2] << 8 | data[3];
    const SaveOutcome outcome = SavePages(link, MemReadMode(data[0] % 4), start, start + pages - 1, out, buffer, hooks);
    // Whole pages only, all of them exactly when done; at most 9 tries of 256 reads a page.
    const qint64 written = out.data().size();
    check(written % 256 == 0 && (outcome == SaveOutcome::Done) == (written == pages * 256));
    check(outcome == SaveOutcome::Done || outcome == SaveOutcome::ReadError || outcome == SaveOutcome::UserBreak);
    check(link.sent.size() <= pages * 9 * 256);
    return 0;
}
