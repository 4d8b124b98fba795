// kestrel-baresip: the softphone the system attaches to, played by a running baresip.
#include <iostream>
#include <optional>
#include <string>

#include "bridge/baresip/BridgeService.h"
#include "platform/clientlink/ClientSocket.h"
#include "platform/instance/TerminationSignals.h"
#include "platform/log/DebugLog.h"
#include "platform/loop/MessageLoop.h"
#include "tools/common/CommandLine.h"

namespace {

constexpr std::string_view kSummary =
    "kestrel-baresip: the softphone the system attaches to, played by the SIP softphone baresip.\n"
    "It connects to baresip's ctrl_tcp module, and while that connection lasts it listens on the\n"
    "client socket ($KESTREL_CLIENT_SOCKET, else kestrel-client.sock in the runtime directory)\n"
    "for the system: baresip's calls become the system's calls, and the handset's answer, hold,\n"
    "resume, hang-up and call-back become baresip commands (docs/baresip-bridge.md). Ended calls\n"
    "are kept in a history file, so the handset's history lists them across restarts. When\n"
    "baresip goes away the system's link closes, and the bridge tries baresip every second.\n"
    "It prints a line per change of state on standard error; KESTREL_DEBUG=1 adds every message.\n"
    "SIGINT and SIGTERM end it.\n";

}  // namespace

int main(int argc, char** argv) {
    baresip::ServiceOptions options;
    options.historyFile = baresip::DefaultHistoryFile();
    options.linkUid = platform::CurrentUserId();
    const tools::Option table[] = {
        {"--baresip", "HOST:PORT",
         "baresip's ctrl_tcp address (its ctrl_tcp_listen; default 127.0.0.1:4444)",
         [&options](std::string_view value) {
             const std::optional<platform::TcpAddress> address = platform::ParseTcpAddress(value);
             if (address) {
                 options.baresip = *address;
             }
             return address.has_value();
         }},
        {"--socket", "PATH", "the client socket to listen on",
         tools::StoreText(options.clientSocket), "KESTREL_CLIENT_SOCKET"},
        {"--history", "FILE", "the call history (default $XDG_DATA_HOME/kestrel/baresip-history)",
         tools::StoreText(options.historyFile)},
    };
    const tools::Program program{"kestrel-baresip", kSummary, {}, table};
    if (const std::optional<int> status =
            tools::HandleCommandLine(program, argc, argv, std::cout, std::cerr)) {
        return *status;
    }
    if (options.clientSocket.empty()) {
        options.clientSocket = platform::ClientSocketPath();
    }
    if (options.clientSocket.empty()) {
        std::cerr << "kestrel-baresip: no safe runtime directory for the client socket; set "
                     "XDG_RUNTIME_DIR or KESTREL_CLIENT_SOCKET\n";
        return 1;
    }
    platform::MessageLoop loop;
    platform::TerminationSignals signals(loop, [&loop](int) { loop.Quit(0); });
    baresip::BridgeService service(loop, options, [](const std::string& line) {
        std::cerr << "kestrel-baresip: " << platform::EscapeControl(line) << '\n';
    });
    if (!service.Start()) {
        return 1;
    }
    return loop.Run();
}
