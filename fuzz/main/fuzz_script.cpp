// Scripts are typed by technicians: any text must parse or be refused
// with a line number, never crash.
#include "main/script_runner.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<ScriptStatement> statements;
    QString error;
    if (!ParseScript(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)), statements, error)
        && !error.startsWith("line "))
        std::abort();
    for (const ScriptStatement &st : statements)
        if (st.args.isEmpty() || st.line < 1)
            std::abort();
    return 0;
}
