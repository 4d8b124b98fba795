// The handset simulator's HID backend: a listening SOCK_SEQPACKET socket, one thread serving its
// connections, and devices reading from per-device queues.
#include "platform/hid/SocketHidBackend.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <optional>

#include "platform/hid/SocketHidBackendProtocol.h"
#include "platform/loop/Window.h"

namespace platform {

using handset_socket::kInputReportSize;
using handset_socket::kOutputReportSize;

struct InputReport {
    std::array<std::uint8_t, kInputReportSize> bytes{};
    std::size_t length = 0;
};

// One device opened on a connection: the reports that arrived since it was opened.
struct Inbox {
    std::deque<InputReport> reports;
};

// One accepted connection. Shared by the serving thread and the devices opened on it; the socket
// is closed when the last of them lets go, so a writer never sends on a reused descriptor.
struct SocketHidBackend::Connection {
    Connection(int socket, std::chrono::steady_clock::time_point deadline)
        : fd(socket), helloDeadline(deadline) {}
    ~Connection() { close(fd); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const int fd;
    const std::chrono::steady_clock::time_point helloDeadline;
    // Set once by the serving thread when the hello arrives, read under the backend's mutex.
    bool ready = false;
    std::string path;
    handset_socket::DeviceIds ids;

    std::mutex mutex;
    std::condition_variable arrived;
    bool gone = false;
    std::vector<Inbox*> inboxes;
};

namespace {

using Connection = SocketHidBackend::Connection;

ssize_t SendPacket(int fd, std::span<const std::uint8_t> packet) {
    ssize_t n;
    do {
        n = send(fd, packet.data(), packet.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

class SocketHidDevice final : public HidDevice {
  public:
    explicit SocketHidDevice(std::shared_ptr<Connection> connection)
        : connection_(std::move(connection)) {
        std::lock_guard lock(connection_->mutex);
        connection_->inboxes.push_back(&inbox_);
    }
    ~SocketHidDevice() override {
        std::lock_guard lock(connection_->mutex);
        std::erase(connection_->inboxes, &inbox_);
    }
    SocketHidDevice(const SocketHidDevice&) = delete;
    SocketHidDevice& operator=(const SocketHidDevice&) = delete;

    // Reports that arrived before the connection ended are still handed out, then NotConnected.
    HidResult Read(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                   std::size_t& length) override {
        length = 0;
        std::unique_lock lock(connection_->mutex);
        const auto ready = [&] {
            return interrupted_ || !inbox_.reports.empty() || connection_->gone;
        };
        if (timeout == kWaitForever) {
            connection_->arrived.wait(lock, ready);
        } else {
            connection_->arrived.wait_for(lock, std::max(timeout, timeout.zero()), ready);
        }
        interrupted_ = false;
        if (inbox_.reports.empty()) {
            return connection_->gone ? HidResult::NotConnected : HidResult::Timeout;
        }
        const InputReport next = inbox_.reports.front();
        inbox_.reports.pop_front();
        length = std::min(next.length, report.size());
        std::copy_n(next.bytes.begin(), length, report.begin());
        return HidResult::Ok;
    }

    void InterruptRead() override {
        std::lock_guard lock(connection_->mutex);
        interrupted_ = true;
        connection_->arrived.notify_all();
    }

    // Exactly one output report per packet.
    HidResult Write(std::span<const std::uint8_t> report,
                    std::chrono::milliseconds timeout) override {
        if (report.size() != kOutputReportSize) {
            return HidResult::Error;
        }
        {
            std::lock_guard lock(connection_->mutex);
            if (connection_->gone) {
                return HidResult::NotConnected;
            }
        }
        const int fd = connection_->fd;
        ssize_t n = SendPacket(fd, report);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The handset is not taking reports: wait for room, within the time given.
            pollfd room{fd, POLLOUT, 0};
            const auto ms = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
            if (poll(&room, 1, static_cast<int>(ms)) <= 0) {
                return HidResult::Timeout;
            }
            n = SendPacket(fd, report);
        }
        if (n == static_cast<ssize_t>(report.size())) {
            return HidResult::Ok;
        }
        if (n < 0 && (errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN)) {
            return HidResult::NotConnected;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return HidResult::Timeout;
        }
        return HidResult::Error;
    }

  private:
    std::shared_ptr<Connection> connection_;
    Inbox inbox_;
    bool interrupted_ = false;  // guarded by the connection's mutex
};

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// A socket file at `address` that nobody accepts on any more: left by a backend that died.
bool IsStaleSocket(const sockaddr_un& address) {
    struct stat info {};
    if (lstat(address.sun_path, &info) != 0 || !S_ISSOCK(info.st_mode)) {
        return false;
    }
    const int probe = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    const bool refused =
        connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno == ECONNREFUSED;
    close(probe);
    return refused;
}

}  // namespace

SocketHidBackend::SocketHidBackend(std::string socketPath, std::chrono::milliseconds helloTimeout)
    : path_(std::move(socketPath)), helloTimeout_(helloTimeout) {
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ >= 0 && Listen()) {
        thread_ = std::thread(&SocketHidBackend::Serve, this);
    }
}

SocketHidBackend::~SocketHidBackend() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    if (listenFd_ >= 0) {
        close(listenFd_);
        struct stat info {};
        if (lstat(path_.c_str(), &info) == 0 && info.st_dev == socketDevice_ &&
            info.st_ino == socketInode_) {
            unlink(path_.c_str());
        }
    }
    if (stopFd_ >= 0) {
        close(stopFd_);
    }
    std::vector<std::shared_ptr<Connection>> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (const std::shared_ptr<Connection>& connection : connections) {
        std::lock_guard lock(connection->mutex);
        connection->gone = true;
        connection->arrived.notify_all();
        shutdown(connection->fd, SHUT_RDWR);
    }
}

bool SocketHidBackend::Listen() {
    sockaddr_un address{};
    if (!FillAddress(path_, address)) {
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return false;
    }
    auto bindTo = [&] {
        return bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    bool bound = bindTo();
    if (!bound && errno == EADDRINUSE && IsStaleSocket(address)) {
        unlink(address.sun_path);
        bound = bindTo();
    }
    struct stat info {};
    if (!bound || listen(fd, static_cast<int>(kMaxConnections)) != 0 ||
        lstat(address.sun_path, &info) != 0) {
        close(fd);
        return false;
    }
    // Only the user's own processes may connect; the peer's uid is checked as well.
    chmod(address.sun_path, S_IRUSR | S_IWUSR);
    socketDevice_ = info.st_dev;
    socketInode_ = info.st_ino;
    listenFd_ = fd;
    return true;
}

std::vector<HidDeviceInfo> SocketHidBackend::Enumerate() {
    std::vector<HidDeviceInfo> devices;
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Connection>& connection : connections_) {
        if (connection->ready) {
            devices.push_back({connection->path, connection->ids.vendorId,
                               connection->ids.productId, kInputReportSize, kOutputReportSize});
        }
    }
    return devices;
}

std::unique_ptr<HidDevice> SocketHidBackend::Open(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Connection>& connection : connections_) {
        if (connection->ready && connection->path == path) {
            return std::make_unique<SocketHidDevice>(connection);
        }
    }
    return nullptr;
}

void SocketHidBackend::StartWatching(WindowHandle window, MessageId message) {
    std::lock_guard lock(mutex_);
    window_ = window;
    message_ = message;
}

void SocketHidBackend::StopWatching() {
    std::lock_guard lock(mutex_);
    window_ = kNoWindow;
}

std::size_t SocketHidBackend::DroppedPackets() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

void SocketHidBackend::NotifyWatcher() {
    std::lock_guard lock(mutex_);
    if (window_ != kNoWindow) {
        PostMessage(window_, message_, 0, 0);
    }
}

void SocketHidBackend::Serve() {
    std::vector<pollfd> fds;
    std::vector<std::shared_ptr<Connection>> polled;
    for (;;) {
        const int timeout = HangUpSilentConnections();
        {
            std::lock_guard lock(mutex_);
            polled = connections_;
        }
        fds.assign({{stopFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}});
        for (const std::shared_ptr<Connection>& connection : polled) {
            fds.push_back({connection->fd, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (fds[1].revents != 0) {
            Accept();
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (fds[i + 2].revents != 0) {
                Receive(polled[i]);
            }
        }
    }
}

int SocketHidBackend::HangUpSilentConnections() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<std::shared_ptr<Connection>> overdue;
    std::optional<std::chrono::steady_clock::time_point> next;
    {
        std::lock_guard lock(mutex_);
        for (const std::shared_ptr<Connection>& connection : connections_) {
            if (connection->ready) {
                continue;
            }
            if (connection->helloDeadline <= now) {
                overdue.push_back(connection);
            } else if (!next || connection->helloDeadline < *next) {
                next = connection->helloDeadline;
            }
        }
    }
    for (const std::shared_ptr<Connection>& connection : overdue) {
        Hangup(connection);
    }
    if (!next) {
        return -1;
    }
    // Rounded up, so that the wake-up does not come a moment before the deadline.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now);
    return static_cast<int>(std::min<std::chrono::milliseconds::rep>(wait.count(), INT_MAX));
}

void SocketHidBackend::Accept() {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        return;
    }
    ucred peer{};
    socklen_t size = sizeof peer;
    const bool sameUser = getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
                          size == sizeof peer && peer.uid == geteuid();
    std::lock_guard lock(mutex_);
    if (!sameUser || connections_.size() >= kMaxConnections) {
        close(fd);
        return;
    }
    auto connection =
        std::make_shared<Connection>(fd, std::chrono::steady_clock::now() + helloTimeout_);
    connection->path = "sim:" + std::to_string(nextNumber_++);
    connections_.push_back(std::move(connection));
}

// One packet per call; a socket with more to read stays readable for the next poll. An empty
// packet cannot be told from the end of the connection, so it ends it.
void SocketHidBackend::Receive(const std::shared_ptr<Connection>& connection) {
    // One byte more than the largest valid packet, so that an over-long one is recognised.
    std::array<std::uint8_t, std::max(kInputReportSize, handset_socket::kHelloSize) + 1> buffer{};
    const ssize_t n = recv(connection->fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return;
    }
    if (n <= 0) {
        Hangup(connection);
        return;
    }
    const std::size_t length = static_cast<std::size_t>(n);
    if (!connection->ready) {
        const std::optional<handset_socket::DeviceIds> ids =
            handset_socket::DecodeHello(std::span(buffer).first(std::min(length, buffer.size())));
        if (!ids) {
            Hangup(connection);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            connection->ids = *ids;
            connection->ready = true;
        }
        NotifyWatcher();
        return;
    }
    if (length > kInputReportSize) {
        std::lock_guard lock(mutex_);
        ++dropped_;
        return;
    }
    InputReport report;
    std::copy_n(buffer.begin(), length, report.bytes.begin());
    report.length = length;
    std::size_t overflowed = 0;
    {
        std::lock_guard lock(connection->mutex);
        for (Inbox* inbox : connection->inboxes) {
            if (inbox->reports.size() < kMaxQueuedReports) {
                inbox->reports.push_back(report);
            } else {
                ++overflowed;
            }
        }
        connection->arrived.notify_all();
    }
    if (overflowed != 0) {
        std::lock_guard lock(mutex_);
        dropped_ += overflowed;
    }
}

void SocketHidBackend::Hangup(const std::shared_ptr<Connection>& connection) {
    bool wasReady = false;
    {
        std::lock_guard lock(mutex_);
        wasReady = connection->ready;
        std::erase(connections_, connection);
    }
    {
        std::lock_guard lock(connection->mutex);
        connection->gone = true;
        connection->arrived.notify_all();
    }
    // Devices may keep the connection alive: make sure the handset sees the end now.
    shutdown(connection->fd, SHUT_RDWR);
    if (wasReady) {
        NotifyWatcher();
    }
}

}  // namespace platform
