// The base class of every mode: the contract between the engine and a mode plug-in.
//
// The engine knows a mode only through this class. It calls the five virtual operations
// directly; the mode asks the engine for the screen, the handset and the softphone through
// registered messages. The member order and the order of the virtual operations are binding
// across the plug-in boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/LcdFrame.h"
#include "modebase/ModeScreen.h"
#include "modebase/StringTable.h"
#include "platform/loop/Window.h"

class CEmluatorModeBase : public platform::Window {
  public:
    static constexpr std::size_t kSkypeCommandSize = 256;  // the NUL included
    static constexpr platform::TimerId kTitleTimer = 0;
    static constexpr int kTitleTicks = 20;  // the title shows on the tick after the 20th

    CEmluatorModeBase();
    ~CEmluatorModeBase() override = default;

    // The dialog's creation: runs OnInitDialog once.
    void CreateDialog();

    virtual bool ProcessSkypeMsg(std::wstring text);
    virtual bool ProcessKey(std::uint8_t key);
    virtual void SetSkypeOnline(bool online) { m_skypeOnline = online; }
    virtual void SetHIDOnline(bool online) { m_hidOnline = online; }
    virtual void RefreshLCD() {}

    bool IsActived() const { return m_active; }
    void SetActived(bool active) {
        m_active = active;
        if (active) {
            RefreshLCD();
        } else {
            m_titleTicks = -1;
        }
    }
    void GoBackToPrevMode() {
        if (m_prevMode != nullptr) {
            SetActived(false);
            m_prevMode->SetActived(true);
        }
    }
    platform::WindowHandle GetEmuWnd() const { return m_hEmuWnd; }
    void SetEmuWnd(platform::WindowHandle engine) { m_hEmuWnd = engine; }
    bool IsSkypeOnline() const { return m_skypeOnline; }
    bool IsHIDOnline() const { return m_hidOnline; }

    void RequestDisplayLCD();
    // Sends the text (UTF-8) to the softphone through the engine. A text longer than 255 bytes
    // is refused whole and false returned: a cut command could name another call.
    bool RequestCmdToSkype(const std::wstring& text);
    void RequestCmdToHID(std::uint8_t command, std::uint8_t value);
    void SendVirtualKey(std::uint8_t key);

    // The title timer runs only while a countdown does, so an idle mode costs nothing.
    void StartTitleCountdown();
    void StopTitleCountdown() { m_titleTicks = -1; }
    void ShowTitleScreen();

    // Drawing into m_lcd; none of these sends the frame.
    // A text screen draws its rows and highlight; a picture screen loads its picture.
    void ShowScreen(const ModeScreen* screen);
    // A row outside 0..3 is ignored. The row becomes the first 32 characters of `text`, NULs up
    // to position 31 when it is shorter, then spaces.
    void SetLine(std::wstring_view text, int row);
    void SetHighlightLine(int row) { m_highlightRow = row; }
    // Redraws m_lcd from the four rows, the highlight row (0..3) inverted.
    void RenderText();
    // m_lcd becomes the picture; a file that cannot be read or is not a 24-bit bitmap changes
    // nothing.
    void LoadPicture(const std::wstring& path);
    // The 16 x 16 icon over page..page + 1 from `column`; page 0..6 and column 0..112, and a
    // file of at least 32 bytes, or nothing changes.
    void PutIcon(const std::wstring& path, int page, int column);
    static bool IsDarkPixel(int red, int green, int blue);

    void SetLCDByte(int index, std::uint8_t value);
    std::uint8_t GetLCDByte(int index) const;

    // The string-table offset of `langId`: 0 Simplified Chinese, 100 other Chinese, 200 any
    // other language.
    static unsigned TitleLanguageOffset(std::uint16_t langId);
    // The offset of a mode's own texts, which come in Japanese too: 300 for Japanese, otherwise
    // the title's.
    static unsigned LanguageOffset(std::uint16_t langId) {
        return (langId & 0x3FF) == 0x11 ? 300 : TitleLanguageOffset(langId);
    }

    // Binding to a plug-in, as CreateMode does it.
    void SetModule(const StringTable* module) { m_module = module; }
    const StringTable* GetModule() const { return m_module; }

  protected:
    virtual bool OnInitDialog();
    void OnTimer(platform::TimerId id) override;

  public:
    int m_highlightRow = -1;
    int m_titleTicks = -1;
    long m_titleTimer = -1;
    char m_skypeCommand[kSkypeCommandSize] = {};
    platform::WindowHandle m_hEmuWnd = platform::kNoWindow;
    bool m_active = false;
    bool m_skypeOnline = false;
    bool m_hidOnline = false;
    wchar_t m_textRows[ModeScreen::kRows][64] = {};
    LCDFrame m_lcd{};
    const StringTable* m_module = nullptr;
    CEmluatorModeBase* m_prevMode = nullptr;
    std::uint16_t m_langID = 0;
    ModeScreen m_screen;

  private:
    bool created_ = false;
};
