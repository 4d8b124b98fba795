// Xlib: SubstructureNotify on the root for MapNotify, XQueryTree and the title properties for the
// windows as they are. A window may go between the query and the look at it: such errors are
// ignored rather than ending the test.
#include "tests/desktop/XWindows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <utility>

namespace desktop_test {
namespace {

Display* Dpy(void* display) {
    return static_cast<Display*>(display);
}

int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

XWindows::XWindows(const std::string& display) {
    XSetErrorHandler(IgnoreError);
    Display* opened = XOpenDisplay(display.c_str());
    if (opened == nullptr) {
        return;
    }
    XSelectInput(opened, DefaultRootWindow(opened), SubstructureNotifyMask);
    XFlush(opened);
    display_ = opened;
}

XWindows::~XWindows() {
    if (display_ != nullptr) {
        XCloseDisplay(Dpy(display_));
    }
}

int XWindows::Fd() const {
    return display_ != nullptr ? ConnectionNumber(Dpy(display_)) : -1;
}

void XWindows::TakeEvents() {
    if (display_ == nullptr) {
        return;
    }
    Display* display = Dpy(display_);
    const Window root = DefaultRootWindow(display);
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.event == root) {
            mapped_.push_back(event.xmap.window);
        }
    }
}

std::string XWindows::Title(WindowId window) {
    Display* display = Dpy(display_);
    const Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    for (const auto& [property, type] :
         {std::pair{netWmName, utf8}, std::pair{XA_WM_NAME, XA_STRING}}) {
        Atom actualType = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        const int status = XGetWindowProperty(display, window, property, 0, 1024, False, type,
                                              &actualType, &format, &items, &after, &data);
        std::string title;
        if (status == Success && data != nullptr && format == 8) {
            title.assign(reinterpret_cast<const char*>(data), items);
        }
        if (data != nullptr) {
            XFree(data);
        }
        if (!title.empty()) {
            return title;
        }
    }
    return {};
}

std::vector<XWindows::TopLevel> XWindows::Titled(const std::string& title) {
    std::vector<TopLevel> found;
    if (display_ == nullptr) {
        return found;
    }
    Display* display = Dpy(display_);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return found;
    }
    for (unsigned i = 0; i < count; ++i) {
        if (Title(children[i]) != title) {
            continue;
        }
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, children[i], &attributes) == 0) {
            continue;  // gone meanwhile
        }
        found.push_back({children[i], title, attributes.map_state == IsViewable});
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

}  // namespace desktop_test
