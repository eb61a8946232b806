#include "main/window_registry.h"

// Every tool window the launcher can open, by window name.
void RegisterToolWindows(WindowRegistry &registry)
{
    (void)registry;
}
