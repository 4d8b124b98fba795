// The simulated softphone seen from the link's end of the socket, on the manual clock: attach
// answers for every status, command answers and the log, logout, restart, the link limit, and a
// call's change reaching every link.
#include "tools/phone-client-sim/PhoneClientSim.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/loop/Clock.h"
#include "tools/phone-client-sim/CallCommands.h"

namespace phone_client_sim {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// The link's end of one connection, served on the test's loop.
struct LinkEnd {
    std::shared_ptr<platform::ClientConnection> connection;
    std::vector<std::string> frames;
    bool ended = false;
};

class PhoneClientSimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("kestrel-phonesim-" + std::to_string(std::random_device()()));
        fs::create_directory(dir);
        options.socketPath = dir / "client.sock";
    }
    void TearDown() override {
        sim.reset();
        fs::remove_all(dir);
    }
    PhoneClientSim& StartSim() {
        sim = std::make_unique<PhoneClientSim>(loop, options);
        EXPECT_TRUE(sim->Start());
        return *sim;
    }
    std::unique_ptr<LinkEnd> Connect() {
        auto end = std::make_unique<LinkEnd>();
        std::optional<platform::FrameStream> stream =
            platform::ConnectToClient(options.socketPath, platform::CurrentUserId());
        EXPECT_TRUE(stream);
        if (stream) {
            LinkEnd* raw = end.get();
            end->connection = platform::ClientConnection::Serve(
                loop, std::move(*stream),
                [raw](const std::string& frame) { raw->frames.push_back(frame); },
                [raw](platform::ClientConnection::CloseReason) { raw->ended = true; });
        }
        Settle();
        return end;
    }
    // Everything travels through in-kernel sockets, so a few quiet turns mean nothing is left.
    void Settle() {
        for (int turns = 0; turns < 1000 && loop.ProcessReady() > 0; ++turns) {
        }
    }
    std::string Attach(int status) const {
        return "ATTACH " + std::to_string(status) + " " + sim->Identity();
    }

    platform::ManualClock clock;
    platform::MessageLoop loop{clock};
    fs::path dir;
    Options options;
    std::unique_ptr<PhoneClientSim> sim;
};

TEST_F(PhoneClientSimTest, AnAttachedLinkGetsAnswersAndEveryCommandIsLogged) {
    StartSim();
    auto link = Connect();
    ASSERT_EQ(std::vector<std::string>{Attach(0)}, link->frames);
    EXPECT_EQ(1u, sim->AttachedCount());
    link->connection->Send("protocol 5");
    link->connection->Send("get userstatus");
    link->connection->Send("Search friends");
    Settle();
    EXPECT_EQ((std::vector<std::string>{Attach(0), "PROTOCOL 5", "USERSTATUS ONLINE"}),
              link->frames);
    EXPECT_EQ((std::vector<std::string>{"protocol 5", "get userstatus", "Search friends"}),
              sim->ReceivedCommands());

    EXPECT_EQ(1u, sim->Notify("CALL 7 STATUS RINGING"));
    Settle();
    EXPECT_EQ("CALL 7 STATUS RINGING", link->frames.back());
}

TEST_F(PhoneClientSimTest, APendingLinkIsGrantedOnTimeAndIgnoredUntilThen) {
    options.attachStatus = 1;
    options.pendingTime = milliseconds(1500);
    StartSim();
    auto link = Connect();
    ASSERT_EQ(std::vector<std::string>{Attach(1)}, link->frames);
    link->connection->Send("protocol 5");
    loop.AdvanceBy(milliseconds(1499));
    Settle();
    EXPECT_EQ(1u, link->frames.size());
    EXPECT_TRUE(sim->ReceivedCommands().empty());

    loop.AdvanceBy(milliseconds(1));
    Settle();
    EXPECT_EQ((std::vector<std::string>{Attach(1), Attach(0)}), link->frames);
    // Once granted, the next link is let in at once.
    auto next = Connect();
    EXPECT_EQ(std::vector<std::string>{Attach(0)}, next->frames);
    EXPECT_EQ(2u, sim->AttachedCount());
}

TEST_F(PhoneClientSimTest, WithoutAPendingTimeOnlyGrantLetsTheLinkIn) {
    options.attachStatus = 1;
    StartSim();
    auto link = Connect();
    loop.AdvanceBy(std::chrono::hours(1));
    Settle();
    EXPECT_EQ(std::vector<std::string>{Attach(1)}, link->frames);
    sim->Grant();
    Settle();
    EXPECT_EQ(Attach(0), link->frames.back());
}

