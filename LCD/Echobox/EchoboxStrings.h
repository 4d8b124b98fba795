// The Echobox plug-in's string table.
#pragma once

#include "modebase/StringTable.h"

extern const StringTable kEchoboxStrings;
