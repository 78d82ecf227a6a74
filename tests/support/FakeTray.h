#pragma once

#include "ui/TrayIcon.h"

#include <QIcon>
#include <QStringList>

/** A notification area that keeps what it was given; click() reports a click on the icon. */
class FakeTray : public TrayIcon {
public:
    bool isSystemTrayAvailable() const override { return available; }
    bool reportsDoubleClick() const override { return doubleClicks; }
    void setIcon(const QIcon& value) override { icon = value; }
    void setToolTip(const QString& value) override { toolTip = value; }
    void setContextMenu(QMenu* value) override { menu = value; }
    void show() override { shown = true; }
    void hide() override { shown = false; }
    bool supportsMessages() const override { return true; }
    void showMessage(const QString&, const QString& message) override { messages << message; }

    void click(QSystemTrayIcon::ActivationReason reason) { Q_EMIT activated(reason); }

    bool available = true;
    bool doubleClicks = true;
    bool shown = false;
    QIcon icon;
    QString toolTip;
    QMenu* menu = nullptr;
    QStringList messages;
};
