// Fuzz target: the "MEM --> File" page loop with arbitrary replies to the
// page reads of command 02 in every memory read mode. Input: 1 byte mode,
// 3 bytes start page, 1 byte page count - 1 (0..3), 1 byte stop after that
// many pages (255 never), then the replies separated by LF; once they run
// out every command times out.
#include "fuzz_support.h"
#include "link/channel.h"
#include "memory/save_range.h"

#include <QBuffer>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    const auto mode = MemReadMode(data[0] % 4);
    const qint32 start = data[1] << 16 | data[2] << 8 | data[3];
    const int pages = 1 + data[4] % 4;
    const int stopAfter = data[5];
    const QString input = QString::fromLatin1(reinterpret_cast<const char *>(data + 6), qsizetype(size - 6));
    ScriptedChannel link(input.split(QLatin1Char('\n')));

    QString status;
    int started = 0;
    OperationHooks hooks;
    hooks.setStatus = [&status](const QString &t) { status = t; };
    hooks.status = [&status] { return status; };
    hooks.stopRequested = [&started, stopAfter] { return stopAfter != 255 && started++ >= stopAfter; };

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    Page buffer{};
    const qint32 end = start + pages - 1;
    const SaveOutcome outcome = SavePages(link, mode, start, end, out, buffer, hooks);

    const qint64 written = out.data().size();
    check(written % 256 == 0 && written <= qint64(pages) * 256);
    check((outcome == SaveOutcome::Done) == (written == qint64(pages) * 256));
    check(outcome == SaveOutcome::Done || outcome == SaveOutcome::ReadError || outcome == SaveOutcome::UserBreak);
    // Every page costs at most 9 attempts of at most 256 reads.
    check(link.sent.size() <= pages * 9 * 256);
    return 0;
}
