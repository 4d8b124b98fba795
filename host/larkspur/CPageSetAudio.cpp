// The audio page's lists, its choices for the softphone and the desktop, and the volume.
#include "host/larkspur/CPageSetAudio.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "host/larkspur/ChoiceControls.h"
#include "host/larkspur/ConsoleOperations.h"
#include "host/larkspur/HostStrings.h"

namespace {

using platform::AudioDirection;

constexpr std::uint8_t kVolumeSettingKey = 101;
constexpr int kDefaultVolume = 8;

struct RoleSetting {
    const wchar_t* key;      // in [MultiMedia]
    const wchar_t* command;  // followed by the device's name
    AudioDirection direction;
};

constexpr std::array<RoleSetting, CPageSetAudio::kRoles> kRoleSettings = {{
    {L"audioout", L"Set audio_out ", AudioDirection::kOutput},
    {L"audioin", L"Set audio_in ", AudioDirection::kInput},
    {L"ringer", L"Set ringer ", AudioDirection::kOutput},
}};

constexpr AudioDirection kDirections[] = {AudioDirection::kOutput, AudioDirection::kInput};

QString ToQt(const std::wstring& text) {
    return QString::fromStdWString(text);
}

}  // namespace

bool IsHandsetDevice(std::wstring_view name) {
    return name == L"ORTOLAN" || name.starts_with(L"USB ");
}

CPageSetAudio::CPageSetAudio(ConsoleOperations& console, platform::AudioDevices& audio)
    : ConsolePage(console),
      audio_(audio),
      volume_(new QSlider(Qt::Vertical, this)),
      volumeGroup_(new QGroupBox(this)),
      softphoneGroup_(new QGroupBox(this)),
      desktopGroup_(new QGroupBox(this)),
      volumeLabel_(new QLabel(this)) {
    // Position 0 is at the top and means loud, as the level is 16 minus the position.
    volume_->setInvertedAppearance(true);
    volume_->setInvertedControls(true);
    volume_->setRange(0, platform::kTopVolumeStep);
    volume_->setTickPosition(QSlider::TicksBothSides);
    auto* volumeColumn = new QVBoxLayout(volumeGroup_);
    volumeColumn->addWidget(volumeLabel_, 0, Qt::AlignHCenter);
    volumeColumn->addWidget(volume_, 1, Qt::AlignHCenter);

    auto* softphoneGrid = new QGridLayout(softphoneGroup_);
    for (int role = 0; role < kRoles; ++role) {
        roleLabels_[role] = new QLabel(softphoneGroup_);
        roles_[role] = new QComboBox(softphoneGroup_);
        softphoneGrid->addWidget(roleLabels_[role], role, 0);
        softphoneGrid->addWidget(roles_[role], role, 1);
        // Only the user's choices act: the page's own selections are not choices.
        connect(roles_[role], &QComboBox::activated, this,
                [this, role] { ChooseRoleDevice(static_cast<Role>(role)); });
    }
    softphoneGrid->setColumnStretch(1, 1);

    auto* desktopGrid = new QGridLayout(desktopGroup_);
    for (AudioDirection direction : kDirections) {
        const std::size_t i = Index(direction);
        defaultLabels_[i] = new QLabel(desktopGroup_);
        defaults_[i] = new QComboBox(desktopGroup_);
        desktopGrid->addWidget(defaultLabels_[i], static_cast<int>(i), 0);
        desktopGrid->addWidget(defaults_[i], static_cast<int>(i), 1);
        connect(defaults_[i], &QComboBox::activated, this,
                [this, direction] { ChooseDefaultDevice(direction); });
    }
    desktopGrid->setColumnStretch(1, 1);

    auto* lists = new QVBoxLayout;
    lists->addWidget(softphoneGroup_);
    lists->addWidget(desktopGroup_);
    lists->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(volumeGroup_);
    layout->addLayout(lists, 1);

    connect(volume_, &QSlider::valueChanged, this, [this] { CheckVolume(); });
    audio_.SetOnChange([this] {
        if (IsInitialised()) {
            RefreshAudioDevices();
        }
    });
}

CPageSetAudio::~CPageSetAudio() {
    audio_.SetOnChange({});
}

void CPageSetAudio::OnInitDialog() {
    RefreshAudioDevices();
    LoadVolume();
}

void CPageSetAudio::RefreshAudioDevices() {
    ListAudioDevices();
    SelectAudioDevices();
}

