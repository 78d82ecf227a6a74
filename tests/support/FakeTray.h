#pragma once

#include "common/RunTimeError.h"
#include "ui/TrayPlatform.h"

#include <QList>

#include <optional>

/** A notification area that records every call; it can refuse calls or throw. */
class FakeTrayPlatform : public ITrayPlatform {
public:
    struct Call {
        Command command;
        TrayIconRecord record;
    };

    bool notifyIcon(Command command, const TrayIconRecord& record) override {
        if (throwOnCall)
            throw *throwOnCall;
        calls.append({command, record});
        if (record.flags & TrayFlags::Message) {
            owner = record.owner;
            callbackMessage = record.callbackMessage;
        }
        const int error = !available ? NoTrayError : failWith;
        if (error != 0) {
            m_lastError = error;
            return false;
        }
        return true;
    }
    int lastError() const override { return m_lastError; }
    bool isAvailable() const override { return available; }
    bool reportsDoubleClick() const override { return doubleClicks; }

    /** Delivers a mouse notification to the icon's owner, as the tray does. */
    void mouse(int mouseMessage) {
        if (owner)
            owner->trayNotification(callbackMessage, mouseMessage);
    }

    static constexpr int NoTrayError = 1;

    QList<Call> calls;
    bool available = true;
    bool doubleClicks = true;
    int failWith = 0;                        ///< nonzero: every call fails with this code
    std::optional<RunTimeError> throwOnCall; ///< set: every call throws it
    ITrayOwner* owner = nullptr;
    int callbackMessage = 0;

private:
    int m_lastError = 0;
};
