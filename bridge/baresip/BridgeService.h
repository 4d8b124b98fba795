// The bridge as a running program: the control connection to baresip, the client socket the
// system attaches to, and the history file, all on one message loop.
//
// The system's link lives only while baresip does: the client socket is opened once baresip's
// control port answers and closed when that connection ends, so the system sees baresip going
// away as its softphone dying, its live calls ended first as a softphone that ends ends them.
// Then the bridge tries baresip again every second, and listens again, with a new identity,
// once it is back.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "bridge/baresip/CallBridge.h"
#include "bridge/baresip/Netstring.h"
#include "platform/clientlink/ClientServer.h"
#include "platform/loop/Window.h"
#include "platform/tcp/TcpAddress.h"
#include "platform/tcp/TcpStream.h"

namespace baresip {

struct ServiceOptions {
    platform::TcpAddress baresip{"127.0.0.1", 4444};
    std::filesystem::path clientSocket;  // the system's link connects here
    std::filesystem::path historyFile;   // empty: no history kept across runs
    std::uint32_t linkUid = 0;           // the user id the system's link must run as
    std::chrono::milliseconds retry{1000};
};

class BridgeService final : public platform::Window {
  public:
    // One line for people per change of state ("connected to baresip at 127.0.0.1:4444").
    using Reporter = std::function<void(const std::string& line)>;

    BridgeService(platform::MessageLoop& loop, ServiceOptions options, Reporter report);
    ~BridgeService() override;

    // Reads the history and tries baresip; false (with a report) when the client socket is taken
    // by another softphone client, which leaves nothing for the bridge to do.
    bool Start();

  protected:
    void OnTimer(platform::TimerId id) override;

  private:
    static constexpr platform::TimerId kRetryTimer = 1;

    void TryBaresip();
    void OnBaresipReadable();
    void DropBaresip(const std::string& why);
    void SendToBaresip(const std::string& payload);
    void SaveHistory(const std::vector<BridgeCall>& calls);

    ServiceOptions options_;
    Reporter report_;
    platform::ClientServer server_;
    CallBridge bridge_;
    std::optional<platform::TcpStream> stream_;
    platform::MessageLoop::WatchId streamWatch_ = 0;
    NetstringReader reader_;
    std::string lastFailure_;  // the last reason baresip could not be reached, said once
    bool listenFailed_ = false;
};

// The history file's place: $XDG_DATA_HOME/kestrel/baresip-history (or under ~/.local/share).
std::filesystem::path DefaultHistoryFile();

}  // namespace baresip
