// One headless baresip for the end-to-end tests: its own configuration directory, a SIP port on
// 127.0.0.1 (and SIP/TLS on the port above, which baresip binds as well), the ctrl_tcp control
// port, and its output in a log file of that directory, since it prints a status line many times
// a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/childprocess/ChildProcess.h"

namespace sip_test {

// Where Debian's baresip-core puts its modules.
inline constexpr const char* kBaresipModules = "/usr/lib/baresip/modules";

class BaresipProcess {
  public:
    // `user` is the account's user part ("near", "far"); `directory` must exist.
    BaresipProcess(std::string user, std::filesystem::path directory, std::uint16_t sipPort,
                   std::uint16_t controlPort);
    ~BaresipProcess();
    BaresipProcess(const BaresipProcess&) = delete;
    BaresipProcess& operator=(const BaresipProcess&) = delete;

    // Writes config, accounts and an empty contacts file; what went wrong, or empty.
    std::string Configure() const;
    // Starts `baresip -f DIRECTORY`, its output appended to the log. False when it cannot start.
    bool Start();
    bool IsRunning();
    // SIGKILL, as a crash would end it; reaped.
    void Kill();
    // SIGTERM, then SIGKILL when it has not ended within `grace`: baresip does not end at once
    // while calls are live. Reaped either way.
    void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(1500));

    // "sip:near@127.0.0.1:20000": what the other party dials.
    std::string Uri() const;
    // "near@127.0.0.1:20000": the partner handle the bridge makes of that URI.
    std::string Handle() const;
    const std::string& User() const { return user_; }
    std::uint16_t SipPort() const { return sipPort_; }
    std::uint16_t ControlPort() const { return controlPort_; }
    const std::filesystem::path& LogFile() const { return log_; }
    // The last `lines` lines of the log, its carriage returns read as line ends and runs of the
    // same status line shown once.
    std::string LogTail(std::size_t lines = 30) const;

  private:
    std::string user_;
    std::filesystem::path directory_;
    std::filesystem::path log_;
    std::uint16_t sipPort_;
    std::uint16_t controlPort_;
    std::unique_ptr<platform::ChildProcess> child_;
};

// The last `lines` lines of `file` (at most its last 64 KiB), carriage returns taken as line
// ends and a line repeated in a row shown once; "(no file)" when it cannot be read.
std::string FileTail(const std::filesystem::path& file, std::size_t lines);

}  // namespace sip_test
