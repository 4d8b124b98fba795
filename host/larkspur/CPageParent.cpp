// The console's start-up, its texts, its visibility, and its part of the engine's notices.
#include "host/larkspur/CPageParent.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QMessageBox>
#include <QVBoxLayout>

#include "engine/CEmualtor.h"
#include "host/larkspur/CPageInfomation.h"
#include "host/larkspur/CPageSetAudio.h"
#include "host/larkspur/CPageSetLanguage.h"
#include "host/larkspur/CPageSetPhone.h"
#include "host/larkspur/CPageSetRinging.h"
#include "host/larkspur/ConsoleFont.h"
#include "host/larkspur/HostStrings.h"
#include "host/larkspur/LcdMirrorView.h"
#include "platform/profile/Profile.h"

namespace {

QString ToQt(const std::wstring& text) {
    return QString::fromStdWString(text);
}

std::size_t IconIndex(TrayIcon icon) {
    return static_cast<std::size_t>(icon);
}

// A missing key or file, or a picture Qt cannot read, leaves that state without a picture.
QIcon LoadIconFile(const std::filesystem::path& file) {
    const QString path = QString::fromStdString(file.string());
    if (!QFileInfo(path).isFile() || !QImageReader(path).canRead()) {
        return {};
    }
    return QIcon(path);
}

}  // namespace

CPageParent::CPageParent(std::filesystem::path startDirectory, platform::AudioDevices& audio)
    : HostCore(std::move(startDirectory)),
      tabs_(new QTabWidget(this)),
      mirror_(new LcdMirrorView(this)),
      exit_(new QPushButton(QStringLiteral("Exit"), this)),
      close_(new QPushButton(QStringLiteral("Close"), this)),
      tray_({[this] { ShowConsole(); }, [this] { Exit(); }}) {
    setWindowTitle(ToQt(HostCore::AppName()) + QStringLiteral(" Console"));
    setFont(ConsoleFont(font()));

    pages_[kAudioTab] = new CPageSetAudio(*this, audio);
    pages_[kPhoneTab] = new CPageSetPhone(*this);
    pages_[kLanguageTab] = new CPageSetLanguage(*this);
    pages_[kRingTab] = new CPageSetRinging(*this);
    pages_[kInformationTab] = new CPageInfomation(*this);
    for (ConsolePage* page : pages_) {
        tabs_->addTab(page, QString());
    }
    // All five tabs in view, in every language: the console is as wide as they need.
    tabs_->setUsesScrollButtons(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(mirror_);
    buttons->addStretch();
    buttons->addWidget(exit_, 0, Qt::AlignBottom);
    buttons->addWidget(close_, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);

    connect(close_, &QPushButton::clicked, this, &QWidget::hide);
    connect(exit_, &QPushButton::clicked, this, [this] { Exit(); });
}

CPageParent::~CPageParent() {
    // While the pages and the tray still exist: the engine's last notices reach them.
    ShutdownEngine();
}

CPageSetAudio& CPageParent::AudioPage() const {
    return static_cast<CPageSetAudio&>(*pages_[kAudioTab]);
}

CPageSetPhone& CPageParent::PhonePage() const {
    return static_cast<CPageSetPhone&>(*pages_[kPhoneTab]);
}

CPageSetRinging& CPageParent::RingPage() const {
    return static_cast<CPageSetRinging&>(*pages_[kRingTab]);
}

CPageSetLanguage& CPageParent::LanguagePage() const {
    return static_cast<CPageSetLanguage&>(*pages_[kLanguageTab]);
}

CPageInfomation& CPageParent::InformationPage() const {
    return static_cast<CPageInfomation&>(*pages_[kInformationTab]);
}

void CPageParent::Start() {
    show();
    LoadStatusIcons();
    const bool tray = TrayAvailable();
    if (tray) {
        tray_.Create(ToQt(HostCore::AppName()), statusIcons_[IconIndex(Icon())]);
    }
    if (StartEngine()) {
        mirror_->SetEngineWindow(Engine()->Handle());
    } else {
        // No engine: the state shown is the handset's absence, and the pages act on nothing.
        UpdateTrayState();
    }
    for (ConsolePage* page : pages_) {
        tabs_->setCurrentWidget(page);
        page->Activate();
    }
    tabs_->setCurrentIndex(kAudioTab);
    ApplyLanguage();
    // A desktop without a tray would leave the program invisible: the console stays.
    if (tray) {
        HostCore::SetTimer(kHideTimer, kHideDelay);
        hideTimerRunning_ = true;
    }
}

void CPageParent::LoadStatusIcons() {
    const std::filesystem::path logo = HostCore::StartDirectory() / "logo";
    const std::filesystem::path settings = HostCore::StartDirectory() / "KestrelCFG.ini";
    const std::pair<TrayIcon, const wchar_t*> keys[] = {{TrayIcon::NoSkype, L"noskype"},
                                                        {TrayIcon::NoDevice, L"nodevice"},
                                                        {TrayIcon::AllOk, L"allok"}};
    for (const auto& [icon, key] : keys) {
        const std::wstring file = platform::GetPrivateProfileString(L"ICON", key, L"", settings);
        statusIcons_[IconIndex(icon)] = file.empty() ? QIcon() : LoadIconFile(logo / file);
    }
}

bool CPageParent::TrayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CPageParent::ShowConsole() {
    showNormal();
    raise();
    activateWindow();
}

void CPageParent::Exit() {
    tray_.Remove();
    ShutdownEngine();
    mirror_->SetEngineWindow(platform::kNoWindow);
    if (onExit_) {
        onExit_();
    }
}

bool CPageParent::SendSkypeCommand(const std::wstring& text) {
    return HostCore::SendSkypeCommand(text);
}

void CPageParent::PostSettingKey(std::uint8_t code) {
    HostCore::PostSettingKey(code);
}

void CPageParent::PostDeviceCommand(std::uint8_t command, std::uint8_t value) {
    HostCore::PostDeviceCommand(command, value);
}

void CPageParent::SetLanguage(std::uint16_t langId) {
    if (Engine() != nullptr) {
        Engine()->SetLandID(langId);
    }
    SetTexts(langId);
}

std::optional<std::wstring> CPageParent::ChooseSoundFile() {
    const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                      QStringLiteral("Sound files (*.wav)"));
    if (file.isEmpty()) {
        return std::nullopt;
    }
    return file.toStdWString();
}

