// Framing on a connected socket: splitting, limits, replacement of bad UTF-8, peers that stop
// reading, and the loop-served connection's hand-over of frames and of the end of the stream.
#include "platform/clientlink/ClientConnection.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clientlink/ClientProtocol.h"
#include "platform/clientlink/FrameStream.h"
#include "platform/clientlink/tests/ClientTestSupport.h"
#include "platform/loop/Clock.h"

namespace platform {
namespace {

using Result = FrameStream::ReadResult;

// A FrameStream on one end of a socket pair; the test writes and reads raw bytes at the other.
class FrameStreamTest : public ::testing::Test {
  protected:
    FrameStreamTest() {
        auto [ours, theirs] = testing::NonBlockingSocketPair();
        stream = std::make_unique<FrameStream>(ours);
        peer = theirs;
    }
    ~FrameStreamTest() override {
        if (peer >= 0) {
            ::close(peer);
        }
    }
    void PeerWrites(std::string_view bytes) {
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::write(peer, bytes.data(), bytes.size()));
    }
    std::string PeerReads() {
        std::string got(kMaxFrameBytes * 2, '\0');
        const ssize_t n = ::read(peer, got.data(), got.size());
        got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return got;
    }
    std::unique_ptr<FrameStream> stream;
    int peer = -1;
    std::vector<std::string> frames;
};

TEST_F(FrameStreamTest, FramesAreSplitAtTerminatorsAndJoinedAcrossReads) {
    EXPECT_EQ(Result::kOk, stream->ReadFrames(frames));  // nothing yet: no blocking
    EXPECT_TRUE(frames.empty());
    PeerWrites(std::string("CALL 1 STATUS RINGING\0\0USERSTATUS ON", 36));
    EXPECT_EQ(Result::kOk, stream->ReadFrames(frames));
    EXPECT_EQ((std::vector<std::string>{"CALL 1 STATUS RINGING", ""}), frames);
    PeerWrites(std::string("LINE\0", 5));
    EXPECT_EQ(Result::kOk, stream->ReadFrames(frames));
    EXPECT_EQ("USERSTATUS ONLINE", frames.back());
}

TEST_F(FrameStreamTest, InvalidUtf8IsReplaced) {
    PeerWrites(std::string("CALL 7 PARTNER_DISPNAME A\xFF\xC3\0", 28));
    EXPECT_EQ(Result::kOk, stream->ReadFrames(frames));
    ASSERT_EQ(1u, frames.size());
    EXPECT_EQ("CALL 7 PARTNER_DISPNAME A\xEF\xBF\xBD\xEF\xBF\xBD", frames[0]);
}

TEST_F(FrameStreamTest, TheLongestFramePassesAndOneByteMoreCutsThePeerOff) {
    const std::string longest(kMaxFrameTextBytes, 'a');
    PeerWrites(longest + '\0');
    while (frames.empty()) {
        ASSERT_EQ(Result::kOk, stream->ReadFrames(frames));
    }
    EXPECT_EQ(longest, frames[0]);

    frames.clear();
    PeerWrites(std::string(kMaxFrameBytes, 'b'));
    Result result = Result::kOk;
    for (int reads = 0; result == Result::kOk && reads < 10; ++reads) {
        result = stream->ReadFrames(frames);
    }
    EXPECT_EQ(Result::kFrameTooLong, result);
    EXPECT_TRUE(frames.empty());
}

TEST_F(FrameStreamTest, AnUnfinishedFrameAtTheEndIsDropped) {
    PeerWrites(std::string("DONE\0HALF", 9));
    ::close(peer);
    peer = -1;
    EXPECT_EQ(Result::kOk, stream->ReadFrames(frames));
    EXPECT_EQ(Result::kEndOfStream, stream->ReadFrames(frames));
    EXPECT_EQ(std::vector<std::string>{"DONE"}, frames);
}

TEST_F(FrameStreamTest, SendAddsTheTerminatorAndRefusesWhatCannotBeOneFrame) {
    EXPECT_TRUE(stream->Send("get userstatus"));
    EXPECT_TRUE(stream->Send(""));
    EXPECT_FALSE(stream->Send(std::string("two\0frames", 10)));
    EXPECT_FALSE(stream->Send(std::string(kMaxFrameTextBytes + 1, 'x')));
    EXPECT_EQ(std::string("get userstatus\0\0", 16), PeerReads());
}

TEST_F(FrameStreamTest, APeerThatStopsReadingIsCutOffNotWaitedFor) {
    const std::string frame(4000, 'c');
    int sent = 0;
    while (stream->Send(frame)) {
        ASSERT_LT(++sent, 10000) << "the socket buffer never filled";
    }
    EXPECT_FALSE(stream->Send("more"));
    EXPECT_EQ(Result::kBroken, stream->ReadFrames(frames));
    // The peer reads what made it, then the end of the stream.
    std::size_t total = 0;
    for (std::string got = PeerReads(); !got.empty(); got = PeerReads()) {
        total += got.size();
    }
    EXPECT_GE(total, static_cast<std::size_t>(sent) * (frame.size() + 1));
}

TEST_F(FrameStreamTest, WritingToAClosedPeerRaisesNoSignal) {
    ::close(peer);
    peer = -1;
    EXPECT_FALSE(stream->Send("hello"));  // SIGPIPE would have ended the test program
    EXPECT_EQ(0u, stream->SendRaw("raw"));
}

class ClientConnectionTest : public ::testing::Test {
  protected:
    ClientConnectionTest() {
        auto [ours, theirs] = testing::NonBlockingSocketPair();
        connection = ClientConnection::Serve(
            loop, FrameStream(ours),
            [this](const std::string& frame) {
                received.push_back(frame);
                if (onFrame) {
                    onFrame(frame);
                }
            },
            [this](ClientConnection::CloseReason reason) { closes.push_back(reason); });
        peer = std::make_unique<FrameStream>(theirs);
    }
    void Settle() {
        for (int turns = 0; turns < 100 && loop.ProcessReady() > 0; ++turns) {
        }
    }
    ManualClock clock;
    MessageLoop loop{clock};
    std::shared_ptr<ClientConnection> connection;
    std::unique_ptr<FrameStream> peer;
    std::vector<std::string> received;
    std::vector<ClientConnection::CloseReason> closes;
    std::function<void(const std::string&)> onFrame;
};

TEST_F(ClientConnectionTest, FramesArriveInOrderThenTheEndOnce) {
    // As many as the socket buffer is sure to hold while nobody reads.
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(peer->Send("CALL " + std::to_string(i) + " STATUS RINGING"));
    }
    Settle();
    ASSERT_EQ(200u, received.size());
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ("CALL " + std::to_string(i) + " STATUS RINGING", received[i]);
    }
    peer->Close();
    Settle();
    EXPECT_EQ(std::vector{ClientConnection::CloseReason::kEndOfStream}, closes);
    EXPECT_FALSE(connection->IsOpen());
}

