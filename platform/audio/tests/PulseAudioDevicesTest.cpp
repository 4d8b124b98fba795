// The audio layer against a real pulseaudio daemon of each test's own, checked against the server
// through a second client: the devices and their names, the defaults, the volume steps, devices
// that come and go, and a server that is absent, killed, brought back or hung.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/AudioDevices.h"
#include "platform/audio/tests/PulseDaemon.h"
#include "platform/audio/tests/PulseServerProbe.h"
#include "platform/loop/MessageLoop.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::PulseDaemon;
using testing::PulseServerProbe;

constexpr wchar_t kHandset[] = L"USB Audio Device";
constexpr wchar_t kSpeakers[] = L"Speakers";
// Long enough for a retry at the longest backoff and a daemon's start.
constexpr auto kBackoffBound = 15s;

class TempDir {
  public:
    TempDir() {
        std::string name = std::filesystem::temp_directory_path() / "audio-test-XXXXXX";
        if (::mkdtemp(name.data()) == nullptr) {
            std::abort();
        }
        path_ = name;
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// This process's standard error into a pipe the loop watches, so that a test can wait for the
// layer's line; what was caught goes on to the real standard error at the end.
class StderrCapture {
  public:
    explicit StderrCapture(MessageLoop& loop) : loop_(loop) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            std::abort();
        }
        readEnd_ = ends[0];
        saved_ = ::dup(STDERR_FILENO);
        ::dup2(ends[1], STDERR_FILENO);
        ::close(ends[1]);
        watch_ = loop_.Watch(readEnd_, [this] { Drain(); });
    }
    ~StderrCapture() {
        loop_.Unwatch(watch_);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        Drain();
        ::close(readEnd_);
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text_.data(), text_.size());
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    // The lines caught that start with `start`.
    std::vector<std::string> LinesStartingWith(const std::string& start) const {
        std::vector<std::string> lines;
        std::size_t begin = 0;
        for (std::size_t end; (end = text_.find('\n', begin)) != std::string::npos;
             begin = end + 1) {
            std::string line = text_.substr(begin, end - begin);
            if (line.starts_with(start)) {
                lines.push_back(std::move(line));
            }
        }
        return lines;
    }

  private:
    void Drain() {
        char bytes[4096];
        for (ssize_t n; (n = ::read(readEnd_, bytes, sizeof bytes)) > 0;) {
            text_.append(bytes, static_cast<std::size_t>(n));
        }
    }

    MessageLoop& loop_;
    int readEnd_ = -1;
    int saved_ = -1;
    MessageLoop::WatchId watch_ = 0;
    std::string text_;
};

class PulseAudioDevicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PulseDaemon::Installed()) {
            GTEST_SKIP() << "pulseaudio is not installed";
        }
        server_ = "unix:";
        server_.append(PulseDaemon::Socket(directory_.Path()).native());
        ::setenv("PULSE_SERVER", server_.c_str(), 1);
    }

    void StartDaemon() {
        daemon_ = std::make_unique<PulseDaemon>(directory_.Path());
        ASSERT_EQ(daemon_->Failure(), "");
    }

    void Connect() {
        devices_ = ConnectAudioServer(loop_, "AudioTest");
        devices_->SetOnChange([this] { ++changes_; });
    }

    // Connected, with the daemon's four devices reported.
    void ConnectToDaemon() {
        StartDaemon();
        Connect();
        ASSERT_TRUE(ServeUntil([this] { return devices_->IsAvailable(); }));
    }

    // Serves the loop until `condition` holds or `timeout` passes; whether it held. Conditions
    // that ask the server itself are looked at again every few milliseconds as well.
    bool ServeUntil(const std::function<bool()>& condition,
                    std::chrono::milliseconds timeout = 5000ms) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            loop_.ProcessReady();
            if (condition()) {
                return true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left <= 0ms) {
                return false;
            }
            loop_.WaitForPost(std::min(left, 20ms));
        }
    }

    PulseServerProbe& Probe() {
        if (!probe_) {
            probe_ = std::make_unique<PulseServerProbe>(server_);
        }
        return *probe_;
    }

    void ExpectUnavailable() {
        EXPECT_FALSE(devices_->IsAvailable());
        for (AudioDirection direction : {AudioDirection::kOutput, AudioDirection::kInput}) {
            EXPECT_THAT(devices_->Names(direction), IsEmpty());
            EXPECT_EQ(devices_->DefaultName(direction), L"");
            EXPECT_FALSE(devices_->SetDefault(direction, kHandset));
        }
        EXPECT_EQ(devices_->VolumeStep(kHandset), std::nullopt);
        EXPECT_FALSE(devices_->SetVolumeStep(kHandset, 8));
    }

    TempDir directory_;
    std::string server_;
    MessageLoop loop_;
    std::unique_ptr<PulseDaemon> daemon_;
    std::unique_ptr<PulseServerProbe> probe_;
    std::unique_ptr<AudioDevices> devices_;
    int changes_ = 0;
};

