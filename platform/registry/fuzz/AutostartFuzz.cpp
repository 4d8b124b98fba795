// libFuzzer target: reading an autostart entry's program from arbitrary text.
//
// Checks: nothing crashes or reads outside the text; a program found is an absolute path
// without control characters; the entry written for it reads back as that same program.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/registry/AutostartEntry.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::filesystem::path> program = platform::AutostartEntryProgram(text);
    if (!program) {
        return 0;
    }
    const std::string& path = program->native();
    Check(program->is_absolute());
    Check(std::none_of(path.begin(), path.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }));
    const std::optional<std::filesystem::path> again =
        platform::AutostartEntryProgram(platform::AutostartEntryText(L"Kestrel", *program));
    Check(again && *again == *program);
    return 0;
}
