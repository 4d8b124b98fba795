// A plain Xlib client window for tests: mapped, holding the keyboard focus, reporting the keys it
// receives.
#pragma once

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace platform {

// One key event as the window saw it: press or release, the key's unshifted keysym by name, and
// the text XLookupString makes of it with the modifiers held.
struct ReceivedKey {
    bool press;
    std::string keysym;
    std::string text;

    friend bool operator==(const ReceivedKey&, const ReceivedKey&) = default;
    friend std::ostream& operator<<(std::ostream& out, const ReceivedKey& key);
};

class FocusedWindow {
  public:
    // Connects to `display`, maps a window and gives it the focus, waiting up to five seconds;
    // Failure() says what did not happen.
    explicit FocusedWindow(const std::string& display);
    ~FocusedWindow();
    FocusedWindow(const FocusedWindow&) = delete;
    FocusedWindow& operator=(const FocusedWindow&) = delete;

    const std::string& Failure() const { return failure_; }

    // The key events received, up to and including the release of the key whose unshifted keysym
    // is `last` (by name), or all received when `within` runs out first.
    std::vector<ReceivedKey> KeysUntilReleaseOf(const std::string& last,
                                                std::chrono::milliseconds within);

  private:
    struct Client;
    std::unique_ptr<Client> client_;
    std::string failure_;
};

}  // namespace platform
