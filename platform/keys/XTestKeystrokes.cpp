// The X11 XTest keystroke backend: virtual keys to keysyms, keysyms to the keycodes that give them,
// fake presses and releases; the display opened once, within a time limit, and given up loudly.
#include "platform/keys/XTestKeystrokes.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/log/DebugLog.h"

namespace platform {
namespace {

constexpr std::string_view kComponent = "keys";

// The keysym a Windows virtual key gives unshifted; NoSymbol for the ones not mapped.
KeySym KeysymOf(std::uint8_t virtualKey) {
    if (virtualKey >= 0x30 && virtualKey <= 0x39) {
        return XK_0 + (virtualKey - 0x30);
    }
    if (virtualKey >= 0x41 && virtualKey <= 0x5A) {
        return XK_a + (virtualKey - 0x41);
    }
    switch (virtualKey) {
        case 0x08:
            return XK_BackSpace;
        case 0x09:
            return XK_Tab;
        case 0x0D:
            return XK_Return;
        case 0x10:
            return XK_Shift_L;  // VK_SHIFT: either Shift; the left one does
        case 0x11:
            return XK_Control_L;
        case 0x1B:
            return XK_Escape;
        case 0x20:
            return XK_space;
        case 0x6A:
            return XK_KP_Multiply;
        case 0x6B:
            return XK_KP_Add;
        case 0x6D:
            return XK_KP_Subtract;
        case 0xA0:
            return XK_Shift_L;
        case 0xA1:
            return XK_Shift_R;
        case 0xA2:
            return XK_Control_L;
        case 0xA3:
            return XK_Control_R;
        default:
            return NoSymbol;
    }
}

std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// XOpenDisplay has no time limit (a server that accepts and never answers, a remote host that
// drops packets), so it runs on a thread of its own that the caller stops waiting for.
struct PendingOpen {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    Display* display = nullptr;
    bool hasXTest = false;
};

// The open display, nullptr when it failed; `timedOut` and `hasXTest` say more. The extension is
// asked for within the same time limit: it is a round trip to the server as well.
Display* OpenWithin(const std::string& name, std::chrono::milliseconds timeout, bool& timedOut,
                    bool& hasXTest) {
    auto pending = std::make_shared<PendingOpen>();
    std::thread([pending, name] {
        Display* display = XOpenDisplay(name.c_str());
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        const bool xtest = display != nullptr &&
                           XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
        std::lock_guard lock(pending->mutex);
        if (pending->abandoned) {
            if (display != nullptr) {
                XCloseDisplay(display);
            }
            return;
        }
        pending->display = display;
        pending->hasXTest = xtest;
        pending->done = true;
        pending->finished.notify_one();
    }).detach();
    std::unique_lock lock(pending->mutex);
    timedOut = !pending->finished.wait_for(lock, timeout, [&] { return pending->done; });
    pending->abandoned = timedOut;
    hasXTest = pending->hasXTest;
    return pending->display;
}

// Xlib's stock I/O error handler ends the process when a connection breaks (the server went
// away). For the displays opened here it returns instead, leaving the loss to the display's exit
// handler; every other display of the process keeps the stock behaviour.
std::mutex adoptedMutex;
std::vector<Display*> adopted;
XIOErrorHandler stockIoErrorHandler = nullptr;

int OnIoError(Display* display) {
    {
        std::lock_guard lock(adoptedMutex);
        if (std::find(adopted.begin(), adopted.end(), display) != adopted.end()) {
            return 0;
        }
    }
    return stockIoErrorHandler != nullptr ? stockIoErrorHandler(display) : 0;
}

void Adopt(Display* display, XIOErrorExitHandler onLost, void* data) {
    static std::once_flag installed;
    std::call_once(installed, [] { stockIoErrorHandler = XSetIOErrorHandler(&OnIoError); });
    XSetIOErrorExitHandler(display, onLost, data);
    std::lock_guard lock(adoptedMutex);
    adopted.push_back(display);
}

// Closing is safe after a loss too: Xlib then skips the round trip.
void Close(Display* display) {
    XCloseDisplay(display);
    std::lock_guard lock(adoptedMutex);
    adopted.erase(std::find(adopted.begin(), adopted.end(), display));
}

}  // namespace

struct XTestKeystrokes::Connection {
    Display* display = nullptr;
    std::string name;  // as the warnings show it
    bool lost = false;

