// How a SIP peer is shown to the system: the handle a call is known and called back by, and the
// name on the handset's screen.
#pragma once

#include <string>
#include <string_view>

namespace baresip {

// The longest handle kept; a longer URI is cut, so a hostile peer cannot fill the screens and
// the history with one name.
inline constexpr std::size_t kMaxHandleBytes = 128;
inline constexpr std::size_t kMaxNameBytes = 64;

// "sip:alice@example.org:5060;transport=udp" -> "alice@example.org:5060": the URI without its
// scheme, parameters and headers, one word (blanks and controls dropped), at most
// kMaxHandleBytes. Dialling the handle reaches the peer again, as baresip completes a URI
// without scheme. "unknown" when nothing is left.
std::string HandleFromUri(std::string_view uri);

// The peer's display name when it sent one, otherwise the user part of its URI ("alice"), or its
// host when it has no user part; controls dropped, at most kMaxNameBytes.
std::string NameForPeer(std::string_view displayName, std::string_view uri);

}  // namespace baresip
