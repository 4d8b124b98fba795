// How a second copy of the desktop host reaches the first: a socket beside the instance lock,
// "<name>.beacon" in the runtime directory. The copy that holds the lock listens on it, on its
// message loop; a copy that finds the lock taken asks it to come forward, and ends.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace platform {

class ClientListener;
class MessageLoop;

class InstanceBeacon {
  public:
    // Listens for the copies that start after this one; `onCalled` runs on the loop's thread for
    // each. Only the holder of the instance lock may listen, so a socket file left by a copy that
    // died is replaced. Nothing when it cannot listen (no runtime directory, a path taken by a
    // live listener or by something that is not a socket).
    static std::unique_ptr<InstanceBeacon> Listen(MessageLoop& loop, const std::string& name,
                                                  std::function<void()> onCalled,
                                                  std::filesystem::path directory = {});
    ~InstanceBeacon();
    InstanceBeacon(const InstanceBeacon&) = delete;
    InstanceBeacon& operator=(const InstanceBeacon&) = delete;

    enum class CallResult {
        kAnswered,  // the running copy took the call
        kNoAnswer,  // nobody listens (a headless copy, a stale file) or no answer within the time
    };
    // Calls the running copy and waits up to `timeout` for its answer.
    static CallResult Call(const std::string& name, std::chrono::milliseconds timeout,
                           std::filesystem::path directory = {});

  private:
    InstanceBeacon(MessageLoop& loop, std::unique_ptr<ClientListener> listener,
                   std::function<void()> onCalled);
    void AnswerWaitingCalls();

    MessageLoop& loop_;
    std::unique_ptr<ClientListener> listener_;
    std::function<void()> onCalled_;
    std::uint64_t watch_ = 0;
};

}  // namespace platform