void CPageSetAudio::ListAudioDevices() {
    for (QComboBox* list :
         {defaults_[0], defaults_[1], roles_[kAudioOut], roles_[kAudioIn], roles_[kRinger]}) {
        list->clear();
    }
    for (QComboBox* list : roles_) {
        list->addItem(ToQt(kDefaultDevice));
    }
    for (AudioDirection direction : kDirections) {
        const std::size_t i = Index(direction);
        handsetName_[i].clear();
        for (const std::wstring& name : audio_.Names(direction)) {
            defaults_[i]->addItem(ToQt(name));
            for (int role = 0; role < kRoles; ++role) {
                if (kRoleSettings[role].direction == direction) {
                    roles_[role]->addItem(ToQt(name));
                }
            }
            (IsHandsetDevice(name) ? handsetName_[i] : otherName_[i]) = name;
        }
    }
    // A list filled afresh has no selection until one is made.
    for (QComboBox* list :
         {defaults_[0], defaults_[1], roles_[kAudioOut], roles_[kAudioIn], roles_[kRinger]}) {
        list->setCurrentIndex(-1);
    }
}

void CPageSetAudio::SelectAudioDevices() {
    // Without an audio server the desktop's defaults can be neither read nor kept.
    if (audio_.IsAvailable()) {
        for (AudioDirection direction : kDirections) {
            SelectDefaultDevice(direction);
        }
    }
    for (int role = 0; role < kRoles; ++role) {
        SelectRoleDevice(static_cast<Role>(role));
    }
}

void CPageSetAudio::SelectDefaultDevice(AudioDirection direction) {
    const std::size_t i = Index(direction);
    if (!SelectByPrefix(*defaults_[i], audio_.DefaultName(direction))) {
        audio_.SetDefault(direction, otherName_[i]);
        SelectByPrefix(*defaults_[i], otherName_[i]);
    }
}

void CPageSetAudio::SelectRoleDevice(Role role) {
    const RoleSetting& setting = kRoleSettings[role];
    QComboBox& list = *roles_[role];
    std::wstring choice = handsetName_[Index(setting.direction)];
    if (!SelectByPrefix(list, choice)) {
        choice = SettingText(L"MultiMedia", setting.key, kDefaultDevice);
        if (!SelectByPrefix(list, choice)) {
            choice = kDefaultDevice;
            SelectByPrefix(list, choice);
        }
    }
    WriteSetting(L"MultiMedia", setting.key, choice);
    TellSoftphone(role, choice);
}

void CPageSetAudio::ChooseRoleDevice(Role role) {
    const std::wstring text = roles_[role]->currentText().toStdWString();
    TellSoftphone(role, text);
    WriteSetting(L"MultiMedia", kRoleSettings[role].key, text);
}

void CPageSetAudio::ChooseDefaultDevice(AudioDirection direction) {
    const QComboBox& list = *defaults_[Index(direction)];
    if (audio_.IsAvailable() && list.currentIndex() >= 0) {
        audio_.SetDefault(direction, list.currentText().toStdWString());
    }
}

void CPageSetAudio::TellSoftphone(Role role, const std::wstring& device) {
    std::wstring command = kRoleSettings[role].command;
    if (device != kDefaultDevice) {
        command += device;
    }
    Console().SendSkypeCommand(command);
}

void CPageSetAudio::LoadVolume() {
    const int level = SettingInt(L"PhoneSet", L"vol", kDefaultVolume);
    {
        const QSignalBlocker quiet(volume_);
        volume_->setValue(platform::kTopVolumeStep - level);
    }
    SetHandsetVolume(level);
    // A stored level the slider cannot show is replaced by the one it shows.
    CheckVolume();
}

void CPageSetAudio::CheckVolume() {
    const int level = platform::kTopVolumeStep - volume_->value();
    if (SettingInt(L"PhoneSet", L"vol", kDefaultVolume) != level) {
        WriteSetting(L"PhoneSet", L"vol", std::to_wstring(level));
        Console().PostSettingKey(kVolumeSettingKey);
        SetHandsetVolume(level);
    }
}

void CPageSetAudio::SetHandsetVolume(int level) {
    for (const std::wstring& name : audio_.Names(AudioDirection::kOutput)) {
        if (IsHandsetDevice(name)) {
            audio_.SetVolumeStep(name, std::clamp(level, 0, platform::kTopVolumeStep));
        }
    }
}

void CPageSetAudio::SetTexts(std::uint16_t langId) {
    const unsigned base = GetLanguageBase(langId);
    const auto text = [base](unsigned id) { return ToQt(HostString(id, base)); };
    volumeGroup_->setTitle(text(507));
    softphoneGroup_->setTitle(text(508));
    desktopGroup_->setTitle(text(512));
    volumeLabel_->setText(text(509));
    roleLabels_[kAudioOut]->setText(text(509));
    roleLabels_[kAudioIn]->setText(text(510));
    roleLabels_[kRinger]->setText(text(511));
    defaultLabels_[Index(AudioDirection::kOutput)]->setText(text(509));
    defaultLabels_[Index(AudioDirection::kInput)]->setText(text(510));
}
