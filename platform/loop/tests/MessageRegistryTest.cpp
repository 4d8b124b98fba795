// The registry of message names: stable ids, case folding, the 0xC000 range, threads.
#include "platform/loop/MessageRegistry.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace platform {
namespace {

TEST(MessageRegistry, SameNameSameIdIgnoringCase) {
    const MessageId id = RegisterWindowMessage("HIDDataReceived");
    EXPECT_GE(id, kFirstRegisteredMessage);
    EXPECT_LE(id, kLastRegisteredMessage);
    EXPECT_EQ(id, RegisterWindowMessage("HIDDataReceived"));
    EXPECT_EQ(id, RegisterWindowMessage("hiddatareceived"));
    EXPECT_EQ(id, RegisterWindowMessage("HIDDATARECEIVED"));
    EXPECT_NE(id, RegisterWindowMessage("HIDDataReceived "));
    EXPECT_NE(id, RegisterWindowMessage("HIDDEVICECHANGE"));
}

TEST(MessageRegistry, EmptyNameIsRefused) {
    EXPECT_EQ(0u, RegisterWindowMessage(""));
}

TEST(MessageRegistry, ThreadsRacingForOneNameGetOneId) {
    std::vector<MessageId> ids(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        threads.emplace_back([&ids, i] { ids[i] = RegisterWindowMessage("RaceName"); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (MessageId id : ids) {
        EXPECT_EQ(ids[0], id);
    }
}

}  // namespace
}  // namespace platform
