// The ring page: what rings on an incoming call (the softphone's ring-tone file through the
// speaker, the handset's own melodies, or nothing) and what sounds on a key press.
#pragma once

#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <array>

#include "host/larkspur/ConsolePage.h"

class CPageSetRinging final : public ConsolePage {
  public:
    // The radios of both groups, by id. The buzzer's are hidden: the handset's melodies are
    // chosen on the handset.
    enum Choice { kSpeaker, kBuzzer, kNone, kChoices };

    explicit CPageSetRinging(ConsoleOperations& console);

    void SetTexts(std::uint16_t langId) override;
    // Shows [PhoneSet] bell and pbsnd.
    void ReloadSettings() override;
    void EnableRingControls(bool enable) override;

    QRadioButton* IncomingRadio(Choice choice) const { return incoming_[choice]; }
    QRadioButton* KeyPressRadio(Choice choice) const { return keyPress_[choice]; }
    // " ", then "Ring 1" to "Ring 8": the handset's melodies.
    QComboBox* RingTypeList() const { return ringType_; }

  protected:
    void OnInitDialog() override { ReloadSettings(); }

  private:
    void ChooseIncoming(int choice);
    void ChooseRingType();
    void ChooseKeyPress(int choice);
    void WriteBell(int bell);

    std::array<QRadioButton*, kChoices> incoming_{};
    std::array<QRadioButton*, kChoices> keyPress_{};
    QButtonGroup incomingGroup_;
    QButtonGroup keyPressGroup_;
    QComboBox* ringType_;
    QLabel* incomingLabel_;
    QLabel* keyPressLabel_;
    QLabel* ringTypeLabel_;
};
