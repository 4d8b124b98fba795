// The debug switch, read here and nowhere else, and the escaping of what the log repeats.
#include "platform/log/DebugLog.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/text/Utf8.h"

namespace platform {
namespace {

void AppendHex(std::string& out, unsigned char byte) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

void WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(STDERR_FILENO, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;  // nowhere left to tell
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

}  // namespace

bool DebugEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("KESTREL_DEBUG");
        return value != nullptr && std::string_view(value) == "1";
    }();
    return enabled;
}

void DebugLog(std::string_view component, std::string_view text) {
    if (!DebugEnabled()) {
        return;
    }
    std::string line = "kestrel ";
    line += component;
    line += ": ";
    line += EscapeControl(text);
    line += '\n';
    WriteAll(line);
}

std::string EscapeControl(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text.substr(pos));
            if (length == 0) {
                AppendHex(out, byte);
                ++pos;
            } else {
                out += text.substr(pos, length);
                pos += length;
            }
            continue;
        }
        switch (byte) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    AppendHex(out, byte);
                } else {
                    out += static_cast<char>(byte);
                }
        }
        ++pos;
    }
    return out;
}

}  // namespace platform
