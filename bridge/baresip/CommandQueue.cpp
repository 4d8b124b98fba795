// One command in flight at a time, in the order they were asked for.
#include "bridge/baresip/CommandQueue.h"

namespace baresip {
namespace {

// callfind answers success even when it found nothing; only its text tells.
bool Selected(const BaresipResponse& response) {
    return response.ok && response.data.find("not found") == std::string::npos;
}

}  // namespace

void CommandQueue::OnCall(const std::string& baresipId, std::string command, Done done) {
    Push(Job{{Step{"callfind", baresipId}, Step{std::move(command), {}}}, 0, std::move(done)});
}

void CommandQueue::Plain(std::string command, std::string params, Done done) {
    Push(Job{{Step{std::move(command), std::move(params)}}, 0, std::move(done)});
}

void CommandQueue::Push(Job job) {
    jobs_.push_back(std::move(job));
    if (inFlightToken_.empty()) {
        SendNext();
    }
}

void CommandQueue::SendNext() {
    if (jobs_.empty()) {
        return;
    }
    const Step& step = jobs_.front().steps[jobs_.front().next];
    inFlightToken_ = std::to_string(++lastToken_);
    send_(FormatBaresipCommand(step.command, step.params, inFlightToken_));
}

bool CommandQueue::OnResponse(const BaresipResponse& response) {
    if (inFlightToken_.empty() || response.token != inFlightToken_) {
        return false;
    }
    inFlightToken_.clear();
    Job& job = jobs_.front();
    const bool selecting = job.steps[job.next].command == "callfind";
    const bool ok = selecting ? Selected(response) : response.ok;
    ++job.next;
    if (ok && job.next < job.steps.size()) {
        SendNext();
        return true;
    }
    Done done = std::move(job.done);
    jobs_.pop_front();
    // The next job goes before `done` runs: what `done` asks for queues behind it.
    SendNext();
    if (done) {
        done(ok, response.data);
    }
    return true;
}

void CommandQueue::FailAll() {
    std::deque<Job> jobs;
    jobs.swap(jobs_);
    inFlightToken_.clear();
    for (Job& job : jobs) {
        if (job.done) {
            job.done(false, {});
        }
    }
}

}  // namespace baresip
