// A pulseaudio daemon of one test's own: its runtime directory, home and socket in a directory
// the test gives, two null outputs and two null inputs, and nothing of the user's touched.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/childprocess/ChildProcess.h"

namespace platform::testing {

class PulseDaemon {
  public:
    // Whether a pulseaudio program is on the PATH.
    static bool Installed();

    // Where a daemon in `directory` listens; the client's PULSE_SERVER is "unix:" and this.
    static std::filesystem::path Socket(const std::filesystem::path& directory);

    // Starts the daemon and waits up to ten seconds until its socket takes connections, which it
    // opens only once its devices are there. Failure() says why when it did not start.
    explicit PulseDaemon(const std::filesystem::path& directory);
    // Stop().
    ~PulseDaemon();
    PulseDaemon(const PulseDaemon&) = delete;
    PulseDaemon& operator=(const PulseDaemon&) = delete;

    const std::string& Failure() const { return failure_; }

    // Ends the daemon (SIGTERM, SIGKILL when it has not ended in five seconds) and reaps it.
    void Stop();
    // Ends it at once, as a crash would, and reaps it.
    void Kill();
    // Stops it answering (SIGSTOP), as a hung server; Stop() and Kill() still end it.
    void Freeze();

  private:
    std::filesystem::path log_;
    std::unique_ptr<ChildProcess> daemon_;
    std::string failure_;
};

}  // namespace platform::testing
