// The Skype link: discovery, the attach handshake, command and notification traffic, and
// starting the softphone.
#include "engine/skype/CSkypeLink.h"

#include <utility>

#include "common/Messages.h"
#include "platform/childprocess/ChildProcess.h"
#include "platform/clientlink/ClientLog.h"
#include "platform/clientlink/ClientProtocol.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/Utf8.h"

namespace {

constexpr std::string_view kLoggedOut = "CONNSTATUS LOGGEDOUT";
constexpr std::wstring_view kConnected = L"Skype connected";
constexpr std::wstring_view kNotConnected = L"Skype not connected";
constexpr std::wstring_view kClientKey = L"software\\Skype\\Phone\\";
constexpr std::wstring_view kClientPathValue = L"SkypePath";

// Sent on every attachment, in this order.
constexpr std::string_view kAttachCommands[] = {"protocol 5", "get userstatus",
                                                "get profile pstn_balance"};

}  // namespace

CSkypeLink::CSkypeLink(platform::WindowHandle owner, bool launch, SkypeLinkSeams seams)
    : owner_(owner),
      launch_(launch),
      seams_(std::move(seams)),
      statusChange_(RegisteredMessages::Get().skypeStatusChange),
      messageReceived_(RegisteredMessages::Get().skypeMessageReceived) {
    SetParent(owner);
    Show(false);
    if (!seams_.startClient) {
        seams_.startClient = [](const std::filesystem::path& program) {
            return platform::StartDetached({program, {}, "/", {}});
        };
    }
    if (launch_) {
        LaunchSkype();
    }
    SetTimer(kPollTimer, kPollPeriod);
    SetTimer(kDiscoverTimer, kDiscoverPeriod);
}

CSkypeLink::~CSkypeLink() = default;

void CSkypeLink::LaunchSkype() {
    platform::RegistryKey key;
    std::wstring program;
    if (key.Open(platform::RegistryRoot::kCurrentUser, kClientKey) == platform::kRegistryOk) {
        key.ReadString(kClientPathValue, program);
        key.Close();
    }
    if (!program.empty()) {
        seams_.startClient(platform::ToUtf8(program));
    }
}

void CSkypeLink::BroadcastDiscover() {
    if (probe_.stream) {
        return;
    }
    const std::filesystem::path path =
        seams_.socketPath.empty() ? platform::ClientSocketPath() : seams_.socketPath;
    if (path.empty()) {
        return;
    }
    std::optional<platform::FrameStream> stream = platform::ConnectToClient(path, seams_.clientUid);
    if (!stream) {
        return;
    }
    const std::uint64_t serial = ++lastSerial_;
    probe_ = Connection{};
    probe_.serial = serial;
    probe_.openedAt = Loop().Now();
    probe_.stream = platform::ClientConnection::Serve(
        Loop(), std::move(*stream),
        [this, serial](const std::string& frame) { OnFrame(serial, frame); },
        [this, serial](platform::ClientConnection::CloseReason) { OnClosed(serial); });
}

void CSkypeLink::OnTimer(platform::TimerId id) {
    switch (id) {
        case kPollTimer:
            // A softphone that ends is seen at once by its end of stream; the poll only keeps
            // looking while there is none.
            if (!session_.stream) {
                BroadcastDiscover();
            }
            return;
        case kDiscoverTimer:
            // A probe still silent after a whole poll period is given up for a fresh one.
            if (probe_.stream && !probe_.answered &&
                Loop().Now() - probe_.openedAt >= kPollPeriod) {
                probe_ = Connection{};
            }
            BroadcastDiscover();
            return;
        default:
            return;
    }
}

void CSkypeLink::OnClose() {
    probe_ = Connection{};
    session_ = Connection{};
    attached_ = false;
    Window::OnClose();
}

void CSkypeLink::OnFrame(std::uint64_t serial, const std::string& frame) {
    if (serial == session_.serial) {
        OnText(frame);
    } else if (serial == probe_.serial) {
        OnAttachAnswer(frame);
    }
}

void CSkypeLink::OnClosed(std::uint64_t serial) {
    if (serial == session_.serial) {
        Detach();
    } else if (serial == probe_.serial) {
        probe_ = Connection{};
    }
}

void CSkypeLink::OnAttachAnswer(const std::string& frame) {
    const std::optional<platform::AttachAnswer> answer = platform::ParseAttachAnswer(frame);
    if (!answer) {
        platform::LogClientFault(platform::FaultOf::kPeer, "no attach answer: " + frame);
        probe_ = Connection{};
        return;
    }
    probe_.answered = true;
    switch (answer->status) {
        case platform::kAttachSuccess:
            if (session_.stream && answer->identity == session_.identity) {
                probe_ = Connection{};  // the attached softphone again
            } else {
                Attach(answer->identity);
            }
            return;
        case platform::kAttachPendingAuthorization:
            // The probe stays open: the softphone answers again on it once the user decides.
            ReportStatus("SKYPECONTROLAPI_ATTACH_PENDING_AUTHORIZATION");
            return;
        case platform::kAttachRefused:
            probe_ = Connection{};
            ReportStatus("SKYPECONTROLAPI_ATTACH_REFUSED");
            return;
        case platform::kAttachNotAvailable:
            probe_ = Connection{};
            ReportStatus("SKYPECONTROLAPI_ATTACH_NOT_AVAILABLE");
            return;
        default:
            probe_ = Connection{};
            return;
    }
}

void CSkypeLink::Attach(std::string identity) {
    // A softphone attached before (now restarted with a new identity) is let go in silence.
    session_ = std::exchange(probe_, Connection{});
    session_.identity = std::move(identity);
    SetText(std::wstring(kConnected));
    attached_ = true;
    platform::PostMessage(owner_, statusChange_, 1, 0);
    for (std::string_view command : kAttachCommands) {
        SendCommand(command);
    }
}

void CSkypeLink::Detach() {
    session_ = Connection{};
    attached_ = false;
    SetText(std::wstring(kNotConnected));
    platform::PostMessage(owner_, statusChange_, 0, 0);
}

void CSkypeLink::OnText(const std::string& text) {
    lastText_ = text;
    if (text == kLoggedOut) {
        Detach();
        return;
    }
    // Last: the engine may do anything during the send, closing this link included.
    platform::SendMessage(owner_, messageReceived_, 0, 0);
}

void CSkypeLink::ReportStatus(std::string_view name) {
    lastText_ = name;
    platform::SendMessage(owner_, messageReceived_, 0, 0);
}

bool CSkypeLink::SendCommand(std::string_view command) {
    if (!session_.stream || command.size() > kMaxCommandBytes ||
        command.find('\0') != std::string_view::npos) {
        return false;
    }
    return session_.stream->Send(command);
}
