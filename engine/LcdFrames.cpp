// The engine's LCD frames: the display transfer, the saved frame, and the on-screen mirror of
// the current frame.
#include "common/LcdFrame.h"
#include "engine/CEmualtor.h"
#include "platform/paint/Draw3dRect.h"
#include "platform/paint/PaintSurface.h"

namespace {

constexpr int kLcdWidth = 128;
constexpr int kLcdHeight = 64;
constexpr int kBezel = 8;
constexpr platform::Rgb kDarkPixel{0, 0, 200};

}  // namespace

void CEmualtor::DisplayToLCD(const LCDFrame& frame) {
    if (m_hidLink) {
        m_hidLink->SendLCDFrame(frame);
    }
}

void CEmualtor::SaveCurrentLCDData() {
    m_savedLcd = m_currentLcd;
}

void CEmualtor::RestoreLCDData() {
    m_currentLcd = m_savedLcd;
    DisplayToLCD(m_currentLcd);
}

void CEmualtor::DrawWinLCD(platform::PaintSurface& surface) const {
    const int width = surface.Width();
    const int height = surface.Height();
    // An arithmetic shift, so that a surface smaller than the LCD centres it by clipping.
    const int left = (width - kLcdWidth) >> 1;
    const int top = (height - kLcdHeight) >> 1;
    for (int c = 0; c < static_cast<int>(m_currentLcd.size()); ++c) {
        for (int bit = 0; bit < 8; ++bit) {
            if ((m_currentLcd[c] >> bit & 1) != 0) {
                surface.SetPixel(left + c % kLcdWidth, top + 8 * (c / kLcdWidth) + bit, kDarkPixel);
            }
        }
    }
    platform::Draw3dRect(surface, {0, 0, width, height}, platform::kButtonHighlight,
                         platform::kButtonShadow);
    platform::Draw3dRect(
        surface,
        {left - kBezel, top - kBezel, left + kLcdWidth + kBezel, top + kLcdHeight + kBezel},
        platform::kButtonShadow, platform::kButtonHighlight);
}

void CEmualtor::OnPaint(platform::PaintSurface& surface) {
    DrawWinLCD(surface);
}