TEST_F(PhoneClientSimTest, RefusedAndUnavailableLinksAreAnsweredThenClosed) {
    for (int status : {2, 3, 7}) {
        options.attachStatus = status;
        StartSim();
        auto link = Connect();
        EXPECT_EQ(std::vector<std::string>{Attach(status)}, link->frames);
        EXPECT_TRUE(link->ended) << status;
        EXPECT_EQ(0u, sim->AttachedCount());
    }
}

TEST_F(PhoneClientSimTest, LogoutTellsTheLinksAndThenIsNotAvailable) {
    StartSim();
    auto link = Connect();
    sim->Logout();
    Settle();
    EXPECT_EQ("CONNSTATUS LOGGEDOUT", link->frames.back());
    auto later = Connect();
    EXPECT_EQ(std::vector<std::string>{Attach(3)}, later->frames);
    EXPECT_TRUE(later->ended);
}

TEST_F(PhoneClientSimTest, ARestartEndsTheLinksAndComesBackAsSomeoneElse) {
    StartSim();
    auto link = Connect();
    const std::string before = sim->Identity();
    sim->Logout();
    ASSERT_TRUE(sim->Restart());
    Settle();
    EXPECT_TRUE(link->ended);
    EXPECT_NE(before, sim->Identity());
    auto again = Connect();
    EXPECT_EQ(std::vector<std::string>{Attach(0)}, again->frames);  // logged in again

    sim->Stop();
    EXPECT_FALSE(fs::exists(options.socketPath));
    EXPECT_FALSE(platform::ConnectToClient(options.socketPath, platform::CurrentUserId()));
}

TEST_F(PhoneClientSimTest, LinksBeyondTheLimitAreClosedUnanswered) {
    StartSim();
    std::vector<std::unique_ptr<LinkEnd>> links;
    for (std::size_t i = 0; i < PhoneClientSim::kMaxLinks; ++i) {
        links.push_back(Connect());
    }
    auto extra = Connect();
    EXPECT_TRUE(extra->frames.empty());
    EXPECT_TRUE(extra->ended);
    EXPECT_EQ(PhoneClientSim::kMaxLinks, sim->AttachedCount());
    // A link that leaves makes room.
    links.front()->connection->Close();
    Settle();
    EXPECT_EQ(std::vector<std::string>{Attach(0)}, Connect()->frames);
}

TEST_F(PhoneClientSimTest, AddedHandlersAnswerWhatTheAccountDoesNot) {
    class Echo final : public CommandHandler {
      public:
        bool Handle(std::string_view command, std::vector<std::string>& replies) override {
            std::string_view rest;
            if (!TakePrefix(command, "echo ", rest)) {
                return false;
            }
            replies.push_back(std::string(rest));
            replies.push_back("ECHOED");
            return true;
        }
    };
    StartSim().AddCommandHandler(std::make_unique<Echo>());
    auto link = Connect();
    link->connection->Send("ECHO hello");
    link->connection->Send("protocol 5");
    Settle();
    EXPECT_EQ((std::vector<std::string>{Attach(0), "hello", "ECHOED", "PROTOCOL 5"}), link->frames);
}

// The history mode marks a missed call seen: every link hears it, a question only its asker.
TEST_F(PhoneClientSimTest, ACallMarkedSeenIsNotifiedToEveryLink) {
    StartSim();
    CallModel calls([this](const std::string& text) { sim->Notify(text); });
    sim->AddCommandHandler(std::make_unique<CallCommands>(calls));
    calls.AddHistory(5, HistoryKind::kMissed, "alice", 1'700'000'000, "Alice");
    auto asking = Connect();
    auto other = Connect();
    asking->connection->Send("set call 5 seen true");
    asking->connection->Send("GET CALL 5  SEEN");
    Settle();
    EXPECT_EQ((std::vector<std::string>{Attach(0), "CALL 5 SEEN TRUE", "CALL 5 SEEN TRUE"}),
              asking->frames);
    EXPECT_EQ((std::vector<std::string>{Attach(0), "CALL 5 SEEN TRUE"}), other->frames);
    EXPECT_TRUE(calls.Find(5)->toldSeen);
    sim.reset();  // before the model its handler answers from
}

TEST_F(PhoneClientSimTest, ObserverSeesEachEventAsALine) {
    std::vector<std::string> lines;
    sim = std::make_unique<PhoneClientSim>(loop, options);
    sim->SetObserver([&lines](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(sim->Start());
    auto link = Connect();
    link->connection->Send("get userstatus");
    Settle();
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ(0u, lines[0].find("listening on " + options.socketPath.native()));
    EXPECT_EQ("[1] " + Attach(0), lines[1]);
    EXPECT_EQ("[1] <- get userstatus", lines[2]);
    EXPECT_EQ("[1] -> USERSTATUS ONLINE", lines[3]);
    sim.reset();  // while `lines` still exists
    EXPECT_EQ("stopped", lines.back());
}

}  // namespace
}  // namespace phone_client_sim
