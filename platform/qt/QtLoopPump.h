// Runs a platform message loop inside Qt's event loop, so that the engine, its links, the modes
// and the console share the GUI thread: the loop's wake descriptor is watched by a socket
// notifier and its next timer deadline by a single-shot timer. Nothing polls. Needs a running
// QCoreApplication.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

namespace platform {

class MessageLoop;

class QtLoopPump final : public QObject {
  public:
    // `loop` must outlive the pump and belong to the calling (GUI) thread.
    explicit QtLoopPump(MessageLoop& loop, QObject* parent = nullptr);

  private:
    void Pump();
    // Also run whenever Qt's loop is about to wait, because a Qt handler (a click, say) may
    // have set or killed a platform timer without anything being posted.
    void ArmDeadline();

    MessageLoop& loop_;
    QSocketNotifier wake_;
    QTimer deadline_;
};

}  // namespace platform
