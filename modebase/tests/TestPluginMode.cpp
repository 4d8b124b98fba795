// A plug-in for the tests: takes the handset on key 3 and writes every key it is offered into
// LCD byte 0, every text's length into byte 1, so a test sees them through the base class.
#include <string>

#include "modebase/ModePlugin.h"

namespace {

constexpr StringEntry kStrings[] = {
    {101, L"\u6D4B\u8BD5"},
    {201, L"\u6E2C\u8A66"},
    {301, L"Test Title"},
};
constexpr StringTable kTestStrings{kStrings};

class CTestPluginMode : public CEmluatorModeBase {
  public:
    bool ProcessKey(std::uint8_t key) override {
        SetLCDByte(0, key);
        if (key == 3 && !IsActived()) {
            SetActived(true);
            return true;
        }
        return false;
    }
    bool ProcessSkypeMsg(std::wstring text) override {
        SetLCDByte(1, static_cast<std::uint8_t>(text.size()));
        return false;
    }
};

}  // namespace

KESTREL_MODE_PLUGIN(CTestPluginMode, kTestStrings)
