// The watcher and the item reader. The item's types: ToolTip (sa(iiay)ss), whose title is the
// tip's text; IconPixmap a(iiay), ARGB32 in network byte order; the menu's layout
// (u(ia{sv}av)), every child a variant holding the same structure.
#include "tests/desktop/TrayWatcher.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace desktop_test {
namespace {

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kWatcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
constexpr int kCallTimeoutMs = 10000;

QImage FromNetworkArgb(int width, int height, const QByteArray& bytes) {
    if (width <= 0 || height <= 0 || bytes.size() != qsizetype(width) * height * 4) {
        return {};
    }
    QImage image(width, height, QImage::Format_ARGB32);
    const auto* byte = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, byte += 4) {
            image.setPixel(x, y, qRgba(byte[1], byte[2], byte[3], byte[0]));
        }
    }
    return image;
}

// a(iiay); the images that are not what they claim to be are left out.
std::vector<QImage> ReadPixmaps(const QDBusArgument& argument) {
    std::vector<QImage> images;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        argument.beginStructure();
        argument >> width >> height >> bytes;
        argument.endStructure();
        if (QImage image = FromNetworkArgb(width, height, bytes); !image.isNull()) {
            images.push_back(std::move(image));
        }
    }
    argument.endArray();
    return images;
}

MenuEntry ReadMenuEntry(const QDBusArgument& argument, std::vector<QDBusVariant>* children) {
    MenuEntry entry;
    QVariantMap properties;
    argument.beginStructure();
    argument >> entry.id >> properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        if (children != nullptr) {
            children->push_back(child);
        }
    }
    argument.endArray();
    argument.endStructure();
    entry.label = properties.value(QStringLiteral("label")).toString();
    // A single underscore marks the mnemonic; a doubled one stands for itself.
    entry.label.replace(QStringLiteral("__"), QStringLiteral("\x01"));
    entry.label.remove(QLatin1Char('_'));
    entry.label.replace(QStringLiteral("\x01"), QStringLiteral("_"));
    entry.separator =
        properties.value(QStringLiteral("type")).toString() == QStringLiteral("separator");
    entry.enabled = properties.value(QStringLiteral("enabled"), true).toBool();
    entry.visible = properties.value(QStringLiteral("visible"), true).toBool();
    return entry;
}

}  // namespace

TrayItem::TrayItem(QDBusConnection connection, QString service, QString path)
    : connection_(std::move(connection)), service_(std::move(service)), path_(std::move(path)) {
    // Followed before the first reading, so that no change falls between the two.
    connection_.connect(service_, path_, kItemInterface, QStringLiteral("NewToolTip"), this,
                        SLOT(OnNewToolTip()));
    connection_.connect(service_, path_, kItemInterface, QStringLiteral("NewIcon"), this,
                        SLOT(OnNewIcon()));
    connection_.connect(service_, path_, kItemInterface, QStringLiteral("NewStatus"), this,
                        SLOT(OnNewStatus()));
    for (const char* property : {"ToolTip", "IconPixmap", "IconName", "Status", "Menu"}) {
        Get(QString::fromLatin1(property));
    }
}

void TrayItem::OnNewToolTip() {
    Get(QStringLiteral("ToolTip"));
}

void TrayItem::OnNewIcon() {
    Get(QStringLiteral("IconPixmap"));
    Get(QStringLiteral("IconName"));
}

void TrayItem::OnNewStatus() {
    Get(QStringLiteral("Status"));
}

void TrayItem::Call(QDBusMessage message, std::function<void(const QDBusMessage&)> answered) {
    ++pending_;
    auto* watcher =
        new QDBusPendingCallWatcher(connection_.asyncCall(message, kCallTimeoutMs), this);
    const QString what = message.interface() + QLatin1Char('.') + message.member();
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, what, answered = std::move(answered)](QDBusPendingCallWatcher* call) {
                --pending_;
                const QDBusMessage reply = call->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    errors_ << what + QStringLiteral(": ") + reply.errorName() +
                                   QStringLiteral(" ") + reply.errorMessage();
                } else {
                    answered(reply);
                }
                call->deleteLater();
            });
}

void TrayItem::Get(const QString& property) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service_, path_, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kItemInterface << property;
    const unsigned number = ++gets_[property].first;
    Call(get, [this, property, number](const QDBusMessage& reply) {
        auto& [sent, taken] = gets_[property];
        if (number <= taken || reply.arguments().isEmpty()) {
            return;
        }
        taken = number;
        TakeProperty(property, reply.arguments().at(0).value<QDBusVariant>().variant());
    });
}

