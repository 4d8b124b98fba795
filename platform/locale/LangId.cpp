// Locale names to Windows LANGIDs: a table of the common locales and each language's default.
#include "platform/locale/LangId.h"

#include <cstdlib>
#include <string>

namespace platform {
namespace {

struct Locale {
    std::string_view language;
    std::string_view territory;
    std::uint16_t langId;
};

// LANGID = sublanguage << 10 | primary language. The first row of each language is the one a
// bare language name, or one with a territory not listed, maps to.
constexpr Locale kLocales[] = {
    {"zh", "cn", 0x0804}, {"zh", "tw", 0x0404}, {"zh", "hk", 0x0C04}, {"zh", "sg", 0x1004},
    {"zh", "mo", 0x1404}, {"ja", "jp", 0x0411}, {"ko", "kr", 0x0412}, {"en", "us", 0x0409},
    {"en", "gb", 0x0809}, {"en", "au", 0x0C09}, {"en", "ca", 0x1009}, {"en", "nz", 0x1409},
    {"en", "ie", 0x1809}, {"en", "za", 0x1C09}, {"en", "ph", 0x3409}, {"en", "hk", 0x3C09},
    {"en", "in", 0x4009}, {"en", "sg", 0x4809}, {"de", "de", 0x0407}, {"de", "ch", 0x0807},
    {"de", "at", 0x0C07}, {"de", "lu", 0x1007}, {"de", "li", 0x1407}, {"fr", "fr", 0x040C},
    {"fr", "be", 0x080C}, {"fr", "ca", 0x0C0C}, {"fr", "ch", 0x100C}, {"fr", "lu", 0x140C},
    {"es", "es", 0x0C0A}, {"es", "mx", 0x080A}, {"es", "ve", 0x200A}, {"es", "co", 0x240A},
    {"es", "pe", 0x280A}, {"es", "ar", 0x2C0A}, {"es", "cl", 0x340A}, {"es", "us", 0x540A},
    {"it", "it", 0x0410}, {"it", "ch", 0x0810}, {"pt", "br", 0x0416}, {"pt", "pt", 0x0816},
    {"nl", "nl", 0x0413}, {"nl", "be", 0x0813}, {"sv", "se", 0x041D}, {"sv", "fi", 0x081D},
    {"ar", "sa", 0x0401}, {"ar", "eg", 0x0C01}, {"ar", "ae", 0x3801}, {"nb", "no", 0x0414},
    {"no", "no", 0x0414}, {"nn", "no", 0x0814}, {"bn", "in", 0x0445}, {"bn", "bd", 0x0845},
    {"bg", "bg", 0x0402}, {"ca", "es", 0x0403}, {"cs", "cz", 0x0405}, {"da", "dk", 0x0406},
    {"el", "gr", 0x0408}, {"fi", "fi", 0x040B}, {"he", "il", 0x040D}, {"iw", "il", 0x040D},
    {"hu", "hu", 0x040E}, {"is", "is", 0x040F}, {"pl", "pl", 0x0415}, {"ro", "ro", 0x0418},
    {"ru", "ru", 0x0419}, {"hr", "hr", 0x041A}, {"sr", "rs", 0x281A}, {"bs", "ba", 0x141A},
    {"sk", "sk", 0x041B}, {"sq", "al", 0x041C}, {"th", "th", 0x041E}, {"tr", "tr", 0x041F},
    {"ur", "pk", 0x0420}, {"id", "id", 0x0421}, {"uk", "ua", 0x0422}, {"be", "by", 0x0423},
    {"sl", "si", 0x0424}, {"et", "ee", 0x0425}, {"lv", "lv", 0x0426}, {"lt", "lt", 0x0427},
    {"fa", "ir", 0x0429}, {"vi", "vn", 0x042A}, {"hy", "am", 0x042B}, {"az", "az", 0x042C},
    {"eu", "es", 0x042D}, {"mk", "mk", 0x042F}, {"af", "za", 0x0436}, {"ka", "ge", 0x0437},
    {"hi", "in", 0x0439}, {"ms", "my", 0x043E}, {"kk", "kz", 0x043F}, {"sw", "ke", 0x0441},
    {"ta", "in", 0x0449}, {"gl", "es", 0x0456},
};

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

}  // namespace

std::uint16_t LangIdFromLocaleName(std::string_view name) {
    name = name.substr(0, name.find_first_of(".@"));
    const auto separator = name.find_first_of("_-");
    const std::string language = Lowered(name.substr(0, separator));
    const std::string territory =
        separator == std::string_view::npos ? std::string() : Lowered(name.substr(separator + 1));
    const Locale* languageDefault = nullptr;
    for (const Locale& locale : kLocales) {
        if (locale.language != language) {
            continue;
        }
        if (locale.territory == territory) {
            return locale.langId;
        }
        if (languageDefault == nullptr) {
            languageDefault = &locale;
        }
    }
    return languageDefault != nullptr ? languageDefault->langId : kLangIdEnglishUs;
}

std::uint16_t GetSystemDefaultLangID() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0') {
            return LangIdFromLocaleName(value);
        }
    }
    return kLangIdEnglishUs;
}

}  // namespace platform
