// The escaping of foreign text, and the debug line: its form, and the switch that gates it.
#include "platform/log/DebugLog.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace platform {
namespace {

using namespace std::string_literals;

TEST(EscapeControl, EveryControlByteIsWrittenOutAndTextIsKept) {
    struct Case {
        std::string text;
        std::string escaped;
    };
    const Case cases[] = {
        {"", ""},
        {"CALL 12 STATUS RINGING", "CALL 12 STATUS RINGING"},
        {"a\nb\r\tc", "a\\nb\\r\\tc"},
        {"back\\slash", "back\\\\slash"},  // so an escaped text is never ambiguous
        {"\x1B[2J\x1B]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
        {"nul\0in"s, "nul\\x00in"},
        {"\x01\x1F\x7F", "\\x01\\x1F\\x7F"},
        {" ~", " ~"},  // the printable edges
        {"\xC3\xA9 \xE4\xBD\xA0 \xF0\x9F\x98\x80", "\xC3\xA9 \xE4\xBD\xA0 \xF0\x9F\x98\x80"},
        // Bytes that are not UTF-8, one escape each.
        {"a\xFFz", "a\\xFFz"},                         // not a lead byte
        {"\xE4\xBD", "\\xE4\\xBD"},                    // truncated at the end
        {"\xE4z", "\\xE4z"},                           // continuation missing
        {"\xC0\xAF", "\\xC0\\xAF"},                    // over-long "/"
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},           // UTF-16 surrogate
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},  // above U+10FFFF
        {"\x80\n", "\\x80\\n"},                        // a stray continuation byte
        {"\xC2\x9B"
         "2J\xC2\x80\xC2\xA0",
         "\\u009B2J\\u0080\xC2\xA0"},  // C1 controls, not U+00A0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.escaped, EscapeControl(c.text))
            << "input: " << ::testing::PrintToString(c.text);
    }
}

// What DebugLog writes in a fresh process whose KESTREL_DEBUG is `value` (unset for nullptr),
// after the switch has been read once before `lateValue` is set.
std::string LoggedInChild(const char* value, const char* lateValue) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::close(pipeFds[0]);
        value != nullptr ? ::setenv("KESTREL_DEBUG", value, 1) : ::unsetenv("KESTREL_DEBUG");
        DebugLog("client link", "peer: no attach answer: \x1B[31mred\nnext");
        ::setenv("KESTREL_DEBUG", lateValue, 1);
        DebugLog("module", "after the switch changed");
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string out;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) {
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return out;
}

TEST(DebugLog, OneEscapedLinePerCallNamingTheComponentOnlyWhenTheSwitchIsOne) {
    EXPECT_EQ(
        "kestrel client link: peer: no attach answer: \\x1B[31mred\\nnext\n"
        "kestrel module: after the switch changed\n",
        LoggedInChild("1", "0"));
    for (const char* off : {static_cast<const char*>(nullptr), "", "0", "yes", "1 ", "2"}) {
        EXPECT_EQ("", LoggedInChild(off, "1")) << "KESTREL_DEBUG=" << (off ? off : "(unset)");
    }
}

}  // namespace
}  // namespace platform
