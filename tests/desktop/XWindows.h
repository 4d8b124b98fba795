// The top-level windows of an X display as a test sees them: their titles, whether they are
// mapped, and every window mapped since a point in time. Nothing waits here: the connection's
// descriptor wakes the test's loop, and TakeEvents reads what arrived.
#pragma once

#include <string>
#include <vector>

namespace desktop_test {

class XWindows {
  public:
    using WindowId = unsigned long;
    struct TopLevel {
        WindowId id = 0;
        std::string title;  // _NET_WM_NAME, else WM_NAME
        bool mapped = false;
    };

    // Opens `display` and listens to the root window's children being mapped and unmapped.
    explicit XWindows(const std::string& display);
    ~XWindows();
    XWindows(const XWindows&) = delete;
    XWindows& operator=(const XWindows&) = delete;

    bool IsOpen() const { return display_ != nullptr; }
    // Readable when events arrive; -1 when not open.
    int Fd() const;

    // Reads the events that arrived and records the windows mapped.
    void TakeEvents();
    // The windows mapped since the connection opened or the last ForgetMapped, in order.
    const std::vector<WindowId>& MappedSince() const { return mapped_; }
    void ForgetMapped() { mapped_.clear(); }

    // The root window's children with `title`, as they are now.
    std::vector<TopLevel> Titled(const std::string& title);

  private:
    std::string Title(WindowId window);

    void* display_ = nullptr;  // Display*, kept out of this header with Xlib's macros
    std::vector<WindowId> mapped_;
};

}  // namespace desktop_test
