// The HID backend of the handset simulator: handsets are connections to a Unix SOCK_SEQPACKET
// socket this backend listens on (protocol in docs/handset-socket.md).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/hid/HidBackend.h"

namespace platform {

class SocketHidBackend final : public HidBackend {
  public:
    // The most handsets connected at once, hello not yet received included; more are refused.
    static constexpr std::size_t kMaxConnections = 8;
    // Input reports an open device holds unread; later ones are dropped, as hidraw does.
    static constexpr std::size_t kMaxQueuedReports = 64;

    // A connection that has not said hello by then is closed, so that silent connections cannot
    // take every place and turn the handsets away.
    static constexpr std::chrono::milliseconds kHelloTimeout{1000};

    // Listens on `socketPath` at once, replacing a socket file nobody listens on any more. When
    // that fails (path too long, a live listener there, no rights) the backend has no devices.
    explicit SocketHidBackend(std::string socketPath,
                              std::chrono::milliseconds helloTimeout = kHelloTimeout);
    // Stops listening, removes its socket file and ends every connection: open devices report
    // NotConnected from then on.
    ~SocketHidBackend() override;
    SocketHidBackend(const SocketHidBackend&) = delete;
    SocketHidBackend& operator=(const SocketHidBackend&) = delete;

    bool IsListening() const { return listenFd_ >= 0; }

    // The handsets that have said hello and are still connected: paths "sim:1", "sim:2", ... a
    // new number for every connection, report lengths 9 and 17.
    std::vector<HidDeviceInfo> Enumerate() override;
    // A device on that connection; nullptr when it is not (or no longer) connected. Each open
    // device receives every input report that arrives while it is open.
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    // Posts on every hello and on every end of a connection that had said hello.
    void StartWatching(WindowHandle window, MessageId message) override;
    void StopWatching() override;

    // Packets dropped so far: over-long reports, and reports beyond an open device's queue.
    std::size_t DroppedPackets() const;

    struct Connection;

  private:
    bool Listen();
    void Serve();
    void Accept();
    void Receive(const std::shared_ptr<Connection>& connection);
    void Hangup(const std::shared_ptr<Connection>& connection);
    void NotifyWatcher();
    // Hangs up the connections whose hello is overdue; returns the poll timeout until the next
    // one is due (-1: none waits).
    int HangUpSilentConnections();

    std::string path_;
    const std::chrono::milliseconds helloTimeout_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    // The socket file this backend made, so that only that one is removed.
    std::uint64_t socketDevice_ = 0;
    std::uint64_t socketInode_ = 0;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Connection>> connections_;
    unsigned nextNumber_ = 1;
    std::size_t dropped_ = 0;
    WindowHandle window_ = kNoWindow;
    MessageId message_ = 0;

    std::thread thread_;
};

}  // namespace platform
