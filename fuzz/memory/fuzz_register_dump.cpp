// The register dumps with any replies. Input: the slave box text, then the replies, split by LF.
#include "fuzz_support.h"
#include "memory/register_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QStringList parts = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n');
    const QString slaveBox = parts.takeFirst();
    for (RegisterSpace space : {RegisterSpace::Demodulator, RegisterSpace::I2CBus}) {
        int rows = 0;
        ScriptedChannel link(parts);
        const RegisterDump d =
            ReadRegisters(link, space, slaveBox, [&rows](auto &bar) { check(bar.size() == 15 - rows++); });
        // 16 rows of the label, " : " and 16 values of 3 characters, CR LF between.
        check(rows == 16 && d.text.size() == 16 * (d.slave.size() + 5 + 16 * 3) + 15 * 2);
    }
    return 0;
}
