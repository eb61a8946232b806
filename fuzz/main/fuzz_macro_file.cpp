// Macro files come from anywhere: any bytes must read into items and
// commands without a fault, and every command must come from its item.
#include "main/macro_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const QString &item : ReadMacroItems(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)))) {
        const QString line = MacroLine(item);
        const auto command = MacroCommand(line);
        if (line.size() != item.size() || (command && command->size() > line.size() + 4))
            std::abort();
    }
    return 0;
}
