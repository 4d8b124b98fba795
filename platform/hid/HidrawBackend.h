// The real HID backend: hidraw devices listed by hidapi and read and written on their nodes,
// hot-plug through the kernel's device events.
#pragma once

#include <memory>
#include <string>

#include "platform/hid/HidBackend.h"
#include "platform/hid/HidDescriptor.h"

namespace platform {

class UeventWatcher;

class HidrawBackend final : public HidBackend {
  public:
    // `sysfsRoot` is where the report descriptors are looked up (tests point it at a prepared
    // directory).
    explicit HidrawBackend(std::string sysfsRoot = "/sys");
    ~HidrawBackend() override;

    // Every hidraw node hidapi lists, once per node, with its report lengths.
    std::vector<HidDeviceInfo> Enumerate() override;
    // Opens a /dev/hidrawN node (nothing else) for reading and writing, with the bounded reads
    // and writes of HidrawDevice.h. A node the user may not open gets one diagnostic on stderr
    // once udev has set it up (before that, its access rights may not be in place yet).
    std::unique_ptr<HidDevice> Open(const std::string& path) override;
    // Posts for every add and remove of a hidraw node, as the kernel announces it (so no udev
    // daemon is needed) and as udev announces it after its rules ran (so that the node's access
    // rights are in place when a desktop session reopens it).
    void StartWatching(WindowHandle window, MessageId message) override;
    void StopWatching() override;

  private:
    std::string sysfsRoot_;
    std::unique_ptr<UeventWatcher> watcher_;
};

// The report lengths of the hidraw node `devicePath` (/dev/hidrawN) from its report descriptor in
// `sysfsRoot`/class/hidraw/hidrawN/device/report_descriptor; the handset's (9, 17, no report ids)
// when the descriptor cannot be read or parsed.
HidReportLengths ReportLengthsOfNode(const std::string& devicePath, const std::string& sysfsRoot);

// What a failed read or write on a hidraw node means, from its errno: ENODEV, EIO and their
// kin mean the device is gone; an interrupted or would-block call counts as a timeout.
HidResult ClassifyHidFailure(int errorNumber);

}  // namespace platform
