// The real HID backend: hidapi on hidraw for enumeration and I/O, sysfs for report lengths.
#include "platform/hid/HidrawBackend.h"

#include <fcntl.h>
#include <hidapi.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/hid/HidrawBackendWatcher.h"

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

int TimeoutMs(std::chrono::milliseconds timeout) {
    return static_cast<int>(
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX));
}

class HidrawDevice final : public HidDevice {
  public:
    HidrawDevice(hid_device* reader, hid_device* writer, bool usesReportIds)
        : reader_(reader), writer_(writer), usesReportIds_(usesReportIds) {}
    ~HidrawDevice() override {
        hid_close(reader_);
        hid_close(writer_);
    }
    HidrawDevice(const HidrawDevice&) = delete;
    HidrawDevice& operator=(const HidrawDevice&) = delete;

    HidResult Read(std::span<std::uint8_t> report, std::chrono::milliseconds timeout,
                   std::size_t& length) override {
        length = 0;
        // Without report ids the kernel hands over the report alone: its id 0 goes in front.
        const std::size_t idBytes = usesReportIds_ ? 0 : 1;
        if (report.size() <= idBytes) {
            return HidResult::Error;
        }
        errno = 0;
        const int n = hid_read_timeout(reader_, report.data() + idBytes, report.size() - idBytes,
                                       TimeoutMs(timeout));
        const int error = errno;
        if (n < 0) {
            return ClassifyHidFailure(error);
        }
        if (n == 0) {
            return HidResult::Timeout;
        }
        if (idBytes == 1) {
            report[0] = 0;
        }
        length = static_cast<std::size_t>(n) + idBytes;
        return HidResult::Ok;
    }

    // hidraw takes byte 0 as the report id; for a device without report ids the kernel drops the
    // 0 and sends the rest.
    HidResult Write(std::span<const std::uint8_t> report, std::chrono::milliseconds) override {
        if (report.empty()) {
            return HidResult::Error;
        }
        errno = 0;
        const int n = hid_write(writer_, report.data(), report.size());
        const int error = errno;
        if (n < 0) {
            return ClassifyHidFailure(error);
        }
        return static_cast<std::size_t>(n) == report.size() ? HidResult::Ok : HidResult::Error;
    }

  private:
    hid_device* reader_;
    hid_device* writer_;
    bool usesReportIds_;
};

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
        case 0:
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
    // hidapi would open anything, and leaks its handle when the node turns out not to be hidraw.
    if (!HidrawNodeName(path)) {
        return nullptr;
    }
    InitHidapiOnce();
    hid_device* reader = hid_open_path(path.c_str());
    if (reader == nullptr) {
        return nullptr;
    }
    hid_device* writer = hid_open_path(path.c_str());
    if (writer == nullptr) {
        hid_close(reader);
        return nullptr;
    }
    return std::make_unique<HidrawDevice>(reader, writer,
                                          ReportLengthsOfNode(path, sysfsRoot_).usesReportIds);
}

void HidrawBackend::StartWatching(WindowHandle window, MessageId message) {
    watcher_.reset();
    watcher_ = std::make_unique<UeventWatcher>(std::vector<std::string>{"hidraw"}, window, message);
}

void HidrawBackend::StopWatching() {
    watcher_.reset();
}

}  // namespace platform
