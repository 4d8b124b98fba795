// Writing up a failed run.
#include "tools/scenario/Report.h"

#include "platform/log/DebugLog.h"
#include "tools/handset-sim/ConsoleView.h"
#include "tools/handset-sim/ScreenText.h"
#include "tools/phone-client-sim/CallModel.h"
#include "tools/phone-client-sim/VoicemailModel.h"

namespace scenario {
namespace {

using handset_sim::Event;

constexpr std::string_view kCursorMark = "  -- the next expectation looks from here --\n";

std::vector<ReportEntry> CommandEntries(const Session& session) {
    std::vector<ReportEntry> entries;
    const std::vector<std::string> commands = session.Phone().Commands();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        entries.push_back({i, "\"" + commands[i] + "\""});
    }
    return entries;
}

std::vector<ReportEntry> HandsetEntries(const Session& session) {
    std::vector<ReportEntry> entries;
    std::size_t number = session.Handset().LogStart();
    for (const Event& event : session.Handset().Log()) {
        if (std::optional<std::string> text = handset_sim::DescribeEvent(event)) {
            entries.push_back({number, std::move(*text)});
        }
        ++number;
    }
    return entries;
}

std::vector<ReportEntry> LineEntries(const HostProcess& host) {
    std::vector<ReportEntry> entries;
    std::size_t number = host.DroppedLines();
    for (const std::string& line : host.Lines()) {
        entries.push_back({number++, line});
    }
    return entries;
}

std::vector<ReportEntry> StateEntries(const HostProcess& host) {
    std::vector<ReportEntry> entries;
    for (std::size_t i = 0; i < host.States().size(); ++i) {
        entries.push_back({i, "\"" + host.States()[i] + "\""});
    }
    return entries;
}

// The LCD as the handset shows it at the end, in text: what an LCD expectation compares.
std::string LcdSection(const Session& session) {
    const handset_sim::ScreenText text = handset_sim::ReadScreenText(session.Handset().State().lcd);
    std::string out = "handset LCD, read back from its pixels:\n";
    for (std::size_t row = 0; row < text.rows.size(); ++row) {
        out += "  " + platform::EscapeControl(handset_sim::DescribeTextRow(row, text.rows[row])) +
               "\n";
    }
    return out;
}

// The softphone's calls at the end, as its model holds them.
std::string CallSection(const Session& session) {
    std::string out = "softphone calls, in order of arrival:\n";
    for (const phone_client_sim::CallInfo& call : session.Phone().Calls().Calls()) {
        out += "  " + platform::EscapeControl(phone_client_sim::Describe(call)) + "\n";
    }
    if (session.Phone().Calls().Calls().empty()) {
        out += "  (none)\n";
    }
    return out;
}

// The softphone's voice messages at the end, as its model holds them.
std::string VoicemailSection(const Session& session) {
    std::string out = "softphone voice messages, in order of arrival:\n";
    for (const phone_client_sim::VoicemailInfo& voicemail :
         session.Phone().Voicemails().Voicemails()) {
        out += "  ";
        out += platform::EscapeControl(phone_client_sim::Describe(voicemail));
        out += "\n";
    }
    if (session.Phone().Voicemails().Voicemails().empty()) {
        out += "  (none)\n";
    }
    return out;
}

std::string HostTitle(const std::string& name, const HostProcess& host) {
    const std::optional<platform::ChildExit> exit = host.Exit();
    return name + " stderr (" + (exit ? "ended with " + ToString(*exit) : "running") + ")";
}

}  // namespace

std::string ListSection(const std::string& title, const std::vector<ReportEntry>& entries,
                        std::optional<std::size_t> cursor) {
    std::string out = title + ":\n";
    const std::size_t skipped =
        entries.size() > kMaxReportedEntries ? entries.size() - kMaxReportedEntries : 0;
    if (skipped > 0) {
        out += "  ... " + std::to_string(skipped) + " earlier\n";
    }
    bool marked = !cursor.has_value();
    for (std::size_t i = skipped; i < entries.size(); ++i) {
        if (!marked && entries[i].number >= *cursor) {
            out += kCursorMark;
            marked = true;
        }
        out += "  #" + std::to_string(entries[i].number) + " " +
               platform::EscapeControl(entries[i].text) + "\n";
    }
    if (!marked) {
        out += kCursorMark;
    }
    if (entries.empty()) {
        out += "  (none)\n";
    }
    return out;
}

std::string FailureReport(const std::string& where, const std::string& what,
                          const Session& session) {
    std::string out = "scenario: FAILED " + platform::EscapeControl(where) + "\n  " +
                      platform::EscapeControl(what) + "\n";
    out += ListSection("softphone commands", CommandEntries(session), session.commandCursor);
    out += CallSection(session);
    out += VoicemailSection(session);
    out += ListSection("handset events", HandsetEntries(session), session.handsetCursor);
    out += LcdSection(session);
    out += ListSection("larkspurd states", StateEntries(session.Host()), session.stateCursor);
    out += ListSection(HostTitle("larkspurd", session.Host()), LineEntries(session.Host()),
                       std::nullopt);
    if (const HostProcess* second = session.SecondHost()) {
        out +=
            ListSection(HostTitle("second larkspurd", *second), LineEntries(*second), std::nullopt);
    }
    return out;
}

}  // namespace scenario
