// The host's string table. Leading and trailing spaces belong to the texts.
#include "host/larkspur/HostStrings.h"

#include <array>

#include "platform/locale/LangId.h"

namespace {

constexpr auto kEntries = std::to_array<StringEntry>({
    // English
    {501, L" Language Setting "},
    {502, L"Auto"},
    {503, L"Simplified Chinese"},
    {504, L"Traditional Chinese"},
    {505, L"English"},
    {506, L"Japanese"},
    {507, L" Volume Settings "},
    {508, L"Sound Device for Skype"},
    {509, L"Audio Out"},
    {510, L"Audio In"},
    {511, L"Ringer"},
    {512, L"Window Default Sound Device"},
    {513, L"Incoming Call"},
    {514, L"Speaker"},
    {515, L"Buzzer"},
    {516, L"None"},
    {517, L"Key Press"},
    {518, L"Ringing"},
    {519, L"Contrast"},
    {520, L"Ringer"},
    {521, L"Logo"},
    {522, L"Mic Mute"},
    {523, L"Sound Out"},
    {524, L"Information"},
    {525, L"Version"},
    {526, L"Firmware Version"},
    {527, L"AutoRun"},
    {528, L"When Windows Startup autorun "},
    {529, L" Startup autorun Skype"},
    {530, L"Synchronous"},
    {531, L"Notice:This program work in Skype 3.0"},
    {532, L"Audio Settings"},
    {533, L"Phone Settings"},
    {534, L"Language"},
    {535, L"Ring Settings"},
    {536, L"Information"},
    {537, L"Close"},
    {538, L"Exit"},
    {539, L"Settings "},
    // Simplified Chinese
    {601, L" 语言设置 "},
    {602, L"自动"},
    {603, L"简体中文"},
    {604, L"繁体中文"},
    {605, L"英语"},
    {606, L"日语"},
    {607, L" 音量设置 "},
    {608, L"Skype音频设备"},
    {609, L"音频输出"},
    {610, L"音频输入"},
    {611, L"响铃"},
    {612, L"Window默认音频设备"},
    {613, L"来电响铃"},
    {614, L"喇叭"},
    {615, L"蜂鸣器"},
    {616, L"无"},
    {617, L"按键音"},
    {618, L"蜂鸣器铃声类型"},
    {619, L"对比度"},
    {620, L"铃声"},
    {621, L"徽标"},
    {622, L"话筒静音"},
    {623, L"声音输出"},
    {624, L"信息"},
    {625, L"版本"},
    {626, L"Firmware版本"},
    {627, L"自动运行"},
    {628, L"Windows启动时运行"},
    {629, L"启动时运行Skype"},
    {630, L"同步"},
    {631, L"注意：本程序配合Skype3.0使用。"},
    {632, L" 音频设置 "},
    {633, L" 话机设置 "},
    {634, L" 语言 "},
    {635, L" 铃声设置 "},
    {636, L" 信息 "},
    {637, L" 关闭 "},
    {638, L" 退出 "},
    {639, L" 设置 "},
    // Traditional Chinese
    {701, L" 語言設置 "},
    {702, L"自動"},
    {703, L"簡體中文"},
    {704, L"繁體中文"},
    {705, L"英語"},
    {706, L"日語"},
    {707, L" 音量設置 "},
    {708, L"Skype音頻設備"},
    {709, L"音頻輸出"},
    {710, L"音頻輸入"},
    {711, L"響鈴"},
    {712, L"Window默認音頻設備"},
    {713, L"來電響鈴"},
    {714, L"喇叭"},
    {715, L"蜂鳴器"},
    {716, L"無"},
    {717, L"按鍵音"},
    {718, L"蜂鳴器鈴聲類型"},
    {719, L"對比度"},
    {720, L"鈴聲"},
    {721, L"徽標"},
    {722, L"話筒靜音"},
    {723, L"聲音輸出"},
    {724, L"信息"},
    {725, L"版本"},
    {726, L"Firmware版本"},
    {727, L"自動運行"},
    {728, L"Windows啟動時運行"},
    {729, L"啟動時運行Skype"},
    {730, L"同步"},
    {731, L"注意：本程式配合Skype3.0使用。"},
    {732, L" 音頻設置 "},
    {733, L" 話機設置 "},
    {734, L" 語言 "},
    {735, L" 鈴聲設置 "},
    {736, L" 信息 "},
    {737, L" 關閉 "},
    {738, L" 退出 "},
    {739, L" 設置 "},
    // Japanese
    {801, L" 言語セッティング "},
    {802, L"自動"},
    {803, L"簡体中国語"},
    {804, L"繁体中国語"},
    {805, L"英語"},
    {806, L"日本語"},
    {807, L" 音量セッティング "},
    {808, L"Skypeトーン設備"},
    {809, L"トーンアウトプット"},
    {810, L"トーンインプット"},
    {811, L"リング"},
    {812, L"Window黙認トーン設備"},
    {813, L"呼び入れリング"},
    {814, L"ラッパ"},
    {815, L"ブザー"},
    {816, L"無"},
    {817, L"キーボイス"},
    {818, L"ブザーリングタイプ"},
    {819, L"コントラスト"},
    {820, L"リング"},
    {821, L"シンポル"},
    {822, L"受話器静音"},
    {823, L"ボイスアウトプット"},
    {824, L"メッセージ"},
    {825, L"バージョン"},
    {826, L"Firmware バージョン"},
    {827, L"自動稼動"},
    {828, L"Windows起動時稼動"},
    {829, L"起動時Skype稼動"},
    {830, L"平行"},
    {831, L"注：本プログラムは Skype 3.0に合わせて使用"},
    {832, L"トーンセッティング"},
    {833, L"電話器セッティング"},
    {834, L"言葉"},
    {835, L"リングセッティング"},
    {836, L"メッセージ"},
    {837, L"オフ"},
    {838, L"終了"},
    {839, L"セッティング "},
    // The notice lines, one per language.
    {840, L"注意：设置会立即发送到话机。"},
    {841, L"注意：設置會立即發送到話機。"},
    {842, L"注：設定はすぐに電話器に送られます。"},
    {843, L"Notice: settings reach the handset at once."},
});

}  // namespace

const StringTable kHostStrings{kEntries};

unsigned GetLanguageBase(std::uint16_t langId) {
    if (langId == 0) {
        langId = platform::GetSystemDefaultLangID();
    }
    switch (langId & 0x3FF) {
        case 0x04:
            return langId >= 0x0800 && langId < 0x0C00 ? 100 : 200;
        case 0x11:
            return 300;
        default:
            return 0;
    }
}

std::wstring HostString(unsigned englishId, unsigned base) {
    return kHostStrings.Load(englishId + base);
}

std::wstring NoticeLine(unsigned base) {
    switch (base) {
        case 100:
            return kHostStrings.Load(840);
        case 200:
            return kHostStrings.Load(841);
        case 300:
            return kHostStrings.Load(842);
        default:
            return kHostStrings.Load(843);
    }
}
