// The Echobox mode: the user's voice messages on the handset. It keeps the list the softphone
// gives and follows its notifications, asks for each message's sender, time and status, shows one
// message at a time and lets the user play and stop it on the PC through the softphone. Every
// time the details are complete, it tells the other modes how many messages are unplayed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "LCD/Echobox/VoiceMessageEntry.h"
#include "modebase/CEmluatorModeBase.h"

class CEchoboxMode : public CEmluatorModeBase {
  public:
    static constexpr platform::TimerId kDetailTimer = 1;
    // A voice message whose details do not come is asked again after 1, 2, 4 ... ticks of the
    // detail timer (at most about a second apart), this many times at most; then the next one's
    // turn comes. A client that never answers costs a few dozen queries, not 300 a second.
    static constexpr int kMaxDetailQueries = 10;
    static constexpr int kMaxDetailWait = 99;
    // More messages than any mailbox holds are not kept: a flood of announcements must not grow
    // the list without end. The oldest give way.
    static constexpr std::size_t kMaxMessages = 1000;

    CEchoboxMode();
    ~CEchoboxMode() override;

    bool ProcessSkypeMsg(std::wstring text) override;
    bool ProcessKey(std::uint8_t key) override;
    void SetSkypeOnline(bool online) override;
    void RefreshLCD() override { DrawMailboxScreen(); }

    int FindMessage(std::wstring_view id) const;
    void DrawMailboxScreen();
    void BroadcastUnplayed();
    // The string offset of m_langID: 0 Simplified Chinese, 100 other Chinese, 200 English and
    // any other language, 300 Japanese.
    unsigned GetLangBase() const;
    static int StatusOfWord(std::wstring_view word);

    std::vector<VoiceMessageEntry> m_messages;
    int m_cursor = 0;
    long m_detailTimer = -1;
    int m_detailWait = 0;  // ticks until the message being asked about is asked again

  protected:
    void OnTimer(platform::TimerId id) override;

  private:
    void StartDetailTimer();
    void StopDetailTimer();
    void OnDetailTick();
    void OnListReply(const std::wstring& text);
    bool OnNotification(const std::wstring& text);
    std::wstring Text(unsigned id) const;
    // m_cursor inside the list, 0 for an empty one.
    void ClampCursor();
};
