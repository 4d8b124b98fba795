// One page of the console. A page is built empty and set up at its first activation, when it
// reads its settings and speaks to the engine for the first time.
#pragma once

#include <QWidget>
#include <cstdint>
#include <filesystem>

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

  protected:
    virtual void OnInitDialog() {}
    ConsoleOperations& Console() const { return console_; }
    // KestrelCFG.ini in the start directory.
    std::filesystem::path SettingsFile() const;

  private:
    ConsoleOperations& console_;
    bool initialised_ = false;
};