void CPageParent::ShowError(const std::wstring& text) {
    QMessageBox::warning(this, ToQt(HostCore::AppName()), ToQt(text));
}

void CPageParent::ApplyLanguage() {
    const int lang = platform::GetPrivateProfileInt(L"PhoneSet", L"lang", 0,
                                                    HostCore::StartDirectory() / "KestrelCFG.ini");
    SetTexts(static_cast<std::uint16_t>(lang));
}

void CPageParent::SetTexts(std::uint16_t langId) {
    for (Tab tab : {kLanguageTab, kAudioTab, kRingTab, kPhoneTab, kInformationTab}) {
        pages_[tab]->SetTexts(langId);
    }
    languageBase_ = GetLanguageBase(langId);
    for (int tab = 0; tab < kTabs; ++tab) {
        tabs_->setTabText(tab, ToQt(HostString(532 + tab, languageBase_)));
    }
    close_->setText(ToQt(HostString(537, languageBase_)));
    exit_->setText(ToQt(HostString(538, languageBase_)));
    tray_.SetMenuTexts(ToQt(HostString(539, languageBase_)).trimmed(),
                       ToQt(HostString(538, languageBase_)).trimmed());
}

void CPageParent::ShowState(TrayIcon icon, const std::wstring& tip) {
    // A softphone that attaches after the start is told the devices the page chose.
    const bool softphone = Engine() != nullptr && Engine()->GetSkypeOnline();
    if (softphone && !softphoneOnline_ && AudioPage().IsInitialised()) {
        AudioPage().RefreshAudioDevices();
    }
    softphoneOnline_ = softphone;
    const QIcon& picture = statusIcons_[IconIndex(icon)];
    setWindowIcon(picture);
    tray_.SetIcon(picture);
    tray_.SetTip(ToQt(tip));
}

void CPageParent::ShowFirmware(const std::wstring& text) {
    InformationPage().ShowFirmware(text);
}

void CPageParent::AudioDevicesChanged() {
    if (AudioPage().IsInitialised()) {
        AudioPage().RefreshAudioDevices();
    }
}

void CPageParent::SettingChanged(platform::WPARAM wParam, platform::LPARAM lParam) {
    // 1: the handset starts ringing (0) or stops (anything else).
    if (wParam == 1) {
        for (ConsolePage* page : pages_) {
            page->EnableRingControls(lParam != 0);
        }
    } else if (wParam == 0) {
        for (Tab tab : {kAudioTab, kPhoneTab, kLanguageTab, kRingTab}) {
            pages_[tab]->ReloadSettings();
        }
        ApplyLanguage();
    }
}

void CPageParent::OnTimer(platform::TimerId id) {
    if (id == kHideTimer && hideTimerRunning_) {
        hide();
        HostCore::KillTimer(kHideTimer);
        hideTimerRunning_ = false;
    }
}

void CPageParent::closeEvent(QCloseEvent* event) {
    // Only "Exit" ends the program.
    event->ignore();
    hide();
}

void CPageParent::keyPressEvent(QKeyEvent* event) {
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    if (alt && (event->key() == Qt::Key_C || event->key() == Qt::Key_K)) {
        hide();
        return;
    }
    // Enter and Escape never reach a button or end anything.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Escape) {
        return;
    }
    QWidget::keyPressEvent(event);
}
