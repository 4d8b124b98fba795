// The test bed's start, its waits, its report and its end.
#include "bridge/baresip/tests/sip/SipTestBed.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>
#include <vector>

#include "platform/profile/Profile.h"
#include "platform/tcp/LoopbackPort.h"
#include "tools/scenario/Report.h"

#ifndef SIP_PROGRAM_DIR
#error "SIP_PROGRAM_DIR names the build's program directory"
#endif

namespace sip_test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Ports below the kernel's ephemeral range (32768 up), where nothing else picks them at random,
// in blocks of ten: near SIP and SIP/TLS, far SIP and SIP/TLS, near and far control.
constexpr std::uint16_t kFirstPort = 20000;
constexpr unsigned kPortBlocks = 1200;
constexpr unsigned kPortsPerBlock = 10;
constexpr unsigned kPortsUsed = 6;

constexpr const char* kReady = "baresip is ready.";
constexpr milliseconds kBridgeStop{3000};

fs::path ProgramDirectory() {
    const char* fromTest = std::getenv("KESTREL_PROGRAM_DIR");
    return fromTest != nullptr && *fromTest != '\0' ? fs::path(fromTest)
                                                    : fs::path(SIP_PROGRAM_DIR);
}

bool InPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "";
    while (!rest.empty()) {
        const std::size_t colon = std::min(rest.find(':'), rest.size());
        if (colon > 0 && ::access((fs::path(rest.substr(0, colon)) / program).c_str(), X_OK) == 0) {
            return true;
        }
        rest.remove_prefix(std::min(colon + 1, rest.size()));
    }
    return false;
}

