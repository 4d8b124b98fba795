// The sample settings files, as the build copies them into the program directory, read back at
// their documented values. The copies there are read from the source tree: a program run in the
// program directory writes its settings, so the copies change as the system runs.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/profile/Profile.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// Defaults given to the reader that no sample holds, so a key that is missing shows up.
constexpr int kAbsent = -123456;
constexpr const wchar_t* kAbsentText = L"<absent>";

fs::path ProgramFile(const char* name) {
    return fs::path(KESTREL_SAMPLES_DIR) / name;
}

struct IntKey {
    const wchar_t* section;
    const wchar_t* key;
    int value;
};

struct TextKey {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
};

TEST(ShippedSamples, KestrelCfgHoldsEveryKeyAtItsDocumentedValue) {
    const fs::path file = ProgramFile("KestrelCFG.ini");
    ASSERT_TRUE(fs::is_regular_file(file)) << file;
    const IntKey ints[] = {
        {L"PhoneSet", L"lang", 0},        {L"PhoneSet", L"mic", 0},
        {L"PhoneSet", L"HasCall", 0},     {L"PhoneSet", L"lightcurrent", 0},
        {L"PhoneSet", L"pbsnd", 0},       {L"PhoneSet", L"contrast", 32},
        {L"PhoneSet", L"sndout", 0},      {L"PhoneSet", L"bell", 1},
        {L"PhoneSet", L"vol", 8},         {L"phoneset", L"sync", 0},
        {L"AutoRun", L"AutoRunSkype", 1}, {L"AutoRun", L"AutoRun", 1},
        {L"DeviceID", L"pid", 5001},      {L"contrast", L"top", 56},
    };
    for (const auto& k : ints) {
        EXPECT_EQ(k.value, GetPrivateProfileInt(k.section, k.key, kAbsent, file))
            << "[" << k.section << "] " << k.key;
    }
    const TextKey texts[] = {
        {L"MultiMedia", L"audioout", L"Windows Default Device"},
        {L"MultiMedia", L"audioin", L"Windows Default Device"},
        {L"MultiMedia", L"ringer", L"Windows Default Device"},
        {L"MultiMedia", L"RingerFile", L""},
        {L"ModeList", L"Mode0", L"Call.dll"},
        {L"ModeList", L"Mode1", L"Retrace.dll"},
        {L"ModeList", L"Mode2", L"Echobox.dll"},
        {L"Logo", L"LogoFile", L""},
        {L"ICON", L"noskype", L"noskype.ico"},
        {L"ICON", L"nodevice", L"nodevice.ico"},
        {L"ICON", L"allok", L"allok.ico"},
        {L"App", L"AppName", L"Quillon"},
    };
    for (const auto& k : texts) {
        EXPECT_EQ(k.value, GetPrivateProfileString(k.section, k.key, kAbsentText, file))
            << "[" << k.section << "] " << k.key;
    }
    EXPECT_EQ(kAbsentText, GetPrivateProfileString(L"ModeList", L"Mode3", kAbsentText, file))
        << "the plug-in list ends after the three modes";
}

TEST(ShippedSamples, KeyDefineHoldsTheDefaultKeyTable) {
    const fs::path file = ProgramFile("KeyDefine.ini");
    ASSERT_TRUE(fs::is_regular_file(file)) << file;
    // key1..key25 are scan codes 1..25 and give the scan code; key26..key50 are scan codes
    // 33..57 and give the scan code + 7.
    for (int n = 1; n <= 50; ++n) {
        const int expected = n <= 25 ? n : (n + 7) + 7;
        const std::wstring key = L"key" + std::to_wstring(n);
        EXPECT_EQ(expected, GetPrivateProfileInt(L"KeyDef", key, kAbsent, file)) << "key" << n;
    }
    EXPECT_EQ(kAbsent, GetPrivateProfileInt(L"KeyDef", L"key0", kAbsent, file));
    EXPECT_EQ(kAbsent, GetPrivateProfileInt(L"KeyDef", L"key51", kAbsent, file));
}

}  // namespace
}  // namespace platform
