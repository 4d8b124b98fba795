// Icon art to the LCD's page layout, and the art that is refused.
#include "tools/icon-compiler/IconArt.h"

#include <gtest/gtest.h>

namespace icon_compiler {
namespace {

std::string Art(int darkX, int darkY) {
    std::string art;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            art += x == darkX && y == darkY ? '#' : '.';
        }
        art += '\n';
    }
    return art;
}

TEST(IconArtTest, PixelsLandInTheirPageColumnAndBit) {
    struct Case {
        int x, y;
        std::size_t byte;
        std::uint8_t bits;
    };
    const Case cases[] = {
        {0, 0, 0, 0x01}, {0, 7, 0, 0x80}, {0, 8, 16, 0x01}, {15, 15, 31, 0x80}, {3, 9, 19, 0x02}};
    for (const Case& c : cases) {
        std::string problem;
        const std::optional<IconBytes> icon = ParseIconArt(Art(c.x, c.y), problem);
        ASSERT_TRUE(icon) << problem;
        IconBytes expected{};
        expected[c.byte] = c.bits;
        EXPECT_EQ(expected, *icon) << c.x << "," << c.y;
        EXPECT_TRUE(IsDark(*icon, c.x, c.y));
    }
}

TEST(IconArtTest, ArtThatIsNotSixteenBySixteenIsRefusedWithWhere) {
    const std::string good = Art(1, 1);
    // Built by replacing and erasing: GCC 12 at -O3 misreads a literal added to a temporary.
    std::string badCharacter = good;
    badCharacter[0] = 'x';
    std::string shortLine = good;
    shortLine.erase(17, 1);
    const std::pair<std::string, std::string> cases[] = {
        {good.substr(0, 17 * 15), "16 lines, not 15"},
        {good + "................\n", "line 17"},
        {badCharacter, "line 1: '#' or '.' only"},
        {shortLine, "line 2"},
    };
    for (const auto& [art, where] : cases) {
        std::string problem;
        EXPECT_FALSE(ParseIconArt(art, problem));
        EXPECT_NE(std::string::npos, problem.find(where)) << problem;
    }
}

}  // namespace
}  // namespace icon_compiler
