// The attach-time commands and the case-blind matching every handler relies on.
#include "tools/phone-client-sim/AccountCommands.h"

#include <gtest/gtest.h>

namespace phone_client_sim {
namespace {

std::vector<std::string> Answers(AccountCommands& account, std::string_view command) {
    std::vector<std::string> replies;
    EXPECT_TRUE(account.Handle(command, replies)) << command;
    return replies;
}

TEST(AccountCommands, AnswersTheAttachCommandsInAnyCase) {
    AccountCommands account;
    EXPECT_EQ(std::vector<std::string>{"PROTOCOL 5"}, Answers(account, "protocol 5"));
    EXPECT_EQ(std::vector<std::string>{"PROTOCOL 5"}, Answers(account, "PROTOCOL 8"));
    EXPECT_EQ(std::vector<std::string>{"PROTOCOL 1"}, Answers(account, "Protocol 1"));
    EXPECT_EQ(std::vector<std::string>{"USERSTATUS ONLINE"}, Answers(account, "GET USERSTATUS"));
    account.SetUserStatus("DND");
    EXPECT_EQ(std::vector<std::string>{"USERSTATUS DND"}, Answers(account, "get userstatus"));
    EXPECT_EQ(std::vector<std::string>{"PROFILE PSTN_BALANCE 0"},
              Answers(account, "get profile pstn_balance"));
}

TEST(AccountCommands, LeavesEverythingElseToOtherHandlers) {
    AccountCommands account;
    std::vector<std::string> replies;
    for (const char* command : {"protocol", "protocol x", "protocol 0", "protocol 5 extra",
                                "get userstatusx", "Search friends", "get call 12 status", ""}) {
        EXPECT_FALSE(account.Handle(command, replies)) << command;
    }
    EXPECT_TRUE(replies.empty());
}

TEST(TakePrefix, MatchesIgnoringCaseAndGivesTheRest) {
    std::string_view rest;
    EXPECT_TRUE(TakePrefix("SET CALL 12 STATUS FINISHED", "set call ", rest));
    EXPECT_EQ("12 STATUS FINISHED", rest);
    EXPECT_FALSE(TakePrefix("set", "set call ", rest));
    EXPECT_FALSE(TakePrefix("get call 1", "set call ", rest));
}

}  // namespace
}  // namespace phone_client_sim
