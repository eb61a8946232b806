#include "cli/cli.h"

std::span<const CliCommand> FlashCommands() { return {}; }
