// A private D-Bus session bus for one test: a dbus-daemon of its own in a temporary directory,
// with no service activation, so that nothing the bus would start can outlive the test.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/childprocess/ChildProcess.h"

namespace desktop_test {

class SessionBus {
  public:
    // Whether a dbus-daemon program is on the PATH.
    static bool Installed();

    // Starts the daemon listening in `directory` and waits up to ten seconds for its address;
    // Address() is empty, and Failure() says why, when it did not start.
    explicit SessionBus(const std::filesystem::path& directory);
    // Ends the daemon (SIGTERM, SIGKILL when it does not end in five seconds).
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // "unix:path=...,guid=...": DBUS_SESSION_BUS_ADDRESS for the programs of the test.
    const std::string& Address() const { return address_; }
    const std::string& Failure() const { return failure_; }

  private:
    std::unique_ptr<platform::ChildProcess> daemon_;
    std::string address_;
    std::string failure_;
};

}  // namespace desktop_test
