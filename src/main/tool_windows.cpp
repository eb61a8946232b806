#include "main/session.h"
#include "main/window_registry.h"

// Every tool window the launcher can open, by window name. Each window class
// takes the session in its constructor and shows itself when created.
#if __has_include("memory/mem_window.h")
#include "memory/mem_window.h"
#define KESTREL_HAVE_MEM_WINDOW
#endif
#if __has_include("memory/reg_window.h")
#include "memory/reg_window.h"
#define KESTREL_HAVE_REG_WINDOW
#endif
#if __has_include("eeprom/ee_window.h")
#include "eeprom/ee_window.h"
#define KESTREL_HAVE_EE_WINDOW
#endif
#if __has_include("flash/flash_window.h")
#include "flash/flash_window.h"
#define KESTREL_HAVE_FLASH_WINDOW
#endif

template <typename W>
static void Add(WindowRegistry &registry, const char *name)
{
    registry.add(QString::fromLatin1(name), [](Session &s) -> QWidget * { return new W(s); });
}

void RegisterToolWindows(WindowRegistry &registry)
{
#ifdef KESTREL_HAVE_MEM_WINDOW
    Add<MemWindow>(registry, "DL_Mem");
#endif
#ifdef KESTREL_HAVE_REG_WINDOW
    Add<RegWindow>(registry, "DL_Reg");
#endif
#ifdef KESTREL_HAVE_EE_WINDOW
    Add<EeWindow>(registry, "DL_EE");
#endif
#ifdef KESTREL_HAVE_FLASH_WINDOW
    Add<FlashWindow>(registry, "DL_Flh");
#endif
    (void)registry;
}
