// The phone page: the handset's LCD contrast, the ring-tone file the softphone plays, the
// microphone mute and the sound output. Every change is stored and reaches the handset at once.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <string>

#include "host/larkspur/ConsolePage.h"

class CPageSetPhone final : public ConsolePage {
  public:
    // The longest ring-tone path the settings keep.
    static constexpr std::size_t kMaxRingerPath = 120;

    explicit CPageSetPhone(ConsoleOperations& console);

    void SetTexts(std::uint16_t langId) override;
    void ReloadSettings() override;
    void EnableRingControls(bool enable) override { browse_->setEnabled(enable); }

    // The "..." button: a sound file chosen for the ring.
    void ChooseRingerFile();

    QSlider* ContrastSlider() const { return contrast_; }
    QLineEdit* RingerFileEdit() const { return ringerFile_; }
    QPushButton* BrowseButton() const { return browse_; }
    QComboBox* MicMuteList() const { return micMute_; }
    QComboBox* SoundOutList() const { return soundOut_; }

  protected:
    void OnInitDialog() override;

  private:
    void CheckContrast();
    // A selection in the mute or the sound-output list: stored, sent, announced.
    void ChooseSwitch(const QComboBox& list, const wchar_t* key, std::uint8_t command,
                      std::uint8_t settingKey);

    QSlider* contrast_;
    QLineEdit* ringerFile_;
    QPushButton* browse_;
    QComboBox* micMute_;
    QComboBox* soundOut_;
    QLabel* contrastLabel_;
    QLabel* ringerLabel_;
    QLabel* micMuteLabel_;
    QLabel* soundOutLabel_;
};
