// The debug switch, read here and nowhere else, and the escaping of what the log repeats.
#include "platform/log/DebugLog.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/text/Utf8.h"

namespace platform {
namespace {

// `prefix`, then the byte's two hex digits.
void AppendHex(std::string& out, unsigned char byte, std::string_view prefix = "\\x") {
    constexpr char kDigits[] = "0123456789ABCDEF";
    out += prefix;
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
            } else if (length == 2 && byte == 0xC2 &&
                       static_cast<unsigned char>(text[pos + 1]) < 0xA0) {
                // U+0080..U+009F, the C1 controls: U+009B starts an escape sequence on
                // terminals that take 8-bit controls.
                AppendHex(out, static_cast<unsigned char>(text[pos + 1]), "\\u00");
                pos += 2;
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
