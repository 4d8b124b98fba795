// How peers are named, and the history file read back after damage.
#include <gtest/gtest.h>

#include <string>

#include "bridge/baresip/CallHistory.h"
#include "bridge/baresip/SipPeer.h"

namespace baresip {
namespace {

BridgeCall Call(CallId id, std::string handle, CallStatus status, std::int64_t timestamp) {
    BridgeCall call;
    call.id = id;
    call.handle = std::move(handle);
    call.status = status;
    call.timestamp = timestamp;
    return call;
}

TEST(SipPeerTest, HandleAndNameFromWhatBaresipSays) {
    struct Row {
        const char* uri;
        const char* displayName;
        const char* handle;
        const char* name;
    };
    const Row rows[] = {
        {"sip:bob@127.0.0.1:5082", "", "bob@127.0.0.1:5082", "bob"},
        {"<sips:Alice@example.org;transport=tls>", "  Alice Smith ", "Alice@example.org",
         "Alice Smith"},
        {"sip:+15550123@pstn.example.org?subject=x", "", "+15550123@pstn.example.org", "+15550123"},
        {"sip:example.org", "", "example.org", "example.org"},
        {"sip:a b\t@host", "\x1b[2Jevil", "ab@host", "[2Jevil"},
        {"", "", "unknown", "unknown"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(HandleFromUri(row.uri), row.handle) << row.uri;
        EXPECT_EQ(NameForPeer(row.displayName, row.uri), row.name) << row.uri;
    }
    const std::string longUri = "sip:" + std::string(300, 'x') + "@host";
    EXPECT_EQ(HandleFromUri(longUri).size(), kMaxHandleBytes);
    // A cut never splits a character.
    const std::string wide = std::string(kMaxNameBytes - 1, 'a') + "\xE4\xB8\xAD";
    EXPECT_EQ(NameForPeer(wide, "sip:x@y"), std::string(kMaxNameBytes - 1, 'a'));
}

TEST(CallHistoryTest, EndedCallsSurviveTheFileAndDamagedLinesAreSkipped) {
    std::vector<BridgeCall> calls{Call(3, "bob@host", CallStatus::kMissed, 50),
                                  Call(5, "carol@host", CallStatus::kFailed, 60),
                                  Call(6, "dave@host", CallStatus::kRinging, 70)};
    calls[0].displayName = "Bob\tSmith";
    calls[0].seen = false;
    calls[1].outgoing = true;
    calls[1].failureReason = 2;
    const std::string text = FormatHistory(calls);
    const std::vector<BridgeCall> read = ParseHistory(text);
    ASSERT_EQ(read.size(), 2u);  // the live call is not history
    EXPECT_EQ(read[0].id, 5u);   // the newest first
    EXPECT_TRUE(read[0].outgoing);
    EXPECT_EQ(read[0].failureReason, 2u);
    EXPECT_EQ(read[1].displayName, "Bob Smith");
    EXPECT_FALSE(read[1].seen);
    EXPECT_EQ(read[1].status, CallStatus::kMissed);

    const std::string damaged = text + "9\tRINGING\tin\t1\t0\t0\t1\tx@h\tlive\n" +
                                "5\tFINISHED\tin\t1\t0\t0\t1\tdup@h\tsame id\n" +
                                "10\tFINISHED\tsideways\t1\t0\t0\t1\tx@h\tn\n" +
                                "11\tFINISHED\tin\t-\t0\t0\t1\tx@h\tn\n" + "garbage\n" +
                                "13\tFINISHED\tin\t1\t0\t0\t1\tx\x01@h\tcontrol\n" +
                                "12\tFINISHED\tin\t1\t0\t0\t1\tx@h\tname\twith tab\r\n";
    const std::vector<BridgeCall> kept = ParseHistory(damaged);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[2].id, 12u);
    EXPECT_EQ(kept[2].displayName, "name\twith tab");
    EXPECT_TRUE(ParseHistory("not a history\n5\tFINISHED\tin\t1\t0\t0\t1\tx@h\tn\n").empty());
}

TEST(CallHistoryTest, OnlyTheNewestCallsAreKept) {
    std::vector<BridgeCall> calls;
    for (std::size_t i = 0; i < kMaxHistoryCalls + 10; ++i) {
        calls.push_back(Call(static_cast<CallId>(i + 1), "h@x", CallStatus::kFinished,
                             static_cast<std::int64_t>(i)));
    }
    const std::vector<BridgeCall> read = ParseHistory(FormatHistory(calls));
    ASSERT_EQ(read.size(), kMaxHistoryCalls);
    EXPECT_EQ(read.back().id, 11u);
}

}  // namespace
}  // namespace baresip