    // The connection broke: the display takes no more requests.
    static void OnLost(Display*, void* self) { static_cast<Connection*>(self)->lost = true; }

    // Xlib's copy of the keymap follows a layout change only when MappingNotify is handled;
    // nothing else arrives on this connection, which selects no events.
    void ReadEvents() {
        while (!lost && XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MappingNotify) {
                XRefreshKeyboardMapping(&event.xmapping);
            }
        }
    }
};

XTestKeystrokes::XTestKeystrokes(std::chrono::milliseconds openTimeout)
    : openTimeout_(openTimeout) {}

XTestKeystrokes::~XTestKeystrokes() {
    if (connection_ != nullptr) {
        Close(connection_->display);
    }
}

void XTestKeystrokes::Open() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') {
        GiveUp("no X display reachable (DISPLAY unset)");
        return;
    }
    std::string shown = "DISPLAY=";
    shown += EscapeControl(name);
    bool timedOut = false;
    bool hasXTest = false;
    Display* display = OpenWithin(name, openTimeout_, timedOut, hasXTest);
    if (display == nullptr) {
        std::string why = "no X display reachable (";
        why += shown;
        if (timedOut) {
            why += " did not answer within ";
            why += std::to_string(openTimeout_.count());
            why += " ms)";
        } else {
            why += " cannot be opened)";
        }
        GiveUp(why);
        return;
    }
    if (!hasXTest) {
        XCloseDisplay(display);
        std::string why = "no X display reachable (";
        why += shown;
        why += " has no XTEST extension)";
        GiveUp(why);
        return;
    }
    connection_ = std::make_unique<Connection>();
    connection_->display = display;
    connection_->name = std::move(shown);
    Adopt(display, &Connection::OnLost, connection_.get());
    state_ = State::kOpen;
    std::string opened = "opened ";
    opened += connection_->name;
    DebugLog(kComponent, opened);
}

void XTestKeystrokes::GiveUp(const std::string& why) {
    std::string line = "kestrel: ";
    line += why;
    line += ": dial tones and keystrokes are not sent\n";
    std::fputs(line.c_str(), stderr);
    state_ = State::kGivenUp;
}

void XTestKeystrokes::Send(const KeyEvent& event) {
    if (state_ == State::kUnopened) {
        Open();
    }
    if (state_ != State::kOpen) {
        return;
    }
    Connection& connection = *connection_;
    connection.ReadEvents();
    if (!connection.lost) {
        const KeySym keysym = KeysymOf(event.virtualKey);
        // Xlib searches the keymap column by column, so a key that gives the keysym unshifted
        // wins over one that gives it with Shift: the key pressed is the one the virtual key is.
        const KeyCode keycode =
            keysym == NoSymbol ? 0 : XKeysymToKeycode(connection.display, keysym);
        if (keycode == 0) {
            std::string what = "virtual key ";
            what += Hex(event.virtualKey);
            what += keysym == NoSymbol ? ": no keysym for it" : ": its keysym is on no key";
            DebugLog(kComponent, what + ", not sent");
            return;
        }
        // Keys sent are not logged: the dial keys can be a PIN.
        const bool press = (event.flags & KEYEVENTF_KEYUP) == 0;
        XTestFakeKeyEvent(connection.display, keycode, press ? True : False, CurrentTime);
        XFlush(connection.display);
    }
    if (connection.lost) {
        std::string why = "the X display (";
        why += connection.name;
        why += ") went away";
        GiveUp(why);
    }
}

}  // namespace platform
