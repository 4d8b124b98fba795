// The Call plug-in: its one mode object and CreateMode.
#include "LCD/Call/CCallMode.h"
#include "LCD/Call/CallStrings.h"
#include "modebase/ModePlugin.h"

KESTREL_MODE_PLUGIN(CCallMode, kCallStrings)
