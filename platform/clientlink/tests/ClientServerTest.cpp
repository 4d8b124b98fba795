// The client side seen from the links' ends of the socket, on the manual clock: the attach
// answers and the identity, pending links and their grant, who hears a notification and who a
// reply, the link limit, and the end of everything at Stop.
#include "platform/clientlink/ClientServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/clientlink/tests/ClientTestSupport.h"
#include "platform/loop/Clock.h"

namespace platform {
namespace {

using LinkId = ClientServer::LinkId;

constexpr std::string_view kIdentity = "test-0123456789abcdef";

std::string Attach(int status) {
    return "ATTACH " + std::to_string(status) + " " + std::string(kIdentity);
}

// The link's end of one connection, served on the test's loop.
struct LinkEnd {
    std::shared_ptr<ClientConnection> connection;
    std::vector<std::string> frames;
    bool ended = false;
};

class ClientServerTest : public ::testing::Test {
  protected:
    ClientServerTest()
        : server(loop, {
                           .onCommand =
                               [this](LinkId link, const std::string& command) {
                                   commands.emplace_back(link, command);
                                   if (onCommand) {
                                       onCommand(link, command);
                                   }
                               },
                           .statusForNewLink = [this] { return status; },
                           .report =
                               [this](const std::string& line) {
                                   reports.push_back(line);
                                   if (onReport) {
                                       onReport(line);
                                   }
                               },
                           .onPending = [this](LinkId link) { pendings.push_back(link); },
                       }) {}

    void StartServer() {
        ASSERT_TRUE(server.Start(socket, CurrentUserId(), std::string(kIdentity)));
    }
    std::unique_ptr<LinkEnd> Connect() {
        auto end = std::make_unique<LinkEnd>();
        std::optional<FrameStream> stream = ConnectToClient(socket, CurrentUserId());
        EXPECT_TRUE(stream);
        if (stream) {
            LinkEnd* raw = end.get();
            end->connection = ClientConnection::Serve(
                loop, std::move(*stream),
                [raw](const std::string& frame) { raw->frames.push_back(frame); },
                [raw](ClientConnection::CloseReason) { raw->ended = true; });
        }
        Settle();
        return end;
    }
    // Everything travels through in-kernel sockets, so a few quiet turns mean nothing is left.
    void Settle() {
        for (int turns = 0; turns < 1000 && loop.ProcessReady() > 0; ++turns) {
        }
    }
    bool Reported(const std::string& line) const {
        return std::find(reports.begin(), reports.end(), line) != reports.end();
    }

