// The information page: the program's and the handset's versions, and three switches: start
// with the desktop session, start the softphone with the program, keep the softphone's mute in
// step with the handset's microphone.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <string>

#include "host/larkspur/ConsolePage.h"

class CPageInfomation final : public ConsolePage {
  public:
    static constexpr const char* kProgramVersion = "2.5.0.5";
    // The autostart entry's name, and the program it starts from the start directory.
    static constexpr const wchar_t* kRunValueName = L"Kestrel";
    static constexpr const char* kProgramFile = "Larkspur";

    explicit CPageInfomation(ConsoleOperations& console);

    void SetTexts(std::uint16_t langId) override;
    void ShowFirmware(const std::wstring& text);

    // The user's clicks: each reads its box as it now is.
    void AutoRunClicked();
    void AutoRunSkypeClicked();
    void SynchronousClicked();

    QCheckBox* AutoRunBox() const { return autoRun_; }
    QCheckBox* AutoRunSkypeBox() const { return autoRunSkype_; }
    QCheckBox* SynchronousBox() const { return synchronous_; }
    QLabel* FirmwareLabel() const { return firmware_; }
    QLabel* VersionLabel() const { return versionTitle_; }

  protected:
    void OnInitDialog() override;

  private:
    // Creates or removes the autostart entry; false, with the box put back, when that fails.
    bool ChangeAutostart(bool on);

    QGroupBox* information_;
    QLabel* versionTitle_;
    QLabel* firmwareTitle_;
    QLabel* firmware_;
    QLabel* notice_;
    QLabel* skypeNotice_;  // kept, as the dialog has it, but never shown
    QGroupBox* autoRunGroup_;
    QCheckBox* autoRun_;
    QCheckBox* autoRunSkype_;
    QGroupBox* synchronousGroup_;
    QCheckBox* synchronous_;
};
