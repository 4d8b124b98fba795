// Window objects: a handle, a window procedure, timers, a caption and a visible flag.
#pragma once

#include <chrono>
#include <string>

#include "platform/loop/MessageLoop.h"
#include "platform/loop/WindowTypes.h"

namespace platform {

class PaintSurface;

// A window of the loop it was made on. The handle is valid from construction until Destroy()
// or destruction, and is never given to another window afterwards.
class Window {
  public:
    // On MessageLoop::Current(), which must exist.
    Window();
    explicit Window(MessageLoop& loop);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    WindowHandle Handle() const { return handle_; }
    MessageLoop& Loop() const { return loop_; }
    bool IsAlive() const { return handle_ != kNoWindow; }
    // Kills the window's timers and retires its handle; messages to it are dropped from now on.
    void Destroy();

    WindowHandle Parent() const { return parent_; }
    void SetParent(WindowHandle parent) { parent_ = parent; }
    bool IsVisible() const { return visible_; }
    void Show(bool visible) { visible_ = visible; }
    const std::wstring& Text() const { return text_; }
    void SetText(std::wstring text) { text_ = std::move(text); }

    // Setting a running id restarts its period.
    void SetTimer(TimerId id, std::chrono::milliseconds period);
    bool KillTimer(TimerId id);

    // The window procedure. Overrides handle their own messages and pass the rest on, ending
    // here: WM_TIMER goes to OnTimer, WM_CLOSE to OnClose, WM_PAINT to OnPaint with the
    // PaintSurface* in lParam (a WM_PAINT without one paints nothing); anything else returns 0.
    virtual LRESULT WindowProc(MessageId message, WPARAM wParam, LPARAM lParam);

  protected:
    virtual void OnTimer(TimerId /*id*/) {}
    // The default close destroys the window.
    virtual void OnClose() { Destroy(); }
    // Paints the whole window into `surface`, which is the window's size.
    virtual void OnPaint(PaintSurface& /*surface*/) {}

  private:
    MessageLoop& loop_;
    WindowHandle handle_ = kNoWindow;
    WindowHandle parent_ = kNoWindow;
    bool visible_ = true;
    std::wstring text_;
};

// Queues the message for the window's loop. Thread-safe. Returns false, and does nothing, when
// the window does not exist (any more) or its queue is full.
bool PostMessage(WindowHandle window, MessageId message, WPARAM wParam, LPARAM lParam);
// Runs the window procedure now and returns its result; 0 when the window does not exist.
// Must be called on the window's loop thread; handlers may send again.
LRESULT SendMessage(WindowHandle window, MessageId message, WPARAM wParam, LPARAM lParam);
bool IsWindow(WindowHandle window);
// The live window behind a handle, or nullptr. Loop thread only.
Window* FromHandle(WindowHandle window);

}  // namespace platform
