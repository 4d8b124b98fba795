// The audio page: the sound devices the softphone uses for a call and for the ring, the
// desktop's default devices, and the handset's speaker volume. The handset is chosen for the
// softphone's three roles whenever it is present.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <array>
#include <string>
#include <string_view>

#include "host/larkspur/ConsolePage.h"
#include "platform/audio/AudioDevices.h"

// The handset's own sound device: named "ORTOLAN", or "USB " and more (case counts).
bool IsHandsetDevice(std::wstring_view name);

class CPageSetAudio final : public ConsolePage {
  public:
    // The softphone's roles, in the order they are chosen and told.
    enum Role { kAudioOut, kAudioIn, kRinger, kRoles };
    static constexpr const wchar_t* kDefaultDevice = L"Windows Default Device";

    CPageSetAudio(ConsoleOperations& console, platform::AudioDevices& audio);
    ~CPageSetAudio() override;

    void SetTexts(std::uint16_t langId) override;
    // Reads [PhoneSet] vol into the slider and sets the handset to it.
    void ReloadSettings() override { LoadVolume(); }

    // The devices came or went: list them again and choose again.
    void RefreshAudioDevices();

    QSlider* VolumeSlider() const { return volume_; }
    QComboBox* RoleList(Role role) const { return roles_[role]; }
    QComboBox* DefaultList(platform::AudioDirection direction) const {
        return defaults_[Index(direction)];
    }

  protected:
    void OnInitDialog() override;

  private:
    static std::size_t Index(platform::AudioDirection direction) {
        return direction == platform::AudioDirection::kOutput ? 0 : 1;
    }
    void ListAudioDevices();
    void SelectAudioDevices();
    void SelectDefaultDevice(platform::AudioDirection direction);
    void SelectRoleDevice(Role role);
    void ChooseRoleDevice(Role role);
    void ChooseDefaultDevice(platform::AudioDirection direction);
    void TellSoftphone(Role role, const std::wstring& device);
    void LoadVolume();
    void CheckVolume();
    void SetHandsetVolume(int level);

    platform::AudioDevices& audio_;
    QSlider* volume_;
    std::array<QComboBox*, kRoles> roles_{};
    std::array<QComboBox*, 2> defaults_{};  // by Index(direction)
    QGroupBox* volumeGroup_;
    QGroupBox* softphoneGroup_;
    QGroupBox* desktopGroup_;
    QLabel* volumeLabel_;
    std::array<QLabel*, kRoles> roleLabels_{};
    std::array<QLabel*, 2> defaultLabels_{};
    // The last handset device and the last other device listed, by Index(direction). The other
    // name outlives a listing that finds none.
    std::array<std::wstring, 2> handsetName_;
    std::array<std::wstring, 2> otherName_;
};
