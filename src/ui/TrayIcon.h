#pragma once

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

/**
 * An icon in the desktop's notification area, in QSystemTrayIcon's shape: shown or hidden,
 * with an icon, a tip and a menu, reporting its clicks. The desktop's one is made by
 * desktopTrayIcon(); tests use a fake.
 */
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    /** Whether the desktop has a notification area at all. */
    virtual bool isSystemTrayAvailable() const = 0;
    /**
     * Whether the tray reports double clicks. StatusNotifierItem hosts report only single
     * clicks, so there a single click has to do what a double click does elsewhere.
     */
    virtual bool reportsDoubleClick() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& tip) = 0;
    /** The menu the tray shows on a right click. */
    virtual void setContextMenu(QMenu* menu) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    /** Whether the tray can show a message beside the icon (a notification). */
    virtual bool supportsMessages() const = 0;
    /** Shows a message beside the icon for a while, as the desktop shows notifications. */
    virtual void showMessage(const QString& title, const QString& message) = 0;

Q_SIGNALS:
    void activated(QSystemTrayIcon::ActivationReason reason);
};

/** The desktop's notification area, through QSystemTrayIcon. */
std::unique_ptr<TrayIcon> desktopTrayIcon();
