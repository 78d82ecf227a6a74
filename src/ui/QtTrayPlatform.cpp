#include "QtTrayPlatform.h"

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

} // namespace

QtTrayPlatform::QtTrayPlatform(QObject* parent) : QObject(parent) {}

QtTrayPlatform::~QtTrayPlatform() = default;

bool QtTrayPlatform::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayPlatform::reportsDoubleClick() const {
    if (!m_statusNotifier)
        m_statusNotifier = statusNotifierHostRegistered();
    return !*m_statusNotifier;
}

bool QtTrayPlatform::fail(Error error) {
    m_lastError = error;
    return false;
}

void QtTrayPlatform::apply(const TrayIconRecord& record) {
    if (record.flags & TrayFlags::Message) {
        m_owner = record.owner;
        m_callbackMessage = record.callbackMessage;
    }
    if (record.flags & TrayFlags::Icon)
        m_icon->setIcon(record.icon);
    if (record.flags & TrayFlags::Tip)
        m_icon->setToolTip(record.tip);
}

bool QtTrayPlatform::notifyIcon(Command command, const TrayIconRecord& record) {
    switch (command) {
    case Command::Add:
        if (m_icon)
            return fail(IconExists);
        // Qt would wait for a tray to appear; with none the owner must know at once.
        if (!isAvailable())
            return fail(NoTray);
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, &QtTrayPlatform::onActivated);
        apply(record);
        m_icon->show();
        return true;
    case Command::Modify:
        if (!m_icon)
            return fail(NoIcon);
        apply(record);
        return true;
    case Command::Delete:
        if (!m_icon)
            return fail(NoIcon);
        // Later, as this may run inside the icon's own click signal (the tray menu's Exit).
        m_icon->hide();
        m_icon->deleteLater();
        m_icon = nullptr;
        m_owner = nullptr;
        return true;
    }
    return fail(NoIcon);
}

void QtTrayPlatform::onActivated(QSystemTrayIcon::ActivationReason reason) {
    int mouseMessage = 0;
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        mouseMessage = TrayMouse::LeftButtonUp;
        break;
    case QSystemTrayIcon::DoubleClick:
        mouseMessage = TrayMouse::LeftDoubleClick;
        break;
    case QSystemTrayIcon::Context:
        mouseMessage = TrayMouse::RightButtonUp;
        break;
    case QSystemTrayIcon::MiddleClick:
        mouseMessage = TrayMouse::MiddleButtonUp;
        break;
    case QSystemTrayIcon::Unknown:
        return;
    }
    if (m_owner)
        m_owner->trayNotification(m_callbackMessage, mouseMessage);
}
