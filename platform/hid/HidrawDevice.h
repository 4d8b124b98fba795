// An open hidraw node, read and written through its file descriptor with bounded waits.
//
// hidapi's hidraw backend offers neither: its write has no time limit, and a read can only be
// ended by its timeout. A hidraw write is synchronous in the kernel whatever the descriptor's
// flags (usbhid waits for the USB transfer for up to seconds, and poll() reports a hidraw node
// always writable), so each device has a writer thread of its own: Write hands the report over
// and waits for it at most the caller's budget. A write still in flight makes the next ones
// fail at once instead of queueing behind it. Reads wait in poll() on the node and a wake
// descriptor, so a reader costs nothing while no report comes and is ended at once.
#pragma once

#include <memory>

#include "platform/hid/HidBackend.h"

namespace platform {

// Takes ownership of `fd`, a hidraw node opened for reading and writing (tests pass any
// descriptor that behaves so, a socket for instance). Without report ids the kernel hands over
// and takes the report alone; the report-id byte 0 is added on reads and kept on writes, where
// the kernel drops it. Nothing when the wake descriptor or the writer cannot be had.
std::unique_ptr<HidDevice> MakeHidrawDevice(int fd, bool usesReportIds);

}  // namespace platform
