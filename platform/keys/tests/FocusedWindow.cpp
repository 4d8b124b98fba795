// The test window: Xlib, with every wait for an event bounded by a poll on the connection.
#include "platform/keys/tests/FocusedWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

#include <cerrno>

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

struct FocusedWindow::Client {
    ::Display* display = nullptr;
    Window window = 0;

    // The next event, or false when none arrived before `deadline`.
    bool NextEvent(XEvent& event, Clock::time_point deadline) {
        while (XPending(display) == 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return false;
            }
            pollfd entry{ConnectionNumber(display), POLLIN, 0};
            if (poll(&entry, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
                return false;
            }
        }
        XNextEvent(display, &event);
        return true;
    }

    bool WaitFor(int type, Clock::time_point deadline) {
        XEvent event;
        while (NextEvent(event, deadline)) {
            if (event.type == type && event.xany.window == window) {
                return true;
            }
        }
        return false;
    }
};

std::ostream& operator<<(std::ostream& out, const ReceivedKey& key) {
    out << (key.press ? "press " : "release ") << key.keysym << " \"";
    for (const unsigned char c : key.text) {
        if (c < 0x20 || c >= 0x7F) {
            const char* digits = "0123456789abcdef";
            out << "\\x" << digits[c >> 4] << digits[c & 0xF];
        } else {
            out << c;
        }
    }
    return out << '"';
}

FocusedWindow::FocusedWindow(const std::string& display) : client_(std::make_unique<Client>()) {
    client_->display = XOpenDisplay(display.c_str());
    if (client_->display == nullptr) {
        failure_ = "the test window cannot open ";
        failure_ += display;
        return;
    }
    ::Display* x = client_->display;
    // A key held across a slow moment (a loaded machine, sanitizers) must not come back repeated.
    XAutoRepeatOff(x);
    client_->window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 100, 100, 0, 0, 0);
    XSelectInput(x, client_->window,
                 KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask);
    XMapWindow(x, client_->window);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    if (!client_->WaitFor(MapNotify, deadline)) {
        failure_ = "the test window was not mapped within 5 s";
        return;
    }
    XSetInputFocus(x, client_->window, RevertToParent, CurrentTime);
    if (!client_->WaitFor(FocusIn, deadline)) {
        failure_ = "the test window did not get the focus within 5 s";
    }
}

FocusedWindow::~FocusedWindow() {
    if (client_->display != nullptr) {
        XCloseDisplay(client_->display);
    }
}

std::vector<ReceivedKey> FocusedWindow::KeysUntilReleaseOf(const std::string& last,
                                                           std::chrono::milliseconds within) {
    std::vector<ReceivedKey> keys;
    if (client_->display == nullptr) {
        return keys;
    }
    const auto deadline = Clock::now() + within;
    XEvent event;
    while (client_->NextEvent(event, deadline)) {
        if (event.type != KeyPress && event.type != KeyRelease) {
            continue;
        }
        char text[16];
        KeySym ignored;
        const int length = XLookupString(&event.xkey, text, sizeof text, &ignored, nullptr);
        const char* name = XKeysymToString(XLookupKeysym(&event.xkey, 0));
        keys.push_back(ReceivedKey{event.type == KeyPress, name != nullptr ? name : "NoSymbol",
                                   std::string(text, static_cast<std::size_t>(length))});
        if (!keys.back().press && keys.back().keysym == last) {
            break;
        }
    }
    return keys;
}

}  // namespace platform
