// Fuzz target: the register dumps of command 25 and 27 with arbitrary reply
// texts. Input: the slave box text up to the first LF, then the replies
// separated by LF; once they run out every command times out.
#include "fuzz_support.h"
#include "link/channel.h"
#include "memory/register_dump.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    QStringList parts = input.split(QLatin1Char('\n'));
    const QString slaveBox = parts.takeFirst();

    int progressCalls = 0;
    const RowProgress progress = [&progressCalls](const QString &bar) {
        check(bar.size() == 15 - progressCalls);
        ++progressCalls;
    };

    ScriptedChannel demod(parts);
    const RegisterDump d = ReadRegisters(demod, RegisterSpace::Demodulator, slaveBox, progress);
    // 16 rows of "r0 : " and 16 values of 3 characters, 15 CR LF between.
    check(d.text.size() == 16 * (5 + 16 * 3) + 15 * 2);
    check(progressCalls == 16);

    progressCalls = 0;
    ScriptedChannel i2c(parts);
    const RegisterDump r = ReadRegisters(i2c, RegisterSpace::I2CBus, slaveBox, progress);
    check(r.text.size() == 16 * (r.slave.size() + 5 + 16 * 3) + 15 * 2);
    check(progressCalls == 16);
    return 0;
}
