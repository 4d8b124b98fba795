// libFuzzer target: the bridge's logic and its history file on arbitrary input.
//
// The whole input is read as a history file first. Then, line by line: "B <json>" a message from
// baresip, "L <text>" a command from the system, "R" / "F" a success / failure response to the
// command in flight, "D" baresip going away, "U" baresip coming back. Checks after every line:
// no two calls share an id, no two live calls share a baresip id, and the history written reads
// back as the ended calls it holds.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "bridge/baresip/CallBridge.h"
#include "bridge/baresip/CallHistory.h"
#include "bridge/baresip/Json.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

using namespace baresip;

void CheckCalls(const std::vector<BridgeCall>& calls) {
    std::set<CallId> ids;
    std::set<std::string> live;
    std::size_t ended = 0;
    for (const BridgeCall& call : calls) {
        Check(call.id != 0 && ids.insert(call.id).second);
        if (IsLive(call.status) && !call.baresipId.empty()) {
            Check(live.insert(call.baresipId).second);
        }
        ended += IsLive(call.status) ? 0 : 1;
    }
    Check(ParseHistory(FormatHistory(calls)).size() == std::min(ended, kMaxHistoryCalls));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string lastToken;
    std::int64_t now = 1000;
    CallBridge bridge(
        BridgeOutput{
            .toBaresip =
                [&lastToken](const std::string& payload) {
                    const std::optional<JsonValue> json = ParseJson(payload);
                    Check(json.has_value());
                    lastToken = json->StringMember("token").value_or("");
                },
            .notify = [](const std::string& text) { Check(!text.empty()); },
            .reply = [](LinkId, const std::string& text) { Check(!text.empty()); },
            .historyChanged = [](const std::vector<BridgeCall>& calls) { CheckCalls(calls); },
            .now = [&now] { return now++; }},
        ParseHistory(input));
    bridge.OnBaresipUp();
    std::string_view rest = input;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const std::string_view text = line.size() > 2 ? line.substr(2) : std::string_view();
        switch (line.empty() ? '\0' : line[0]) {
            case 'B':
                bridge.OnBaresipMessage(text);
                break;
            case 'L':
                bridge.OnLinkCommand(1, text);
                break;
            case 'R':
            case 'F':
                bridge.OnBaresipMessage(
                    std::string(R"({"response":true,"ok":)") + (line[0] == 'R' ? "true" : "false") +
                    R"(,"data":"setting current call","token":")" + lastToken + "\"}");
                break;
            case 'D':
                bridge.OnBaresipDown();
                break;
            case 'U':
                bridge.OnBaresipUp();
                break;
            default:
                break;
        }
        CheckCalls(bridge.Calls());
    }
    return 0;
}
