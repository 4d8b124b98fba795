// The live view of a run: the LCD in quadrant blocks, 64 columns wide, so that it fits a terminal
// of 80, framed, and the notes under it.
#include "tools/scenario/LiveView.h"

#include "platform/log/DebugLog.h"
#include "tools/handset-sim/LcdTerminal.h"
#include "tools/handset-sim/ScreenText.h"

namespace scenario {
namespace {

constexpr std::size_t kNotesShown = 10;
constexpr std::size_t kFrameWidth = handset_sim::kScreenWidth / 2;

std::string Repeated(std::string_view piece, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

std::string Framed(const std::string& lcd) {
    // Built by appending: GCC 12 at -O3 misreads a literal added to a temporary string.
    std::string text = "\u250C";
    text.append(Repeated("\u2500", kFrameWidth)).append("\u2510\n");
    std::size_t start = 0;
    for (std::size_t end = lcd.find('\n'); end != std::string::npos;
         start = end + 1, end = lcd.find('\n', start)) {
        text.append("\u2502").append(lcd, start, end - start).append("\u2502\n");
    }
    return text.append("\u2514").append(Repeated("\u2500", kFrameWidth)).append("\u2518\n");
}

}  // namespace

void LiveView::Show(const handset_sim::Screen& lcd) {
    if (shown_ == lcd) {
        return;
    }
    shown_ = lcd;
    if (style_ == handset_sim::ConsoleStyle::kPlain) {
        out_ << "LCD: "
             << platform::EscapeControl(
                    handset_sim::DescribeScreenText(handset_sim::ReadScreenText(lcd)))
             << std::endl;
        return;
    }
    Draw(lcd);
}

void LiveView::Note(const std::string& text, const handset_sim::Screen& lcd) {
    const std::string line = platform::EscapeControl(text);
    if (style_ == handset_sim::ConsoleStyle::kPlain) {
        out_ << line << std::endl;
        Show(lcd);
        return;
    }
    notes_.push_back(line);
    if (notes_.size() > kNotesShown) {
        notes_.pop_front();
    }
    shown_ = lcd;
    Draw(lcd);
}

void LiveView::Draw(const handset_sim::Screen& lcd) {
    // Home and clear below: the picture is redrawn in place, never scrolled.
    std::string output = "\x1b[H\x1b[J";
    output += Framed(handset_sim::RenderLcd(lcd, handset_sim::LcdCells::kQuadrants));
    for (std::size_t i = 0; i < notes_.size(); ++i) {
        // The latest note stands out in bold.
        output += i + 1 == notes_.size() ? "\x1b[1m" + notes_[i] + "\x1b[0m\n" : notes_[i] + "\n";
    }
    out_ << output << std::flush;
}

}  // namespace scenario