    ManualClock clock;
    MessageLoop loop{clock};
    testing::TempDir dir;
    std::filesystem::path socket = dir / "client.sock";
    int status = kAttachSuccess;
    std::vector<std::pair<LinkId, std::string>> commands;
    std::vector<std::string> reports;
    std::vector<LinkId> pendings;
    std::function<void(LinkId, const std::string&)> onCommand;
    std::function<void(const std::string&)> onReport;
    // Last: its handlers use everything above.
    ClientServer server;
};

TEST(NewClientIdentity, IsAValidIdentityOfThePrefixAndSixteenHexDigits) {
    struct Case {
        std::string prefix;
        std::string expectedPrefix;
    };
    const std::string longest(kMaxIdentityBytes - 17, 'p');
    const std::vector<Case> cases = {
        {"sim", "sim"},
        {"baresip.bridge:2_x", "baresip.bridge:2_x"},
        {"", ""},
        {"my phone/\xC3\xA9", "my_phone___"},  // a blank, a slash and both bytes of a UTF-8 letter
        {longest + "cut", longest},
    };
    for (const Case& c : cases) {
        const std::string identity = NewClientIdentity(c.prefix);
        SCOPED_TRACE(identity);
        EXPECT_TRUE(IsValidIdentity(identity));
        ASSERT_EQ(c.expectedPrefix.size() + 17, identity.size());
        EXPECT_EQ(c.expectedPrefix + "-", identity.substr(0, c.expectedPrefix.size() + 1));
        EXPECT_EQ(std::string::npos,
                  identity.find_first_not_of("0123456789abcdef", c.expectedPrefix.size() + 1));
    }
    // A restart must be told apart from the client before it.
    EXPECT_NE(NewClientIdentity("sim"), NewClientIdentity("sim"));
}

TEST_F(ClientServerTest, AnAttachedLinkIsAnsweredAndItsCommandsAreRepliedToItAlone) {
    onCommand = [this](LinkId link, const std::string& command) {
        EXPECT_TRUE(server.Reply(link, "ECHO " + command));
    };
    StartServer();
    EXPECT_TRUE(server.IsRunning());
    EXPECT_EQ(kIdentity, server.Identity());
    auto asking = Connect();
    auto other = Connect();
    ASSERT_EQ(std::vector<std::string>{Attach(0)}, asking->frames);
    EXPECT_EQ(2u, server.AttachedCount());

    asking->connection->Send("protocol 5");
    asking->connection->Send("get userstatus");
    Settle();
    EXPECT_EQ(
        (std::vector<std::pair<LinkId, std::string>>{{1, "protocol 5"}, {1, "get userstatus"}}),
        commands);
    EXPECT_EQ((std::vector<std::string>{Attach(0), "ECHO protocol 5", "ECHO get userstatus"}),
              asking->frames);
    EXPECT_EQ(std::vector<std::string>{Attach(0)}, other->frames);
    EXPECT_EQ((std::vector<std::string>{
                  "listening on " + socket.native() + " as " + std::string(kIdentity),
                  "[1] " + Attach(0), "[2] " + Attach(0), "[1] <- protocol 5",
                  "[1] -> ECHO protocol 5", "[1] <- get userstatus", "[1] -> ECHO get userstatus"}),
              reports);

    // Once a link has left, a reply to it goes nowhere.
    asking->connection->Close();
    Settle();
    EXPECT_TRUE(Reported("[1] gone"));
    EXPECT_FALSE(server.Reply(1, "CALL 1 STATUS RINGING"));
    EXPECT_FALSE(server.Reply(99, "CALL 1 STATUS RINGING"));
    EXPECT_EQ(1u, server.AttachedCount());
}

TEST_F(ClientServerTest, APendingLinkHearsNothingAndIsNotHeardUntilAttached) {
    StartServer();
    auto attached = Connect();
    status = kAttachPendingAuthorization;
    auto pending = Connect();
    ASSERT_EQ(std::vector<std::string>{Attach(1)}, pending->frames);
    EXPECT_FALSE(pending->ended);
    EXPECT_EQ(std::vector<LinkId>{2}, pendings);
    EXPECT_EQ(1u, server.AttachedCount());
    EXPECT_EQ(1u, server.PendingCount());

    pending->connection->Send("protocol 5");
    Settle();
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(Reported("[2] ignored before attaching: protocol 5"));
    EXPECT_FALSE(server.Reply(2, "PROTOCOL 5"));
    EXPECT_EQ(1u, server.Notify("CALL 7 STATUS RINGING"));
    EXPECT_EQ(5u, server.NotifyRaw("CALL "));  // to the attached link only, as the frames show
    Settle();
    EXPECT_EQ(std::vector<std::string>{Attach(1)}, pending->frames);
    EXPECT_EQ((std::vector<std::string>{Attach(0), "CALL 7 STATUS RINGING"}), attached->frames);

    server.AttachPending();
    EXPECT_EQ(2u, server.AttachedCount());
    EXPECT_EQ(0u, server.PendingCount());
    pending->connection->Send("protocol 5");
    Settle();
    EXPECT_EQ((std::vector<std::pair<LinkId, std::string>>{{2, "protocol 5"}}), commands);
    EXPECT_EQ(2u, server.Notify("CALL 8 STATUS RINGING"));
    Settle();
    EXPECT_EQ((std::vector<std::string>{Attach(1), Attach(0), "CALL 8 STATUS RINGING"}),
              pending->frames);
    // The attached link got no second answer.
    EXPECT_EQ(Attach(0), attached->frames.front());
    EXPECT_EQ(std::string("CALL CALL 8 STATUS RINGING"), attached->frames.back());
}

TEST_F(ClientServerTest, OtherStatusesAreAnsweredThenClosedAndBadOnesNotAnsweredAtAll) {
    struct Case {
        int status;
        std::vector<std::string> frames;
    };
    const std::vector<Case> cases = {
        {kAttachRefused, {Attach(2)}},
        {kAttachNotAvailable, {Attach(3)}},
        {7, {Attach(7)}},  // reserved: a newer protocol's
        {999, {Attach(999)}},
        {1000, {}},
        {-1, {}},
    };
    StartServer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        status = c.status;
        auto link = Connect();
        EXPECT_EQ(c.frames, link->frames);
        EXPECT_TRUE(link->ended);
        EXPECT_EQ(0u, server.AttachedCount() + server.PendingCount());
    }
    EXPECT_TRUE(pendings.empty());
    EXPECT_FALSE(Reported("[1] gone"));  // closed by us, not gone of itself
}

TEST_F(ClientServerTest, TheLinkBeyondTheLimitIsClosedUnansweredUntilOneLeaves) {
    StartServer();
    std::vector<std::unique_ptr<LinkEnd>> links;
    for (std::size_t i = 0; i < ClientServer::kMaxLinks; ++i) {
        status = i % 2 == 0 ? kAttachSuccess : kAttachPendingAuthorization;
        links.push_back(Connect());
        ASSERT_FALSE(links.back()->ended) << i;
    }
    auto extra = Connect();
    EXPECT_TRUE(extra->frames.empty());
    EXPECT_TRUE(extra->ended);
    EXPECT_TRUE(Reported("[17] refused: too many links"));
    EXPECT_EQ(ClientServer::kMaxLinks, server.AttachedCount() + server.PendingCount());

    links[1]->connection->Close();  // a pending one leaves: room for one more
    Settle();
    EXPECT_TRUE(Reported("[2] gone"));
    status = kAttachSuccess;
    EXPECT_EQ(std::vector<std::string>{Attach(0)}, Connect()->frames);
    EXPECT_TRUE(Reported("[18] " + Attach(0)));
}

TEST_F(ClientServerTest, StopEndsEveryLinkAndRemovesTheSocket) {
    StartServer();
    auto attached = Connect();
    status = kAttachPendingAuthorization;
    auto pending = Connect();
    EXPECT_FALSE(server.Start(socket, CurrentUserId(), "second-start"));  // runs already

    server.Stop();
    Settle();
    EXPECT_TRUE(attached->ended);
    EXPECT_TRUE(pending->ended);
    EXPECT_FALSE(server.IsRunning());
    EXPECT_EQ(0u, server.AttachedCount() + server.PendingCount());
    EXPECT_FALSE(std::filesystem::exists(socket));
    EXPECT_FALSE(ConnectToClient(socket, CurrentUserId()));
    EXPECT_EQ("stopped", reports.back());
    EXPECT_FALSE(Reported("[1] gone"));
    EXPECT_EQ(kIdentity, server.Identity());  // what the links last saw

    // An invalid identity cannot start it; a new one can, on the same path.
    EXPECT_FALSE(server.Start(socket, CurrentUserId(), "not valid"));
    EXPECT_FALSE(server.Start(socket, CurrentUserId(), ""));
    EXPECT_FALSE(server.IsRunning());
    ASSERT_TRUE(server.Start(socket, CurrentUserId(), "restarted-1"));
    status = kAttachSuccess;
    EXPECT_EQ(std::vector<std::string>{"ATTACH 0 restarted-1"}, Connect()->frames);
    EXPECT_TRUE(Reported("[3] ATTACH 0 restarted-1"));  // link ids go on across a restart

    // A second client at a path a live one holds cannot start.
    ClientServer another(loop, {});
    EXPECT_FALSE(another.Start(socket, CurrentUserId(), "another-1"));
    EXPECT_FALSE(another.IsRunning());
}

// Whoever reads the reports may stop the server anywhere: in the middle of a notification, or
// while a link is being answered.
TEST_F(ClientServerTest, AReportMayStopTheServerWhileItNotifiesOrAnswers) {
    StartServer();
    std::vector<std::unique_ptr<LinkEnd>> links;
    for (int i = 0; i < 3; ++i) {
        links.push_back(Connect());
    }
    onReport = [this](const std::string& line) {
        if (line.find("-> ") != std::string::npos) {
            server.Stop();
        }
    };
    EXPECT_EQ(1u, server.Notify("CONNSTATUS LOGGEDOUT"));
    Settle();
    EXPECT_EQ((std::vector<std::string>{Attach(0), "CONNSTATUS LOGGEDOUT"}), links[0]->frames);
    for (const auto& link : links) {
        EXPECT_TRUE(link->ended);
    }
    EXPECT_FALSE(server.IsRunning());

    StartServer();
    onReport = [this](const std::string& line) {
        if (line.ends_with(Attach(0))) {
            server.Stop();
        }
    };
    auto late = Connect();
    EXPECT_EQ(std::vector<std::string>{Attach(0)}, late->frames);
    EXPECT_TRUE(late->ended);
    EXPECT_EQ(0u, server.AttachedCount());
}

}  // namespace
}  // namespace platform
