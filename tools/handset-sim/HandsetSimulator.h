// The simulated handset: the handset's side of the handset socket. It plugs in, sends key and
// firmware reports, reads and checks every output report, and logs what it received.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/hid/SocketHidBackendPeer.h"
#include "tools/handset-sim/HandsetWire.h"
#include "tools/handset-sim/OutputDecoder.h"

namespace handset_sim {

struct Event {
    enum class Kind {
        Plugged,
        Unplugged,  // by the simulator or because the host went away
        Received,   // an output report; `report` and `decoded` say what it was
    };
    Event(Kind k, std::vector<std::uint8_t> r = {}, Decoded d = {})
        : kind(k), report(std::move(r)), decoded(d) {}
    Kind kind = Kind::Received;
    std::vector<std::uint8_t> report;
    Decoded decoded;
    std::shared_ptr<const Screen> image;  // DisplayShown: the image it put on the LCD
};

class HandsetSimulator {
  public:
    explicit HandsetSimulator(std::uint16_t productId = kDefaultProductId,
                              std::uint16_t vendorId = kVendorId);
    ~HandsetSimulator();
    HandsetSimulator(const HandsetSimulator&) = delete;
    HandsetSimulator& operator=(const HandsetSimulator&) = delete;

    // Connects to the host's handset socket: a handset freshly plugged in, its state reset.
    // Unplugs first when plugged. False when nobody listens at `socketPath`.
    bool Plug(const std::string& socketPath);
    // Disconnects and waits until the receiving thread has ended.
    void Unplug();
    bool IsPlugged() const { return plugged_; }

    // Input reports; false when not plugged or the host does not take the report now.
    bool SendKey(std::uint8_t scanCode);
    // The first five characters of `version`, padded with 0.
    bool SendFirmware(std::string_view version);
    bool SendReport(std::span<const std::uint8_t, kInputReportSize> report);

    HandsetState State() const;
    // The firmware version last sent, empty before the first.
    std::string Firmware() const;
    // The log keeps the latest kMaxLogEvents events. Events are numbered from 0 at construction;
    // Log() returns those kept, the first of them being number LogStart().
    static constexpr std::size_t kMaxLogEvents = 100000;
    std::vector<Event> Log() const;
    std::size_t LogStart() const;
    // The number the next event will get.
    std::size_t LogEnd() const;

    // Waits up to `timeout` (real time) for an event numbered `from` or later that `match`
    // accepts; returns its number, or nothing when none came in time.
    std::optional<std::size_t> WaitFor(const std::function<bool(const Event&)>& match,
                                       std::chrono::milliseconds timeout,
                                       std::size_t from = 0) const;

    // Called after every event is logged, with the state after it: on the receiving thread, and
    // in Plug for Plugged. Set before plugging in.
    using Observer = std::function<void(const Event&, const HandsetState&)>;
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

  private:
    void ReceiveLoop();
    void Record(Event event, const std::vector<Decoded>& decoded = {});

    const platform::handset_socket::DeviceIds ids_;
    platform::SocketHidBackendPeer peer_;
    std::thread receiver_;
    std::atomic<bool> plugged_{false};
    Observer observer_;

    mutable std::mutex mutex_;
    mutable std::condition_variable logged_;
    OutputDecoder decoder_;
    std::deque<Event> log_;
    std::size_t forgotten_ = 0;  // events dropped from the front of the log
    std::string firmware_;
};

}  // namespace handset_sim
