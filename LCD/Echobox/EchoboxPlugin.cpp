// The Echobox plug-in: its one mode object and CreateMode, which keeps the mode's window hidden
// whatever show command the engine gives.
#include "LCD/Echobox/CEchoboxMode.h"
#include "LCD/Echobox/EchoboxStrings.h"
#include "modebase/ModePlugin.h"

namespace {
ModePluginInstance<CEchoboxMode> thePluginMode;
}

extern "C" __attribute__((visibility("default"))) CEmluatorModeBase* CreateMode(
    platform::WindowHandle engine, int, bool skypeOnline, bool hidOnline) {
    return BindModeToEngine(thePluginMode.mode, kEchoboxStrings, engine, 0, skypeOnline, hidOnline);
}
