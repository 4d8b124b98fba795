// The simulated handset: a receiving thread that decodes output reports into the log.
#include "tools/handset-sim/HandsetSimulator.h"

#include <algorithm>

#include "tools/handset-sim/InputReports.h"

namespace handset_sim {
namespace {

// One byte more than an output report, so that an over-long one shows as malformed.
constexpr std::size_t kReceiveBuffer = kOutputReportSize + 1;
constexpr auto kReceiveSlice = std::chrono::milliseconds(1000);

}  // namespace

HandsetSimulator::HandsetSimulator(std::uint16_t productId, std::uint16_t vendorId)
    : ids_{vendorId, productId} {}

HandsetSimulator::~HandsetSimulator() {
    Unplug();
}

bool HandsetSimulator::Plug(const std::string& socketPath) {
    Unplug();
    {
        std::lock_guard lock(mutex_);
        decoder_.Reset();
    }
    if (!peer_.Connect(socketPath, ids_)) {
        return false;
    }
    plugged_ = true;
    Record({Event::Kind::Plugged});
    receiver_ = std::thread(&HandsetSimulator::ReceiveLoop, this);
    return true;
}

void HandsetSimulator::Unplug() {
    if (receiver_.joinable()) {
        peer_.Shutdown();
        receiver_.join();
    }
    peer_.Close();
}

bool HandsetSimulator::SendKey(std::uint8_t scanCode) {
    return SendReport(KeyReport(scanCode));
}

bool HandsetSimulator::SendFirmware(std::string_view version) {
    if (!SendReport(FirmwareReport(version))) {
        return false;
    }
    std::lock_guard lock(mutex_);
    firmware_ = std::string(version.substr(0, kFirmwareCharacters));
    return true;
}

bool HandsetSimulator::SendReport(std::span<const std::uint8_t, kInputReportSize> report) {
    return plugged_ && peer_.Send(report);
}

HandsetState HandsetSimulator::State() const {
    std::lock_guard lock(mutex_);
    return decoder_.State();
}

std::string HandsetSimulator::Firmware() const {
    std::lock_guard lock(mutex_);
    return firmware_;
}

std::vector<Event> HandsetSimulator::Log() const {
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

std::size_t HandsetSimulator::LogStart() const {
    std::lock_guard lock(mutex_);
    return forgotten_;
}

std::size_t HandsetSimulator::LogEnd() const {
    std::lock_guard lock(mutex_);
    return forgotten_ + log_.size();
}

std::optional<std::size_t> HandsetSimulator::WaitFor(const std::function<bool(const Event&)>& match,
                                                     std::chrono::milliseconds timeout,
                                                     std::size_t from) const {
    std::unique_lock lock(mutex_);
    std::optional<std::size_t> found;
    logged_.wait_for(lock, timeout, [&] {
        for (from = std::max(from, forgotten_); from < forgotten_ + log_.size(); ++from) {
            if (match(log_[from - forgotten_])) {
                found = from;
                return true;
            }
        }
        return false;
    });
    return found;
}

void HandsetSimulator::ReceiveLoop() {
    std::array<std::uint8_t, kReceiveBuffer> buffer{};
    for (;;) {
        std::size_t length = 0;
        const platform::HidResult result = peer_.Receive(buffer, kReceiveSlice, length);
        if (result == platform::HidResult::Timeout) {
            continue;
        }
        if (result != platform::HidResult::Ok) {
            break;
        }
        const std::span<const std::uint8_t> report(buffer.data(), length);
        std::vector<Decoded> decoded;
        {
            std::lock_guard lock(mutex_);
            decoded = decoder_.Feed(report);
        }
        Record({Event::Kind::Received, std::vector<std::uint8_t>(report.begin(), report.end())},
               decoded);
    }
    plugged_ = false;
    Record({Event::Kind::Unplugged});
}

// A report decoded twice is logged twice, so that the log says what each reading was.
void HandsetSimulator::Record(Event event, const std::vector<Decoded>& decoded) {
    std::vector<Event> entries;
    if (decoded.empty()) {
        entries.push_back(std::move(event));
    }
    for (const Decoded& d : decoded) {
        entries.push_back(event);
        entries.back().decoded = d;
    }
    HandsetState state;
    {
        std::lock_guard lock(mutex_);
        state = decoder_.State();
        for (Event& entry : entries) {
            if (entry.kind == Event::Kind::Received &&
                entry.decoded.kind == FrameKind::DisplayShown) {
                entry.image = std::make_shared<const Screen>(state.lcd);
            }
        }
        log_.insert(log_.end(), entries.begin(), entries.end());
        while (log_.size() > kMaxLogEvents) {
            log_.pop_front();
            ++forgotten_;
        }
    }
    logged_.notify_all();
    if (observer_) {
        for (const Event& entry : entries) {
            observer_(entry, state);
        }
    }
}

}  // namespace handset_sim
