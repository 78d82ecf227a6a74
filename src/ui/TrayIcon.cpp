#include "TrayIcon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>

using namespace Qt::StringLiterals;

namespace {

/**
 * Whether Qt shows its tray icons as StatusNotifierItems: it does so when a watcher with a
 * registered host is on the session bus, and falls back to the XEmbed tray otherwise.
 */
bool statusNotifierHostRegistered() {
    const QString watcherService = u"org.kde.StatusNotifierWatcher"_s;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(watcherService).value())
        return false;
    QDBusInterface watcher(watcherService, u"/StatusNotifierWatcher"_s, watcherService, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

class DesktopTrayIcon : public TrayIcon {
public:
    DesktopTrayIcon() { connect(&m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activated); }
    bool isSystemTrayAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    bool reportsDoubleClick() const override {
        // Asked once, as Qt decides once which tray protocol it speaks.
        static const bool statusNotifier = statusNotifierHostRegistered();
        return !statusNotifier;
    }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void setToolTip(const QString& tip) override { m_icon.setToolTip(tip); }
    void setContextMenu(QMenu* menu) override { m_icon.setContextMenu(menu); }
    void show() override { m_icon.show(); }
    void hide() override { m_icon.hide(); }
    bool supportsMessages() const override { return QSystemTrayIcon::supportsMessages(); }
    void showMessage(const QString& title, const QString& message) override {
        m_icon.showMessage(title, message, QSystemTrayIcon::Information);
    }

private:
    QSystemTrayIcon m_icon;
};

} // namespace

std::unique_ptr<TrayIcon> desktopTrayIcon() {
    return std::make_unique<DesktopTrayIcon>();
}