TEST_F(PulseAudioDevicesTest, ListsTheDevicesByTheirDescriptionsWithoutMonitors) {
    ConnectToDaemon();

    EXPECT_THAT(devices_->Names(AudioDirection::kOutput), ElementsAre(kHandset, kSpeakers));
    // Each output's monitor is an input on the server too.
    EXPECT_THAT(devices_->Names(AudioDirection::kInput), ElementsAre(kHandset, kSpeakers));
    EXPECT_EQ(changes_, 1);
}

TEST_F(PulseAudioDevicesTest, DefaultsAreSetOnTheServer) {
    ConnectToDaemon();
    struct Case {
        AudioDirection direction;
        std::string (PulseServerProbe::*serverDefault)();
        std::string speakers;  // the server's names of the two devices
        std::string handset;
    };
    const Case cases[] = {
        {AudioDirection::kOutput, &PulseServerProbe::DefaultSink, "speakers", "usb"},
        {AudioDirection::kInput, &PulseServerProbe::DefaultSource, "mic", "usbmic"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handset);
        // From the other device, so that setting the handset's is a change on the server.
        for (const auto& [name, serverName] :
             {std::pair{kSpeakers, c.speakers}, std::pair{kHandset, c.handset}}) {
            ASSERT_TRUE(devices_->SetDefault(c.direction, name));
            EXPECT_EQ(devices_->DefaultName(c.direction), name);
            EXPECT_TRUE(ServeUntil([&] { return (Probe().*c.serverDefault)() == serverName; }));
            EXPECT_EQ(devices_->DefaultName(c.direction), name);
        }
        EXPECT_FALSE(devices_->SetDefault(c.direction, L"No Such Device"));
        EXPECT_EQ(devices_->DefaultName(c.direction), kHandset);
    }
    // The layer's own changes are not announced back to it.
    EXPECT_EQ(changes_, 1);

    // Someone else's are.
    ASSERT_TRUE(Probe().SetDefaultSink("speakers"));
    EXPECT_TRUE(ServeUntil([&] {
        return devices_->DefaultName(AudioDirection::kOutput) == kSpeakers && changes_ == 2;
    }));
}

TEST_F(PulseAudioDevicesTest, VolumeStepsAreTheServersRawVolumes) {
    ConnectToDaemon();
    const std::vector<pa_volume_t> speakersBefore = Probe().SinkVolumes("speakers");
    ASSERT_EQ(speakersBefore.size(), 2u);

    struct Set {
        int step;
        pa_volume_t raw;  // on every channel
        int readBack;
    };
    for (const Set& set :
         {Set{0, 0, 0}, Set{8, 32768, 8}, Set{16, 65536, 16}, Set{25, 65536, 16}, Set{-3, 0, 0}}) {
        SCOPED_TRACE(set.step);
        ASSERT_TRUE(devices_->SetVolumeStep(kHandset, set.step));
        EXPECT_EQ(devices_->VolumeStep(kHandset), set.readBack);
        EXPECT_TRUE(ServeUntil([&] {
            return Probe().SinkVolumes("usb") == std::vector<pa_volume_t>{set.raw, set.raw};
        }));
        EXPECT_EQ(devices_->VolumeStep(kHandset), set.readBack);
    }
    EXPECT_EQ(Probe().SinkVolumes("speakers"), speakersBefore);
    EXPECT_FALSE(devices_->SetVolumeStep(L"No Such Device", 8));
    EXPECT_EQ(devices_->VolumeStep(L"No Such Device"), std::nullopt);

    // Set behind the layer's back: read as the nearest step, and not announced.
    struct Seen {
        pa_volume_t raw;
        int step;
    };
    for (const Seen& seen : {Seen{2000, 0}, Seen{2100, 1}, Seen{19661, 5}, Seen{98304, 16}}) {
        SCOPED_TRACE(seen.raw);
        ASSERT_TRUE(Probe().SetSinkVolume("usb", seen.raw));
        EXPECT_TRUE(ServeUntil([&] { return devices_->VolumeStep(kHandset) == seen.step; }));
    }
    EXPECT_EQ(changes_, 1);
}

