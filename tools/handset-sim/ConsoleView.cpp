// handset-sim's output: a terminal screen updated in place, or plain lines for logs.
#include "tools/handset-sim/ConsoleView.h"

#include <unistd.h>

#include <cstdio>

#include "platform/log/DebugLog.h"
#include "tools/handset-sim/LcdTerminal.h"
#include "tools/handset-sim/ScreenText.h"
#include "tools/handset-sim/UnifontFile.h"

namespace handset_sim {
namespace {

constexpr std::string_view kPrefix = "handset-sim: ";
constexpr std::string_view kHome = "\x1b[H";
constexpr std::string_view kClearBelow = "\x1b[J";

// The terminal line under the LCD's 32 and its text rows, where the status line starts.
std::string BelowLcd() {
    return "\x1b[" + std::to_string(kScreenHeight / 2 + kTextRows + 1) + ";1H";
}

// The LCD's text rows as read back from its pixels, a line each.
std::string TextRows(const Screen& lcd) {
    const ScreenText text = ReadScreenText(lcd);
    std::string lines;
    for (std::size_t row = 0; row < kTextRows; ++row) {
        lines += platform::EscapeControl(DescribeTextRow(row, text.rows[row])) + "\n";
    }
    return lines;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", byte);
        if (!text.empty()) {
            text += ' ';
        }
        text += digits;
    }
    return text;
}

}  // namespace

ConsoleStyle ConsoleStyleOf(int fd) {
    return ::isatty(fd) == 1 ? ConsoleStyle::kTerminal : ConsoleStyle::kPlain;
}

std::optional<std::string> DescribeEvent(const Event& event) {
    switch (event.kind) {
        case Event::Kind::Plugged:
            return "plugged in";
        case Event::Kind::Unplugged:
            return "unplugged";
        case Event::Kind::Received:
            break;
    }
    const Decoded& d = event.decoded;
    switch (d.kind) {
        case FrameKind::Control:
            return std::to_string(d.command) + "/" + std::to_string(d.value) + " " +
                   std::string(CommandName(d.command));
        case FrameKind::DisplayHeader:
        case FrameKind::DisplayData:
            return std::nullopt;
        case FrameKind::DisplayShown:
            if (event.image) {
                std::string text = "display image shown: ";
                return text += DescribeScreenText(ReadScreenText(*event.image));
            }
            return "display image shown";
        case FrameKind::DisplayBadCrc:
            return "display image dropped: wrong checksum";
        case FrameKind::DisplayBroken:
            return "display transfer broken off";
        case FrameKind::Malformed:
            return "malformed report: " + (event.report.empty() ? "empty" : Hex(event.report));
    }
    return std::nullopt;
}

void ConsoleView::Show(const Event& event, const HandsetState& state, const std::string& firmware) {
    if (const std::optional<std::string> text = DescribeEvent(event)) {
        Draw(*text, state, event.kind != Event::Kind::Unplugged, firmware);
    }
}

void ConsoleView::Note(const std::string& text, const HandsetState& state, bool plugged,
                       const std::string& firmware) {
    Draw(text, state, plugged, firmware);
}

void ConsoleView::Draw(const std::string& text, const HandsetState& state, bool plugged,
                       const std::string& firmware) {
    std::lock_guard lock(mutex_);
    std::string output;
    switch (style_) {
        case ConsoleStyle::kPlain:
            output = std::string(kPrefix) + platform::EscapeControl(text) + "\n";
            break;
        case ConsoleStyle::kTerminal:
            if (drawn_ != state.lcd) {
                output = std::string(kHome) + std::string(kClearBelow) + RenderLcd(state.lcd) +
                         TextRows(state.lcd);
                drawn_ = state.lcd;
            } else {
                output = BelowLcd() + std::string(kClearBelow);
            }
            output += StatusLine(state, plugged, firmware) + "\n";
            // Standard error is drawn over here: the font's problem stays in sight this way.
            if (const std::string& problem = Unifont().problem; !problem.empty()) {
                output += problem + "\n";
            }
            output += "last: " + platform::EscapeControl(text) + "\n> ";
            break;
    }
    out_ << output << std::flush;
}

}  // namespace handset_sim
