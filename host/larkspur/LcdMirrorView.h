// The handset's screen on the PC: the engine paints its mirror of the LCD into this view. The
// engine does not announce new frames, so the view repaints a few times a second while it is
// shown, and costs nothing while the console is hidden.
#pragma once

#include <QTimer>
#include <QWidget>

#include "platform/loop/WindowTypes.h"

class LcdMirrorView final : public QWidget {
  public:
    explicit LcdMirrorView(QWidget* parent = nullptr);

    // The engine window that paints the mirror; kNoWindow for a blank LCD.
    void SetEngineWindow(platform::WindowHandle window) { engine_ = window; }
    // The picture as the next repaint draws it.
    QImage Picture() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    platform::WindowHandle engine_ = platform::kNoWindow;
    QTimer refresh_;
};
