// The desktop of one run: starting it in order, waiting through Qt's loop, telling the tray's
// pictures apart, and taking it all down again, Larkspur first.
#include "tests/desktop/DesktopRun.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <sstream>

#include "platform/profile/Profile.h"

namespace desktop_test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

const std::pair<DesktopRun::Picture, const wchar_t*> kPictureKeys[] = {
    {DesktopRun::Picture::kAllOk, L"allok"},
    {DesktopRun::Picture::kNoSkype, L"noskype"},
    {DesktopRun::Picture::kNoDevice, L"nodevice"}};

// One Qt application for the whole test program, made by the first run.
void EnsureApplication() {
    static int argc = 1;
    static char name[] = "desktop_tests";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        new QCoreApplication(argc, argv);  // lives as long as the program
    }
}

// Runs Qt's loop until something is dispatched or `most` passes.
void RunQtLoop(milliseconds most) {
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(most);
    QAbstractEventDispatcher::instance()->processEvents(QEventLoop::WaitForMoreEvents);
    // Nothing runs Qt's loop with exec(), so finished call watchers are deleted here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::istringstream entries(path != nullptr ? path : "");
    for (std::string directory; std::getline(entries, directory, ':');) {
        std::error_code error;
        if (!directory.empty() && fs::exists(fs::path(directory) / program, error)) {
            return true;
        }
    }
    return false;
}

// Pictures of the run's own, told apart at a glance: a green square, the same with a red cross,
// and a grey square.
QImage DrawnPicture(DesktopRun::Picture picture) {
    QImage image(22, 22, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 2; y < 20; ++y) {
        for (int x = 2; x < 20; ++x) {
            const bool cross = (x - y >= -1 && x - y <= 1) || (x + y >= 20 && x + y <= 22);
            QRgb color = qRgb(30, 160, 60);
            if (picture == DesktopRun::Picture::kNoDevice) {
                color = qRgb(140, 140, 140);
            } else if (picture == DesktopRun::Picture::kNoSkype && cross) {
                color = qRgb(220, 30, 30);
            }
            image.setPixel(x, y, color);
        }
    }
    return image;
}

// The mean difference of two pictures of one size, 0 (the same) to 1, in premultiplied colour so
// that the colour of transparent pixels does not count.
double Difference(const QImage& a, const QImage& b) {
    const QImage left = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage right = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int y = 0; y < left.height(); ++y) {
        for (int x = 0; x < left.width(); ++x) {
            const QRgb p = left.pixel(x, y);
            const QRgb q = right.pixel(x, y);
            sum += std::abs(qAlpha(p) - qAlpha(q)) + std::abs(qRed(p) - qRed(q)) +
                   std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (4.0 * 255.0 * left.width() * left.height());
}

}  // namespace

std::string ToString(DesktopRun::Picture picture) {
    switch (picture) {
        case DesktopRun::Picture::kAllOk:
            return "allok";
        case DesktopRun::Picture::kNoSkype:
            return "noskype";
        case DesktopRun::Picture::kNoDevice:
            return "nodevice";
    }
    return "?";
}

std::string DesktopRun::MissingPrograms() {
    if (!platform::XvfbServer::Installed()) {
        return "Xvfb is not installed (Debian package xvfb)";
    }
    if (!OnPath("dbus-daemon")) {
        return "dbus-daemon is not installed (Debian package dbus-daemon)";
    }
    return {};
}

