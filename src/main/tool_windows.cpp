#include "main/tool_windows.h"

#include "channels/channels_editor_window.h"
#include "eeprom/ee_window.h"
#include "flash/data_flash_window.h"
#include "flash/flash_window.h"
#include "memory/mem_window.h"
#include "memory/reg_window.h"
#include "screenshot/scr_window.h"
#include "screenshot/vol_window.h"
#include "si/si_window.h"
#include "tune/tune_window.h"
#include "ui/window_registry.h"

// Each window class takes the session in its constructor and shows itself
// when created.
template <typename W>
static void Add(WindowRegistry &registry, const char *name)
{
    registry.add(QString::fromLatin1(name), [](Session &s) -> QWidget * { return new W(s); });
}

void RegisterToolWindows(WindowRegistry &registry)
{
    Add<MemWindow>(registry, "DL_Mem");
    Add<RegWindow>(registry, "DL_Reg");
    Add<EeWindow>(registry, "DL_EE");
    Add<FlashWindow>(registry, "DL_Flh");
    Add<DataFlashWindow>(registry, "DL_Eff");
    Add<TuneWindow>(registry, "DL_Tune");
    Add<ChannelsEditorWindow>(registry, "DL_TCS");
    Add<SiWindow>(registry, "DL_Pid");
    Add<ScrWindow>(registry, "DL_Scr");
    Add<VolWindow>(registry, "DL_Vol");
}
