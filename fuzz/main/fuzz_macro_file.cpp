// Any bytes read into macro items without a fault, and every command comes from its item.
#include "fuzz_support.h"
#include "terminal/macro_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const QString &item : ReadMacroItems(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)))) {
        const QString line = MacroLine(item);
        const auto command = MacroCommand(line);
        check(line.size() == item.size() && (!command || command->size() <= line.size() + 4));
    }
    return 0;
}
