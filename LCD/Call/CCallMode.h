// The Call mode: mirrors the softphone's live calls on the handset. It keeps a table of the calls
// the softphone reports, asks for the details it lacks, takes the handset when a call starts or
// rings, rings, and gives the handset back when the last call has ended.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LCD/Call/CallRecord.h"
#include "modebase/CEmluatorModeBase.h"

class CCallMode : public CEmluatorModeBase {
  public:
    // The end screens, by how the call ended.
    enum EndKind : int {
        kNoEnd = 0,
        kEndFailed = 1,
        kEndRefused = 2,
        kEndMissedIncoming = 3,
        kEndMissedOutgoing = 4,
        kEndFinished = 5,
    };
    // More participants than a conference can hold are not asked for: a damaged count must not
    // flood the softphone.
    static constexpr unsigned long kMaxConfParticipants = 100;
    static constexpr platform::TimerId kPollTimer = 1;
    static constexpr platform::TimerId kLightTimer = 3;
    static constexpr platform::TimerId kHasCallTimer = 9;
    static constexpr platform::TimerId kKeySoundTimer = 13;
    // The end screen's poll ticks: cleared on the one after the fifth.
    static constexpr int kEndScreenTicks = 5;

    CCallMode();
    ~CCallMode() override;

    bool ProcessSkypeMsg(std::wstring text) override;
    bool ProcessKey(std::uint8_t key) override;
    void SetSkypeOnline(bool online) override;
    void SetHIDOnline(bool online) override;
    void RefreshLCD() override { DrawCallScreen(); }

    int FindCallByID(std::wstring_view id) const;
    int FindCallByHandle(std::wstring_view handle) const;
    int CountConfMembers(std::wstring_view id) const;
    void RemoveCallAt(int index);
    void RemoveConfMembers(std::wstring_view id);

    void StartRinger();
    void StopRinger();
    // "set call <id> status onhold" for every call past its set-up, held ones again.
    void HoldAllCalls();
    // One keystroke for the window with the keyboard focus: a digit, '*', '#' or '+'.
    static void SendDialKey(wchar_t character);

    platform::LRESULT WindowProc(platform::MessageId message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

    // The end screen, or the screen of one call or of several; nothing without a call.
    void DrawCallScreen();
    void DrawSingleCall();
    void DrawTwoCalls();
    void DrawEndScreen();
    // The string-table base of m_langID: 0 Simplified Chinese, 100 other Chinese, 300 Japanese,
    // 200 any other language.
    unsigned GetLangBase() const;

    std::vector<CallRecord> m_calls;
    int m_curCall = -1;
    long m_pollTimer = -1;
    int m_endKind = kNoEnd;
    int m_endTicks = 0;
    std::wstring m_endName;
    std::wstring m_failReason;
    std::filesystem::path m_startDir;
    int m_userStatus = 0;
    int m_nameScroll = -1;
    int m_handsFree = 0;
    std::wstring m_pendingCallID;
    int m_micMuted = 0;
    std::uint8_t m_lightOn = 1;  // the engine lit the keypad when the handset came
    long m_lightTimer = -1;
    long m_hasCallTimer = -1;
    long m_keySoundTimer = -1;
    std::uint8_t m_keySoundOff = 0;
    std::vector<std::wstring> m_knownCalls;

  protected:
    bool OnInitDialog() override;
    void OnTimer(platform::TimerId id) override;

  private:
    std::wstring Text(unsigned offset) const;
    std::wstring StateText(int state) const;
    std::wstring IconPath(const wchar_t* name) const;
    std::wstring StateIcon(const CallRecord& call) const;
    // The microphone's and the speaker's icons, when they apply.
    void PutStatusIcons();
    void OnPollTick();
    void OnLightTick();
    void OnKeySoundTick();
    // Starts the key-sound timer when the table went from empty to not or back.
    void WatchKeySound();
    void OnDialTone(unsigned code);
    void ClearEndScreen();
    void JoinSelectedCall(const CallRecord& call);
    void ToggleMute();
    bool HandleSkypeMsg(const std::wstring& text);
    // The notification about one call: what it returned when a keyword decided, nothing when
    // none did and the other tests go on.
    std::optional<bool> OnCallNotification(const std::wstring& text);
    std::optional<bool> OnCallStatus(const std::wstring& text, const std::wstring& id, int found,
                                     CallRecord& call);
    void AddKnownCalls(const std::wstring& text);
    void UpdateUserStatus(const std::wstring& text);
    void OnCommandError();
    bool AddCall(const std::wstring& id, CallState state);
    bool TakeHandset(bool resetScroll);
    void EndCall(const std::wstring& id, std::optional<EndKind> kind);
    void OnConferenceCount(const std::wstring& id, std::wstring_view count);
    void OnParticipant(const std::wstring& id, std::wstring_view fields);
    // Writes `call` back over the record with its CallID; a nested notification may have moved
    // or removed it since the copy was taken.
    void Store(const CallRecord& call);
    void RedrawIfActive();
    int ReadSetting(const wchar_t* section, const wchar_t* key, int defaultValue) const;
    // Writes [PhoneSet] `key`.
    void WriteSetting(const wchar_t* key, const std::wstring& value) const;
    std::filesystem::path SettingsFile() const;
    void PostSettingChange(platform::WPARAM what, platform::LPARAM value);
};
