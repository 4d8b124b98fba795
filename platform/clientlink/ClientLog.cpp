// Diagnostics of the softphone transport, through the debug log.
#include "platform/clientlink/ClientLog.h"

#include <string>

#include "platform/log/DebugLog.h"

namespace platform {
namespace {

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
        DebugLog("client link", std::string(Name(who)) + ": " + std::string(what));
    }
}

}  // namespace platform
