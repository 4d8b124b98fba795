// XDG autostart entries for the Run key: written whole and atomically, read back from their
// Exec line.
#include "platform/registry/AutostartEntry.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "platform/files/AtomicFile.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/Utf8.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// An entry is a few lines; anything much larger is not ours.
constexpr std::size_t kMaxEntryBytes = 64 * 1024;
constexpr std::string_view kExecKey = "Exec=";

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// A desktop entry string: backslash, newline, tab and carriage return escaped.
std::string EscapeString(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// One argument of an Exec line: in double quotes, with '"', '`', '$' and '\' escaped by a
// backslash and '%' doubled, so that no character is taken for a field code or a shell's.
std::string QuoteArgument(std::string_view argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::optional<std::string> UnescapeString(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            plain += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
            case '\\':
                plain += '\\';
                break;
            case 'n':
                plain += '\n';
                break;
            case 't':
                plain += '\t';
                break;
            case 'r':
                plain += '\r';
                break;
            case 's':
                plain += ' ';
                break;
            default:
                return std::nullopt;
        }
    }
    return plain;
}

// The one quoted argument QuoteArgument made, and nothing after it.
std::optional<std::string> UnquoteArgument(std::string_view line) {
    if (line.size() < 2 || line.front() != '"') {
        return std::nullopt;
    }
    std::string argument;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            return i + 1 == line.size() ? std::optional(argument) : std::nullopt;
        }
        if (c == '\\' || c == '%') {
            if (++i == line.size() || (c == '%' && line[i] != '%')) {
                return std::nullopt;
            }
        }
        argument += line[i];
    }
    return std::nullopt;
}

bool IsHidden(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (text.substr(start, end - start) == "Hidden=true") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// The system's entry of the same name that the user's entry overrides: the first one in
// XDG_CONFIG_DIRS, which an installed package puts in /etc/xdg/autostart.
fs::path SystemAutostartFile(const fs::path& userFile) {
    const char* variable = std::getenv("XDG_CONFIG_DIRS");
    std::string_view directories = variable != nullptr && *variable != '\0' ? variable : "/etc/xdg";
    while (!directories.empty()) {
        const std::size_t colon = std::min(directories.find(':'), directories.size());
        const fs::path directory(directories.substr(0, colon));
        directories.remove_prefix(std::min(colon + 1, directories.size()));
        std::error_code error;
        const fs::path file = directory / "autostart" / userFile.filename();
        if (directory.is_absolute() && fs::exists(file, error)) {
            return file;
        }
    }
    return {};
}

// The system's entry, when it is there and not hidden: the one that starts the program unless
// the user's entry says otherwise.
bool SystemEntryStarts(const fs::path& userFile) {
    const fs::path file = SystemAutostartFile(userFile);
    if (file.empty()) {
        return false;
    }
    const FileContent content = ReadWholeFile(file, kMaxEntryBytes);
    return content.status == FileReadStatus::kRead && !IsHidden(content.bytes);
}

}  // namespace

fs::path AutostartFile(std::wstring_view name) {
    const bool usable = !name.empty() && name != L"." && name != L".." &&
                        std::none_of(name.begin(), name.end(),
                                     [](wchar_t c) { return c == L'/' || c < 0x20 || c == 0x7F; });
    const fs::path config = ConfigHome();
    if (!usable || config.empty()) {
        return {};
    }
    std::string file = ToUtf8(name);
    file += ".desktop";
    return config / "autostart" / file;
}

std::string AutostartEntryText(std::wstring_view name, const fs::path& program) {
    std::string text = "[Desktop Entry]\nType=Application\nName=";
    text += EscapeString(ToUtf8(name));
    text += "\nExec=";
    text += EscapeString(QuoteArgument(program.native()));
    text += "\nPath=";
    text += EscapeString(program.parent_path().native());
    text += "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return text;
}

std::optional<fs::path> AutostartEntryProgram(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.starts_with(kExecKey)) {
            continue;
        }
        line.remove_prefix(kExecKey.size());
        const std::optional<std::string> value = UnescapeString(line);
        if (!value) {
            return std::nullopt;
        }
        std::optional<std::string> program = UnquoteArgument(*value);
        if (!program || program->empty() || program->front() != '/' ||
            std::any_of(program->begin(), program->end(), IsControl)) {
            return std::nullopt;
        }
        return fs::path(std::move(*program));
    }
    return std::nullopt;
}

long WriteAutostartEntry(std::wstring_view name, const fs::path& program) {
    const fs::path file = AutostartFile(name);
    const std::string& path = program.native();
    if (file.empty() || !program.is_absolute() ||
        std::any_of(path.begin(), path.end(), IsControl)) {
        return kRegistryInvalidParameter;
    }
    std::error_code ignored;
    fs::create_directories(file.parent_path(), ignored);
    return ReplaceFileAtomically(file, AutostartEntryText(name, program)) ? kRegistryOk
                                                                          : kRegistryAccessDenied;
}

long ReadAutostartEntry(std::wstring_view name, fs::path& program) {
    const fs::path file = AutostartFile(name);
    if (file.empty()) {
        return kRegistryInvalidParameter;
    }
    FileContent content = ReadWholeFile(file, kMaxEntryBytes);
    if (content.status == FileReadStatus::kMissing) {
        const fs::path system = SystemAutostartFile(file);
        if (!system.empty()) {
            content = ReadWholeFile(system, kMaxEntryBytes);
        }
    }
    switch (content.status) {
        case FileReadStatus::kMissing:
            return kRegistryNotFound;
        case FileReadStatus::kFailed:
            return kRegistryAccessDenied;
        case FileReadStatus::kRead:
            break;
    }
    // A hidden entry is one the user turned off.
    if (IsHidden(content.bytes)) {
        return kRegistryNotFound;
    }
    std::optional<fs::path> found = AutostartEntryProgram(content.bytes);
    if (!found) {
        return kRegistryInvalidData;
    }
    program = std::move(*found);
    return kRegistryOk;
}

long DeleteAutostartEntry(std::wstring_view name) {
    const fs::path file = AutostartFile(name);
    if (file.empty()) {
        return kRegistryInvalidParameter;
    }
    const FileContent content = ReadWholeFile(file, kMaxEntryBytes);
    if (content.status == FileReadStatus::kRead && IsHidden(content.bytes)) {
        return kRegistryNotFound;  // turned off already
    }
    std::error_code error;
    const bool removed = fs::remove(file, error);
    if (error) {
        return kRegistryAccessDenied;
    }
    // Without the user's entry the system's would start the program again: it is hidden.
    if (SystemEntryStarts(file)) {
        std::string text = "[Desktop Entry]\nType=Application\nName=";
        text.append(EscapeString(ToUtf8(name))).append("\nHidden=true\n");
        fs::create_directories(file.parent_path(), error);
        return ReplaceFileAtomically(file, text) ? kRegistryOk : kRegistryAccessDenied;
    }
    return removed ? kRegistryOk : kRegistryNotFound;
}

}  // namespace platform
