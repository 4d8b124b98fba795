// Netstring framing: encoding, and reading however the bytes arrive.
#include "bridge/baresip/Netstring.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace baresip {
namespace {

using Result = NetstringReader::Result;

// The exact frames ctrl_tcp exchanges.
const std::string kCommand = R"({"command":"dial","params":"sip:b@127.0.0.1:5082","token":"7"})";
const std::string kEvent =
    R"({"event":true,"type":"CALL_INCOMING","class":"call","accountaor":"sip:a@127.0.0.1:5071",)"
    R"("direction":"incoming","peeruri":"sip:b@127.0.0.1:5082","id":"a914f94ef02e3ea1",)"
    R"("param":"sip:b@127.0.0.1:5082"})";

struct Fed {
    Result result = Result::kOk;
    std::vector<std::string> payloads;
};

// Feeds `bytes` to a fresh reader `piece` bytes at a time; the result is the last Feed's.
Fed FeedInPieces(std::string_view bytes, std::size_t piece) {
    NetstringReader reader;
    Fed fed;
    do {
        fed.result = reader.Feed(bytes.substr(0, piece), fed.payloads);
        bytes.remove_prefix(std::min(piece, bytes.size()));
    } while (!bytes.empty());
    return fed;
}

TEST(EncodeNetstring, WritesTheLengthThePayloadAndTheComma) {
    EXPECT_EQ("0:,", EncodeNetstring(""));
    EXPECT_EQ("3:a,:,", EncodeNetstring("a,:"));
    EXPECT_EQ(std::string("2:\0\n,", 5), EncodeNetstring(std::string("\0\n", 2)));
    EXPECT_EQ("62:" + kCommand + ",", EncodeNetstring(kCommand));
}

TEST(NetstringReader, ReadsFramesHoweverTheyArrive) {
    const std::string maxLength = std::to_string(NetstringReader::kMaxPayload);
    const struct {
        std::string bytes;
        std::vector<std::string> payloads;
        Result result;
    } cases[] = {
        {"0:,", {""}, Result::kOk},
        {"3:abc,", {"abc"}, Result::kOk},
        {"3:a,c,5:12:4,,0:,", {"a,c", "12:4,", ""}, Result::kOk},
        {EncodeNetstring(kCommand) + EncodeNetstring(kEvent), {kCommand, kEvent}, Result::kOk},
        {"10:0123456789,", {"0123456789"}, Result::kOk},
        {"3:abc,4:ab", {"abc"}, Result::kOk},  // the rest is still to come
        {"12", {}, Result::kOk},
        {maxLength + ":", {}, Result::kOk},
        {"3:abc,:,", {"abc"}, Result::kMalformed},
        {"01:a,", {}, Result::kMalformed},
        {"00:,", {}, Result::kMalformed},
        {"3:abc;", {}, Result::kMalformed},
        {"3:abcd,", {}, Result::kMalformed},
        {"3x:abc,", {}, Result::kMalformed},
        {"-1:a,", {}, Result::kMalformed},
        {" 3:abc,", {}, Result::kMalformed},
        {"3:abc,\n3:abc,", {"abc"}, Result::kMalformed},
        {"3,abc,", {}, Result::kMalformed},
        {"12345678:", {}, Result::kMalformed},
        {"00000001:", {}, Result::kMalformed},
        {std::to_string(NetstringReader::kMaxPayload + 1) + ":", {}, Result::kTooLong},
        {"9999999:abc", {}, Result::kTooLong},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece :
             {c.bytes.size(), std::size_t{1}, std::size_t{2}, std::size_t{5}}) {
            SCOPED_TRACE(c.bytes + " in pieces of " + std::to_string(piece));
            const Fed fed = FeedInPieces(c.bytes, piece);
            EXPECT_EQ(c.result, fed.result);
            EXPECT_EQ(c.payloads, fed.payloads);
        }
    }
}

TEST(NetstringReader, StaysFailedOnceTheFramingIsLost) {
    for (const char* fault : {"x", "1048577:"}) {
        SCOPED_TRACE(fault);
        NetstringReader reader;
        std::vector<std::string> payloads;
        const Result first = reader.Feed(fault, payloads);
        EXPECT_NE(Result::kOk, first);
        EXPECT_EQ(first, reader.Feed("3:abc,", payloads));
        EXPECT_EQ(first, reader.Feed("", payloads));
        EXPECT_TRUE(payloads.empty());
    }
}

TEST(NetstringReader, TakesThePayloadOfTheLongestLength) {
    const std::string longest(NetstringReader::kMaxPayload, 'x');
    const Fed fed = FeedInPieces(EncodeNetstring(longest) + EncodeNetstring("next"), 4096);
    EXPECT_EQ(Result::kOk, fed.result);
    ASSERT_EQ(2u, fed.payloads.size());
    EXPECT_EQ(longest, fed.payloads[0]);
    EXPECT_EQ("next", fed.payloads[1]);
}

}  // namespace
}  // namespace baresip
