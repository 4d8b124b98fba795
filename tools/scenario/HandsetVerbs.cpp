// The handset's verbs: plugging, keys, firmware reports, and what the handset received.
//
//   plug                 the handset arrives (waits up to 3 s for the host to listen);
//                        expect-hid looks at what it receives from then on
//   unplug               the handset goes
//   press SCAN           a key report with scan code SCAN
//   firmware TEXT        a firmware-version report with up to five characters
//   expect-hid CMD VALUE within 3 s the handset receives control command CMD with VALUE
//   expect-no-hid CMD MS for MS milliseconds the handset receives control command CMD with no
//                        value at all
#include <string>

#include "tools/handset-sim/OutputDecoder.h"
#include "tools/scenario/Verbs.h"
#include "tools/scenario/Wording.h"

namespace scenario {
namespace {

constexpr NumberRange kByte{0, 255};
constexpr std::size_t kFirmwareCharacters = 5;

// A new arrival is a new handset as far as expectations go: what an earlier connection received
// is not looked at again.
Outcome Plug(Session& session, const Step&) {
    handset_sim::HandsetSimulator& handset = session.Handset();
    const std::string path = session.HandsetSocket().native();
    const std::size_t before = handset.LogEnd();
    if (!session.PumpUntil([&] { return handset.Plug(path); }, kExpectTimeout)) {
        return Outcome::Failed("nobody accepted the handset on " + path + " within " +
                               Milliseconds(kExpectTimeout));
    }
    const std::optional<std::size_t> plugged = handset.WaitFor(
        [](const handset_sim::Event& event) {
            return event.kind == handset_sim::Event::Kind::Plugged;
        },
        std::chrono::milliseconds(0), before);
    session.handsetCursor = plugged.value_or(before) + 1;
    return Outcome::Held();
}

Outcome Unplug(Session& session, const Step&) {
    if (!session.Handset().IsPlugged()) {
        return Outcome::Failed("the handset is not plugged in");
    }
    session.Handset().Unplug();
    return Outcome::Held();
}

Outcome Sent(bool sent, Session& session) {
    if (sent) {
        return Outcome::Held();
    }
    return Outcome::Failed(session.Handset().IsPlugged() ? "the host did not take the report"
                                                         : "the handset is not plugged in");
}

Outcome Press(Session& session, const Step& step) {
    return Sent(session.Handset().SendKey(static_cast<std::uint8_t>(step.numbers[0])), session);
}

Outcome Firmware(Session& session, const Step& step) {
    return Sent(session.Handset().SendFirmware(step.text), session);
}

Outcome ExpectHid(Session& session, const Step& step) {
    const handset_sim::Decoded wanted(handset_sim::FrameKind::Control,
                                      static_cast<std::uint8_t>(step.numbers[0]),
                                      static_cast<std::uint8_t>(step.numbers[1]));
    const auto matches = [&](const handset_sim::Event& event) {
        return event.kind == handset_sim::Event::Kind::Received && event.decoded == wanted;
    };
    std::optional<std::size_t> found;
    const bool held = session.PumpUntil(
        [&] {
            found = session.Handset().WaitFor(matches, std::chrono::milliseconds(0),
                                              session.handsetCursor);
            return found.has_value();
        },
        kExpectTimeout);
    if (!held) {
        return Outcome::Failed("the handset received no control command " +
                               std::to_string(wanted.command) + "/" + std::to_string(wanted.value) +
                               " (" + std::string(handset_sim::CommandName(wanted.command)) +
                               ") from event #" + std::to_string(session.handsetCursor) +
                               " on within " + Milliseconds(kExpectTimeout));
    }
    session.handsetCursor = *found + 1;
    return Outcome::Held();
}

// Looks from the expect-hid cursor on and leaves it where it is, as expect-no does.
Outcome ExpectNoHid(Session& session, const Step& step) {
    const auto command = static_cast<std::uint8_t>(step.numbers[0]);
    const std::chrono::milliseconds duration(step.numbers[1]);
    const auto matches = [&](const handset_sim::Event& event) {
        return event.kind == handset_sim::Event::Kind::Received &&
               event.decoded.kind == handset_sim::FrameKind::Control &&
               event.decoded.command == command;
    };
    std::optional<std::size_t> found;
    session.PumpUntil(
        [&] {
            found = session.Handset().WaitFor(matches, std::chrono::milliseconds(0),
                                              session.handsetCursor);
            return found.has_value();
        },
        duration);
    if (found) {
        return Outcome::Failed("the handset received control command " + std::to_string(command) +
                               " (" + std::string(handset_sim::CommandName(command)) +
                               ") as event #" + std::to_string(*found) + " within " +
                               Milliseconds(duration));
    }
    return Outcome::Held();
}

}  // namespace

void AddHandsetVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({{"plug", ArgumentShape::None}, Plug});
    verbs.push_back({{"unplug", ArgumentShape::None}, Unplug});
    verbs.push_back({{"press", ArgumentShape::Number, kByte}, Press});
    verbs.push_back({{"firmware", ArgumentShape::Text, {}, {}, kFirmwareCharacters}, Firmware});
    verbs.push_back({{"expect-hid", ArgumentShape::TwoNumbers, kByte, kByte}, ExpectHid});
    verbs.push_back(
        {{"expect-no-hid", ArgumentShape::TwoNumbers, kByte, kMilliseconds}, ExpectNoHid});
}

}  // namespace scenario
