#pragma once
// The tool windows the launcher can open, registered by window name.
class WindowRegistry;

void RegisterToolWindows(WindowRegistry &registry);
