// larkspurd as a scenario runs it: started in the program directory with the run's environment,
// its standard error read line by line on the loop, its state lines picked out, and stopped.
#pragma once

#include <cstddef>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/childprocess/ChildProcess.h"
#include "platform/loop/MessageLoop.h"

namespace scenario {

class HostProcess {
  public:
    // The prefix of the lines that tell the host's state; the rest of such a line is the state.
    static constexpr std::string_view kStatePrefix = "larkspurd: state: ";
    // Lines kept of the host's standard error; older ones are dropped (and counted), state
    // lines excepted.
    static constexpr std::size_t kMaxKeptLines = 20000;
    // A longer stretch without a line feed is taken as a line of its own.
    static constexpr std::size_t kMaxLineBytes = 16 * 1024;

    explicit HostProcess(platform::MessageLoop& loop) : loop_(loop) {}
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // False when the program cannot be started.
    bool Start(platform::ChildOptions options);
    bool IsStarted() const { return child_ != nullptr; }
    // Whether it has ended; reaps it and reads the rest of its output when it has.
    bool HasEnded();
    // How it ended, once it has.
    std::optional<platform::ChildExit> Exit() const { return exit_; }

    void Terminate() { child_->Terminate(); }
    void Kill() { child_->Kill(); }

    const std::deque<std::string>& Lines() const { return lines_; }
    std::size_t DroppedLines() const { return dropped_; }
    // The states the host has shown, oldest first.
    const std::vector<std::string>& States() const { return states_; }

  private:
    void ReadOutput();
    void TakeLine(std::string line);

    platform::MessageLoop& loop_;
    std::unique_ptr<platform::ChildProcess> child_;
    platform::MessageLoop::WatchId watch_ = 0;
    std::optional<platform::ChildExit> exit_;
    std::string partial_;
    std::deque<std::string> lines_;
    std::size_t dropped_ = 0;
    std::vector<std::string> states_;
};

}  // namespace scenario
