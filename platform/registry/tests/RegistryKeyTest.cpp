// Registry keys on a scratch configuration directory: creation, typed values, the read limit,
// failures that leave the file alone, and concurrent changes that all survive.
#include "platform/registry/RegistryKey.h"

#include "platform/registry/AutostartEntry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr std::wstring_view kPhoneKey = L"software\\Skype\\Phone\\";

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Points XDG_CONFIG_HOME at a scratch directory for the length of a test.
class RegistryKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = "/tmp/kestrel-registry-XXXXXX";
        ASSERT_NE(nullptr, ::mkdtemp(pattern.data()));
        config = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            saved = old;
        }
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        // An installed package's entries must not reach the tests.
        ::setenv("XDG_CONFIG_DIRS", (config / "system").c_str(), 1);
        file = config / "kestrel" / "registry.ini";
    }
    void TearDown() override {
        if (saved) {
            ::setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        ::unsetenv("XDG_CONFIG_DIRS");
        fs::remove_all(config);
    }
    fs::path config;
    fs::path file;
    std::optional<std::string> saved;
};

TEST_F(RegistryKeyTest, OpenCreatesTheKeyAndValuesKeepTheirType) {
    EXPECT_EQ(file, RegistryFilePath());
    RegistryKey key;
    ASSERT_EQ(kRegistryOk, key.Open(RegistryRoot::kCurrentUser, kPhoneKey));
    EXPECT_NE(std::string::npos,
              Contents(file).find("[HKEY_CURRENT_USER\\software\\Skype\\Phone]"));

    std::wstring text = L"untouched";
    EXPECT_EQ(kRegistryNotFound, key.ReadString(L"SkypePath", text));
    EXPECT_EQ(L"untouched", text);

    EXPECT_EQ(kRegistryOk, key.SetString(L"SkypePath", L"/opt/softphone/bin/phone"));
    EXPECT_EQ(kRegistryOk, key.SetDword(L"SetupPreferredAudioDevicesCount", 5));
    EXPECT_EQ(kRegistryOk, key.ReadString(L"skypepath", text));
    EXPECT_EQ(L"/opt/softphone/bin/phone", text);
    std::uint32_t number = 0;
    EXPECT_EQ(kRegistryOk, key.ReadDword(L"SetupPreferredAudioDevicesCount", number));
    EXPECT_EQ(5u, number);

    EXPECT_EQ(kRegistryInvalidData, key.ReadDword(L"SkypePath", number));
    EXPECT_EQ(kRegistryInvalidData, key.ReadString(L"SetupPreferredAudioDevicesCount", text));
    EXPECT_EQ(5u, number);
    EXPECT_EQ(L"/opt/softphone/bin/phone", text);
}

TEST_F(RegistryKeyTest, EveryKeyObjectSeesTheFileAsItIsNow) {
    RegistryKey writer;
    RegistryKey reader;
    ASSERT_EQ(kRegistryOk, writer.Open(RegistryRoot::kCurrentUser, kPhoneKey));
    ASSERT_EQ(kRegistryOk, reader.Open(RegistryRoot::kCurrentUser, L"SOFTWARE\\skype\\PHONE"));
    ASSERT_EQ(kRegistryOk, writer.SetString(L"SkypePath", L"/one"));
    std::wstring text;
    EXPECT_EQ(kRegistryOk, reader.ReadString(L"SkypePath", text));
    EXPECT_EQ(L"/one", text);
    EXPECT_EQ(kRegistryOk, reader.DeleteValue(L"SkypePath"));
    EXPECT_EQ(kRegistryNotFound, writer.DeleteValue(L"SkypePath"));
    EXPECT_EQ(kRegistryNotFound, writer.ReadString(L"SkypePath", text));
}

TEST_F(RegistryKeyTest, AReadAcceptsAtMost199Utf16Units) {
    RegistryKey key;
    ASSERT_EQ(kRegistryOk, key.Open(RegistryRoot::kCurrentUser, kPhoneKey));
    const std::wstring longest(kMaxRegistryReadChars, L'p');
    ASSERT_EQ(kRegistryOk, key.SetString(L"Fits", longest));
    ASSERT_EQ(kRegistryOk, key.SetString(L"TooLong", longest + L"p"));
    // A character outside the basic plane takes two UTF-16 units.
    ASSERT_EQ(kRegistryOk, key.SetString(L"Wide", longest.substr(1) + L"\U0001F600"));
    std::wstring text;
    EXPECT_EQ(kRegistryOk, key.ReadString(L"Fits", text));
    EXPECT_EQ(longest, text);
    EXPECT_EQ(kRegistryMoreData, key.ReadString(L"TooLong", text));
    EXPECT_EQ(kRegistryMoreData, key.ReadString(L"Wide", text));
    EXPECT_EQ(longest, text);
}

