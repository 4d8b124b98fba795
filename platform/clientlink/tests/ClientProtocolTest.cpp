// The attach answer: what parses, what does not, and that formatting and parsing agree.
#include "platform/clientlink/ClientProtocol.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ClientProtocol, AttachAnswersRoundTrip) {
    for (int status : {0, 1, 2, 3, 999}) {
        const AttachAnswer answer{status, "sim-1a2B:3_x.y"};
        const std::string text = FormatAttachAnswer(answer);
        EXPECT_EQ("ATTACH " + std::to_string(status) + " sim-1a2B:3_x.y", text);
        EXPECT_EQ(answer, ParseAttachAnswer(text));
    }
    const std::string longest(kMaxIdentityBytes, 'i');
    EXPECT_EQ((AttachAnswer{1, longest}), ParseAttachAnswer("ATTACH 1 " + longest));
    EXPECT_EQ((AttachAnswer{7, "x"}), ParseAttachAnswer("ATTACH 007 x"));
}

TEST(ClientProtocol, AnythingElseIsNotAnAttachAnswer) {
    for (const char* frame : {"", "ATTACH", "ATTACH ", "ATTACH 0", "ATTACH 0 ", "ATTACH  0 x",
                              "ATTACH 0  x", "ATTACH 0 x ", "ATTACH 0 x y", "attach 0 x",
                              "ATTACH 1000 x", "ATTACH -1 x", "ATTACH +1 x", "ATTACH 0x1 x",
                              "ATTACH 0 a/b", "ATTACH 0 \xC3\xA9", "USERSTATUS ONLINE"}) {
        EXPECT_EQ(std::nullopt, ParseAttachAnswer(frame)) << '"' << frame << '"';
    }
    EXPECT_EQ(std::nullopt,
              ParseAttachAnswer("ATTACH 0 " + std::string(kMaxIdentityBytes + 1, 'i')));
}

TEST(ClientProtocol, InvalidAnswersAreNotFormatted) {
    EXPECT_EQ("", FormatAttachAnswer({0, ""}));
    EXPECT_EQ("", FormatAttachAnswer({0, "two words"}));
    EXPECT_EQ("", FormatAttachAnswer({-1, "x"}));
    EXPECT_EQ("", FormatAttachAnswer({1000, "x"}));
    EXPECT_FALSE(IsValidIdentity(std::string(kMaxIdentityBytes + 1, 'i')));
}

}  // namespace
}  // namespace platform
