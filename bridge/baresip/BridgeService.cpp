// The bridge's connections and files.
#include "bridge/baresip/BridgeService.h"

#include <chrono>
#include <system_error>

#include "bridge/baresip/CallHistory.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/DataDirectory.h"
#include "platform/log/DebugLog.h"

namespace baresip {
namespace {

constexpr std::chrono::milliseconds kConnectTimeout{2000};

std::int64_t SecondsSince1970() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::vector<BridgeCall> ReadHistory(const std::filesystem::path& file) {
    if (file.empty()) {
        return {};
    }
    const platform::FileContent content = platform::ReadWholeFile(file, kMaxHistoryBytes);
    return content.status == platform::FileReadStatus::kRead ? ParseHistory(content.bytes)
                                                             : std::vector<BridgeCall>{};
}

}  // namespace

std::filesystem::path DefaultHistoryFile() {
    const std::filesystem::path data = platform::UserDataDirectory();
    return data.empty() ? data : data / "kestrel" / "baresip-history";
}

BridgeService::BridgeService(platform::MessageLoop& loop, ServiceOptions options, Reporter report)
    : Window(loop),
      options_(std::move(options)),
      report_(std::move(report)),
      server_(loop,
              platform::ClientServer::Handlers{
                  .onCommand =
                      [this](platform::ClientServer::LinkId link, const std::string& command) {
                          platform::DebugLog("baresip", "link <- " + command);
                          bridge_.OnLinkCommand(link, command);
                      },
                  .statusForNewLink = {},
                  .report = {},
                  .onPending = {},
              }),
      bridge_(BridgeOutput{
                  .toBaresip = [this](const std::string& payload) { SendToBaresip(payload); },
                  .notify =
                      [this](const std::string& text) {
                          platform::DebugLog("baresip", "links -> " + text);
                          server_.Notify(text);
                      },
                  .reply =
                      [this](LinkId link, const std::string& text) {
                          platform::DebugLog("baresip", "link -> " + text);
                          server_.Reply(link, text);
                      },
                  .historyChanged =
                      [this](const std::vector<BridgeCall>& calls) { SaveHistory(calls); },
                  .now = SecondsSince1970,
              },
              ReadHistory(options_.historyFile)) {
    Show(false);
}

BridgeService::~BridgeService() {
    server_.Stop();
    if (streamWatch_ != 0) {
        Loop().Unwatch(streamWatch_);
    }
}

bool BridgeService::Start() {
    TryBaresip();
    return !listenFailed_;
}

void BridgeService::OnTimer(platform::TimerId id) {
    if (id == kRetryTimer) {
        TryBaresip();
    }
}

void BridgeService::TryBaresip() {
    KillTimer(kRetryTimer);
    std::string error;
    std::optional<platform::TcpStream> stream = platform::TcpStream::Connect(
        options_.baresip.host, options_.baresip.port, kConnectTimeout, &error);
    if (!stream) {
        if (error != lastFailure_) {
            report_("baresip not reachable (" + error + "); trying every second");
            lastFailure_ = error;
        }
        SetTimer(kRetryTimer, options_.retry);
        return;
    }
    lastFailure_.clear();
    stream_ = std::move(stream);
    reader_ = NetstringReader();
    streamWatch_ = Loop().Watch(stream_->Fd(), [this] { OnBaresipReadable(); });
    const std::string where =
        platform::FormatTcpAddress(options_.baresip.host, options_.baresip.port);
    bridge_.OnBaresipUp();
    if (!server_.Start(options_.clientSocket, options_.linkUid,
                       platform::NewClientIdentity("baresip"))) {
        report_("cannot listen on " + options_.clientSocket.native() +
                ": another softphone client listens there, or the path cannot be had");
        listenFailed_ = true;
        Loop().Quit(1);
        return;
    }
    report_("connected to baresip at " + where + "; the system attaches at " +
            options_.clientSocket.native());
}

void BridgeService::OnBaresipReadable() {
    std::string bytes;
    const platform::TcpStream::ReadResult result = stream_->Read(bytes);
    std::vector<std::string> payloads;
    const NetstringReader::Result framing = reader_.Feed(bytes, payloads);
    for (const std::string& payload : payloads) {
        platform::DebugLog("baresip", "baresip <- " + payload);
        bridge_.OnBaresipMessage(payload);
    }
    if (framing != NetstringReader::Result::kOk) {
        DropBaresip("it sent a malformed frame");
    } else if (result == platform::TcpStream::ReadResult::kEndOfStream) {
        DropBaresip("it closed the connection");
    } else if (result == platform::TcpStream::ReadResult::kBroken) {
        DropBaresip(stream_->Fault());
    }
}

void BridgeService::SendToBaresip(const std::string& payload) {
    if (!stream_) {
        return;
    }
    platform::DebugLog("baresip", "baresip -> " + payload);
    // A write that fails shuts the stream down; the loop then finds it broken, so the bridge is
    // never torn down from inside one of its own calls.
    stream_->Write(EncodeNetstring(payload));
}

void BridgeService::DropBaresip(const std::string& why) {
    if (!stream_) {
        return;
    }
    Loop().Unwatch(streamWatch_);
    streamWatch_ = 0;
    stream_.reset();
    // Like a softphone that ends with calls live, the bridge says how each ended before the link
    // closes: a handset left showing a call that no longer exists would wait for it forever.
    bridge_.OnBaresipDown();
    server_.Stop();
    report_("baresip went away (" + why + "); the system's link is closed until it is back");
    SetTimer(kRetryTimer, options_.retry);
}

void BridgeService::SaveHistory(const std::vector<BridgeCall>& calls) {
    if (options_.historyFile.empty()) {
        return;
    }
    std::error_code error;
    std::filesystem::create_directories(options_.historyFile.parent_path(), error);
    if (!platform::ReplaceFileAtomically(options_.historyFile, FormatHistory(calls))) {
        report_("cannot write the call history to " + options_.historyFile.native());
    }
}

}  // namespace baresip
