// What both hosts say about the environment they read, in their --help.
#pragma once

inline constexpr const char* kHostEnvironmentHelp =
    "Environment:\n"
    "  KESTREL_HANDSET_SOCKET  listen there for the handset simulator instead of using the real\n"
    "                          handset through hidraw\n"
    "  KESTREL_CLIENT_SOCKET   the softphone's socket (default: kestrel-client.sock in\n"
    "                          $XDG_RUNTIME_DIR)\n"
    "  KESTREL_UNIFONT         the .hex font the LCD text is drawn with (default:\n"
    "                          /usr/share/unifont/unifont.hex, Debian package unifont)\n"
    "  KESTREL_DEBUG=1         also say on stderr what is dropped and why\n"
    "\n";
