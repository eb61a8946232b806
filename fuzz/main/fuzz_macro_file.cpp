// Macro files come from anywhere: any bytes must read into items and
// commands without a fault, and every command must come from its item.
#include "main/macro_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QString &item : ReadMacroItems(content)) {
        const QString line = MacroLine(item);
        if (line.size() != item.size())
            std::abort();
        if (const auto command = MacroCommand(line); command && command->size() > line.size() + 4)
            std::abort();
    }
    return 0;
}
