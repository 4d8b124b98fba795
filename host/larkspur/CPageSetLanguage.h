// The language page: Auto, Simplified Chinese, Traditional Chinese, English or Japanese, for the
// console and the handset's screens at once, stored as [PhoneSet] lang.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <array>
#include <cstdint>

#include "host/larkspur/ConsolePage.h"

class CPageSetLanguage final : public ConsolePage {
  public:
    enum Choice { kAuto, kSimplifiedChinese, kTraditionalChinese, kEnglish, kJapanese };
    static constexpr int kChoices = 5;

    explicit CPageSetLanguage(ConsoleOperations& console);

    void SetTexts(std::uint16_t langId) override;
    // Clears the radios and checks the one for the stored [PhoneSet] lang.
    void ReloadSettings() override;

    // The user's click on a radio.
    void Choose(Choice choice);
    QRadioButton* Radio(Choice choice) const { return radios_[choice]; }
    QGroupBox* Group() const { return group_; }

    // The radio that shows a stored lang: 0 Auto; Chinese by its sub-language; 9 English; any
    // other value Japanese.
    static Choice ChoiceForStored(int lang);
    // The LANGID a choice hands on; Auto gives the system's when it is Chinese, English or
    // Japanese, otherwise English.
    static std::uint16_t LangIdForChoice(Choice choice);

  protected:
    void OnInitDialog() override;

  private:
    QGroupBox* group_;
    std::array<QRadioButton*, kChoices> radios_{};
    QButtonGroup buttons_;
};
