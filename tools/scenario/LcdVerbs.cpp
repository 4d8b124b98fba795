// The LCD's verbs: its text rows and its inverted row, read back from the pixels the handset
// received (handset_sim's ScreenText), and pictures of it.
//
//   expect-lcd ROW [TEXT]       within 3 s text row ROW (0..3) reads TEXT, trailing spaces
//                               ignored; without TEXT, the row is blank
//   expect-lcd-highlight ROW|-  within 3 s row ROW is the one inverted row; "-": none is
//   snapshot NAME               the LCD now, as NAME.png in the PNG directory
//
// The expectations look at the screen the handset shows now and as new images arrive; they move
// no cursor, since a screen is a state, not an event.
#include <functional>
#include <optional>
#include <string>

#include "platform/log/DebugLog.h"
#include "tools/handset-sim/ScreenText.h"
#include "tools/handset-sim/UnifontFile.h"
#include "tools/scenario/Verbs.h"
#include "tools/scenario/Wording.h"

namespace scenario {
namespace {

constexpr NumberRange kRow{0, handset_sim::kTextRows - 1};
// A file name is at most 255 bytes; ".png" takes four.
constexpr std::size_t kMaxSnapshotName = 251;

std::string WithoutTrailingSpaces(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

// Waits until `holds` is true of the LCD's text, reading the screen again whenever it changed;
// fails with `wanted` and what the LCD read at the end.
Outcome ExpectScreen(Session& session,
                     const std::function<bool(const handset_sim::ScreenText&)>& holds,
                     const std::string& wanted) {
    std::optional<handset_sim::Screen> read;
    handset_sim::ScreenText text;
    const bool held = session.PumpUntil(
        [&] {
            const handset_sim::Screen lcd = session.Handset().State().lcd;
            if (read != lcd) {
                text = handset_sim::ReadScreenText(lcd);
                read = lcd;
            }
            return holds(text);
        },
        kExpectTimeout);
    if (held) {
        return Outcome::Held();
    }
    std::string detail = wanted;
    detail += " within " + Milliseconds(kExpectTimeout) + "; it reads " +
              handset_sim::DescribeScreenText(text);
    if (session.Handset().State().transfersShown == 0) {
        detail += " (no image shown since the handset was plugged in)";
    }
    if (const std::string& problem = handset_sim::Unifont().problem; !problem.empty()) {
        detail += " (" + problem + ")";
    }
    return Outcome::Failed(detail);
}

Outcome ExpectLcd(Session& session, const Step& step) {
    const std::size_t row = step.numbers[0];
    const std::string expected = WithoutTrailingSpaces(step.text);
    std::string wanted = "the LCD's row ";
    wanted += std::to_string(row);
    if (expected.empty()) {
        wanted += " did not read blank";
    } else {
        wanted.append(" did not read ").append(Quoted(expected));
    }
    return ExpectScreen(
        session,
        [&](const handset_sim::ScreenText& text) { return text.rows[row].text == expected; },
        wanted);
}

Outcome ExpectLcdHighlight(Session& session, const Step& step) {
    std::optional<std::size_t> row;
    if (!step.numbers.empty()) {
        row = step.numbers[0];
    }
    std::string wanted = "the LCD";
    if (row) {
        wanted.append(" did not show row ").append(std::to_string(*row));
        wanted += " as its one inverted row";
    } else {
        wanted += " did not show a screen without an inverted row";
    }
    return ExpectScreen(
        session, [&](const handset_sim::ScreenText& text) { return text.HighlightIs(row); },
        wanted);
}

Outcome Snapshot(Session& session, const Step& step) {
    const LcdPicture picture = session.WriteLcdPicture(step.text + ".png");
    if (picture.result != platform::PngResult::kOk) {
        return Outcome::Failed("cannot write the LCD picture " + picture.path.native() + ": " +
                               std::string(platform::ToString(picture.result)));
    }
    platform::DebugLog("scenario", "the LCD written to " + picture.path.native());
    return Outcome::Held();
}

}  // namespace

void AddLcdVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({{"expect-lcd", ArgumentShape::NumberAndOptionalText, kRow}, ExpectLcd});
    verbs.push_back(
        {{"expect-lcd-highlight", ArgumentShape::NumberOrDash, kRow}, ExpectLcdHighlight});
    verbs.push_back({{"snapshot", ArgumentShape::FileName, {}, {}, kMaxSnapshotName}, Snapshot});
}

}  // namespace scenario
