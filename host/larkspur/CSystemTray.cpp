// The tray icon over Qt's: StatusNotifierItem on current desktops, XEmbed elsewhere.
#include "host/larkspur/CSystemTray.h"

CSystemTray::CSystemTray(Actions actions) : actions_(std::move(actions)) {
    setting_ = menu_.addAction(QStringLiteral("Settings"));
    menu_.addSeparator();
    exit_ = menu_.addAction(QStringLiteral("Exit"));
    menu_.setDefaultAction(setting_);
    QObject::connect(setting_, &QAction::triggered, [this] { actions_.setting(); });
    QObject::connect(exit_, &QAction::triggered, [this] { actions_.exit(); });
}

CSystemTray::~CSystemTray() {
    Remove();
}

void CSystemTray::Create(const QString& tip, const QIcon& icon) {
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setContextMenu(&menu_);
    // A StatusNotifierItem host reports a plain click as Trigger and never a double click, so
    // both open the console.
    QObject::connect(
        icon_.get(), &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) {
                actions_.setting();
            }
        });
    SetTip(tip);
    icon_->show();
}

void CSystemTray::SetIcon(const QIcon& icon) {
    if (icon_) {
        icon_->setIcon(icon);
    }
}

void CSystemTray::SetTip(const QString& tip) {
    tip_ = tip;
    if (icon_) {
        icon_->setToolTip(tip_);
    }
}

void CSystemTray::SetMenuTexts(const QString& setting, const QString& exit) {
    setting_->setText(setting);
    exit_->setText(exit);
}

void CSystemTray::Remove() {
    if (icon_) {
        icon_->hide();
        icon_.reset();
    }
}
