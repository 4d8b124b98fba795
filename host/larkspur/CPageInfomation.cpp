// The information page's texts and switches.
#include "host/larkspur/CPageInfomation.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include "host/larkspur/ConsoleOperations.h"
#include "host/larkspur/HostStrings.h"
#include "platform/registry/RegistryKey.h"

namespace {

constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";

QString ToQt(const std::wstring& text) {
    return QString::fromStdWString(text);
}

// Appended, not added: GCC 12 warns falsely about `a + temporary` at high optimisation.
QString Joined(const std::wstring& first, const std::wstring& second) {
    std::wstring text = first;
    text += second;
    return QString::fromStdWString(text);
}

const wchar_t* Flag(bool on) {
    return on ? L"1" : L"0";
}

}  // namespace

CPageInfomation::CPageInfomation(ConsoleOperations& console)
    : ConsolePage(console),
      information_(new QGroupBox(QStringLiteral(" Information "), this)),
      versionTitle_(new QLabel(QStringLiteral("Quillon Version"), information_)),
      firmwareTitle_(new QLabel(QStringLiteral("Firmware Version"), information_)),
      firmware_(new QLabel(QStringLiteral("XXXX"), information_)),
      notice_(new QLabel(this)),
      skypeNotice_(new QLabel(QStringLiteral("Notice:This program work in Skype 2.0."), this)),
      autoRunGroup_(new QGroupBox(QStringLiteral(" AutoRun "), this)),
      autoRun_(
          new QCheckBox(QStringLiteral("AutoRun Quillon With Windows Startup"), autoRunGroup_)),
      autoRunSkype_(new QCheckBox(QStringLiteral("Run Skype When Startup Quillon"), autoRunGroup_)),
      synchronousGroup_(new QGroupBox(QStringLiteral(" Synchronous "), this)),
      synchronous_(new QCheckBox(QStringLiteral("Synchronous"), synchronousGroup_)) {
    auto* versions = new QGridLayout(information_);
    versions->addWidget(versionTitle_, 0, 0);
    versions->addWidget(new QLabel(QString::fromLatin1(kProgramVersion), information_), 0, 1);
    versions->addWidget(firmwareTitle_, 1, 0);
    versions->addWidget(firmware_, 1, 1);
    versions->setColumnStretch(1, 1);
    (new QVBoxLayout(autoRunGroup_))->addWidget(autoRun_);
    autoRunGroup_->layout()->addWidget(autoRunSkype_);
    (new QVBoxLayout(synchronousGroup_))->addWidget(synchronous_);
    skypeNotice_->hide();
    notice_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(information_);
    layout->addWidget(autoRunGroup_);
    layout->addWidget(synchronousGroup_);
    layout->addWidget(notice_);
    layout->addWidget(skypeNotice_);
    layout->addStretch();

    connect(autoRun_, &QCheckBox::clicked, this, [this] { AutoRunClicked(); });
    connect(autoRunSkype_, &QCheckBox::clicked, this, [this] { AutoRunSkypeClicked(); });
    connect(synchronous_, &QCheckBox::clicked, this, [this] { SynchronousClicked(); });
}

void CPageInfomation::OnInitDialog() {
    // The switch shows whether the session will really start the program, not what the file
    // last said: an entry removed by hand, or a fresh file's default of "on", would otherwise
    // show a switch that is on while nothing starts, and that could never be turned off.
    platform::RegistryKey run;
    std::wstring command;
    autoRun_->setChecked(run.Open(platform::RegistryRoot::kCurrentUser, kRunKey) ==
                             platform::kRegistryOk &&
                         run.ReadString(kRunValueName, command) == platform::kRegistryOk);
    autoRunSkype_->setChecked(SettingInt(L"AutoRun", L"AutoRunSkype", 1) != 0);
    synchronous_->setChecked(SettingInt(L"phoneset", L"sync", 0) != 0);
}

void CPageInfomation::ShowFirmware(const std::wstring& text) {
    firmware_->setText(ToQt(text));
}

bool CPageInfomation::ChangeAutostart(bool on) {
    platform::RegistryKey run;
    if (run.Open(platform::RegistryRoot::kCurrentUser, kRunKey) != platform::kRegistryOk) {
        return false;
    }
    if (on) {
        const std::filesystem::path program = Console().StartDirectory() / kProgramFile;
        return run.SetString(kRunValueName, program.wstring()) == platform::kRegistryOk;
    }
    // An entry that is already gone is what the user asked for.
    const long removed = run.DeleteValue(kRunValueName);
    return removed == platform::kRegistryOk || removed == platform::kRegistryNotFound;
}

void CPageInfomation::AutoRunClicked() {
    const bool on = autoRun_->isChecked();
    if (!ChangeAutostart(on)) {
        autoRun_->setChecked(!on);
        return;
    }
    WriteSetting(L"AutoRun", L"AutoRun", Flag(on));
}

void CPageInfomation::AutoRunSkypeClicked() {
    WriteSetting(L"AutoRun", L"AutoRunSkype", Flag(autoRunSkype_->isChecked()));
}

void CPageInfomation::SynchronousClicked() {
    WriteSetting(L"phoneset", L"sync", Flag(synchronous_->isChecked()));
}

void CPageInfomation::SetTexts(std::uint16_t langId) {
    const unsigned base = GetLanguageBase(langId);
    const std::wstring& name = Console().AppName();
    information_->setTitle(ToQt(HostString(524, base)));
    versionTitle_->setText(Joined(name, HostString(525, base)));
    firmwareTitle_->setText(ToQt(HostString(526, base)));
    autoRunGroup_->setTitle(ToQt(HostString(527, base)));
    autoRun_->setText(Joined(HostString(528, base), name));
    autoRunSkype_->setText(Joined(name, HostString(529, base)));
    synchronousGroup_->setTitle(ToQt(HostString(530, base)));
    synchronous_->setText(ToQt(HostString(530, base)));
    skypeNotice_->setText(ToQt(HostString(531, base)));
    notice_->setText(ToQt(NoticeLine(base)));
}
