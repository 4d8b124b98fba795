// Binding a plug-in's mode object to the engine.
#include "modebase/ModePlugin.h"

CEmluatorModeBase* BindModeToEngine(CEmluatorModeBase& mode, const StringTable& strings,
                                    platform::WindowHandle engine, int showCommand,
                                    bool skypeOnline, bool hidOnline) {
    mode.m_hEmuWnd = engine;
    mode.SetActived(false);
    mode.SetSkypeOnline(skypeOnline);
    mode.SetHIDOnline(hidOnline);
    mode.SetModule(&strings);
    mode.Show(showCommand != 0);
    return &mode;
}
