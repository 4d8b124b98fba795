// The notification-area icon: its picture and tip show whether the handset and the softphone are
// online; its menu offers "Settings" and "Exit"; activating it opens the console.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class CSystemTray {
  public:
    struct Actions {
        std::function<void()> setting;  // show the console
        std::function<void()> exit;
    };

    explicit CSystemTray(Actions actions);
    ~CSystemTray();
    CSystemTray(const CSystemTray&) = delete;
    CSystemTray& operator=(const CSystemTray&) = delete;

    // Puts the icon into the notification area, which the desktop must have.
    void Create(const QString& tip, const QIcon& icon);
    bool IsEnabled() const { return icon_ != nullptr; }

    void SetIcon(const QIcon& icon);
    void SetTip(const QString& tip);
    QString Tip() const { return tip_; }
    // The menu's two items in the console's language.
    void SetMenuTexts(const QString& setting, const QString& exit);
    QMenu& Menu() { return menu_; }
    // Takes the icon out of the notification area; the destructor does it too.
    void Remove();

  private:
    Actions actions_;
    QMenu menu_;
    QAction* setting_ = nullptr;
    QAction* exit_ = nullptr;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QString tip_;
};
