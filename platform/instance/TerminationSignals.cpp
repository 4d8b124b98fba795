// SIGINT and SIGTERM through a signalfd served by the message loop.
#include "platform/instance/TerminationSignals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <stdexcept>

namespace platform {

TerminationSignals::TerminationSignals(MessageLoop& loop, std::function<void(int)> onSignal)
    : loop_(loop) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    fd_ = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) {
        throw std::runtime_error("signalfd failed");
    }
    watch_ = loop_.Watch(fd_, [this, onSignal = std::move(onSignal)] {
        signalfd_siginfo info{};
        while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
            onSignal(static_cast<int>(info.ssi_signo));
        }
    });
}

TerminationSignals::~TerminationSignals() {
    loop_.Unwatch(watch_);
    close(fd_);
}

}  // namespace platform
