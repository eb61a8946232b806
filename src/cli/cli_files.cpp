#include "cli/cli.h"

std::span<const CliCommand> FileCommands() { return {}; }
