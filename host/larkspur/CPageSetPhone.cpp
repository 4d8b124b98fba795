// The phone page's controls, their storage, and what they tell the handset and the softphone.
#include "host/larkspur/CPageSetPhone.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <algorithm>

#include "host/larkspur/ConsoleOperations.h"
#include "host/larkspur/HostStrings.h"

namespace {

constexpr int kDefaultContrast = 32;
constexpr int kDefaultContrastTop = 56;
// The slider's middle, where the contrast equals the top minus this.
constexpr int kContrastMiddle = 32;
constexpr int kContrastPositions = 16;

constexpr std::uint8_t kMicMuteCommand = 4;
constexpr std::uint8_t kContrastCommand = 5;
constexpr std::uint8_t kSoundOutCommand = 7;
constexpr std::uint8_t kContrastSettingKey = 102;
constexpr std::uint8_t kMicMuteSettingKey = 105;
constexpr std::uint8_t kSoundOutSettingKey = 107;

constexpr const wchar_t* kPathTooLong =
    L"Error: This file's pathname is too long,\nplease select another file.";

}  // namespace

CPageSetPhone::CPageSetPhone(ConsoleOperations& console)
    : ConsolePage(console),
      contrast_(new QSlider(Qt::Horizontal, this)),
      ringerFile_(new QLineEdit(this)),
      browse_(new QPushButton(QStringLiteral("..."), this)),
      micMute_(new QComboBox(this)),
      soundOut_(new QComboBox(this)),
      contrastLabel_(new QLabel(this)),
      ringerLabel_(new QLabel(this)),
      micMuteLabel_(new QLabel(this)),
      soundOutLabel_(new QLabel(this)) {
    contrast_->setRange(0, kContrastPositions);
    contrast_->setTickPosition(QSlider::TicksBelow);
    ringerFile_->setReadOnly(true);
    micMute_->addItems({QStringLiteral("Off"), QStringLiteral("On")});
    soundOut_->addItems({QStringLiteral("Default"), QStringLiteral("Hand Free")});

    auto* ringer = new QHBoxLayout;
    ringer->addWidget(ringerFile_, 1);
    ringer->addWidget(browse_);
    auto* grid = new QGridLayout(this);
    grid->addWidget(contrastLabel_, 0, 0);
    grid->addWidget(contrast_, 0, 1);
    grid->addWidget(ringerLabel_, 1, 0);
    grid->addLayout(ringer, 1, 1);
    grid->addWidget(micMuteLabel_, 2, 0);
    grid->addWidget(micMute_, 2, 1, Qt::AlignLeft);
    grid->addWidget(soundOutLabel_, 3, 0);
    grid->addWidget(soundOut_, 3, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(4, 1);

    connect(contrast_, &QSlider::valueChanged, this, [this] { CheckContrast(); });
    connect(browse_, &QPushButton::clicked, this, [this] { ChooseRingerFile(); });
    connect(micMute_, &QComboBox::activated, this,
            [this] { ChooseSwitch(*micMute_, L"mic", kMicMuteCommand, kMicMuteSettingKey); });
    connect(soundOut_, &QComboBox::activated, this,
            [this] { ChooseSwitch(*soundOut_, L"sndout", kSoundOutCommand, kSoundOutSettingKey); });
}

void CPageSetPhone::OnInitDialog() {
    ReloadSettings();
    // The softphone learns the file at once, whatever rings.
    SendRingtone(ringerFile_->text().toStdWString());
}

void CPageSetPhone::ReloadSettings() {
    const int contrast = SettingInt(L"PhoneSet", L"contrast", kDefaultContrast);
    const int top = SettingInt(L"contrast", L"top", kDefaultContrastTop);
    {
        const QSignalBlocker quiet(contrast_);
        contrast_->setValue(contrast - top + kContrastMiddle);
    }
    micMute_->setCurrentIndex(SettingInt(L"PhoneSet", L"mic", 0));
    soundOut_->setCurrentIndex(SettingInt(L"PhoneSet", L"sndout", 0));
    ringerFile_->setText(QString::fromStdWString(SettingText(L"MultiMedia", L"RingerFile")));
    // A stored contrast the slider cannot show is replaced by the one it shows.
    CheckContrast();
}

void CPageSetPhone::CheckContrast() {
    const int top = SettingInt(L"contrast", L"top", kDefaultContrastTop);
    const int contrast = top + contrast_->value() - kContrastMiddle;
    if (SettingInt(L"PhoneSet", L"contrast", kDefaultContrast) != contrast) {
        WriteSetting(L"PhoneSet", L"contrast", std::to_wstring(contrast));
        // The handset takes one byte; a top beyond it must not wrap around.
        Console().PostDeviceCommand(kContrastCommand,
                                    static_cast<std::uint8_t>(std::clamp(contrast, 0, 255)));
        Console().PostSettingKey(kContrastSettingKey);
    }
}

void CPageSetPhone::ChooseRingerFile() {
    const std::optional<std::wstring> path = Console().ChooseSoundFile();
    if (!path) {
        return;
    }
    if (path->size() > kMaxRingerPath) {
        Console().ShowError(kPathTooLong);
        return;
    }
    ringerFile_->setText(QString::fromStdWString(*path));
    // Only bell 1 rings with the file; otherwise the softphone stays silent.
    SendRingtone(SettingInt(L"PhoneSet", L"bell", 1) == 1 ? *path : SoundFile(L"mute.wav"));
    WriteSetting(L"MultiMedia", L"RingerFile", *path);
}

void CPageSetPhone::ChooseSwitch(const QComboBox& list, const wchar_t* key, std::uint8_t command,
                                 std::uint8_t settingKey) {
    const int index = list.currentIndex();
    WriteSetting(L"PhoneSet", key, index != 0 ? L"1" : L"0");
    Console().PostDeviceCommand(command, static_cast<std::uint8_t>(index));
    Console().PostSettingKey(settingKey);
}

void CPageSetPhone::SetTexts(std::uint16_t langId) {
    const unsigned base = GetLanguageBase(langId);
    const auto text = [base](unsigned id) { return QString::fromStdWString(HostString(id, base)); };
    contrastLabel_->setText(text(519));
    ringerLabel_->setText(text(520));
    micMuteLabel_->setText(text(522));
    soundOutLabel_->setText(text(523));
}