TEST_F(ClientConnectionTest, AnOverLongFrameClosesWithItsReason) {
    ASSERT_TRUE(peer->Send("first"));
    peer->SendRaw(std::string(kMaxFrameBytes, 'x'));
    Settle();
    EXPECT_EQ(std::vector<std::string>{"first"}, received);
    EXPECT_EQ(std::vector{ClientConnection::CloseReason::kFrameTooLong}, closes);
}

TEST_F(ClientConnectionTest, AHandlerMayDropTheLastReferenceMidStream) {
    onFrame = [this](const std::string&) { connection.reset(); };
    ASSERT_TRUE(peer->Send("one"));
    ASSERT_TRUE(peer->Send("two"));
    Settle();
    EXPECT_EQ(std::vector<std::string>{"one"}, received);
    EXPECT_TRUE(closes.empty());
    std::vector<std::string> frames;
    EXPECT_EQ(Result::kEndOfStream, peer->ReadFrames(frames));
}

TEST_F(ClientConnectionTest, AFailedSendClosesOnTheNextTurnNotInsideTheSend) {
    const std::string frame(4000, 'c');
    while (connection->Send(frame)) {
    }
    EXPECT_TRUE(closes.empty());
    Settle();
    EXPECT_EQ(std::vector{ClientConnection::CloseReason::kBroken}, closes);
    EXPECT_FALSE(connection->IsOpen());
}

}  // namespace
}  // namespace platform
