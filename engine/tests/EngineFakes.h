// Test doubles around the engine: links that record what the engine asks of them, a host
// window that records the engine's notifications, and a scriptable mode.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/Messages.h"
#include "engine/CEmualtor.h"
#include "engine/Links.h"
#include "modebase/CEmluatorModeBase.h"
#include "platform/loop/Window.h"

namespace enginetest {

using Command = std::pair<std::uint8_t, std::uint8_t>;

// What the fake links saw; owned by the factory so that it outlives the links.
struct HidState {
    bool present = true;
    bool autoOpen = false;
    bool closed = false;
    std::vector<Command> commands;
    std::vector<LCDFrame> frames;
};

struct SkypeState {
    bool attached = true;
    bool closed = false;
    std::string lastText;
    std::vector<std::string> sent;
};

class FakeHidLink : public platform::Window, public IHidLink {
  public:
    explicit FakeHidLink(HidState& state) : state_(state) {}
    platform::WindowHandle Handle() const override { return Window::Handle(); }
    void SetAutoOpen(bool on) override { state_.autoOpen = on; }
    bool IsPresent() const override { return state_.present; }
    bool SendCtrlCmd(std::uint8_t command, std::uint8_t value) override {
        state_.commands.emplace_back(command, value);
        return state_.present;
    }
    bool SendLCDFrame(const LCDFrame& frame) override {
        state_.frames.push_back(frame);
        return state_.present;
    }
    void OnClose() override {
        state_.closed = true;
        Window::OnClose();
    }

  private:
    HidState& state_;
};

class FakeSkypeLink : public platform::Window, public ISkypeLink {
  public:
    explicit FakeSkypeLink(SkypeState& state) : state_(state) {}
    platform::WindowHandle Handle() const override { return Window::Handle(); }
    bool IsAttached() const override { return state_.attached; }
    bool SendCommand(std::string_view command) override {
        state_.sent.emplace_back(command);
        return state_.attached;
    }
    std::string LastText() const override { return state_.lastText; }
    void OnClose() override {
        state_.closed = true;
        Window::OnClose();
    }

  private:
    SkypeState& state_;
};

class FakeLinkFactory : public ILinkFactory {
  public:
    std::unique_ptr<IHidLink> CreateHidLink(platform::WindowHandle owner,
                                            std::uint16_t productId) override {
        hidOwner = owner;
        requestedProductId = productId;
        return std::make_unique<FakeHidLink>(hid);
    }
    std::unique_ptr<ISkypeLink> CreateSkypeLink(platform::WindowHandle owner,
                                                bool launch) override {
        skypeOwner = owner;
        launchSkype = launch;
        return std::make_unique<FakeSkypeLink>(skype);
    }
    HidState hid;
    SkypeState skype;
    platform::WindowHandle hidOwner = platform::kNoWindow;
    platform::WindowHandle skypeOwner = platform::kNoWindow;
    std::uint16_t requestedProductId = 0;
    bool launchSkype = false;
};

// The host window: records every message the engine sends or posts to its parent.
class RecordingHost : public platform::Window {
  public:
    struct Received {
        platform::MessageId message;
        platform::WPARAM wParam;
        platform::LPARAM lParam;
    };
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        log.push_back({message, wParam, lParam});
        return 1;
    }
    std::vector<Received> Of(platform::MessageId message) const {
        std::vector<Received> found;
        for (const Received& r : log) {
            if (r.message == message) {
                found.push_back(r);
            }
        }
        return found;
    }
    std::vector<Received> log;
};

// A mode whose answers the test chooses; by default it takes the handset for `claimKey`.
class ScriptedMode : public CEmluatorModeBase {
  public:
    explicit ScriptedMode(std::string name) : name(std::move(name)) { CreateDialog(); }
    bool ProcessKey(std::uint8_t key) override {
        keys.push_back(key);
        if (onKey) {
            return onKey(key);
        }
        return false;
    }
    bool ProcessSkypeMsg(std::wstring text) override {
        texts.push_back(text);
        if (onText) {
            return onText(text);
        }
        return false;
    }
    void RefreshLCD() override { ++refreshes; }
    void SetSkypeOnline(bool online) override {
        skypeOnlineCalls.push_back(online);
        CEmluatorModeBase::SetSkypeOnline(online);
    }
    void SetHIDOnline(bool online) override {
        hidOnlineCalls.push_back(online);
        CEmluatorModeBase::SetHIDOnline(online);
    }
    // Takes the handset whenever it sees `key`.
    void ClaimKey(std::uint8_t claim) {
        onKey = [this, claim](std::uint8_t key) {
            if (key != claim) {
                return false;
            }
            SetActived(true);
            return true;
        };
    }
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        posted.push_back({message, wParam, lParam});
        return CEmluatorModeBase::WindowProc(message, wParam, lParam);
    }
    std::string name;
    std::vector<std::uint8_t> keys;
    std::vector<std::wstring> texts;
    std::vector<bool> skypeOnlineCalls;
    std::vector<bool> hidOnlineCalls;
    std::vector<RecordingHost::Received> posted;
    int refreshes = 0;
    std::function<bool(std::uint8_t)> onKey;
    std::function<bool(const std::wstring&)> onText;
};

// A fresh directory for one test, removed afterwards.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }

  private:
    std::filesystem::path path_;
};

inline const RegisteredMessages& Msg() {
    return RegisteredMessages::Get();
}

}  // namespace enginetest
