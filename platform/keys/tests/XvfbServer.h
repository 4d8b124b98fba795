// A private Xvfb for a test: started on a free display it reports itself, stopped within a bound.
#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace platform {

class XvfbServer {
  public:
    // Whether an Xvfb program is on the PATH.
    static bool Installed();

    // Starts Xvfb (local connections only) with `extraArguments` and waits up to ten seconds for
    // it to name its display; Display() is empty, and Failure() says why, when it did not.
    explicit XvfbServer(const std::vector<std::string>& extraArguments = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    const std::string& Display() const { return display_; }  // ":N"
    const std::string& Failure() const { return failure_; }

    // Ends the server (SIGTERM, SIGKILL after five seconds) and reaps it.
    void Stop();

  private:
    pid_t pid_ = -1;
    std::string display_;
    std::string failure_;
    std::string logPath_;  // the server's own output, shown when it does not start
};

}  // namespace platform
