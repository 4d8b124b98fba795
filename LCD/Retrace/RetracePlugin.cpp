// The Retrace plug-in: its one mode object and CreateMode.
#include "LCD/Retrace/CRetraceMode.h"
#include "LCD/Retrace/RetraceStrings.h"
#include "modebase/ModePlugin.h"

KESTREL_MODE_PLUGIN(CRetraceMode, kRetraceStrings)
