// The language page's choice, its storage and its texts.
#include "host/larkspur/CPageSetLanguage.h"

#include <QVBoxLayout>
#include <string>

#include "host/larkspur/ChoiceControls.h"
#include "host/larkspur/ConsoleOperations.h"
#include "host/larkspur/HostStrings.h"
#include "platform/locale/LangId.h"

namespace {

constexpr std::uint8_t kLanguageSettingKey = 106;
constexpr std::uint16_t kPrimaryChinese = 0x04;
constexpr std::uint16_t kPrimaryEnglish = 0x09;
constexpr std::uint16_t kPrimaryJapanese = 0x11;

std::uint16_t PrimaryLanguage(int langId) {
    return static_cast<std::uint16_t>(langId & 0x3FF);
}

}  // namespace

CPageSetLanguage::CPageSetLanguage(ConsoleOperations& console)
    : ConsolePage(console), group_(new QGroupBox(this)) {
    auto* column = new QVBoxLayout(group_);
    for (int choice = 0; choice < kChoices; ++choice) {
        radios_[choice] = new QRadioButton(group_);
        buttons_.addButton(radios_[choice], choice);
        column->addWidget(radios_[choice]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group_);
    layout->addStretch();
    connect(&buttons_, &QButtonGroup::idClicked, this,
            [this](int id) { Choose(static_cast<Choice>(id)); });
}

void CPageSetLanguage::OnInitDialog() {
    ReloadSettings();
}

CPageSetLanguage::Choice CPageSetLanguage::ChoiceForStored(int lang) {
    if (lang == 0) {
        return kAuto;
    }
    switch (PrimaryLanguage(lang)) {
        case kPrimaryChinese:
            return (lang & 0xFC00) == 0x0800 ? kSimplifiedChinese : kTraditionalChinese;
        case kPrimaryEnglish:
            return kEnglish;
        default:
            return kJapanese;
    }
}

std::uint16_t CPageSetLanguage::LangIdForChoice(Choice choice) {
    switch (choice) {
        case kAuto: {
            const std::uint16_t system = platform::GetSystemDefaultLangID();
            const std::uint16_t primary = PrimaryLanguage(system);
            const bool known = primary == kPrimaryChinese || primary == kPrimaryEnglish ||
                               primary == kPrimaryJapanese;
            return known ? system : kPrimaryEnglish;
        }
        case kSimplifiedChinese:
            return 0x0804;
        case kTraditionalChinese:
            return 0x0404;
        case kEnglish:
            return kPrimaryEnglish;
        case kJapanese:
            return kPrimaryJapanese;
    }
    return kPrimaryEnglish;
}

void CPageSetLanguage::ReloadSettings() {
    ShowChoice(buttons_, ChoiceForStored(SettingInt(L"PhoneSet", L"lang", 0)));
}

void CPageSetLanguage::Choose(Choice choice) {
    const std::uint16_t langId = LangIdForChoice(choice);
    radios_[choice]->setChecked(true);
    Console().SetLanguage(langId);
    // Auto is stored as 0, so that the next start follows the system's language again.
    const std::wstring stored = choice == kAuto ? L"0" : std::to_wstring(langId);
    WriteSetting(L"PhoneSet", L"lang", stored);
    Console().PostSettingKey(kLanguageSettingKey);
}

void CPageSetLanguage::SetTexts(std::uint16_t langId) {
    const unsigned base = GetLanguageBase(langId);
    group_->setTitle(QString::fromStdWString(HostString(501, base)));
    for (int choice = 0; choice < kChoices; ++choice) {
        radios_[choice]->setText(QString::fromStdWString(HostString(502 + choice, base)));
    }
}
