// The Skype link against the simulated softphone on the manual clock: discovery, every attach
// answer, re-attaching, logging out, the softphone's death, the limits on what crosses the
// socket, and starting the softphone.
#include "engine/skype/CSkypeLink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/Messages.h"
#include "platform/clientlink/ClientProtocol.h"
#include "platform/loop/Clock.h"
#include "platform/registry/RegistryKey.h"
#include "platform/text/Utf8.h"
#include "tools/phone-client-sim/PhoneClientSim.h"

namespace {

namespace fs = std::filesystem;
using platform::TimePoint;
using std::chrono::milliseconds;
using std::chrono::seconds;

constexpr const char* kPending = "SKYPECONTROLAPI_ATTACH_PENDING_AUTHORIZATION";
constexpr const char* kRefused = "SKYPECONTROLAPI_ATTACH_REFUSED";
constexpr const char* kNotAvailable = "SKYPECONTROLAPI_ATTACH_NOT_AVAILABLE";
const std::vector<std::string> kAttachCommands = {"protocol 5", "get userstatus",
                                                  "get profile pstn_balance"};
const std::vector<std::string> kAttachAnswers = {"PROTOCOL 5", "USERSTATUS ONLINE",
                                                 "PROFILE PSTN_BALANCE 0"};

// The engine's part: records the status changes it is posted and the text it can read at each
// "SKYPEMSGRECIEVED".
class Owner final : public platform::Window {
  public:
    explicit Owner(platform::MessageLoop& loop) : Window(loop) {}
    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override {
        if (message == RegisteredMessages::Get().skypeStatusChange) {
            statusChanges.push_back(wParam);
            statusTimes.push_back(Loop().Now());
            return 1;
        }
        if (message == RegisteredMessages::Get().skypeMessageReceived) {
            texts.push_back(link != nullptr ? link->LastText() : "");
            return 1;
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    const ISkypeLink* link = nullptr;
    std::vector<platform::WPARAM> statusChanges;
    std::vector<TimePoint> statusTimes;
    std::vector<std::string> texts;
};

class CSkypeLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kestrel-skypelink-" + std::to_string(std::random_device()()));
        fs::create_directory(dir);
        seams.socketPath = dir / "client.sock";
        simOptions.socketPath = seams.socketPath;
        seams.startClient = [this](const fs::path& program) {
            started.push_back(program);
            return true;
        };
    }
    void TearDown() override {
        link.reset();
        sim.reset();
        fs::remove_all(dir);
    }
    phone_client_sim::PhoneClientSim& StartSim() {
        sim = std::make_unique<phone_client_sim::PhoneClientSim>(loop, simOptions);
        EXPECT_TRUE(sim->Start());
        return *sim;
    }
    CSkypeLink& MakeLink(bool launch = false) {
        link = std::make_unique<CSkypeLink>(owner.Handle(), launch, seams);
        owner.link = link.get();
        return *link;
    }
    CSkypeLink& Attached() {
        StartSim();
        MakeLink();
        Run(seconds(1));
        EXPECT_TRUE(link->IsAttached());
        return *link;
    }
    // Everything travels through in-kernel sockets, so a quiet turn means nothing is left.
    void Settle() {
        for (int turns = 0; turns < 1000 && loop.ProcessReady() > 0; ++turns) {
        }
    }
    // Moves virtual time on in small steps, letting every exchange finish at its own time.
    void Run(platform::Duration d) {
        for (platform::Duration done{}; done < d; done += milliseconds(10)) {
            loop.AdvanceBy(milliseconds(10));
            Settle();
        }
    }
    std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    Owner owner{loop};
    fs::path dir;
    SkypeLinkSeams seams;
    phone_client_sim::Options simOptions;
    std::unique_ptr<phone_client_sim::PhoneClientSim> sim;
    std::unique_ptr<CSkypeLink> link;
    std::vector<fs::path> started;
};

TEST_F(CSkypeLinkTest, AttachesAtTheFirstPollAndSendsTheAttachCommandsInOrder) {
    StartSim();
    MakeLink();
    EXPECT_EQ(owner.Handle(), link->Parent());
    EXPECT_FALSE(link->IsVisible());
    Run(milliseconds(990));
    EXPECT_FALSE(link->IsAttached());
    Run(milliseconds(10));
    EXPECT_TRUE(link->IsAttached());
    EXPECT_EQ(L"Skype connected", link->Text());
    EXPECT_EQ(std::vector<platform::WPARAM>{1}, owner.statusChanges);
    EXPECT_EQ(kAttachCommands, sim->ReceivedCommands());
    EXPECT_EQ(kAttachAnswers, owner.texts);
}

TEST_F(CSkypeLinkTest, TheAttachedIdentityAnsweringAgainChangesNothing) {
    Attached();
    Run(seconds(35));  // three discoveries while attached
    EXPECT_TRUE(link->IsAttached());
    EXPECT_EQ(std::vector<platform::WPARAM>{1}, owner.statusChanges);
    EXPECT_EQ(kAttachCommands, sim->ReceivedCommands());
    EXPECT_EQ(1u, sim->AttachedCount());  // the probes are gone again
}

TEST_F(CSkypeLinkTest, PendingIsReportedOnceThenTheGrantAttaches) {
    simOptions.attachStatus = platform::kAttachPendingAuthorization;
    simOptions.pendingTime = milliseconds(3000);
    StartSim();
    MakeLink();
    Run(seconds(1));
    EXPECT_EQ(std::vector<std::string>{kPending}, owner.texts);
    EXPECT_FALSE(link->IsAttached());
    Run(milliseconds(2990));
    EXPECT_TRUE(owner.statusChanges.empty());
    EXPECT_TRUE(sim->ReceivedCommands().empty());
    Run(milliseconds(10));
    EXPECT_TRUE(link->IsAttached());
    EXPECT_EQ(std::vector<platform::WPARAM>{1}, owner.statusChanges);
    EXPECT_EQ(TimePoint(seconds(4)), owner.statusTimes[0]);
    EXPECT_EQ(Plus({kPending}, kAttachAnswers), owner.texts);
}

TEST_F(CSkypeLinkTest, RefusedAndNotAvailableAreReportedAtEveryDiscovery) {
    for (const auto& [status, name] : {std::pair{platform::kAttachRefused, kRefused},
                                       std::pair{platform::kAttachNotAvailable, kNotAvailable}}) {
        owner.texts.clear();
        simOptions.attachStatus = status;
        StartSim();
        MakeLink();
        Run(seconds(3));
        EXPECT_EQ(std::vector<std::string>(3, name), owner.texts);
        EXPECT_EQ(name, link->LastText());
        EXPECT_FALSE(link->IsAttached());
        EXPECT_TRUE(owner.statusChanges.empty());
        EXPECT_FALSE(link->SendCommand("get userstatus"));
    }
}

TEST_F(CSkypeLinkTest, AnUnknownStatusDoesNothing) {
    simOptions.attachStatus = 7;
    StartSim();
    MakeLink();
    Run(seconds(3));
    EXPECT_TRUE(owner.texts.empty());
    EXPECT_FALSE(link->IsAttached());
}

TEST_F(CSkypeLinkTest, ARestartedSoftphoneIsLostAtOnceAndAttachedAgain) {
    Attached();
    const TimePoint restart = loop.Now();
    ASSERT_TRUE(sim->Restart());
    Settle();
    EXPECT_EQ((std::vector<platform::WPARAM>{1, 0}), owner.statusChanges);
    EXPECT_EQ(restart, owner.statusTimes[1]);
    EXPECT_EQ(L"Skype not connected", link->Text());
    Run(seconds(1));
    EXPECT_EQ((std::vector<platform::WPARAM>{1, 0, 1}), owner.statusChanges);
    EXPECT_EQ(Plus(kAttachCommands, kAttachCommands), sim->ReceivedCommands());
}

TEST_F(CSkypeLinkTest, TheSoftphonesDeathIsSeenWithinASecond) {
    Attached();
    const TimePoint death = loop.Now();
    sim->Stop();
    Run(seconds(1));
    ASSERT_EQ((std::vector<platform::WPARAM>{1, 0}), owner.statusChanges);
    EXPECT_LE(owner.statusTimes[1], death + seconds(1));
    EXPECT_FALSE(link->IsAttached());
    EXPECT_FALSE(link->SendCommand("get userstatus"));
    Run(seconds(20));  // nobody to find: nothing more happens
    EXPECT_EQ(2u, owner.statusChanges.size());
}

TEST_F(CSkypeLinkTest, LoggingOutDetachesAtOnceWithoutTellingTheModes) {
    Attached();
    sim->Notify("CONNSTATUS ONLINE");
    Settle();
    EXPECT_EQ("CONNSTATUS ONLINE", owner.texts.back());
    const std::size_t textsBefore = owner.texts.size();
    sim->Logout();
    Settle();
    EXPECT_FALSE(link->IsAttached());
    EXPECT_EQ(L"Skype not connected", link->Text());
    EXPECT_EQ("CONNSTATUS LOGGEDOUT", link->LastText());
    EXPECT_EQ((std::vector<platform::WPARAM>{1, 0}), owner.statusChanges);
    EXPECT_EQ(textsBefore, owner.texts.size());
    // The logged-out softphone is not available at the next discovery.
    Run(seconds(1));
    EXPECT_EQ(kNotAvailable, owner.texts.back());
}

TEST_F(CSkypeLinkTest, CommandsLongerThan255BytesAreRefusedWhole) {
    Attached();
    const std::string longest(CSkypeLink::kMaxCommandBytes, 'c');
    EXPECT_TRUE(link->SendCommand(longest));
    EXPECT_FALSE(link->SendCommand(longest + "c"));
    EXPECT_FALSE(link->SendCommand(std::string("set call 1\0 status finished", 27)));
    Settle();
    EXPECT_EQ(Plus(kAttachCommands, {longest}), sim->ReceivedCommands());
}

TEST_F(CSkypeLinkTest, AFloodingSoftphoneIsCutOffAndFoundAgain) {
    Attached();
    const std::size_t textsBefore = owner.texts.size();
    EXPECT_GT(sim->NotifyRaw(std::string(1024 * 1024, 'x')), platform::kMaxFrameBytes);
    Settle();
    EXPECT_FALSE(link->IsAttached());
    EXPECT_EQ((std::vector<platform::WPARAM>{1, 0}), owner.statusChanges);
    EXPECT_EQ(textsBefore, owner.texts.size());  // nothing of the flood reached the engine
    EXPECT_EQ(0u, sim->AttachedCount());
    Run(seconds(1));
    EXPECT_TRUE(link->IsAttached());
}

TEST_F(CSkypeLinkTest, InvalidUtf8IsReplacedBeforeTheEngineSeesIt) {
    Attached();
    const std::string raw = "CALL 3 PARTNER_DISPNAME Jo\xFF\xC0\xAF";
    sim->NotifyRaw(raw + '\0');
    Settle();
    EXPECT_EQ(platform::SanitizeUtf8(raw), owner.texts.back());
    EXPECT_EQ(platform::SanitizeUtf8(raw), link->LastText());
    EXPECT_TRUE(link->IsAttached());
}

TEST_F(CSkypeLinkTest, TextsReachTheEngineInOrder) {
    Attached();
    std::vector<std::string> expected = kAttachAnswers;
    for (int i = 0; i < 150; ++i) {
        expected.push_back("CALL " + std::to_string(i) + " STATUS RINGING");
        sim->Notify(expected.back());
    }
    Settle();
    EXPECT_EQ(expected, owner.texts);
}

// Tests run as one user: the link is told to require another, and finds the real peer
// credentials of the simulator wrong.
TEST_F(CSkypeLinkTest, ASoftphoneOfAnotherUserIsNeverAttached) {
    seams.clientUid = platform::CurrentUserId() + 1;
    StartSim();
    MakeLink();
    Run(seconds(12));
    EXPECT_FALSE(link->IsAttached());
    EXPECT_TRUE(owner.texts.empty());
    EXPECT_TRUE(owner.statusChanges.empty());
    EXPECT_TRUE(sim->ReceivedCommands().empty());
}

TEST_F(CSkypeLinkTest, ClosingTheLinkLetsTheSoftphoneGoQuietly) {
    Attached();
    platform::SendMessage(link->Handle(), platform::WM_CLOSE, 0, 0);
    Settle();
    EXPECT_FALSE(link->IsAlive());
    EXPECT_FALSE(link->IsAttached());
    EXPECT_EQ(0u, sim->AttachedCount());
    Run(seconds(11));
    EXPECT_EQ(std::vector<platform::WPARAM>{1}, owner.statusChanges);
}

// A softphone that is not the simulator: its answers are scripted per connection, so that a
// discovery can meet another identity while the first connection still stands.
class ScriptedSoftphone {
  public:
    struct Link {
        std::shared_ptr<platform::ClientConnection> connection;
        std::vector<std::string> received;
        bool ended = false;
    };
    ScriptedSoftphone(platform::MessageLoop& loop, const fs::path& path)
        : loop_(loop),
          listener_(platform::ClientListener::Listen(path, platform::CurrentUserId())) {
        watch_ = loop.Watch(listener_->Fd(), [this] { Accept(); });
    }
    ~ScriptedSoftphone() { loop_.Unwatch(watch_); }
    // The frames sent on each next connection, in order of arrival.
    std::deque<std::vector<std::string>> scripts;
    std::vector<std::unique_ptr<Link>> links;

