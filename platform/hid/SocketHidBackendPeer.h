// The handset's end of the handset socket: what a simulated handset connects and talks through.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/hid/HidBackend.h"
#include "platform/hid/SocketHidBackendProtocol.h"

namespace platform {

class SocketHidBackendPeer {
  public:
    SocketHidBackendPeer() = default;
    ~SocketHidBackendPeer() { Close(); }
    SocketHidBackendPeer(const SocketHidBackendPeer&) = delete;
    SocketHidBackendPeer& operator=(const SocketHidBackendPeer&) = delete;

    // Connects to the backend listening on `socketPath` and says hello with `ids`: the handset is
    // plugged in. False, and not connected, when nobody listens there or the hello is not taken.
    // Closes an earlier connection first.
    bool Connect(const std::string& socketPath, handset_socket::DeviceIds ids);
    bool IsOpen() const { return fd_ >= 0; }

    // Sends one packet (an input report) without waiting; false when not connected or the
    // backend does not take it now.
    bool Send(std::span<const std::uint8_t> packet);
    // Waits up to `timeout` for one packet (an output report) and stores at most `packet.size()`
    // bytes of it; `length` is the number stored. NotConnected once the backend has closed the
    // connection or after Shutdown.
    HidResult Receive(std::span<std::uint8_t> packet, std::chrono::milliseconds timeout,
                      std::size_t& length);

    // Ends the connection (the backend sees the handset unplugged) and wakes a Receive waiting on
    // another thread. Thread-safe while connected.
    void Shutdown();
    // Frees the socket. No other thread may be using this object meanwhile.
    void Close();

  private:
    int fd_ = -1;
};

}  // namespace platform
