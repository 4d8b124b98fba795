// The verbs about the run itself: its settings, and what it tells a person watching it.
//
//   setting SECTION KEY [VALUE]  the run's own settings file gets KEY=VALUE in [SECTION]:
//                                KeyDefine.ini for [KeyDef], KestrelCFG.ini otherwise. Lines that
//                                open the script are written before larkspurd starts
//   note TEXT                    TEXT, a line saying what happens now, for whoever watches
#include "platform/profile/Profile.h"
#include "platform/text/Utf8.h"
#include "tools/scenario/Verbs.h"
#include "tools/scenario/Wording.h"

namespace scenario {
namespace {

Outcome Setting(Session& session, const Step& step) {
    const std::filesystem::path file = session.SettingsFile(step.word);
    if (!platform::WritePrivateProfileString(platform::FromUtf8(step.word),
                                             platform::FromUtf8(step.secondWord),
                                             platform::FromUtf8(step.text), file)) {
        return Outcome::Failed("cannot write " + Quoted(step.secondWord + "=" + step.text) +
                               " into [" + step.word + "] of " + file.native());
    }
    return Outcome::Held();
}

Outcome Note(Session& session, const Step& step) {
    session.Note(step.text);
    return Outcome::Held();
}

}  // namespace

void AddScriptVerbs(std::vector<Verb>& verbs) {
    verbs.push_back({{"setting", ArgumentShape::TwoWordsAndOptionalText}, Setting, true});
    verbs.push_back({{"note", ArgumentShape::Text}, Note});
}

}  // namespace scenario