  private:
    void Accept() {
        while (std::optional<platform::FrameStream> stream = listener_->Accept()) {
            auto link = std::make_unique<Link>();
            Link* raw = link.get();
            link->connection = platform::ClientConnection::Serve(
                loop_, std::move(*stream),
                [raw](const std::string& frame) { raw->received.push_back(frame); },
                [raw](platform::ClientConnection::CloseReason) { raw->ended = true; });
            if (!scripts.empty()) {
                for (const std::string& frame : scripts.front()) {
                    link->connection->Send(frame);
                }
                scripts.pop_front();
            }
            links.push_back(std::move(link));
        }
    }
    platform::MessageLoop& loop_;
    std::unique_ptr<platform::ClientListener> listener_;
    platform::MessageLoop::WatchId watch_ = 0;
};

TEST_F(CSkypeLinkTest, ANewIdentityTakesOverAndOtherConnectionsAreNotListenedTo) {
    ScriptedSoftphone softphone(loop, seams.socketPath);
    softphone.scripts = {
        {"ATTACH 0 first"}, {"ATTACH 0 first", "CALL 9 STATUS RINGING"}, {"ATTACH 0 second"}};
    MakeLink();
    Run(seconds(1));
    ASSERT_TRUE(link->IsAttached());
    ASSERT_EQ(1u, softphone.links.size());
    EXPECT_EQ(kAttachCommands, softphone.links[0]->received);

    Run(seconds(9));  // discovery: the same identity, and a text on that probe
    ASSERT_EQ(2u, softphone.links.size());
    EXPECT_TRUE(softphone.links[1]->ended);
    EXPECT_TRUE(softphone.links[1]->received.empty());
    EXPECT_TRUE(owner.texts.empty());

    Run(seconds(10));  // discovery: another identity takes over without a detach
    ASSERT_EQ(3u, softphone.links.size());
    EXPECT_EQ((std::vector<platform::WPARAM>{1, 1}), owner.statusChanges);
    EXPECT_TRUE(softphone.links[0]->ended);
    EXPECT_EQ(kAttachCommands, softphone.links[2]->received);
    softphone.links[0]->connection->Send("CALL 1 STATUS RINGING");  // too late: it is gone
    softphone.links[2]->connection->Send("CALL 2 STATUS RINGING");
    Settle();
    EXPECT_EQ(std::vector<std::string>{"CALL 2 STATUS RINGING"}, owner.texts);
}

TEST_F(CSkypeLinkTest, AProbeThatIsNotAnsweredIsReplacedAtTheNextDiscovery) {
    ScriptedSoftphone softphone(loop, seams.socketPath);
    softphone.scripts = {{}, {"not an attach answer"}, {"ATTACH 0 late"}};
    MakeLink();
    Run(seconds(9));
    EXPECT_EQ(1u, softphone.links.size());  // the silent probe is waited for, not stacked
    Run(seconds(1));
    ASSERT_EQ(2u, softphone.links.size());
    EXPECT_TRUE(softphone.links[0]->ended);
    EXPECT_TRUE(softphone.links[1]->ended);  // what broke the protocol is dropped
    EXPECT_FALSE(link->IsAttached());
    Run(seconds(1));
    EXPECT_TRUE(link->IsAttached());
}

// Starting the softphone: the path comes from the registry stand-in, on a scratch directory.
class LaunchTest : public CSkypeLinkTest {
  protected:
    void SetUp() override {
        CSkypeLinkTest::SetUp();
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            saved = old;
        }
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    void TearDown() override {
        if (saved) {
            ::setenv("XDG_CONFIG_HOME", saved->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
        CSkypeLinkTest::TearDown();
    }
    void StoreClientPath(const std::wstring& path) {
        platform::RegistryKey key;
        ASSERT_EQ(platform::kRegistryOk,
                  key.Open(platform::RegistryRoot::kCurrentUser, L"Software\\Skype\\Phone"));
        ASSERT_EQ(platform::kRegistryOk, key.SetString(L"SkypePath", path));
    }
    std::optional<std::string> saved;
};

TEST_F(LaunchTest, TheStoredPathIsStartedOnlyWhenAsked) {
    StoreClientPath(L"/opt/soft phone/bin/phone");
    MakeLink(false);
    EXPECT_TRUE(started.empty());
    MakeLink(true);
    EXPECT_EQ(std::vector<fs::path>{"/opt/soft phone/bin/phone"}, started);
}

TEST_F(LaunchTest, WithoutAStoredPathNothingStartsAndTheKeyIsMade) {
    MakeLink(true);
    EXPECT_TRUE(started.empty());
    platform::RegistryKey key;
    std::wstring path = L"unset";
    ASSERT_EQ(platform::kRegistryOk,
              key.Open(platform::RegistryRoot::kCurrentUser, L"software\\Skype\\Phone\\"));
    EXPECT_EQ(platform::kRegistryNotFound, key.ReadString(L"SkypePath", path));
}

TEST_F(LaunchTest, AProgramThatCannotStartIsQuiet) {
    StoreClientPath((dir / "missing-softphone").wstring());
    seams.startClient = nullptr;  // the real start
    MakeLink(true);
    Run(seconds(2));
    EXPECT_FALSE(link->IsAttached());
    EXPECT_TRUE(owner.texts.empty());
}

}  // namespace