void TrayItem::TakeProperty(const QString& property, const QVariant& value) {
    const auto wrongType = [&](const char* wanted) {
        errors_ << property + QStringLiteral(" is not of type ") + QString::fromLatin1(wanted);
    };
    if (property == QStringLiteral("ToolTip")) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QStringLiteral("(sa(iiay)ss)")) {
            return wrongType("(sa(iiay)ss)");
        }
        QString iconName;
        QString title;
        QString description;
        argument.beginStructure();
        argument >> iconName;
        ReadPixmaps(argument);
        argument >> title >> description;
        argument.endStructure();
        toolTipTitle_ = title;
    } else if (property == QStringLiteral("IconPixmap")) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() != QStringLiteral("a(iiay)")) {
            return wrongType("a(iiay)");
        }
        iconPixmaps_ = ReadPixmaps(argument);
    } else if (property == QStringLiteral("IconName")) {
        iconName_ = value.toString();
    } else if (property == QStringLiteral("Status")) {
        status_ = value.toString();
    } else if (property == QStringLiteral("Menu")) {
        menuPath_ = value.value<QDBusObjectPath>().path();
        if (menuPath_.isEmpty()) {
            wrongType("o");
        }
    }
}

QDBusMessage TrayItem::MenuCall(const QString& method) const {
    return QDBusMessage::createMethodCall(service_, menuPath_, kMenuInterface, method);
}

void TrayItem::ReadMenu() {
    menu_.reset();
    if (menuPath_.isEmpty()) {
        errors_ << QStringLiteral("the menu was asked for before the item named its path");
        return;
    }
    // What a tray does when the menu opens: the application may fill it in then.
    QDBusMessage aboutToShow = MenuCall(QStringLiteral("AboutToShow"));
    aboutToShow << 0;
    Call(aboutToShow, [](const QDBusMessage&) {});
    QDBusMessage layout = MenuCall(QStringLiteral("GetLayout"));
    layout << 0 << -1 << QStringList();
    Call(layout, [this](const QDBusMessage& reply) {
        if (reply.arguments().size() != 2) {
            errors_ << QStringLiteral("GetLayout answered without (u(ia{sv}av))");
            return;
        }
        const QDBusArgument root = reply.arguments().at(1).value<QDBusArgument>();
        if (root.currentSignature() != QStringLiteral("(ia{sv}av)")) {
            errors_ << QStringLiteral("the layout is not of type (ia{sv}av)");
            return;
        }
        std::vector<QDBusVariant> children;
        ReadMenuEntry(root, &children);
        std::vector<MenuEntry> entries;
        for (const QDBusVariant& child : children) {
            entries.push_back(ReadMenuEntry(child.variant().value<QDBusArgument>(), nullptr));
        }
        menu_ = std::move(entries);
    });
}

bool TrayItem::Click(const QString& label) {
    if (!menu_) {
        return false;
    }
    for (const MenuEntry& entry : *menu_) {
        if (entry.label == label && !entry.separator && entry.enabled && entry.visible) {
            QDBusMessage event = MenuCall(QStringLiteral("Event"));
            event << entry.id << QStringLiteral("clicked")
                  << QVariant::fromValue(QDBusVariant(QVariant(0))) << 0u;
            Call(event, [](const QDBusMessage&) {});
            return true;
        }
    }
    return false;
}

void TrayItem::Activate(int x, int y) {
    QDBusMessage activate =
        QDBusMessage::createMethodCall(service_, path_, kItemInterface, QStringLiteral("Activate"));
    activate << x << y;
    Call(activate, [](const QDBusMessage&) {});
}

StatusNotifierWatcher::StatusNotifierWatcher(QDBusConnection connection)
    : connection_(std::move(connection)) {
    if (!connection_.isConnected()) {
        failure_ = QStringLiteral("not connected to the bus: ") + connection_.lastError().message();
        return;
    }
    if (!connection_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                                    QDBusConnection::ExportAllSlots |
                                        QDBusConnection::ExportAllSignals |
                                        QDBusConnection::ExportAllProperties)) {
        failure_ = QStringLiteral("cannot serve /StatusNotifierWatcher");
        return;
    }
    if (!connection_.registerService(kWatcherName)) {
        failure_ = QStringLiteral("cannot own ") + kWatcherName + QStringLiteral(": ") +
                   connection_.lastError().message();
    }
}

StatusNotifierWatcher::~StatusNotifierWatcher() {
    connection_.unregisterService(kWatcherName);
    connection_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
}

QStringList StatusNotifierWatcher::RegisteredStatusNotifierItems() const {
    return registered_;
}

void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    const bool isPath = serviceOrPath.startsWith(QLatin1Char('/'));
    const QString service = isPath ? message().service() : serviceOrPath;
    const QString path = isPath ? serviceOrPath : QStringLiteral("/StatusNotifierItem");
    const QString item = service + path;
    if (registered_.contains(item)) {
        return;
    }
    registered_ << item;
    items_.push_back(std::make_unique<TrayItem>(connection_, service, path));
    Q_EMIT StatusNotifierItemRegistered(item);
}

void StatusNotifierWatcher::RegisterStatusNotifierHost(const QString& /*service*/) {
    Q_EMIT StatusNotifierHostRegistered();
}

}  // namespace desktop_test
