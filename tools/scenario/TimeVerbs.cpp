// The verb that lets time pass.
//
//   wait MS   MS milliseconds of real time pass; the softphone and the host are served meanwhile
#include "tools/scenario/Verbs.h"

namespace scenario {
namespace {

Outcome Wait(Session& session, const Step& step) {
    session.PumpUntil([] { return false; }, std::chrono::milliseconds(step.numbers[0]));
    return Outcome::Held();
}

}  // namespace

void AddTimeVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({{"wait", ArgumentShape::Number, kMilliseconds}, Wait});
}

}  // namespace scenario