TEST_F(RegistryKeyTest, AKeyThatIsNotOpenDoesNothing) {
    RegistryKey key;
    std::wstring text;
    std::uint32_t number = 0;
    EXPECT_EQ(kRegistryInvalidHandle, key.SetString(L"a", L"b"));
    EXPECT_EQ(kRegistryInvalidHandle, key.ReadString(L"a", text));
    EXPECT_EQ(kRegistryInvalidHandle, key.ReadDword(L"a", number));
    EXPECT_EQ(kRegistryInvalidHandle, key.DeleteValue(L"a"));
    ASSERT_EQ(kRegistryOk, key.Open(RegistryRoot::kCurrentUser, kPhoneKey));
    key.Close();
    EXPECT_EQ(kRegistryInvalidHandle, key.SetDword(L"a", 1));
    EXPECT_EQ(kRegistryInvalidParameter, key.Open(RegistryRoot::kCurrentUser, L"bad\x01key"));
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(RegistryKeyTest, AnUnusableFileIsReportedAndLeftAlone) {
    fs::create_directories(file.parent_path());
    const std::string huge(2 * 1024 * 1024, ';');
    std::ofstream(file, std::ios::binary) << huge;
    RegistryKey key;
    EXPECT_EQ(kRegistryAccessDenied, key.Open(RegistryRoot::kCurrentUser, kPhoneKey));
    EXPECT_EQ(huge, Contents(file));

    // A configuration directory that cannot exist.
    const fs::path blocker = config / "blocker";
    std::ofstream(blocker) << "a file";
    ::setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    EXPECT_EQ(kRegistryAccessDenied, key.Open(RegistryRoot::kCurrentUser, kPhoneKey));
}

TEST_F(RegistryKeyTest, ConcurrentChangesAllSurvive) {
    const auto writeMany = [](const wchar_t* prefix) {
        RegistryKey key;
        ASSERT_EQ(kRegistryOk, key.Open(RegistryRoot::kCurrentUser, kPhoneKey));
        for (std::uint32_t i = 0; i < 40; ++i) {
            ASSERT_EQ(kRegistryOk, key.SetDword(prefix + std::to_wstring(i), i));
        }
    };
    std::thread first(writeMany, L"first");
    std::thread second(writeMany, L"second");
    first.join();
    second.join();
    RegistryKey key;
    ASSERT_EQ(kRegistryOk, key.Open(RegistryRoot::kCurrentUser, kPhoneKey));
    for (std::uint32_t i = 0; i < 40; ++i) {
        std::uint32_t value = 1000;
        EXPECT_EQ(kRegistryOk, key.ReadDword(L"first" + std::to_wstring(i), value));
        EXPECT_EQ(kRegistryOk, key.ReadDword(L"second" + std::to_wstring(i), value));
        EXPECT_EQ(i, value);
    }
}

// The Run key's values are the desktop session's autostart entries, never lines of the file.
TEST_F(RegistryKeyTest, RunValuesAreAutostartEntriesThatStartTheProgramInItsDirectory) {
    RegistryKey run;
    ASSERT_EQ(kRegistryOk, run.Open(RegistryRoot::kCurrentUser,
                                    L"software\\microsoft\\windows\\currentversion\\run\\"));
    const fs::path entry = config / "autostart" / "Kestrel.desktop";
    // Quotes, a dollar, a percent and a backslash: none may reach a shell or a field code.
    const std::wstring tricky = L"/opt/a b/it's $HOME%\"\\Lark";
    ASSERT_EQ(kRegistryOk, run.SetString(L"Kestrel", tricky));
    const std::string text = Contents(entry);
    EXPECT_NE(std::string::npos, text.find("[Desktop Entry]\nType=Application\n"));
    EXPECT_NE(std::string::npos, text.find(R"(Exec="/opt/a b/it's \\$HOME%%\\"\\\\Lark")"
                                           "\n"));
    EXPECT_NE(std::string::npos, text.find("Path=/opt/a b\n"));
    EXPECT_FALSE(fs::exists(file));

    for (const std::wstring& program : {tricky, std::wstring(L"/home/日本/Larkspur")}) {
        ASSERT_EQ(kRegistryOk, run.SetString(L"Kestrel", program));
        std::wstring read;
        EXPECT_EQ(kRegistryOk, run.ReadString(L"Kestrel", read));
        EXPECT_EQ(program, read);
    }
    // What cannot be an entry is refused, and leaves the one there alone.
    EXPECT_EQ(kRegistryInvalidParameter, run.SetString(L"Kestrel", L"relative/Larkspur"));
    EXPECT_EQ(kRegistryInvalidParameter, run.SetString(L"../escape", L"/bin/true"));
    EXPECT_EQ(kRegistryInvalidData, run.SetDword(L"Kestrel", 1));

    EXPECT_EQ(kRegistryOk, run.DeleteValue(L"Kestrel"));
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(kRegistryNotFound, run.DeleteValue(L"Kestrel"));
    std::wstring untouched = L"before";
    EXPECT_EQ(kRegistryNotFound, run.ReadString(L"Kestrel", untouched));
    EXPECT_EQ(L"before", untouched);

    // An entry someone else wrote is there, but not ours to read.
    std::ofstream(config / "autostart" / "Other.desktop") << "[Desktop Entry]\nExec=other --x\n";
    EXPECT_EQ(kRegistryInvalidData, run.ReadString(L"Other", untouched));
}

// An installed system entry starts the program until the user turns it off, and the user's
// choice holds over it either way.
TEST_F(RegistryKeyTest, ASystemAutostartEntryHoldsUntilTheUserTurnsItOff) {
    RegistryKey run;
    ASSERT_EQ(kRegistryOk, run.Open(RegistryRoot::kCurrentUser,
                                    L"software\\microsoft\\windows\\currentversion\\run\\"));
    ::setenv(
        "XDG_CONFIG_DIRS",
        ("relative:" + (config / "empty").native() + ":" + (config / "system").native()).c_str(),
        1);
    fs::create_directories(config / "system" / "autostart");
    std::ofstream(config / "system" / "autostart" / "Kestrel.desktop")
        << AutostartEntryText(L"Kestrel", "/usr/bin/Larkspur");
    const fs::path user = config / "autostart" / "Kestrel.desktop";

    std::wstring read;
    EXPECT_EQ(kRegistryOk, run.ReadString(L"Kestrel", read));
    EXPECT_EQ(L"/usr/bin/Larkspur", read);
    // Off: the user's hidden entry overrides the system's.
    EXPECT_EQ(kRegistryOk, run.DeleteValue(L"Kestrel"));
    EXPECT_NE(std::string::npos, Contents(user).find("\nHidden=true\n"));
    EXPECT_EQ(kRegistryNotFound, run.ReadString(L"Kestrel", read));
    EXPECT_EQ(kRegistryNotFound, run.DeleteValue(L"Kestrel"));
    // On again: the user's own entry.
    ASSERT_EQ(kRegistryOk, run.SetString(L"Kestrel", L"/home/u/.local/share/kestrel/Larkspur"));
    EXPECT_EQ(kRegistryOk, run.ReadString(L"Kestrel", read));
    EXPECT_EQ(L"/home/u/.local/share/kestrel/Larkspur", read);
    EXPECT_EQ(kRegistryOk, run.DeleteValue(L"Kestrel"));
    EXPECT_EQ(kRegistryNotFound, run.ReadString(L"Kestrel", read));

    // A system entry that is hidden itself starts nothing, and needs no hiding.
    fs::remove(user);
    std::ofstream(config / "system" / "autostart" / "Kestrel.desktop", std::ios::app)
        << "Hidden=true\n";
    EXPECT_EQ(kRegistryNotFound, run.ReadString(L"Kestrel", read));
    EXPECT_EQ(kRegistryNotFound, run.DeleteValue(L"Kestrel"));
    EXPECT_FALSE(fs::exists(user));
}

TEST_F(RegistryKeyTest, WithoutAnAbsoluteXdgConfigHomeTheHomeDirectoryIsUsed) {
    const char* home = std::getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    ::setenv("HOME", config.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(config / ".config" / "kestrel" / "registry.ini", RegistryFilePath());
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(config / ".config", ConfigHome());
    ::setenv("HOME", savedHome.c_str(), 1);
}

}  // namespace
}  // namespace platform
