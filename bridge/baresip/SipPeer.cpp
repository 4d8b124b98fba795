// The peer's handle and name, taken from what baresip says of it.
#include "bridge/baresip/SipPeer.h"

#include <algorithm>

namespace baresip {
namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// Cuts `text` to at most `limit` bytes without splitting a UTF-8 sequence.
std::string Bounded(std::string text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
    return text;
}

std::string_view WithoutScheme(std::string_view uri) {
    for (std::string_view scheme : {"sips:", "sip:", "tel:"}) {
        if (uri.size() >= scheme.size() &&
            std::equal(scheme.begin(), scheme.end(), uri.begin(), [](char a, char b) {
                return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
            })) {
            return uri.substr(scheme.size());
        }
    }
    return uri;
}

}  // namespace

std::string HandleFromUri(std::string_view uri) {
    if (!uri.empty() && uri.front() == '<') {
        uri.remove_prefix(1);
        uri = uri.substr(0, uri.find('>'));
    }
    std::string_view rest = WithoutScheme(uri);
    rest = rest.substr(0, rest.find_first_of(";?>"));
    std::string handle;
    for (char c : rest) {
        if (c != ' ' && c != '\t' && !IsControl(c)) {
            handle.push_back(c);
        }
    }
    handle = Bounded(std::move(handle), kMaxHandleBytes);
    return handle.empty() ? "unknown" : handle;
}

std::string NameForPeer(std::string_view displayName, std::string_view uri) {
    std::string name;
    for (char c : displayName) {
        if (!IsControl(c)) {
            name.push_back(c);
        }
    }
    const std::size_t first = name.find_first_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first);
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    if (name.empty()) {
        const std::string handle = HandleFromUri(uri);
        const std::size_t at = handle.find('@');
        // No user part ("example.org", "@example.org"): the host is all there is to show.
        name = at == std::string::npos ? handle : at == 0 ? handle.substr(1) : handle.substr(0, at);
    }
    return Bounded(std::move(name), kMaxNameBytes);
}

}  // namespace baresip
