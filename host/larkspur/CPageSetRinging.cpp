// The ring page's choices, stored as [PhoneSet] bell and pbsnd.
#include "host/larkspur/CPageSetRinging.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "host/larkspur/ChoiceControls.h"
#include "host/larkspur/ConsoleOperations.h"
#include "host/larkspur/HostStrings.h"
#include "platform/text/IgnoringCase.h"

namespace {

constexpr std::uint8_t kKeyPressCommand = 1;
constexpr std::uint8_t kKeyPressSettingKey = 103;
constexpr std::uint8_t kIncomingSettingKey = 104;
constexpr int kMelodies = 8;
// bell: 0 nothing rings, 1 the softphone's file through the speaker, 2..9 melody bell - 1.
constexpr int kBellNone = 0;
constexpr int kBellSpeaker = 1;
constexpr int kDefaultBell = kBellSpeaker;
// pbsnd is 2 - the key-press choice: 2 speaker, 1 buzzer, 0 none.
constexpr int kKeyPressValues = 2;

QString MelodyEntry(int melody) {
    return QStringLiteral("Ring %1").arg(melody);
}

}  // namespace

CPageSetRinging::CPageSetRinging(ConsoleOperations& console)
    : ConsolePage(console),
      ringType_(new QComboBox(this)),
      incomingLabel_(new QLabel(this)),
      keyPressLabel_(new QLabel(this)),
      ringTypeLabel_(new QLabel(this)) {
    auto* grid = new QGridLayout(this);
    const auto addGroup = [&](int row, QLabel* label, std::array<QRadioButton*, kChoices>& radios,
                              QButtonGroup& group) {
        auto* line = new QHBoxLayout;
        for (int choice = 0; choice < kChoices; ++choice) {
            radios[choice] = new QRadioButton(this);
            group.addButton(radios[choice], choice);
            line->addWidget(radios[choice]);
        }
        line->addStretch();
        radios[kBuzzer]->hide();
        grid->addWidget(label, row, 0);
        grid->addLayout(line, row, 1);
    };
    addGroup(0, incomingLabel_, incoming_, incomingGroup_);
    addGroup(1, keyPressLabel_, keyPress_, keyPressGroup_);
    ringType_->addItem(QStringLiteral(" "));
    for (int melody = 1; melody <= kMelodies; ++melody) {
        ringType_->addItem(MelodyEntry(melody));
    }
    grid->addWidget(ringTypeLabel_, 2, 0);
    grid->addWidget(ringType_, 2, 1, Qt::AlignLeft);
    ringTypeLabel_->hide();
    ringType_->hide();
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);

    connect(&incomingGroup_, &QButtonGroup::idClicked, this,
            [this](int choice) { ChooseIncoming(choice); });
    connect(&keyPressGroup_, &QButtonGroup::idClicked, this,
            [this](int choice) { ChooseKeyPress(choice); });
    connect(ringType_, &QComboBox::activated, this, [this] { ChooseRingType(); });
}

void CPageSetRinging::ReloadSettings() {
    const int bell = SettingInt(L"PhoneSet", L"bell", kDefaultBell);
    if (bell == kBellNone || bell == kBellSpeaker) {
        ShowChoice(incomingGroup_, bell == kBellNone ? kNone : kSpeaker);
        ringType_->setCurrentIndex(0);
    } else {
        ShowChoice(incomingGroup_, kBuzzer);
        // A melody the handset does not have keeps the list as it was.
        SelectByPrefix(*ringType_, MelodyEntry(bell - 1).toStdWString());
    }
    ShowChoice(keyPressGroup_, kKeyPressValues - SettingInt(L"PhoneSet", L"pbsnd", 0));
}

void CPageSetRinging::EnableRingControls(bool enable) {
    ringType_->setEnabled(enable);
    for (QRadioButton* radio : incoming_) {
        radio->setEnabled(enable);
    }
}

void CPageSetRinging::ChooseIncoming(int choice) {
    if (choice == kBuzzer) {
        return;  // hidden: a melody is chosen in the ring-type list
    }
    ringType_->setCurrentIndex(0);
    if (choice == kSpeaker) {
        std::wstring file = SettingText(L"MultiMedia", L"RingerFile");
        if (platform::EqualIgnoringCase(file, L"default.wav")) {
            file = SoundFile(L"default.wav");
        }
        // Without a file the softphone keeps the ring it has.
        if (!file.empty()) {
            SendRingtone(file);
        }
    } else {
        SendRingtone(SoundFile(L"mute.wav"));
    }
    WriteBell(choice == kSpeaker ? kBellSpeaker : kBellNone);
}

void CPageSetRinging::ChooseRingType() {
    const int entry = ringType_->currentIndex();
    ShowChoice(incomingGroup_, entry == 0 ? kNone : kBuzzer);
    WriteBell(entry == 0 ? kBellNone : entry + 1);
}

void CPageSetRinging::WriteBell(int bell) {
    WriteSetting(L"PhoneSet", L"bell", std::to_wstring(bell));
    Console().PostSettingKey(kIncomingSettingKey);
}

void CPageSetRinging::ChooseKeyPress(int choice) {
    const int pbsnd = kKeyPressValues - choice;
    WriteSetting(L"PhoneSet", L"pbsnd", std::to_wstring(pbsnd));
    Console().PostDeviceCommand(kKeyPressCommand, static_cast<std::uint8_t>(pbsnd));
    Console().PostSettingKey(kKeyPressSettingKey);
}

void CPageSetRinging::SetTexts(std::uint16_t langId) {
    const unsigned base = GetLanguageBase(langId);
    const auto text = [base](unsigned id) { return QString::fromStdWString(HostString(id, base)); };
    incomingLabel_->setText(text(513));
    keyPressLabel_->setText(text(517));
    ringTypeLabel_->setText(text(518));
    for (auto* radios : {&incoming_, &keyPress_}) {
        (*radios)[kSpeaker]->setText(text(514));
        (*radios)[kBuzzer]->setText(text(515));
        (*radios)[kNone]->setText(text(516));
    }
}
