// A HID device made with /dev/uhid and played from the device's side: the handset (or any other
// HID device) as the guest kernel sees it plugged in.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace kerneltest {

struct UhidIdentity {
    std::string name;
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::span<const std::uint8_t> reportDescriptor;
};

// The handset: vendor page 0xFF00, one 8-byte input and one 16-byte output report, no report ids.
inline constexpr std::uint8_t kHandsetDescriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x09, 0x02,        //   Usage (2)
    0x95, 0x08,        //   Report Count (8)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x09, 0x03,        //   Usage (3)
    0x95, 0x10,        //   Report Count (16)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

// Another vendor's device, with reports of other sizes: a 4-byte input and a 1-byte output.
inline constexpr std::uint8_t kOtherDescriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x09, 0x02,        //   Usage (2)
    0x95, 0x04,        //   Report Count (4)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x09, 0x03,        //   Usage (3)
    0x95, 0x01,        //   Report Count (1)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};

inline const UhidIdentity kHandset{"Kestrel test handset", 0x1908, 5001, kHandsetDescriptor};
// The same maker's product 5002: the handset's twin, which a link configured for 5001 ignores.
inline const UhidIdentity kHandsetTwin{"Kestrel test handset 5002", 0x1908, 5002,
                                       kHandsetDescriptor};
// The guest's usbhid is given a quirk for this product id (see run-kernel-hid-test.sh): its
// output reports go by SET_REPORT, which waits for the device's answer, so that a device that
// stops taking output makes the writer wait as a real USB handset does.
inline const UhidIdentity kAnsweringHandset{"Kestrel test handset 5003", 0x1908, 5003,
                                            kHandsetDescriptor};
inline const UhidIdentity kOtherVendorDevice{"Other vendor's device", 0x046D, 0xC077,
                                             kOtherDescriptor};

// Every operation is thread-safe. The kernel's events (start, open, close, output) are taken by
// a thread of the device's own. uhid queues at most 32 of them and drops the rest, and does not
// make a writer wait as a USB device does; so the thread runs at real-time priority, and on a
// single processor it takes every output report before the writer can send the next one.
class UhidDevice {
  public:
    struct Output {
        std::vector<std::uint8_t> bytes;  // as the kernel hands them over: report id first
        std::uint8_t type;                // UHID_OUTPUT_REPORT, ...
    };

    // Plugs the device in; Plugged() tells whether the kernel took it (and the event thread got
    // its priority, which needs root). Its hidraw node appears a little later, announced by the
    // kernel's "add" event.
    explicit UhidDevice(const UhidIdentity& identity);
    // Unplugs the device if it still is.
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    bool Plugged() const { return plugged_; }
    // Synchronous: when it returns, the hidraw node is gone and its "remove" event is sent.
    void Unplug();
    // One input report as the device sends it on the wire (without report id for the handset).
    bool SendInput(std::span<const std::uint8_t> report);

    bool Started() const { return started_; }
    // The kernel stops the device while unplugging it, after every event before.
    bool Stopped() const { return stopped_; }
    // The device was opened (first hidraw handle) and closed (last handle) this many times.
    std::size_t Opens() const { return opens_; }
    std::size_t Closes() const { return closes_; }
    std::vector<Output> Outputs() const;
    std::size_t OutputCount() const;
    // While held, the device takes none of the kernel's events: it stops taking output, and a
    // write that waits for the device's answer waits (up to the kernel's own limit of 5 s).
    void HoldEvents(bool hold);

  private:
    bool Write(const void* event, std::size_t size);
    void TakeEvents();

    int fd_ = -1;
    int stopFd_ = -1;
    int holdFd_ = -1;
    std::atomic<bool> plugged_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> stopped_{false};
    std::atomic<std::size_t> opens_{0};
    std::atomic<std::size_t> closes_{0};
    mutable std::mutex outputsMutex_;
    std::vector<Output> outputs_;
    std::mutex holdMutex_;
    std::condition_variable holdChanged_;
    bool held_ = false;
    std::thread events_;
};

}  // namespace kerneltest