DesktopRun::DesktopRun(Tray tray) {
    EnsureApplication();
    directory_ = scenario::TemporaryDirectory::Create("desktop");
    if (!directory_) {
        failure_ = "cannot make a temporary directory";
        return;
    }
    xvfb_ = std::make_unique<platform::XvfbServer>();
    if (xvfb_->Display().empty()) {
        failure_ = xvfb_->Failure();
        return;
    }
    windows_ = std::make_unique<XWindows>(xvfb_->Display());
    if (!windows_->IsOpen()) {
        failure_ = "cannot open the display " + xvfb_->Display();
        return;
    }
    // Drained when readable, so that it does not fire again; the waits read the events too,
    // since Xlib may have queued some already while answering a query.
    xEvents_ = std::make_unique<QSocketNotifier>(windows_->Fd(), QSocketNotifier::Read);
    QObject::connect(xEvents_.get(), &QSocketNotifier::activated,
                     [this] { windows_->TakeEvents(); });

    bus_ = std::make_unique<SessionBus>(directory_->Path());
    if (bus_->Address().empty()) {
        failure_ = bus_->Failure();
        return;
    }
    static int runs = 0;
    connectionName_ = QStringLiteral("desktop-test-%1").arg(++runs);
    QDBusConnection connection =
        QDBusConnection::connectToBus(QString::fromStdString(bus_->Address()), connectionName_);
    if (!connection.isConnected()) {
        failure_ = "cannot connect to the test's bus " + bus_->Address();
        return;
    }
    if (tray == Tray::kWatcher) {
        watcher_ = std::make_unique<StatusNotifierWatcher>(connection);
        if (!watcher_->Failure().isEmpty()) {
            failure_ = watcher_->Failure().toStdString();
            return;
        }
    }

    const char* programDirectory = std::getenv("KESTREL_PROGRAM_DIR");
    if (programDirectory == nullptr) {
        failure_ = "KESTREL_PROGRAM_DIR is not set (CTest sets it)";
        return;
    }
    scenario::SessionOptions options;
    options.programDirectory = programDirectory;
    options.hostProgram = "Larkspur";
    options.hostShowsStates = false;
    const fs::path cache = directory_->Subdirectory("cache");
    options.hostEnvironment = {
        {"DISPLAY", xvfb_->Display()},
        {"DBUS_SESSION_BUS_ADDRESS", bus_->Address()},
        {"QT_QPA_PLATFORM", "xcb"},
        // English menus and tips; C.UTF-8 exists on every Debian system.
        {"LC_ALL", "C.UTF-8"},
        {"LANG", "C.UTF-8"},
        // Nothing of the desktop the tests run on: its theme, its session manager, its caches.
        {"XDG_CURRENT_DESKTOP", ""},
        {"DESKTOP_SESSION", ""},
        {"QT_QPA_PLATFORMTHEME", ""},
        {"SESSION_MANAGER", ""},
        {"WAYLAND_DISPLAY", ""},
        {"XDG_CACHE_HOME", cache.native()},
    };
    options.wait = RunQtLoop;
    session_ = std::make_unique<scenario::Session>(options);
    pump_ = std::make_unique<platform::QtLoopPump>(session_->Loop());
}

DesktopRun::~DesktopRun() {
    if (session_) {
        // Larkspur before the bus and the display it uses; killed when it does not end.
        session_->StopHost();
    }
    xEvents_.reset();
    pump_.reset();
    session_.reset();
    watcher_.reset();
    if (!connectionName_.isEmpty()) {
        QDBusConnection::disconnectFromBus(connectionName_);
    }
    bus_.reset();
    windows_.reset();
    xvfb_.reset();
}

std::string DesktopRun::PrepareTrayPictures() {
    const fs::path settings = session_->SettingsFile("ICON");
    const fs::path program = settings.parent_path();
    bool named = true;
    for (const auto& [picture, key] : kPictureKeys) {
        named = named && !platform::GetPrivateProfileString(L"ICON", key, L"", settings).empty();
    }
    std::error_code error;
    if (!named) {
        // The run's logo/ links to the built one: it becomes a folder of links, the handset's
        // icons and the run's own tray pictures.
        const fs::path logo = program / "logo";
        const fs::path built = fs::read_symlink(logo, error);
        if (error || !fs::remove(logo, error) || !fs::create_directory(logo, error)) {
            return "cannot make " + logo.native() + " a folder of the run's own";
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(built, error)) {
            fs::create_symlink(entry.path(), logo / entry.path().filename(), error);
        }
        for (const auto& [picture, key] : kPictureKeys) {
            const std::string file = "tray-" + ToString(picture) + ".png";
            if (!DrawnPicture(picture).save(QString::fromStdString((logo / file).native())) ||
                !platform::WritePrivateProfileString(
                    L"ICON", key, std::wstring(file.begin(), file.end()), settings)) {
                return "cannot put the tray picture " + file + " into the run's copy";
            }
        }
    }
    for (const auto& [picture, key] : kPictureKeys) {
        const std::wstring name = platform::GetPrivateProfileString(L"ICON", key, L"", settings);
        const fs::path file = program / "logo" / std::string(name.begin(), name.end());
        QImage image(QString::fromStdString(file.native()));
        if (image.isNull()) {
            return "the tray picture " + file.native() + " cannot be read";
        }
        pictures_[picture] = image;
    }
    for (const auto& [a, first] : pictures_) {
        for (const auto& [b, second] : pictures_) {
            if (a < b && first.size() == second.size() && Difference(first, second) == 0) {
                return "the tray pictures " + ToString(a) + " and " + ToString(b) +
                       " are the same: the tray's state cannot be told from them";
            }
        }
    }
    return {};
}

std::string DesktopRun::LaunchLarkspur() {
    if (const scenario::Outcome prepared = session_->Prepare(); !prepared.ok) {
        return prepared.detail;
    }
    if (std::string problem = PrepareTrayPictures(); !problem.empty()) {
        return problem;
    }
    const scenario::Outcome launched = session_->Launch();
    return launched.ok ? std::string() : launched.detail;
}