TEST_F(PulseAudioDevicesTest, DevicesThatComeAndGoAreAnnounced) {
    ConnectToDaemon();
    struct Arrival {
        std::string arguments;
        std::wstring name;
    };
    const Arrival arrivals[] = {
        {"sink_name=headset sink_properties=\"device.description='Kopfh\xC3\xB6rer \xE2\x98\x8E'\"",
         L"Kopfh\u00F6rer \u260E"},
        {"sink_name=blank sink_properties=device.description=''", L""},
    };
    for (const Arrival& arrival : arrivals) {
        SCOPED_TRACE(arrival.arguments);
        const int before = changes_;
        const std::uint32_t module = Probe().LoadModule("module-null-sink", arrival.arguments);
        ASSERT_NE(module, PA_INVALID_INDEX);
        EXPECT_TRUE(ServeUntil([&] { return changes_ > before; }));
        EXPECT_THAT(devices_->Names(AudioDirection::kOutput),
                    ElementsAre(kHandset, kSpeakers, arrival.name));
        EXPECT_THAT(devices_->Names(AudioDirection::kInput), ElementsAre(kHandset, kSpeakers));

        const int arrived = changes_;
        ASSERT_TRUE(Probe().UnloadModule(module));
        EXPECT_TRUE(ServeUntil([&] { return changes_ > arrived; }));
        EXPECT_THAT(devices_->Names(AudioDirection::kOutput), ElementsAre(kHandset, kSpeakers));
    }
}

TEST_F(PulseAudioDevicesTest, AnAbsentOrLostServerIsSaidOnceAndRetriedUntilItIsBack) {
    StderrCapture stderrCapture(loop_);
    const std::string loss = "AudioTest: no audio server (";
    const auto lossLines = [&] { return stderrCapture.LinesStartingWith(loss).size(); };

    Connect();
    ASSERT_TRUE(ServeUntil([&] { return lossLines() == 1; }));
    EXPECT_THAT(stderrCapture.LinesStartingWith(loss)[0],
                ::testing::EndsWith("); the sound device lists stay empty until it is back"));
    ExpectUnavailable();
    EXPECT_EQ(changes_, 0);

    StartDaemon();
    ASSERT_TRUE(ServeUntil([&] { return devices_->IsAvailable(); }, kBackoffBound));
    EXPECT_THAT(devices_->Names(AudioDirection::kOutput), ElementsAre(kHandset, kSpeakers));
    EXPECT_EQ(changes_, 1);

    daemon_->Kill();
    ASSERT_TRUE(ServeUntil([&] { return !devices_->IsAvailable() && lossLines() == 2; }));
    ExpectUnavailable();
    EXPECT_EQ(changes_, 2);

    StartDaemon();
    ASSERT_TRUE(ServeUntil([&] { return devices_->IsAvailable(); }, kBackoffBound));
    EXPECT_THAT(devices_->Names(AudioDirection::kInput), ElementsAre(kHandset, kSpeakers));
    EXPECT_EQ(changes_, 3);
    // Failed retries in between are not said again.
    EXPECT_EQ(lossLines(), 2u);
}

TEST_F(PulseAudioDevicesTest, AHungServerHoldsNothingUp) {
    ConnectToDaemon();
    daemon_->Freeze();

    // Sent into the socket; nothing waits for the answer.
    EXPECT_TRUE(devices_->SetVolumeStep(kHandset, 4));
    EXPECT_EQ(devices_->VolumeStep(kHandset), 4);
    devices_.reset();

    // A connection that the server never answers is not available, and ends as quickly.
    Connect();
    EXPECT_FALSE(ServeUntil([&] { return devices_->IsAvailable(); }, 200ms));
    ExpectUnavailable();
    devices_.reset();
}

}  // namespace
}  // namespace platform
