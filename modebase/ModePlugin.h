// Makes a plug-in of a mode class: the one mode object, created when the module is loaded and
// destroyed when it is unloaded, and the C export `CreateMode` that binds it to the engine.
#pragma once

#include "modebase/CEmluatorModeBase.h"

extern "C" {
using CreateModeFunction = CEmluatorModeBase* (*)(platform::WindowHandle engine, int showCommand,
                                                  bool skypeOnline, bool hidOnline);
}

// What CreateMode does with the plug-in's mode object.
CEmluatorModeBase* BindModeToEngine(CEmluatorModeBase& mode, const StringTable& strings,
                                    platform::WindowHandle engine, int showCommand,
                                    bool skypeOnline, bool hidOnline);

// The plug-in's single mode object; its dialog is created as soon as the object exists.
template <class Mode>
class ModePluginInstance {
  public:
    ModePluginInstance() { mode.CreateDialog(); }
    Mode mode;
};

// Use once per plug-in, at namespace scope: KESTREL_MODE_PLUGIN(CCallMode, kCallStrings)
#define KESTREL_MODE_PLUGIN(ModeClass, strings)                                                \
    namespace {                                                                                \
    ModePluginInstance<ModeClass> thePluginMode;                                               \
    }                                                                                          \
    extern "C" __attribute__((visibility("default"))) CEmluatorModeBase* CreateMode(           \
        platform::WindowHandle engine, int showCommand, bool skypeOnline, bool hidOnline) {    \
        return BindModeToEngine(thePluginMode.mode, strings, engine, showCommand, skypeOnline, \
                                hidOnline);                                                    \
    }
