// A stand-in engine for a mode's tests: it records what the mode asks of it (softphone commands,
// handset commands, virtual keys, setting changes, broadcasts, frames) and may answer a command
// at once, as the softphone can, so that notifications arrive nested in a send.
#pragma once

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/LcdFrame.h"
#include "common/Messages.h"
#include "platform/loop/Window.h"

class RecordingEngine : public platform::Window {
  public:
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        const RegisteredMessages& m = RegisteredMessages::Get();
        if (message == m.requestCmdToSkype) {
            const std::string command = reinterpret_cast<const char*>(lParam);
            commands.push_back(command);
            if (onCommand) {
                onCommand(command);
            }
        } else if (message == m.requestCmdToHid) {
            hid.push_back(std::to_string(wParam) + "/" + std::to_string(lParam));
        } else if (message == m.virtualHidKey) {
            keys.push_back(static_cast<int>(wParam));
        } else if (message == m.settingChange) {
            settings.push_back(std::to_string(wParam) + "," + std::to_string(lParam));
        } else if (message == m.postMsgToAllMode) {
            broadcasts.emplace_back(wParam, lParam);
        } else if (message == m.requestDisplayLcd) {
            std::memcpy(frame.data(), reinterpret_cast<const void*>(lParam), frame.size());
            ++frames;
        }
        return 1;
    }
    // Everything recorded so far, taken away.
    std::vector<std::string> TakeCommands() { return std::exchange(commands, {}); }
    std::vector<std::string> TakeHid() { return std::exchange(hid, {}); }

    std::vector<std::string> commands;
    std::vector<std::string> hid;
    std::vector<std::string> settings;
    std::vector<int> keys;
    // "POSTMSGTOALLMODE": the message to pass on and its value.
    std::vector<std::pair<platform::WPARAM, platform::LPARAM>> broadcasts;
    LCDFrame frame{};
    int frames = 0;
    std::function<void(const std::string&)> onCommand;
};
