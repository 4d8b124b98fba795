// The real HID backend: hidapi for enumeration, the hidraw nodes themselves for I/O, sysfs for
// report lengths.
#include "platform/hid/HidrawBackend.h"

#include <fcntl.h>
#include <hidapi.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/hid/HidrawBackendWatcher.h"
#include "platform/hid/HidrawDevice.h"

namespace platform {
namespace {

// What the handset's descriptor gives, for when a node's descriptor cannot be had.
constexpr HidReportLengths kHandsetLengths{9, 17, false};

void InitHidapiOnce() {
    static std::once_flag once;
    // hid_exit is never called: other backends in the process may still use hidapi.
    std::call_once(once, [] { hid_init(); });
}

// The descriptor file's bytes, at most one more than any valid descriptor has.
std::optional<std::vector<std::uint8_t>> ReadDescriptorFile(const std::string& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(kMaxReportDescriptorSize + 1);
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + filled, bytes.size() - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            close(fd);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    close(fd);
    bytes.resize(filled);
    return bytes;
}

// "hidrawN" from "/dev/hidrawN"; nothing for anything else, so no other path is ever built.
std::optional<std::string> HidrawNodeName(const std::string& devicePath) {
    const std::size_t slash = devicePath.rfind('/');
    std::string name = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
    constexpr std::string_view kPrefix = "hidraw";
    if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0 ||
        !std::all_of(name.begin() + kPrefix.size(), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    return name;
}

// Says once per node that the user may not open it, but only when udev has set the node up:
// the kernel announces a new node before udev's rules have given the user access to it.
void DiagnoseRefusedNode(const std::string& path, const std::string& node) {
    static std::mutex mutex;
    static std::vector<std::string> told;
    if (!IsSetUpByUdev(node)) {
        return;
    }
    std::lock_guard lock(mutex);
    if (std::ranges::count(told, path) > 0) {
        return;
    }
    told.push_back(path);
    std::fprintf(stderr,
                 "kestrel: no permission to open the handset's HID node %s; install the udev "
                 "rule resources/70-kestrel-handset.rules as the README says under \"The real "
                 "handset\", then plug the handset in again\n",
                 path.c_str());
}

}  // namespace

HidReportLengths ReportLengthsOfNode(const std::string& devicePath, const std::string& sysfsRoot) {
    const std::optional<std::string> node = HidrawNodeName(devicePath);
    if (!node) {
        return kHandsetLengths;
    }
    const std::optional<std::vector<std::uint8_t>> descriptor =
        ReadDescriptorFile(sysfsRoot + "/class/hidraw/" + *node + "/device/report_descriptor");
    if (!descriptor) {
        return kHandsetLengths;
    }
    return ParseReportLengths(*descriptor).value_or(kHandsetLengths);
}

HidResult ClassifyHidFailure(int errorNumber) {
    switch (errorNumber) {
        case ENODEV:
        case ENXIO:
        case EIO:
        case EPIPE:
        case ESHUTDOWN:
            return HidResult::NotConnected;
        case EINTR:
        case EAGAIN:
            return HidResult::Timeout;
        default:
            return HidResult::Error;
    }
}

HidrawBackend::HidrawBackend(std::string sysfsRoot) : sysfsRoot_(std::move(sysfsRoot)) {}

HidrawBackend::~HidrawBackend() = default;

std::vector<HidDeviceInfo> HidrawBackend::Enumerate() {
    InitHidapiOnce();
    std::vector<HidDeviceInfo> devices;
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
        // hidapi lists a node once per top-level usage.
        if (d->path == nullptr ||
            std::any_of(devices.begin(), devices.end(),
                        [d](const HidDeviceInfo& known) { return known.path == d->path; })) {
            continue;
        }
        const HidReportLengths lengths = ReportLengthsOfNode(d->path, sysfsRoot_);
        devices.push_back({d->path, d->vendor_id, d->product_id, lengths.input, lengths.output});
    }
    hid_free_enumeration(list);
    return devices;
}

std::unique_ptr<HidDevice> HidrawBackend::Open(const std::string& path) {
    const std::optional<std::string> node = HidrawNodeName(path);
    if (!node) {
        return nullptr;
    }
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EACCES || errno == EPERM) {
            DiagnoseRefusedNode(path, *node);
        }
        return nullptr;
    }
    return MakeHidrawDevice(fd, ReportLengthsOfNode(path, sysfsRoot_).usesReportIds);
}

void HidrawBackend::StartWatching(WindowHandle window, MessageId message) {
    watcher_.reset();
    watcher_ = std::make_unique<UeventWatcher>(std::vector<std::string>{"hidraw"}, window, message);
}

void HidrawBackend::StopWatching() {
    watcher_.reset();
}

}  // namespace platform
