// Any script text parses, or is refused with a line number; never a crash.
#include "fuzz_support.h"
#include "main/script_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QList<ScriptStatement> out;
    QString error;
    check(ParseScript(QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)), out, error)
          || error.startsWith("line "));
    for (const ScriptStatement &st : out)
        check(!st.args.isEmpty() && st.line >= 1);
    return 0;
}
