// Window objects and the process-wide table that maps handles to them.
#include "platform/loop/Window.h"

#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace platform {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<WindowHandle, Window*> windows;
    WindowHandle next = 1;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

MessageLoop& CurrentLoopOrThrow() {
    MessageLoop* loop = MessageLoop::Current();
    if (loop == nullptr) {
        throw std::logic_error("window: no message loop on this thread");
    }
    return *loop;
}

}  // namespace

Window::Window() : Window(CurrentLoopOrThrow()) {}

Window::Window(MessageLoop& loop) : loop_(loop) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    handle_ = table.next++;
    table.windows.emplace(handle_, this);
}

Window::~Window() {
    Destroy();
}

void Window::Destroy() {
    if (handle_ == kNoWindow) {
        return;
    }
    loop_.KillAllTimers(handle_);
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    table.windows.erase(handle_);
    handle_ = kNoWindow;
}

void Window::SetTimer(TimerId id, std::chrono::milliseconds period) {
    if (IsAlive()) {
        loop_.SetTimer(handle_, id, period);
    }
}

bool Window::KillTimer(TimerId id) {
    return IsAlive() && loop_.KillTimer(handle_, id);
}

LRESULT Window::WindowProc(MessageId message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_CLOSE:
            OnClose();
            return 0;
        case WM_PAINT:
            if (lParam != 0) {
                OnPaint(*reinterpret_cast<PaintSurface*>(lParam));
            }
            return 0;
        default:
            return 0;
    }
}

bool PostMessage(WindowHandle window, MessageId message, WPARAM wParam, LPARAM lParam) {
    HandleTable& table = Table();
    // Held while queueing so that the window cannot go away between look-up and post.
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    if (it == table.windows.end()) {
        return false;
    }
    return it->second->Loop().PostTo(window, message, wParam, lParam);
}

LRESULT SendMessage(WindowHandle window, MessageId message, WPARAM wParam, LPARAM lParam) {
    Window* target = FromHandle(window);
    return target == nullptr ? 0 : target->WindowProc(message, wParam, lParam);
}

bool IsWindow(WindowHandle window) {
    return FromHandle(window) != nullptr;
}

Window* FromHandle(WindowHandle window) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(window);
    return it == table.windows.end() ? nullptr : it->second;
}

}  // namespace platform
