#include "cli/cli.h"

std::span<const CliCommand> MemoryCommands() { return {}; }
