// The drawing toolkit of the mode base: text rows, the highlight, pictures and icons.
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>

#include "modebase/CEmluatorModeBase.h"
#include "modebase/ScreenFiles.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/CaseInsensitivePath.h"
#include "platform/font/TextRenderer.h"
#include "platform/text/Utf8.h"

namespace {

constexpr int kWidth = 128;
constexpr int kHeight = 64;
constexpr int kRowHeight = 16;
constexpr std::size_t kRowBufferChars = 64;
constexpr std::size_t kRowBytes = 2 * kWidth;  // both pages of a text row
// A picture the toolkit draws is 24 KB; the bound only limits what a wrong file costs.
constexpr std::size_t kMaxPictureFileBytes = 64u << 20;
constexpr std::size_t kMaxIconFileBytes = 4096;

// The file behind a path the modes spell as the Windows system did, whose folder names ignore
// case.
platform::FileContent ReadScreenFile(const std::wstring& path, std::size_t maxBytes) {
    return platform::ReadWholeFile(
        platform::FindIgnoringCase(std::filesystem::path(platform::ToUtf8(path))), maxBytes);
}

}  // namespace

void CEmluatorModeBase::ShowScreen(const ModeScreen* screen) {
    if (screen == nullptr) {
        return;
    }
    if (screen->textScreen == 0) {
        LoadPicture(screen->picturePath);
        return;
    }
    for (int row = 0; row < ModeScreen::kRows; ++row) {
        const wchar_t* text = screen->rows[row];
        SetLine(std::wstring_view(text, wcsnlen(text, ModeScreen::kRowChars)), row);
    }
    SetHighlightLine(screen->highlight);
    RenderText();
}

void CEmluatorModeBase::SetLine(std::wstring_view text, int row) {
    if (row < 0 || row >= ModeScreen::kRows) {
        return;
    }
    wchar_t* buffer = m_textRows[row];
    std::fill(buffer, buffer + kRowBufferChars - 1, L' ');
    const std::size_t kept = std::min<std::size_t>(text.size(), ModeScreen::kRowChars);
    std::copy_n(text.begin(), kept, buffer);
    std::fill(buffer + kept, buffer + ModeScreen::kRowChars, L'\0');
}

void CEmluatorModeBase::RenderText() {
    m_lcd.fill(0);
    // Every pixel is painted: four rows of 16 pixels, each of 64 cells of 8 pixels or more.
    platform::MonoBitmap bitmap(kWidth, kHeight);
    for (int row = 0; row < ModeScreen::kRows; ++row) {
        platform::TextOut(bitmap, 0, kRowHeight * row,
                          std::wstring_view(m_textRows[row], kRowBufferChars));
    }
    for (int y = 0; y < kHeight; ++y) {
        const std::uint8_t* pixels = bitmap.Row(y);
        std::uint8_t* page = m_lcd.data() + kWidth * (y / 8);
        for (int x = 0; x < kWidth; ++x) {
            page[x] |= static_cast<std::uint8_t>(pixels[x] << (y % 8));
        }
    }
    if (m_highlightRow >= 0 && m_highlightRow < ModeScreen::kRows) {
        const auto first =
            m_lcd.begin() +
            static_cast<std::ptrdiff_t>(kRowBytes * static_cast<std::size_t>(m_highlightRow));
        std::transform(first, first + static_cast<std::ptrdiff_t>(kRowBytes), first,
                       [](std::uint8_t byte) { return static_cast<std::uint8_t>(~byte); });
    }
}

void CEmluatorModeBase::LoadPicture(const std::wstring& path) {
    const platform::FileContent file = ReadScreenFile(path, kMaxPictureFileBytes);
    if (file.status != platform::FileReadStatus::kRead) {
        return;
    }
    if (const std::optional<LCDFrame> picture = DecodePicture(file.bytes)) {
        m_lcd = *picture;
        std::printf("Output file size is %d b\n", static_cast<int>(m_lcd.size()));
        std::fflush(stdout);
    }
}

void CEmluatorModeBase::PutIcon(const std::wstring& path, int page, int column) {
    const platform::FileContent file = ReadScreenFile(path, kMaxIconFileBytes);
    if (file.status != platform::FileReadStatus::kRead) {
        return;
    }
    if (const std::optional<IconBits> icon = DecodeIcon(file.bytes)) {
        PlaceIcon(m_lcd, *icon, page, column);
    }
}

bool CEmluatorModeBase::IsDarkPixel(int red, int green, int blue) {
    return IsDarkColour(red, green, blue);
}
