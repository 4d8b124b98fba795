// Blocked signals read from a signalfd that the message loop watches.
#include "platform/instance/LoopSignals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <stdexcept>

namespace platform {

LoopSignals::LoopSignals(MessageLoop& loop, std::initializer_list<int> signals,
                         std::function<void(int)> onSignal)
    : loop_(loop) {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : signals) {
        sigaddset(&set, signal);
    }
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
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

LoopSignals::~LoopSignals() {
    loop_.Unwatch(watch_);
    close(fd_);
}

}  // namespace platform