// A block of free ports, starting from one chosen at random, so that runs side by side (and
// other baresips on this machine) do not meet; 0 when none is free.
std::uint16_t ChoosePorts() {
    const unsigned first = std::random_device()() % kPortBlocks;
    for (unsigned i = 0; i < kPortBlocks; ++i) {
        const auto base =
            static_cast<std::uint16_t>(kFirstPort + (first + i) % kPortBlocks * kPortsPerBlock);
        bool free = true;
        for (unsigned port = base; port < base + kPortsUsed && free; ++port) {
            free = platform::LoopbackPortIsFree(static_cast<std::uint16_t>(port));
        }
        if (free) {
            return base;
        }
    }
    return 0;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t Occurrences(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// baresip says so once its control port listens.
bool IsReady(const BaresipProcess& party) {
    return ReadFile(party.LogFile()).find(kReady) != std::string::npos;
}

bool WriteSetting(const fs::path& file, const wchar_t* section, const wchar_t* key,
                  const wchar_t* value) {
    return platform::WritePrivateProfileString(section, key, value, file);
}

}  // namespace

std::string SipTestBed::MissingPrerequisite() {
    if (!InPath("baresip")) {
        return "baresip is not installed (Debian package baresip-core)";
    }
    if (!fs::exists(fs::path(kBaresipModules) / "ctrl_tcp.so")) {
        return std::string("baresip's modules are not in ") + kBaresipModules;
    }
    if (!fs::exists(ProgramDirectory() / "kestrel-baresip")) {
        return "no kestrel-baresip in " + ProgramDirectory().native();
    }
    return {};
}

SipTestBed::SipTestBed() = default;

SipTestBed::~SipTestBed() {
    Stop();
}

std::string SipTestBed::Start(const std::function<std::string()>& history) {
    directory_ = scenario::TemporaryDirectory::Create("kestrel-sip");
    if (!directory_) {
        return "cannot make a temporary directory";
    }
    const std::uint16_t base = ChoosePorts();
    if (base == 0) {
        return "no block of free ports from " + std::to_string(kFirstPort);
    }
    const fs::path nearDirectory = directory_->Subdirectory("near");
    const fs::path farDirectory = directory_->Subdirectory("far");
    near_ = std::make_unique<BaresipProcess>("near", nearDirectory, base,
                                             static_cast<std::uint16_t>(base + 4));
    far_ =
        std::make_unique<BaresipProcess>("far", farDirectory, static_cast<std::uint16_t>(base + 2),
                                         static_cast<std::uint16_t>(base + 5));
    for (BaresipProcess* party : {near_.get(), far_.get()}) {
        if (std::string problem = party->Configure(); !problem.empty()) {
            return problem;
        }
        if (!party->Start()) {
            return "cannot start baresip for " + party->User();
        }
    }
    scenario::SessionOptions options;
    options.programDirectory = ProgramDirectory();
    session_ = std::make_unique<scenario::Session>(options);
    if (scenario::Outcome prepared = session_->Prepare(); !prepared.ok) {
        return "cannot prepare larkspurd's run: " + prepared.detail;
    }
    // English whatever the locale; a melody of the handset's for ringing; scan code 34 for the
    // missed calls, which the sample key table leaves without a key (key27 is scan code 34).
    const fs::path settings = session_->SettingsFile("PhoneSet");
    const fs::path keys = session_->SettingsFile("KeyDef");
    if (!WriteSetting(settings, L"PhoneSet", L"lang", L"1033") ||
        !WriteSetting(settings, L"PhoneSet", L"bell", L"3") ||
        !WriteSetting(keys, L"KeyDef", L"key27", L"111")) {
        return "cannot write larkspurd's settings";
    }
    if (scenario::Outcome launched = session_->Launch(); !launched.ok) {
        return "cannot start larkspurd: " + launched.detail;
    }
    const std::string handsetSocket = session_->HandsetSocket().native();
    if (!PumpUntil([&] { return session_->Handset().Plug(handsetSocket); })) {
        return "the handset cannot plug in at " + handsetSocket;
    }
    if (!PumpUntil([this] { return IsReady(*far_); }, kStartTimeout)) {
        return "the far baresip did not get ready";
    }
    std::string error;
    farControl_ = BaresipControl::Connect(session_->Loop(), far_->ControlPort(), &error);
    if (!farControl_) {
        return "cannot reach the far baresip's control port: " + error;
    }

    historyFile_ = directory_->Path() / "history";
    if (history) {
        std::ofstream(historyFile_, std::ios::binary) << history();
    }
    // The bridge would find the near baresip a second later by itself; waiting for it to be
    // ready saves that second.
    if (!PumpUntil([this] { return IsReady(*near_); }, kStartTimeout)) {
        return "the near baresip did not get ready";
    }
    if (std::string problem = StartBridge(); !problem.empty()) {
        return problem;
    }
    if (!WaitForHostState("softphone attached", kStartTimeout)) {
        return "larkspurd did not attach to the bridge";
    }
    return {};
}

std::string SipTestBed::StartBridge() {
    bridgeLog_ = directory_->Path() / "bridge.log";
    platform::ChildOptions options;
    options.program = ProgramDirectory() / "kestrel-baresip";
    options.args = {"--baresip", "127.0.0.1:" + std::to_string(near_->ControlPort()),
                    "--socket",  session_->ClientSocket().native(),
                    "--history", historyFile_.native()};
    options.workingDirectory = directory_->Path();
    // Every message it passes on, for the report of a failed test.
    options.environment = {{"KESTREL_DEBUG", "1"}};
    options.outputFile = bridgeLog_;
    bridge_ = platform::ChildProcess::Start(options);
    return bridge_ ? std::string() : "cannot start " + options.program.native();
}

std::string SipTestBed::Stop() {
    std::string problems;
    if (bridge_) {
        bridge_->Terminate();
        const std::optional<platform::ChildExit> exit = bridge_->WaitFor(kBridgeStop);
        if (!exit) {
            problems += "kestrel-baresip did not end within 3 s of SIGTERM. ";
        } else if (!exit->Succeeded()) {
            problems += "kestrel-baresip ended with " + platform::ToString(*exit) + ". ";
        }
        bridge_.reset();
    }
    if (session_) {
        if (session_->Handset().IsPlugged()) {
            session_->Handset().Unplug();
        }
        if (scenario::Outcome stopped = session_->StopHost(); !stopped.ok) {
            problems += stopped.detail + " ";
        }
    }
    farControl_.reset();
    for (BaresipProcess* party : {near_.get(), far_.get()}) {
        if (party != nullptr) {
            party->Stop();
        }
    }
    return problems;
}

std::string SipTestBed::HistoryText() const {
    return ReadFile(historyFile_);
}

std::string SipTestBed::BridgeLog() const {
    return bridgeLog_.empty() ? std::string() : ReadFile(bridgeLog_);
}

bool SipTestBed::PumpUntil(const std::function<bool()>& done, milliseconds timeout) {
    return session_ != nullptr && session_->PumpUntil(done, timeout);
}

handset_sim::ScreenText SipTestBed::Screen() const {
    return handset_sim::ReadScreenText(session_->Handset().State().lcd);
}

bool SipTestBed::WaitForRow(std::size_t row, std::string_view text, milliseconds timeout) {
    return PumpUntil([&] { return Screen().rows[row].text == text; }, timeout);
}

bool SipTestBed::Press(std::uint8_t scanCode) {
    return session_->Handset().SendKey(scanCode);
}

std::size_t SipTestBed::HandsetMark() const {
    return session_->Handset().LogEnd();
}

bool SipTestBed::WaitForControl(std::uint8_t command, std::uint8_t value, std::size_t from,
                                milliseconds timeout) {
    const handset_sim::Decoded wanted(handset_sim::FrameKind::Control, command, value);
    return PumpUntil(
        [&] {
            return session_->Handset()
                .WaitFor(
                    [&](const handset_sim::Event& event) {
                        return event.kind == handset_sim::Event::Kind::Received &&
                               event.decoded == wanted;
                    },
                    milliseconds(0), from)
                .has_value();
        },
        timeout);
}

bool SipTestBed::WaitForHostState(std::string_view ending, milliseconds timeout) {
    return PumpUntil(
        [&] {
            const std::vector<std::string>& states = session_->Host().States();
            return !states.empty() && states.back().ends_with(ending);
        },
        timeout);
}

bool SipTestBed::WaitForBridgeLine(std::string_view text, std::size_t count, milliseconds timeout) {
    return PumpUntil([&] { return Occurrences(BridgeLog(), text) >= count; }, timeout);
}

std::optional<ControlMessage> SipTestBed::WaitForFarEvent(std::string_view type, std::size_t from,
                                                          std::string_view param,
                                                          milliseconds timeout) {
    std::optional<ControlMessage> found;
    PumpUntil(
        [&] {
            found = farControl_->FindEvent(type, from, param);
            return found.has_value();
        },
        timeout);
    return found;
}

bool SipTestBed::RestartNear() {
    const std::size_t readyBefore = Occurrences(ReadFile(near_->LogFile()), kReady);
    return near_->Start() &&
           PumpUntil([&] { return Occurrences(ReadFile(near_->LogFile()), kReady) > readyBefore; },
                     kStartTimeout);
}

std::string SipTestBed::Report(const std::string& what) const {
    std::string report;
    if (session_) {
        report += scenario::FailureReport("the SIP test bed", what, *session_);
    } else {
        report += what + "\n";
    }
    report += "kestrel-baresip's output:\n" + FileTail(bridgeLog_, 80);
    if (near_) {
        report += "near baresip's log:\n" + near_->LogTail();
    }
    if (far_) {
        report += "far baresip's log:\n" + far_->LogTail();
    }
    if (farControl_) {
        report += "far baresip's control messages:\n" + farControl_->Describe();
    }
    report += "history file:\n" + HistoryText();
    return report;
}

}  // namespace sip_test
