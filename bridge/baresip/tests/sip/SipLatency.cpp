// sip-latency: how long the system takes, on the SIP test bed, for a call from the far party to
// ring the handset and for the handset's answer to reach the far party. Built with the tests,
// run by hand: `build/tests/sip-latency [--calls N]`.
//
// For each call: (a) from the far party's dial command being sent to the handset receiving the
// ringer command, (b) from the handset's answer key to the far party's CALL_ESTABLISHED event.
// The far party's messages carry the time they arrived (taken as the loop finds them); the
// handset's events wake the pump that looks for them, so both ends are taken as they happen.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "bridge/baresip/tests/sip/SipTestBed.h"

namespace {

using sip_test::Clock;
using sip_test::SipTestBed;

constexpr int kDefaultCalls = 20;
constexpr int kMaxCalls = 1000;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void Summary(const char* what, const std::vector<double>& values) {
    std::printf("%-34s median %7.1f ms, worst %7.1f ms\n", what, Median(values),
                *std::max_element(values.begin(), values.end()));
}

struct Timings {
    double ring = 0;    // (a)
    double sip = 0;     // of (a), until the far party heard 180 Ringing: baresip's part
    double answer = 0;  // (b)
};

// One call: rung, answered, measured, hung up by the far party. What went wrong, or empty.
std::string OneCall(SipTestBed& bed, Timings& timings) {
    sip_test::BaresipControl& far = bed.FarControl();
    const std::size_t handsetFrom = bed.HandsetMark();
    const std::size_t farFrom = far.Count();
    const Clock::time_point dialled = Clock::now();
    if (far.Send("dial", bed.Near().Uri()).empty()) {
        return "the far party's control connection is broken";
    }
    if (!bed.WaitForControl(sip_test::kRingerCommand, sip_test::kRingerMelody, handsetFrom)) {
        return "the handset did not ring";
    }
    timings.ring = Milliseconds(Clock::now() - dialled);
    if (const std::optional<sip_test::ControlMessage> ringing =
            bed.WaitForFarEvent("CALL_RINGING", farFrom)) {
        timings.sip = Milliseconds(ringing->arrived - dialled);
    }
    // The answer key counts only once the Call mode shows the call ringing.
    if (!bed.WaitForRow(2, "Ringing...")) {
        return "the handset did not show the call ringing";
    }
    const Clock::time_point pressed = Clock::now();
    if (!bed.Press(sip_test::kKeyAnswer)) {
        return "the handset could not send the answer key";
    }
    const std::optional<sip_test::ControlMessage> established =
        bed.WaitForFarEvent("CALL_ESTABLISHED", farFrom);
    if (!established) {
        return "the far party's call was not answered";
    }
    timings.answer = Milliseconds(established->arrived - pressed);
    // The next call rings over the end screen, which it takes: no key is pressed for it, since
    // one arriving after that call would hang it up.
    if (far.Send("hangup").empty() || !bed.WaitForFarEvent("CALL_CLOSED", farFrom) ||
        !bed.WaitForRow(2, "Finished")) {
        return "the call did not end";
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    int calls = kDefaultCalls;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") {
            std::cout << "usage: sip-latency [--calls N]\n"
                         "Places N calls (default 20) from a far baresip to the handset through\n"
                         "kestrel-baresip and larkspurd, and prints the median and the worst of\n"
                         "(a) dial to the handset's ringer command and (b) the answer key to the\n"
                         "far party's CALL_ESTABLISHED, in milliseconds.\n";
            return 0;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        const auto [end, error] = std::from_chars(value, value + std::strlen(value), calls);
        if (arg != "--calls" || error != std::errc() || *end != '\0' || calls < 1 ||
            calls > kMaxCalls) {
            std::cerr << "usage: sip-latency [--calls N], N from 1 to " << kMaxCalls << "\n";
            return 2;
        }
        ++i;
    }
    if (const std::string missing = SipTestBed::MissingPrerequisite(); !missing.empty()) {
        std::cerr << "sip-latency: " << missing << "\n";
        return 1;
    }
    SipTestBed bed;
    if (const std::string problem = bed.Start(); !problem.empty()) {
        std::cerr << bed.Report("sip-latency: " + problem);
        return 1;
    }
    std::vector<double> rings;
    std::vector<double> answers;
    for (int call = 1; call <= calls; ++call) {
        Timings timings;
        if (const std::string problem = OneCall(bed, timings); !problem.empty()) {
            std::cerr << bed.Report("sip-latency: call " + std::to_string(call) + ": " + problem);
            return 1;
        }
        rings.push_back(timings.ring);
        answers.push_back(timings.answer);
        std::printf(
            "call %2d: dial -> ringer %7.1f ms (180 Ringing at the far party after %5.1f ms),"
            " answer key -> established %6.1f ms\n",
            call, timings.ring, timings.sip, timings.answer);
    }
    std::printf("%d calls\n", calls);
    Summary("(a) dial -> handset ringer:", rings);
    Summary("(b) answer key -> far established:", answers);
    if (const std::string problem = bed.Stop(); !problem.empty()) {
        std::cerr << "sip-latency: at the end: " << problem << "\n";
        return 1;
    }
    return 0;
}
