// The voice messages' life: held, played, deleted, and what each change notifies.
#include "tools/phone-client-sim/VoicemailModel.h"

#include <algorithm>
#include <utility>

namespace phone_client_sim {
namespace {

constexpr std::pair<VoicemailStatus, std::string_view> kStatusWords[] = {
    {VoicemailStatus::kUnplayed, "UNPLAYED"},
    {VoicemailStatus::kPlaying, "PLAYING"},
    {VoicemailStatus::kPlayed, "PLAYED"},
    {VoicemailStatus::kDeleting, "DELETING"},
};

// "voice message 7" and what is said of it; built up, as GCC 12 at -O3 misreads "x" + temporary.
std::string About(VoicemailId id, std::string_view what) {
    std::string why = "voice message ";
    why.append(std::to_string(id)).append(what);
    return why;
}

std::string NoSuch(VoicemailId id) {
    std::string why = "no ";
    why += About(id, "");
    return why;
}

std::string StatusText(const VoicemailInfo& voicemail) {
    return VoicemailText(voicemail.id, "STATUS", ToString(voicemail.status));
}

}  // namespace

std::string_view ToString(VoicemailStatus status) {
    for (const auto& [value, word] : kStatusWords) {
        if (value == status) {
            return word;
        }
    }
    return "?";
}

std::optional<VoicemailStatus> VoicemailStatusFromWord(std::string_view word) {
    for (const auto& [value, name] : kStatusWords) {
        if (name == word) {
            return value;
        }
    }
    return std::nullopt;
}

std::string Describe(const VoicemailInfo& voicemail) {
    std::string line = std::to_string(voicemail.id);
    line.append(" \"").append(voicemail.partnerName).append("\" ");
    line.append(std::to_string(voicemail.seconds)).append(" s at ");
    line.append(std::to_string(voicemail.timestamp)).append(" ").append(ToString(voicemail.status));
    if (voicemail.status == VoicemailStatus::kPlaying) {
        line.append(", ").append(std::to_string(voicemail.played)).append(" s played");
    }
    return line;
}

std::string VoicemailText(VoicemailId id, std::string_view property, std::string_view value) {
    std::string text = "VOICEMAIL ";
    text.append(std::to_string(id)).append(" ").append(property).append(" ").append(value);
    return text;
}

VoicemailModel::VoicemailModel(NotificationSink sink) : sink_(std::move(sink)) {}

VoicemailResult VoicemailModel::Add(VoicemailId id, std::uint32_t seconds, std::int64_t timestamp,
                                    std::string partnerName) {
    return New({id, seconds, timestamp, std::move(partnerName)}, false);
}

VoicemailResult VoicemailModel::Arrive(VoicemailId id, std::uint32_t seconds,
                                       std::int64_t timestamp, std::string partnerName) {
    return New({id, seconds, timestamp, std::move(partnerName)}, true);
}

VoicemailResult VoicemailModel::New(VoicemailInfo voicemail, bool notify) {
    using Kind = VoicemailResult::Kind;
    const VoicemailId id = voicemail.id;
    if (id == 0) {
        return {Kind::kImpossible, "a voice message needs an id above 0"};
    }
    if (Voicemail(id) != nullptr) {
        return {Kind::kImpossible, About(id, " exists already")};
    }
    if (usedIds_.contains(id)) {
        return {Kind::kImpossible, About(id, " was deleted: its id is not used again")};
    }
    if (voicemail.seconds == 0) {
        return {Kind::kImpossible, "a voice message lasts a second at least"};
    }
    usedIds_.insert(id);
    voicemails_.push_back(std::move(voicemail));
    if (notify) {
        Publish({VoicemailText(id, "TYPE", "INCOMING")});
    }
    return {};
}

VoicemailResult VoicemailModel::Delete(VoicemailId id) {
    VoicemailInfo* voicemail = Voicemail(id);
    if (voicemail == nullptr) {
        return {VoicemailResult::Kind::kUnknown, NoSuch(id)};
    }
    const bool wasPlaying = voicemail->status == VoicemailStatus::kPlaying;
    voicemail->status = VoicemailStatus::kDeleting;
    if (wasPlaying) {
        TellPlaying(false);
    }
    // Kept while DELETING goes out, so that a link asking at once reads that status.
    Publish({StatusText(*voicemail)});
    std::erase_if(voicemails_, [id](const VoicemailInfo& v) { return v.id == id; });
    return {};
}

VoicemailResult VoicemailModel::Open(VoicemailId id) {
    VoicemailInfo* voicemail = Voicemail(id);
    if (voicemail == nullptr) {
        return {VoicemailResult::Kind::kUnknown, NoSuch(id)};
    }
    if (voicemail->status == VoicemailStatus::kPlaying) {
        return {VoicemailResult::Kind::kUnchanged, {}};
    }
    std::vector<std::string> texts;
    EndPlaying(texts);
    voicemail->status = VoicemailStatus::kPlaying;
    voicemail->played = 0;
    texts.push_back(StatusText(*voicemail));
    TellPlaying(true);
    Publish(texts);
    return {};
}

VoicemailResult VoicemailModel::Close(VoicemailId id) {
    VoicemailInfo* voicemail = Voicemail(id);
    if (voicemail == nullptr) {
        return {VoicemailResult::Kind::kUnknown, NoSuch(id)};
    }
    if (voicemail->status != VoicemailStatus::kPlaying) {
        return {VoicemailResult::Kind::kUnchanged, {}};
    }
    StopPlaying();
    return {};
}

void VoicemailModel::StopPlaying() {
    std::vector<std::string> texts;
    EndPlaying(texts);
    if (!texts.empty()) {
        TellPlaying(false);
        Publish(texts);
    }
}

void VoicemailModel::Tick() {
    const auto playing =
        std::find_if(voicemails_.begin(), voicemails_.end(),
                     [](const VoicemailInfo& v) { return v.status == VoicemailStatus::kPlaying; });
    if (playing == voicemails_.end()) {
        return;
    }
    if (++playing->played >= playing->seconds) {
        StopPlaying();
    }
}

bool VoicemailModel::AnyPlaying() const {
    return std::any_of(voicemails_.begin(), voicemails_.end(), [](const VoicemailInfo& v) {
        return v.status == VoicemailStatus::kPlaying;
    });
}

std::optional<VoicemailInfo> VoicemailModel::Find(VoicemailId id) const {
    const auto found = std::find_if(voicemails_.begin(), voicemails_.end(),
                                    [id](const VoicemailInfo& v) { return v.id == id; });
    return found == voicemails_.end() ? std::nullopt : std::optional(*found);
}

std::vector<VoicemailInfo> VoicemailModel::NewestFirst() const {
    std::vector<VoicemailInfo> newest(voicemails_.rbegin(), voicemails_.rend());
    std::stable_sort(
        newest.begin(), newest.end(),
        [](const VoicemailInfo& a, const VoicemailInfo& b) { return a.timestamp > b.timestamp; });
    return newest;
}

// One being deleted is as good as gone: only its DELETING text is still on the way.
VoicemailInfo* VoicemailModel::Voicemail(VoicemailId id) {
    const auto found = std::find_if(voicemails_.begin(), voicemails_.end(), [id](const auto& v) {
        return v.id == id && v.status != VoicemailStatus::kDeleting;
    });
    return found == voicemails_.end() ? nullptr : &*found;
}

void VoicemailModel::EndPlaying(std::vector<std::string>& texts) {
    for (VoicemailInfo& voicemail : voicemails_) {
        if (voicemail.status == VoicemailStatus::kPlaying) {
            voicemail.status = VoicemailStatus::kPlayed;
            texts.push_back(StatusText(voicemail));
        }
    }
}

void VoicemailModel::TellPlaying(bool playing) {
    if (playingObserver_) {
        playingObserver_(playing);
    }
}

void VoicemailModel::Publish(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        sink_(text);
    }
}

}  // namespace phone_client_sim
