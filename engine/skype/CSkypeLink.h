// The Skype link: finds the softphone, attaches to it, sends it command texts and hands every
// text it sends back to the engine.
//
// The softphone listens on a local socket (docs/client-protocol.md). Discovering is opening a
// connection (a probe); the softphone's attach answer on it decides: success with a new identity
// makes the probe the attached connection, success with the attached identity is dropped,
// pending waits on the same probe, refused and not available are reported and the probe goes.
//
// To the owner window: "SKYPESTATUSCHG" posted (1 attached, 0 attachment lost);
// "SKYPEMSGRECIEVED" (0, 0) sent for every text received and for the attach statuses 1 to 3,
// whose names stand in the last text. Its caption is "Skype connected" or "Skype not connected".
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/Links.h"
#include "platform/clientlink/ClientConnection.h"
#include "platform/clientlink/ClientSocket.h"
#include "platform/loop/Window.h"

// What tests replace.
struct SkypeLinkSeams {
    // Empty: platform::ClientSocketPath(), looked up at every discovery.
    std::filesystem::path socketPath;
    // The user id the softphone must run as.
    std::uint32_t clientUid = platform::CurrentUserId();
    // Starts the softphone program; empty: platform::StartDetached, in "/".
    std::function<bool(const std::filesystem::path& program)> startClient;
};

class CSkypeLink final : public platform::Window, public ISkypeLink {
  public:
    static constexpr platform::TimerId kPollTimer = 1;
    static constexpr platform::TimerId kDiscoverTimer = 2;
    static constexpr std::chrono::milliseconds kPollPeriod{1000};
    static constexpr std::chrono::milliseconds kDiscoverPeriod{10000};
    // The longest command text; its terminator makes 256 bytes.
    static constexpr std::size_t kMaxCommandBytes = 255;

    // A hidden child of `owner` on the current thread's loop. Starts the softphone when
    // `launch` is set, then discovers it every second until attached and every ten seconds.
    CSkypeLink(platform::WindowHandle owner, bool launch, SkypeLinkSeams seams = SkypeLinkSeams());
    ~CSkypeLink() override;

    platform::WindowHandle Handle() const override { return Window::Handle(); }
    bool IsAttached() const override { return attached_; }
    // False, sending nothing, when not attached or when the text is longer than
    // kMaxCommandBytes or holds a NUL.
    bool SendCommand(std::string_view command) override;
    std::string LastText() const override { return lastText_; }

    // Opens a probe unless one is open already.
    void BroadcastDiscover();
    // Starts the program named by the string value "SkypePath" of the current user's key
    // "software\Skype\Phone\", with "/" as its working directory; quiet when there is none.
    void LaunchSkype();

  protected:
    void OnTimer(platform::TimerId id) override;
    void OnClose() override;

  private:
    struct Connection {
        std::shared_ptr<platform::ClientConnection> stream;
        std::uint64_t serial = 0;  // tells the connections' handlers apart
        std::string identity;
        bool answered = false;
        platform::TimePoint openedAt{};
    };

    void OnFrame(std::uint64_t serial, const std::string& frame);
    void OnClosed(std::uint64_t serial);
    void OnAttachAnswer(const std::string& frame);
    void OnText(const std::string& text);
    void Attach(std::string identity);
    void Detach();
    // The attach statuses 1 to 3 reach the engine as if they were texts.
    void ReportStatus(std::string_view name);

    std::string lastText_;
    const platform::WindowHandle owner_;
    bool attached_ = false;
    Connection session_;  // the attached softphone: the "Skype window"
    const bool launch_;

    Connection probe_;
    std::uint64_t lastSerial_ = 0;
    SkypeLinkSeams seams_;
    const platform::MessageId statusChange_;
    const platform::MessageId messageReceived_;
};
