// What the console offers its pages: the way to the engine and the handset, the language, and
// where the settings are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

class ConsoleOperations {
  public:
    virtual ~ConsoleOperations() = default;

    // Each does nothing without an engine.
    virtual bool SendSkypeCommand(const std::wstring& text) = 0;
    virtual void PostSettingKey(std::uint8_t code) = 0;
    virtual void PostDeviceCommand(std::uint8_t command, std::uint8_t value) = 0;
    // Hands the LANGID to the engine, then relabels every page and the console.
    virtual void SetLanguage(std::uint16_t langId) = 0;

    // Asks the user for a sound file to open: its full path, or nothing when cancelled.
    virtual std::optional<std::wstring> ChooseSoundFile() = 0;
    // Tells the user what went wrong, and waits for the acknowledgement.
    virtual void ShowError(const std::wstring& text) = 0;

    virtual const std::wstring& AppName() const = 0;
    virtual const std::filesystem::path& StartDirectory() const = 0;
};
