// The simulated softphone's voice messages: the ones it holds, the one it plays, and the exact
// texts a real client notifies about them.
//
// Pure: no socket, no loop, no clock. Every change goes, in order, to the notification sink as
// the texts a client sends to every attached link ("VOICEMAIL 7 STATUS PLAYING"); whoever owns
// the model calls Tick() once a second while AnyPlaying() (VoicemailTicker does). A change is
// complete before its first text goes out, so that a sink answering with a command at once finds
// the model in its new state.
//
// Status words, as the client writes them:
//   UNPLAYED  held (Add) or arrived (Arrive, notified "TYPE INCOMING"), never opened
//   PLAYING   opened; at most one plays: opening another ends this one first
//   PLAYED    played to its end (Tick), or closed while playing
//   DELETING  only while Delete notifies it; then the message is gone
// Ids are never used again, not even those of deleted messages.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace phone_client_sim {

// A decimal number above 0, chosen by whoever adds the message.
using VoicemailId = std::uint32_t;

enum class VoicemailStatus { kUnplayed, kPlaying, kPlayed, kDeleting };

// "UNPLAYED", "PLAYING", "PLAYED", "DELETING".
std::string_view ToString(VoicemailStatus status);
// The status a word names, compared exactly; nothing for any other word.
std::optional<VoicemailStatus> VoicemailStatusFromWord(std::string_view word);

struct VoicemailInfo {
    VoicemailId id = 0;
    std::uint32_t seconds = 0;   // its length, above 0
    std::int64_t timestamp = 0;  // when it was left, in seconds since 1970 UTC
    std::string partnerName;     // who left it; may be empty
    VoicemailStatus status = VoicemailStatus::kUnplayed;
    std::uint32_t played = 0;  // seconds played of the current or last playing
};

// One line for people: `7 "Alice Smith" 30 s at 1717171717 PLAYING, 12 s played`.
std::string Describe(const VoicemailInfo& voicemail);
// "VOICEMAIL <id> <property> <value>", the form of every text about a voice message.
std::string VoicemailText(VoicemailId id, std::string_view property, std::string_view value);

struct VoicemailResult {
    enum class Kind {
        kDone,        // changed, and notified
        kUnchanged,   // in the state asked for already (close of one not playing); nothing notified
        kUnknown,     // no message has the id (or it is being deleted)
        kImpossible,  // a bad argument; nothing changed
    };
    Kind kind = Kind::kDone;
    std::string why;  // for people, when not Ok(): "no voice message 7"

    bool Ok() const { return kind == Kind::kDone || kind == Kind::kUnchanged; }
};

class VoicemailModel {
  public:
    using NotificationSink = std::function<void(const std::string& text)>;
    // Told `true` whenever a message starts playing (so that its seconds count from then),
    // `false` when none plays any more, before the texts of that change go to the sink.
    using PlayingObserver = std::function<void(bool playing)>;

    explicit VoicemailModel(NotificationSink sink);

    void SetPlayingObserver(PlayingObserver observer) { playingObserver_ = std::move(observer); }

    // A message the softphone holds before anyone asks; nothing is notified. Needs an id no
    // message has had and a length above 0 seconds; the name may be empty.
    VoicemailResult Add(VoicemailId id, std::uint32_t seconds, std::int64_t timestamp,
                        std::string partnerName);
    // The same for a message left while the softphone runs: "TYPE INCOMING".
    VoicemailResult Arrive(VoicemailId id, std::uint32_t seconds, std::int64_t timestamp,
                           std::string partnerName);
    // "STATUS DELETING", then the message is gone (a playing one stops without PLAYED).
    VoicemailResult Delete(VoicemailId id);

    // The links' requests, "open voicemail <id>" and "close voicemail <id>". Open plays it
    // ("STATUS PLAYING"), ending the one that plays first ("STATUS PLAYED"); kUnchanged when it
    // plays already. Close stops a playing one ("STATUS PLAYED"); kUnchanged when it does not play.
    VoicemailResult Open(VoicemailId id);
    VoicemailResult Close(VoicemailId id);
    // The softphone ends or logs out: the playing message, if any, stops as Close does.
    void StopPlaying();
    // One second passes: the playing message counts it, and ends "STATUS PLAYED" at its length.
    void Tick();

    bool AnyPlaying() const;
    std::optional<VoicemailInfo> Find(VoicemailId id) const;
    // Every message held, in order of arrival.
    const std::vector<VoicemailInfo>& Voicemails() const { return voicemails_; }
    // The same, the newest first by timestamp; of the same second, the later arrival first.
    std::vector<VoicemailInfo> NewestFirst() const;

  private:
    VoicemailInfo* Voicemail(VoicemailId id);
    VoicemailResult New(VoicemailInfo voicemail, bool notify);
    // Ends the playing message as PLAYED, adding its text; nothing when none plays.
    void EndPlaying(std::vector<std::string>& texts);
    void TellPlaying(bool playing);
    void Publish(const std::vector<std::string>& texts);

    NotificationSink sink_;
    PlayingObserver playingObserver_;
    std::vector<VoicemailInfo> voicemails_;
    std::set<VoicemailId> usedIds_;  // deleted ones too
};

}  // namespace phone_client_sim
