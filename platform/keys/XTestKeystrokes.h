// The real keystroke backend: X11 XTest on the display named by $DISPLAY.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/keys/Keystrokes.h"

namespace platform {

// Opens $DISPLAY on the first event and keeps it. Sends a press (a release with KEYEVENTF_KEYUP)
// of the key that gives the virtual key's keysym unshifted, and flushes. A virtual key it does
// not map sends nothing (a debug line). Where no X display is reachable (no $DISPLAY, refused,
// no XTest, or no answer within `openTimeout`) or the connection is lost later: one warning line
// on stderr per backend, and nothing is sent from then on.
class XTestKeystrokes final : public KeystrokeBackend {
  public:
    explicit XTestKeystrokes(std::chrono::milliseconds openTimeout = std::chrono::seconds(2));
    ~XTestKeystrokes() override;
    XTestKeystrokes(const XTestKeystrokes&) = delete;
    XTestKeystrokes& operator=(const XTestKeystrokes&) = delete;

    void Send(const KeyEvent& event) override;

  private:
    struct Connection;
    enum class State { kUnopened, kOpen, kGivenUp };

    void Open();
    void GiveUp(const std::string& why);

    std::chrono::milliseconds openTimeout_;
    State state_ = State::kUnopened;
    std::unique_ptr<Connection> connection_;  // while kOpen
};

}  // namespace platform
