// Locale names and the locale environment to Windows LANGIDs.
#include "platform/locale/LangId.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(LangIdFromLocaleName, TheLocalesTheHandsetTextsAreMadeFor) {
    EXPECT_EQ(0x0804, LangIdFromLocaleName("zh_CN"));
    EXPECT_EQ(0x0404, LangIdFromLocaleName("zh_TW"));
    EXPECT_EQ(0x0C04, LangIdFromLocaleName("zh_HK"));
    EXPECT_EQ(0x1004, LangIdFromLocaleName("zh_SG"));
    EXPECT_EQ(0x0411, LangIdFromLocaleName("ja_JP"));
    EXPECT_EQ(0x0409, LangIdFromLocaleName("en_US"));
    EXPECT_EQ(0x0809, LangIdFromLocaleName("en_GB"));
    EXPECT_EQ(0x0407, LangIdFromLocaleName("de_DE"));
    EXPECT_EQ(0x040C, LangIdFromLocaleName("fr_FR"));
    EXPECT_EQ(0x0C0C, LangIdFromLocaleName("fr_CA"));
    EXPECT_EQ(0x0816, LangIdFromLocaleName("pt_PT"));
    EXPECT_EQ(0x0814, LangIdFromLocaleName("nn_NO"));
}

TEST(LangIdFromLocaleName, EncodingModifierCaseAndSeparatorDoNotMatter) {
    EXPECT_EQ(0x0804, LangIdFromLocaleName("zh_CN.UTF-8@x"));
    EXPECT_EQ(0x0404, LangIdFromLocaleName("zh_TW.Big5"));
    EXPECT_EQ(0x0411, LangIdFromLocaleName("ja_JP.eucJP"));
    EXPECT_EQ(0x0407, LangIdFromLocaleName("de_DE@euro"));
    EXPECT_EQ(0x0C04, LangIdFromLocaleName("ZH_hk"));
    EXPECT_EQ(0x0809, LangIdFromLocaleName("en-GB"));
}

TEST(LangIdFromLocaleName, ALanguageAloneOrWithAnUnlistedTerritoryGivesItsDefault) {
    EXPECT_EQ(0x0804, LangIdFromLocaleName("zh"));
    EXPECT_EQ(0x0411, LangIdFromLocaleName("ja"));
    EXPECT_EQ(0x0409, LangIdFromLocaleName("en"));
    EXPECT_EQ(0x0416, LangIdFromLocaleName("pt.UTF-8"));
    EXPECT_EQ(0x0409, LangIdFromLocaleName("en_ZW.UTF-8"));
    EXPECT_EQ(0x0407, LangIdFromLocaleName("de_BE"));
    EXPECT_EQ(0x0804, LangIdFromLocaleName("zh_"));
}

TEST(LangIdFromLocaleName, NeutralAndUnknownLocalesAreUsEnglish) {
    for (const char* name : {"C", "POSIX", "C.UTF-8", "", "xx_YY", "_CN", "zhx_CN", "@", "."}) {
        EXPECT_EQ(0x0409, LangIdFromLocaleName(name)) << '"' << name << '"';
    }
}

// Sets the three locale variables for one test and puts back what was there.
class LocaleEnvironment : public ::testing::Test {
  protected:
    static constexpr const char* kVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

    LocaleEnvironment() {
        for (int i = 0; i < 3; ++i) {
            const char* value = std::getenv(kVariables[i]);
            saved_[i] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
        }
    }
    ~LocaleEnvironment() override {
        for (int i = 0; i < 3; ++i) {
            Set(kVariables[i], saved_[i] ? saved_[i]->c_str() : nullptr);
        }
    }
    static void Set(const char* variable, const char* value) {
        if (value != nullptr) {
            ::setenv(variable, value, 1);
        } else {
            ::unsetenv(variable);
        }
    }
    static void SetAll(const char* lcAll, const char* lcMessages, const char* lang) {
        Set("LC_ALL", lcAll);
        Set("LC_MESSAGES", lcMessages);
        Set("LANG", lang);
    }

  private:
    std::optional<std::string> saved_[3];
};

TEST_F(LocaleEnvironment, TheFirstNonEmptyOfLcAllLcMessagesAndLangDecides) {
    SetAll("zh_TW.UTF-8", "ja_JP.UTF-8", "de_DE.UTF-8");
    EXPECT_EQ(0x0404, GetSystemDefaultLangID());
    SetAll(nullptr, "ja_JP.UTF-8", "de_DE.UTF-8");
    EXPECT_EQ(0x0411, GetSystemDefaultLangID());
    SetAll("", "", "de_DE.UTF-8");
    EXPECT_EQ(0x0407, GetSystemDefaultLangID());
    SetAll("", nullptr, "zh_CN.GB18030");
    EXPECT_EQ(0x0804, GetSystemDefaultLangID());
}

TEST_F(LocaleEnvironment, NoLocaleOrTheCLocaleIsUsEnglish) {
    SetAll(nullptr, nullptr, nullptr);
    EXPECT_EQ(0x0409, GetSystemDefaultLangID());
    SetAll("", "", "");
    EXPECT_EQ(0x0409, GetSystemDefaultLangID());
    SetAll("C", "ja_JP.UTF-8", "zh_CN.UTF-8");
    EXPECT_EQ(0x0409, GetSystemDefaultLangID()) << "C in LC_ALL wins over the others";
}

}  // namespace
}  // namespace platform
