// Debug-switch gated diagnostics of the softphone transport.
#include "platform/clientlink/ClientLog.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

namespace platform {
namespace {

bool DebugEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("KESTREL_DEBUG");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

std::string_view Name(FaultOf who) {
    switch (who) {
        case FaultOf::kPeer:
            return "peer";
        case FaultOf::kUs:
            return "bug";
        case FaultOf::kSystem:
            return "system";
    }
    return "?";
}

}  // namespace

void LogClientFault(FaultOf who, std::string_view what) {
    if (DebugEnabled()) {
        std::cerr << "kestrel: client link: " << Name(who) << ": " << what << '\n';
    }
}

}  // namespace platform
