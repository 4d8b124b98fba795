// The host's process and what it says on standard error.
#include "tools/scenario/HostProcess.h"

#include <algorithm>

namespace scenario {

HostProcess::~HostProcess() {
    if (watch_ != 0) {
        loop_.Unwatch(watch_);
    }
}

bool HostProcess::Start(platform::ChildOptions options) {
    options.pipeErrorOutput = true;  // what it says is read here
    child_ = platform::ChildProcess::Start(options);
    if (!child_) {
        return false;
    }
    watch_ = loop_.Watch(child_->ErrorOutputFd(), [this] { ReadOutput(); });
    return true;
}

bool HostProcess::HasEnded() {
    if (exit_) {
        return true;
    }
    if (!child_ || !child_->HasEnded()) {
        return false;
    }
    exit_ = child_->WaitFor(std::chrono::milliseconds(0));
    // What it wrote before it ended is in the pipe already; a descendant that still holds the
    // pipe open is not waited for.
    ReadOutput();
    return true;
}

void HostProcess::ReadOutput() {
    std::string chunk;
    const bool more = child_->ReadErrorOutput(chunk);
    partial_ += chunk;
    std::size_t end;
    while ((end = partial_.find('\n')) != std::string::npos || partial_.size() > kMaxLineBytes) {
        const std::size_t length = std::min(end, kMaxLineBytes);
        TakeLine(partial_.substr(0, length));
        partial_.erase(0, length == end ? end + 1 : length);
    }
    if (!more) {
        if (!partial_.empty()) {
            TakeLine(std::exchange(partial_, {}));
        }
        if (watch_ != 0) {
            loop_.Unwatch(std::exchange(watch_, 0));
        }
    }
}

void HostProcess::TakeLine(std::string line) {
    if (line.starts_with(kStatePrefix)) {
        states_.push_back(line.substr(kStatePrefix.size()));
    }
    lines_.push_back(std::move(line));
    if (lines_.size() > kMaxKeptLines) {
        lines_.pop_front();
        ++dropped_;
    }
}

}  // namespace scenario
