// A baresip of the test bed: its files, its start, its end.
#include "bridge/baresip/tests/sip/BaresipProcess.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace sip_test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxTailBytes = 64 * 1024;

bool WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

}  // namespace

BaresipProcess::BaresipProcess(std::string user, fs::path directory, std::uint16_t sipPort,
                               std::uint16_t controlPort)
    : user_(std::move(user)),
      directory_(std::move(directory)),
      log_(directory_ / "baresip.log"),
      sipPort_(sipPort),
      controlPort_(controlPort) {}

BaresipProcess::~BaresipProcess() {
    Stop(std::chrono::milliseconds(500));
}

// What 1.0.0 needs headless: without the sample rates and channels a call fails to start its
// audio, without the player and alert set to none it looks for a sound card.
std::string BaresipProcess::Configure() const {
    const std::string sip = "127.0.0.1:" + std::to_string(sipPort_);
    std::ostringstream config;
    config << "poll_method epoll\n"
           << "sip_listen " << sip << "\n"
           << "module_path " << kBaresipModules << "\n"
           << "module g711.so\n"
           << "module ausine.so\n"
           << "module_app account.so\n"
           << "module_app menu.so\n"
           << "module_app ctrl_tcp.so\n"
           << "ctrl_tcp_listen 127.0.0.1:" << controlPort_ << "\n"
           << "audio_source ausine,440\n"
           << "audio_player none,none\n"
           << "audio_alert none,none\n"
           << "ausrc_srate 48000\n"
           << "auplay_srate 48000\n"
           << "ausrc_channels 2\n"
           << "auplay_channels 2\n"
           << "sip_verify_server no\n";
    // No registrar: the parties call each other's address directly, and answer by command.
    const std::string account = "<sip:" + user_ + "@" + sip + ">;regint=0;answermode=manual\n";
    if (!WriteFile(directory_ / "config", config.str()) ||
        !WriteFile(directory_ / "accounts", account) || !WriteFile(directory_ / "contacts", "")) {
        return "cannot write baresip's configuration into " + directory_.native();
    }
    return {};
}

bool BaresipProcess::Start() {
    platform::ChildOptions options;
    options.program = "baresip";
    options.args = {"-f", directory_.native()};
    options.workingDirectory = directory_;
    options.outputFile = log_;
    child_ = platform::ChildProcess::Start(options);
    return child_ != nullptr;
}

bool BaresipProcess::IsRunning() {
    return child_ != nullptr && !child_->HasEnded();
}

void BaresipProcess::Kill() {
    if (child_ != nullptr) {
        child_->Kill();
        child_->WaitFor(std::chrono::seconds(5));
        child_.reset();  // reaps it, should the wait have been too short
    }
}

void BaresipProcess::Stop(std::chrono::milliseconds grace) {
    if (child_ == nullptr) {
        return;
    }
    child_->Terminate();
    if (!child_->WaitFor(grace)) {
        child_->Kill();
        child_->WaitFor(std::chrono::seconds(5));
    }
    child_.reset();
}

std::string BaresipProcess::Uri() const {
    return "sip:" + Handle();
}

std::string BaresipProcess::Handle() const {
    return user_ + "@127.0.0.1:" + std::to_string(sipPort_);
}

std::string BaresipProcess::LogTail(std::size_t lines) const {
    return FileTail(log_, lines);
}

std::string FileTail(const fs::path& file, std::size_t lines) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return "(no file)\n";
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff start = std::max<std::streamoff>(size - kMaxTailBytes, 0);
    in.seekg(start);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> kept;
    std::string line;
    const auto take = [&] {
        // baresip redraws its status line in place: only its last state of a run is kept.
        if (!line.empty() && (kept.empty() || kept.back() != line)) {
            kept.push_back(line);
        }
        line.clear();
    };
    bool escape = false;  // inside a terminal control sequence (its colours)
    for (char c : text) {
        if (escape) {
            escape = !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
        } else if (c == '\x1b') {
            escape = true;
        } else if (c == '\n' || c == '\r') {
            take();
        } else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
            line.push_back(c);
        }
    }
    take();
    std::string tail;
    for (std::size_t i = kept.size() > lines ? kept.size() - lines : 0; i < kept.size(); ++i) {
        tail.append("  ").append(kept[i]).push_back('\n');
    }
    return tail.empty() ? "  (empty)\n" : tail;
}

}  // namespace sip_test
