// Diagnostics of the softphone transport: debug log lines "kestrel client link: <who>: <what>",
// `what` escaped, since it may quote the softphone.
#pragma once

#include <string_view>

namespace platform {

// Who is at fault: the other end of the connection (the softphone, or the link as seen from the
// client side), this process, or the operating system.
enum class FaultOf { kPeer, kUs, kSystem };

void LogClientFault(FaultOf who, std::string_view what);

}  // namespace platform
