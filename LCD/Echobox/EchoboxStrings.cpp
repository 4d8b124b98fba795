// The Echobox mode's texts: ids 101..107 Simplified Chinese, 201..207 Traditional Chinese,
// 301..307 English, 401..407 Japanese, and 408, the Japanese empty list's last row. Every text
// stands as the handset shows it, blanks and all (rows are cut to 16 characters).
#include "LCD/Echobox/EchoboxStrings.h"

namespace {

constexpr StringEntry kEntries[] = {
    {101, L" 语音邮件"},
    {102, L"没有语音邮件"},
    {103, L"来自："},
    {104, L"状态："},
    {105, L"未播放                   "},
    {106, L"已播放                       "},
    {107, L"播放中                       "},
    {201, L" 語音郵件"},
    {202, L"沒有語音郵件"},
    {203, L"來自："},
    {204, L"狀態："},
    {205, L"未播放                   "},
    {206, L"已播放                       "},
    {207, L"播放中                       "},
    {301, L" Voice Mail"},
    {302, L" No Voice Mail  "},
    {303, L"From："},
    {304, L"Status："},
    {305, L"UnPlayed                   "},
    {306, L"Played                       "},
    {307, L"Playing                       "},
    {401, L"ボイスメッセージ"},
    {402, L"ボイスメッセージ無し  "},
    {403, L"より: "},
    {404, L"状態: "},
    {405, L"未放送                  "},
    {406, L"放送済み                      "},
    {407, L"放送中                      "},
    {408, L"      無し"},
};

}  // namespace

const StringTable kEchoboxStrings{kEntries};
