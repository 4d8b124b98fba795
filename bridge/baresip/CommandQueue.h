// The commands put to baresip, one at a time.
//
// baresip's call commands act on its current call, so a command for one call is a pair: select
// the call ("callfind <id>"), then the command. A second pair must not slip between the two, and
// the command must not go when the selection failed (it would act on another call). So every
// job waits for the jobs before it, and each of its commands for the response to the one before.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "bridge/baresip/BaresipMessage.h"

namespace baresip {

class CommandQueue {
  public:
    // How a job ended: `ok` when each of its commands succeeded; `data` the last response's text.
    using Done = std::function<void(bool ok, const std::string& data)>;
    using Sender = std::function<void(const std::string& payload)>;

    explicit CommandQueue(Sender send) : send_(std::move(send)) {}

    // `command` on the call baresip knows as `baresipId`.
    void OnCall(const std::string& baresipId, std::string command, Done done);
    // A command of its own ("dial", with the URI as `params`).
    void Plain(std::string command, std::string params, Done done);

    // Takes the response to the command in flight; false when it answers none of ours.
    bool OnResponse(const BaresipResponse& response);
    // baresip went away: every job ends unsuccessfully, in order.
    void FailAll();

  private:
    struct Step {
        std::string command;
        std::string params;
    };
    struct Job {
        std::vector<Step> steps;
        std::size_t next = 0;
        Done done;
    };

    void Push(Job job);
    void SendNext();

    Sender send_;
    std::deque<Job> jobs_;
    std::string inFlightToken_;  // empty while nothing waits for a response
    std::uint64_t lastToken_ = 0;
};

}  // namespace baresip
