// One page of the console. A page is built empty and set up at its first activation, when it
// reads its settings and speaks to the engine for the first time.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

class ConsoleOperations;

class ConsolePage : public QWidget {
  public:
    explicit ConsolePage(ConsoleOperations& console) : console_(console) {}

    // The first call runs OnInitDialog; later calls do nothing.
    void Activate();
    bool IsInitialised() const { return initialised_; }

    // Relabels the page for `langId` (0: the system's language).
    virtual void SetTexts(std::uint16_t langId) = 0;
    // Reads the page's settings again: they were changed elsewhere.
    virtual void ReloadSettings() {}
    // Locks (false) or unlocks the controls that choose how the handset rings, while it rings.
    virtual void EnableRingControls(bool /*enable*/) {}

  protected:
    virtual void OnInitDialog() {}
    ConsoleOperations& Console() const { return console_; }
    // Settings in KestrelCFG.ini in the start directory.
    int SettingInt(std::wstring_view section, std::wstring_view key, int defaultValue) const;
    std::wstring SettingText(std::wstring_view section, std::wstring_view key,
                             std::wstring_view defaultValue = {}) const;
    void WriteSetting(std::wstring_view section, std::wstring_view key,
                      std::wstring_view value) const;
    // The full path of one of the program's sound files (mute.wav, default.wav).
    std::wstring SoundFile(std::wstring_view name) const;
    // Tells the softphone the file to ring with.
    void SendRingtone(std::wstring_view file) const;

  private:
    std::filesystem::path SettingsFile() const;

    ConsoleOperations& console_;
    bool initialised_ = false;
};
