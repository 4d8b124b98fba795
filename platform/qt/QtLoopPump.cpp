// The platform loop pumped from Qt's.
#include "platform/qt/QtLoopPump.h"

#include <QAbstractEventDispatcher>
#include <chrono>

#include "platform/loop/MessageLoop.h"

namespace platform {

QtLoopPump::QtLoopPump(MessageLoop& loop, QObject* parent)
    : QObject(parent), loop_(loop), wake_(loop.WakeFd(), QSocketNotifier::Read) {
    deadline_.setSingleShot(true);
    // Timers of the engine run at millisecond periods; a coarse Qt timer could fire them late.
    deadline_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QSocketNotifier::activated, this, &QtLoopPump::Pump);
    connect(&deadline_, &QTimer::timeout, this, &QtLoopPump::Pump);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &QtLoopPump::ArmDeadline);
    Pump();
}

void QtLoopPump::Pump() {
    loop_.ProcessReady();
    ArmDeadline();
}

void QtLoopPump::ArmDeadline() {
    const auto next = loop_.TimeUntilNextTimer();
    if (!next) {
        deadline_.stop();
        return;
    }
    // Rounded up: a timer woken a fraction early would find nothing due and re-arm at zero.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*next);
    deadline_.start(static_cast<int>(ms.count()));
}

}  // namespace platform
