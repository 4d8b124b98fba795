// A mode for the LCD scenario: any key but 6 (the engine's back-to-idle key, which it also sends
// at start-up) makes it take the handset, show four rows, one of them highlighted, and start the
// title countdown; key 2 moves the highlight down.
#include <string>

#include "modebase/ModePlugin.h"

namespace {

constexpr StringEntry kStrings[] = {
    {101, L"\u6D4B\u8BD5\u6807\u9898"},
    {201, L"\u6E2C\u8A66\u6A19\u984C"},
    {301, L"Test Title"},
};
constexpr StringTable kTestStrings{kStrings};

constexpr const wchar_t* kRows[] = {L"Kestrel LCD", L"\u6765\u7535 Alice", L"Line two",
                                    L"Line three"};

class CLcdTestMode : public CEmluatorModeBase {
  public:
    bool ProcessKey(std::uint8_t key) override {
        if (key == 6) {
            return false;
        }
        if (!IsActived()) {
            SetActived(true);
            StartTitleCountdown();
            return true;
        }
        if (key == 2) {
            highlight_ = (highlight_ + 1) % ModeScreen::kRows;
            RefreshLCD();
            return true;
        }
        return false;
    }

    void RefreshLCD() override {
        for (int row = 0; row < ModeScreen::kRows; ++row) {
            m_screen.SetRow(row, kRows[row]);
        }
        m_screen.textScreen = 1;
        m_screen.highlight = highlight_;
        ShowScreen(&m_screen);
        RequestDisplayLCD();
    }

  private:
    int highlight_ = 0;
};

}  // namespace

KESTREL_MODE_PLUGIN(CLcdTestMode, kTestStrings)
