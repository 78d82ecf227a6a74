#pragma once

#include "TrayPlatform.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <optional>

/**
 * The desktop's notification area through QSystemTrayIcon. It holds the one icon the program
 * shows and passes the icon's clicks to the record's owner as mouse-message numbers.
 */
class QtTrayPlatform : public QObject, public ITrayPlatform {
    Q_OBJECT
public:
    /** Error codes of failed calls (Qt reports no platform codes of its own). */
    enum Error { NoError = 0, NoTray = 1, NoIcon = 2, IconExists = 3 };

    explicit QtTrayPlatform(QObject* parent = nullptr);
    ~QtTrayPlatform() override;

    bool notifyIcon(Command command, const TrayIconRecord& record) override;
    int lastError() const override { return m_lastError; }
    bool isAvailable() const override;
    bool reportsDoubleClick() const override;

private:
    bool fail(Error error);
    void apply(const TrayIconRecord& record);
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QSystemTrayIcon* m_icon = nullptr; ///< a child, present while the icon is added
    ITrayOwner* m_owner = nullptr;
    int m_callbackMessage = 0;
    int m_lastError = NoError;
    /** Asked once, as Qt decides once which tray protocol it speaks. */
    mutable std::optional<bool> m_statusNotifier;
};
