// Reading and writing the history file's lines.
#include "bridge/baresip/CallHistory.h"

#include <algorithm>
#include <charconv>
#include <set>

namespace baresip {
namespace {

constexpr std::string_view kHeader = "kestrel-baresip history 1";
constexpr std::size_t kFields = 9;

template <typename Number>
bool ReadNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Tabs and line ends would break the line apart; the other controls have no place in a name.
std::string OneField(std::string_view text) {
    std::string field;
    for (char c : text) {
        field.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    }
    return field;
}

// A handle is dialled as it stands: one word, no blank and no control in it.
bool IsOneWord(std::string_view text) {
    return !text.empty() && std::none_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7F;
    });
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (fields.size() + 1 < kFields) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            break;
        }
        fields.push_back(line.substr(0, tab));
        line.remove_prefix(tab + 1);
    }
    fields.push_back(line);
    return fields;
}

bool ReadCall(std::string_view line, BridgeCall& call) {
    const std::vector<std::string_view> fields = SplitFields(line);
    if (fields.size() != kFields) {
        return false;
    }
    const std::optional<CallStatus> status = StatusFromWord(fields[1]);
    if (!ReadNumber(fields[0], call.id) || call.id == 0 || !status || IsLive(*status) ||
        (fields[2] != "in" && fields[2] != "out") || !ReadNumber(fields[3], call.timestamp) ||
        !ReadNumber(fields[4], call.duration) || !ReadNumber(fields[5], call.failureReason) ||
        (fields[6] != "0" && fields[6] != "1") || !IsOneWord(fields[7])) {
        return false;
    }
    call.status = *status;
    call.outgoing = fields[2] == "out";
    call.seen = fields[6] == "1";
    call.handle = std::string(fields[7]);
    call.displayName = std::string(fields[8]);
    return true;
}

}  // namespace

bool NewerFirst(const BridgeCall& a, const BridgeCall& b) {
    return a.timestamp != b.timestamp ? a.timestamp > b.timestamp : a.id > b.id;
}

std::vector<BridgeCall> ParseHistory(std::string_view text) {
    std::vector<BridgeCall> calls;
    std::set<CallId> ids;
    bool header = true;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (header) {
            header = false;
            if (line != kHeader) {
                return {};  // not a history this bridge wrote
            }
            continue;
        }
        BridgeCall call;
        if (calls.size() < kMaxHistoryCalls && ReadCall(line, call) && ids.insert(call.id).second) {
            calls.push_back(std::move(call));
        }
    }
    return calls;
}

std::string FormatHistory(const std::vector<BridgeCall>& calls) {
    std::vector<const BridgeCall*> ended;
    for (const BridgeCall& call : calls) {
        if (!IsLive(call.status)) {
            ended.push_back(&call);
        }
    }
    std::sort(ended.begin(), ended.end(),
              [](const BridgeCall* a, const BridgeCall* b) { return NewerFirst(*a, *b); });
    ended.resize(std::min(ended.size(), kMaxHistoryCalls));
    std::string text(kHeader);
    text.push_back('\n');
    for (const BridgeCall* call : ended) {
        text.append(std::to_string(call->id)).push_back('\t');
        text.append(ToString(call->status)).push_back('\t');
        text.append(call->outgoing ? "out" : "in").push_back('\t');
        text.append(std::to_string(call->timestamp)).push_back('\t');
        text.append(std::to_string(call->duration)).push_back('\t');
        text.append(std::to_string(call->failureReason)).push_back('\t');
        text.append(call->seen ? "1" : "0").push_back('\t');
        text.append(OneField(call->handle)).push_back('\t');
        text.append(OneField(call->displayName)).push_back('\n');
    }
    return text;
}

}  // namespace baresip
