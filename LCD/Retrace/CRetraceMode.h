// The Retrace mode: the softphone's call history on the handset. It keeps its own copy of the
// recent calls (the ids the softphone lists, and calls it sees starting), asks for each call's
// details one at a time, paced by timers, and tells the other modes every second how many
// missed calls the user has not looked at. The user brings it up with a category key (dialled,
// missed, received, all), steps through the calls and calls a partner back.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "LCD/Retrace/HistoryEntry.h"
#include "modebase/CEmluatorModeBase.h"

class CRetraceMode : public CEmluatorModeBase {
  public:
    enum Category : int { kDialled = 0, kMissed = 1, kReceived = 2, kAll = 3 };

    static constexpr platform::TimerId kNewCallTimer = 1;
    static constexpr platform::TimerId kTickTimer = 2;
    static constexpr platform::TimerId kHistoryTimer = 5;
    // What a list reply leaves at most.
    static constexpr std::size_t kMaxEntries = 50;

    CRetraceMode();
    ~CRetraceMode() override;

    bool ProcessSkypeMsg(std::wstring text) override;
    bool ProcessKey(std::uint8_t key) override;
    void SetSkypeOnline(bool online) override;
    void SetHIDOnline(bool online) override;
    void RefreshLCD() override { DrawHistoryScreen(); }

    // In m_newCalls: its index i; in m_history: -(j + 2) for index j; nowhere: -1. Ids are
    // compared with the spaces at both ends trimmed.
    int FindCallEntry(std::wstring_view id) const;
    void BuildView();
    void DrawHistoryScreen();
    // The string offset of m_langID: 0 Simplified Chinese, 100 other Chinese, 200 English and
    // any other language, 300 Japanese.
    unsigned GetLangBase() const;
    static int ParseCallStatus(std::wstring_view word);

    std::vector<HistoryEntry> m_newCalls;
    std::vector<HistoryEntry> m_history;  // the last list reply, in the reverse of its order
    std::vector<HistoryEntry> m_rebuild;
    std::vector<HistoryEntry> m_view;
    std::vector<HistoryEntry> m_merge;
    bool m_historyLoaded = false;
    long m_newCallTimer = -1;
    long m_tickTimer = -1;
    long m_historyTimer = -1;
    int m_historyCursor = 0;
    std::filesystem::path m_startDir;
    int m_category = kDialled;
    int m_cursor = 0;
    int m_nameScroll = -1;
    // The new call the detail timer asked last in its pass; empty at the start of a pass.
    std::wstring m_newCallAsked;

  protected:
    void OnTimer(platform::TimerId id) override;

  private:
    // The entry FindCallEntry's `found` names (known, so not -1).
    HistoryEntry& EntryAt(int found);
    void OnCallNotification(const std::wstring& text);
    void AddNewCall(const std::wstring& id, int direction);
    void OnListReply(std::wstring_view text);
    static HistoryEntry NewEntry(const std::wstring& id);
    // Sets timer `id` (a running one starts its period again) and notes it in `member`.
    void RunTimer(platform::TimerId id, long& member, std::chrono::milliseconds period);
    void StopTimer(platform::TimerId id, long& member);
    void StartNewCallTimer();
    void StopNewCallTimer();
    void StartTickTimer();
    void StopTickTimer();
    void StartHistoryTimer();
    void StopHistoryTimer();
    void OnNewCallTick();
    void OnHistoryTick();
    void OnTick();
    void BroadcastMissed();
    bool OpenCategory(int category, bool searchFirst);
    // The row text of `id` in the language of m_langID.
    std::wstring Text(unsigned id) const;
    std::wstring IconPath(const HistoryEntry& entry) const;
};