TrayItem* DesktopRun::Item() {
    if (!watcher_ || watcher_->Items().empty()) {
        return nullptr;
    }
    return watcher_->Items().front().get();
}

bool DesktopRun::WaitUntil(const std::function<bool()>& done, milliseconds timeout) {
    return session_->PumpUntil(
        [&] {
            windows_->TakeEvents();
            return done();
        },
        timeout);
}

bool DesktopRun::WaitForItemAnswers() {
    return WaitUntil([this] { return Item() != nullptr && Item()->Pending() == 0; });
}

std::vector<XWindows::TopLevel> DesktopRun::Consoles() {
    windows_->TakeEvents();
    return windows_->Titled(kConsoleTitle);
}

bool DesktopRun::ConsoleMapped() {
    for (const XWindows::TopLevel& window : Consoles()) {
        if (window.mapped) {
            return true;
        }
    }
    return false;
}

bool DesktopRun::ConsoleHidden() {
    const std::vector<XWindows::TopLevel> consoles = Consoles();
    return !consoles.empty() && !ConsoleMapped();
}

std::optional<DesktopRun::Picture> DesktopRun::PictureShown() {
    TrayItem* item = Item();
    if (item == nullptr || item->IconPixmaps().empty()) {
        return std::nullopt;
    }
    const QImage* largest = &item->IconPixmaps().front();
    for (const QImage& image : item->IconPixmaps()) {
        if (image.width() * image.height() > largest->width() * largest->height()) {
            largest = &image;
        }
    }
    std::vector<std::pair<double, Picture>> distances;
    for (const auto& [picture, image] : pictures_) {
        const QImage scaled =
            image.size() == largest->size()
                ? image
                : image.scaled(largest->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        distances.emplace_back(Difference(*largest, scaled), picture);
    }
    std::sort(distances.begin(), distances.end());
    // Scaled by Qt and here, the same picture differs a little; another one differs more.
    if (distances.size() < 2 || distances[0].first * 4 >= distances[1].first) {
        return std::nullopt;
    }
    return distances[0].second;
}

bool DesktopRun::Shows(const std::string& tip, Picture picture) {
    TrayItem* item = Item();
    return item != nullptr && item->ToolTipTitle() == QString::fromStdString(tip) &&
           PictureShown() == picture;
}

std::string DesktopRun::Describe() {
    std::string text;
    if (TrayItem* item = Item(); item != nullptr) {
        text += "\n  tray item " + item->Service().toStdString() + ": tip ";
        text += item->ToolTipTitle() ? "\"" + item->ToolTipTitle()->toStdString() + "\""
                                     : std::string("(not read)");
        const std::optional<Picture> picture = PictureShown();
        text += ", picture " + (picture ? ToString(*picture) : std::string("(none recognised)"));
        text += " (" + std::to_string(item->IconPixmaps().size()) + " pixmaps, IconName \"" +
                item->IconName().toStdString() + "\"), status \"" + item->Status().toStdString() +
                "\"";
        for (const QString& problem : item->Errors()) {
            text += "\n  D-Bus: " + problem.toStdString();
        }
    } else if (watcher_) {
        text += "\n  no tray item registered";
    }
    for (const XWindows::TopLevel& window : Consoles()) {
        text += "\n  console window " + std::to_string(window.id) +
                (window.mapped ? " mapped" : " not mapped");
    }
    const scenario::HostProcess& host = session_->Host();
    text += "\n  Larkspur: " + HowEnded(host);
    const std::size_t shown = std::min<std::size_t>(host.Lines().size(), 15);
    text += "\n  Larkspur's last lines on stderr:";
    for (std::size_t i = host.Lines().size() - shown; i < host.Lines().size(); ++i) {
        text += "\n    " + host.Lines()[i];
    }
    return text;
}

std::string HowEnded(const scenario::HostProcess& host) {
    return host.Exit() ? platform::ToString(*host.Exit()) : std::string("still running");
}

bool ReceivedInOrder(const handset_sim::HandsetSimulator& handset, std::size_t from,
                     const std::vector<std::pair<int, int>>& commands) {
    std::size_t next = 0;
    const std::vector<handset_sim::Event> log = handset.Log();
    for (std::size_t i = 0; i < log.size() && next < commands.size(); ++i) {
        const handset_sim::Event& event = log[i];
        if (handset.LogStart() + i < from || event.kind != handset_sim::Event::Kind::Received ||
            event.decoded.kind != handset_sim::FrameKind::Control) {
            continue;
        }
        if (event.decoded.command == commands[next].first &&
            event.decoded.value == commands[next].second) {
            ++next;
        }
    }
    return next == commands.size();
}

}  // namespace desktop_test
