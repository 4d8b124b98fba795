// The engine's frames: where each bit lands in the mirror, the mirror's bezel and edge, and a
// saved frame coming back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/tests/EngineFixture.h"
#include "platform/paint/PixelImage.h"

namespace enginetest {
namespace {

constexpr platform::Rgb kDark{0, 0, 200};
constexpr platform::Rgb kUnpainted{1, 2, 3};

class LcdFramesTest : public EngineFixture {
  protected:
    void Display(const LCDFrame& frame) {
        platform::SendMessage(engine->Handle(), Msg().requestDisplayLcd, 0,
                              reinterpret_cast<platform::LPARAM>(&frame));
    }
    // The engine window painted into a fresh surface, as the system asks for it.
    platform::PixelImage Paint(int width, int height) {
        platform::PixelImage surface(width, height, kUnpainted);
        platform::SendMessage(
            engine->Handle(), platform::WM_PAINT, 0,
            reinterpret_cast<platform::LPARAM>(static_cast<platform::PaintSurface*>(&surface)));
        return surface;
    }
};

TEST_F(LcdFramesTest, EachBitLightsOnePixelAtTheMirrorsOrigin) {
    Start();
    struct Case {
        int width, height;
        std::size_t byte;
        std::uint8_t bits;
        int lcdX, lcdY;      // the pixel the bit stands for
        int shownX, shownY;  // where the mirror shows it
    };
    const Case cases[] = {
        {200, 100, 0, 0x01, 0, 0, 36, 18},
        {200, 100, 0, 0x80, 0, 7, 36, 25},
        {200, 100, 128, 0x01, 0, 8, 36, 26},
        {200, 100, 1023, 0x80, 127, 63, 163, 81},
        // Narrower and lower than the LCD: the origin is (-27 >> 1, -13 >> 1) = (-14, -7).
        {101, 51, 15 + 128, 0x01, 15, 8, 1, 1},
        // One pixel wider and higher: the origin is (0, 0), the spare column and row are right and
        // at the bottom.
        {129, 65, 1, 0x02, 1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", byte " +
                     std::to_string(c.byte));
        LCDFrame frame{};
        frame[c.byte] = c.bits;
        Display(frame);
        const platform::PixelImage mirror = Paint(c.width, c.height);
        EXPECT_EQ(kDark, mirror.Pixel(c.shownX, c.shownY));
        // Everything else of the LCD area within the raised edge is left unpainted.
        const int left = c.shownX - c.lcdX;
        const int top = c.shownY - c.lcdY;
        int unpainted = 0;
        for (int y = std::max(top, 1); y < std::min(top + 64, c.height - 1); ++y) {
            for (int x = std::max(left, 1); x < std::min(left + 128, c.width - 1); ++x) {
                if (x != c.shownX || y != c.shownY) {
                    ASSERT_EQ(kUnpainted, mirror.Pixel(x, y)) << x << ", " << y;
                    ++unpainted;
                }
            }
        }
        EXPECT_GT(unpainted, 3000);
    }
}

TEST_F(LcdFramesTest, TheMirrorSitsInASunkenBezelInsideARaisedEdge) {
    Start();
    LCDFrame allDark;
    allDark.fill(0xFF);
    Display(allDark);
    const platform::PixelImage mirror = Paint(200, 100);
    // What each pixel of a 200 x 100 mirror must be: the LCD at (36, 18), its bezel 8 pixels
    // out, the edge on the surface's border; bottom-right colours own the corners they share.
    auto expected = [](int x, int y) {
        if (y == 99 || x == 199) {
            return platform::kButtonShadow;
        }
        if (y == 0 || x == 0) {
            return platform::kButtonHighlight;
        }
        if ((y == 89 && x >= 28 && x <= 171) || (x == 171 && y >= 10 && y <= 89)) {
            return platform::kButtonHighlight;
        }
        if ((y == 10 && x >= 28 && x < 171) || (x == 28 && y >= 10 && y < 89)) {
            return platform::kButtonShadow;
        }
        if (x >= 36 && x < 164 && y >= 18 && y < 82) {
            return kDark;
        }
        return kUnpainted;
    };
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(expected(x, y), mirror.Pixel(x, y)) << x << ", " << y;
        }
    }
}

TEST_F(LcdFramesTest, ARestoredFrameGoesBackToTheHandsetAndTheMirror) {
    Start();
    links.hid.frames.clear();
    LCDFrame first{};
    first[0] = 0x01;
    LCDFrame second{};
    second[1023] = 0x80;
    Display(first);
    engine->SaveCurrentLCDData();
    Display(second);
    // A frame sent by itself is not the current one: the save and the mirror never see it.
    LCDFrame sentOnly{};
    sentOnly[7] = 0x10;
    engine->DisplayToLCD(sentOnly);
    EXPECT_EQ(second, engine->CurrentLCDFrame());

    engine->RestoreLCDData();
    EXPECT_EQ((std::vector<LCDFrame>{first, second, sentOnly, first}), links.hid.frames);
    EXPECT_EQ(first, engine->CurrentLCDFrame());
    const platform::PixelImage mirror = Paint(200, 100);
    EXPECT_EQ(kDark, mirror.Pixel(36, 18));
    EXPECT_EQ(kUnpainted, mirror.Pixel(163, 81));
}

}  // namespace
}  // namespace enginetest
