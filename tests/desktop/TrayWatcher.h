// A StatusNotifierWatcher of the test's own, the tray's side of the StatusNotifierItem protocol:
// it owns org.kde.StatusNotifierWatcher, says a host is registered, takes the items' registrations
// and reads each item as a tray would: its tip, picture and status, followed through the item's
// signals, and its menu through com.canonical.dbusmenu. Every call to an item is asynchronous, so
// that the test's thread keeps answering the item's own calls meanwhile.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace desktop_test {

// One entry of a dbusmenu, as a tray shows it.
struct MenuEntry {
    int id = 0;
    QString label;  // without the mnemonic's underscore
    bool separator = false;
    bool enabled = true;
    bool visible = true;
};

class TrayItem : public QObject {
    Q_OBJECT

  public:
    TrayItem(QDBusConnection connection, QString service, QString path);

    const QString& Service() const { return service_; }
    // What was read last; nothing before the first answer.
    const std::optional<QString>& ToolTipTitle() const { return toolTipTitle_; }
    // The pictures of IconPixmap, every size given; empty when it gave none.
    const std::vector<QImage>& IconPixmaps() const { return iconPixmaps_; }
    const QString& IconName() const { return iconName_; }
    const QString& Status() const { return status_; }
    // What went wrong in the calls to the item so far: a wrong type, an error reply.
    const QStringList& Errors() const { return errors_; }
    // Calls sent whose answer has not come yet.
    int Pending() const { return pending_; }

    // Reads the menu (AboutToShow, then GetLayout of its top level); Menu() has it once read.
    void ReadMenu();
    const std::optional<std::vector<MenuEntry>>& Menu() const { return menu_; }
    // Sends "clicked" for the visible, enabled entry of the menu read last with `label`; false
    // when there is none.
    bool Click(const QString& label);
    // What a tray sends for a click on the icon.
    void Activate(int x, int y);

  private Q_SLOTS:
    void OnNewToolTip();
    void OnNewIcon();
    void OnNewStatus();

  private:
    void Get(const QString& property);
    void Call(QDBusMessage message, std::function<void(const QDBusMessage&)> answered);
    void TakeProperty(const QString& property, const QVariant& value);
    QDBusMessage MenuCall(const QString& method) const;

    QDBusConnection connection_;
    const QString service_;
    const QString path_;
    QString menuPath_;
    std::optional<QString> toolTipTitle_;
    std::vector<QImage> iconPixmaps_;
    QString iconName_;
    QString status_;
    std::optional<std::vector<MenuEntry>> menu_;
    QStringList errors_;
    int pending_ = 0;
    // By property: the number of the last Get sent and of the last one taken, so that a late
    // answer never overwrites a newer one.
    std::map<QString, std::pair<unsigned, unsigned>> gets_;
};

class StatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)

  public:
    // Serves on `connection` and takes the watcher's name; Failure() says why when it could not.
    explicit StatusNotifierWatcher(QDBusConnection connection);
    ~StatusNotifierWatcher() override;

    const QString& Failure() const { return failure_; }
    // The items in the order they registered, each read from its registration on.
    const std::vector<std::unique_ptr<TrayItem>>& Items() const { return items_; }

    QStringList RegisteredStatusNotifierItems() const;
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }

  public Q_SLOTS:
    // A service name (the item at /StatusNotifierItem) or an object path of the caller.
    void RegisterStatusNotifierItem(const QString& serviceOrPath);
    void RegisterStatusNotifierHost(const QString& service);

  Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

  private:
    QDBusConnection connection_;
    QString failure_;
    QStringList registered_;
    std::vector<std::unique_ptr<TrayItem>> items_;
};

}  // namespace desktop_test
