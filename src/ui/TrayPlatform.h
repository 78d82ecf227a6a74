#pragma once

#include <QIcon>
#include <QString>

/** Mouse notifications of a tray icon, numbered as the platform's mouse messages. */
namespace TrayMouse {
constexpr int Move = 512;            ///< the mouse moved over the icon
constexpr int LeftButtonUp = 514;    ///< a left single click
constexpr int LeftDoubleClick = 515; ///< a left double click
constexpr int RightButtonUp = 517;   ///< a right click (the context menu)
constexpr int MiddleButtonUp = 520;  ///< a middle click
} // namespace TrayMouse

/** Receives a tray icon's notifications, like a window receiving the icon's callback message. */
class ITrayOwner {
public:
    virtual ~ITrayOwner() = default;
    /** callbackMessage as given in the icon record; mouseMessage one of TrayMouse. */
    virtual void trayNotification(int callbackMessage, int mouseMessage) = 0;
};

/** Which fields of a TrayIconRecord a call carries. */
namespace TrayFlags {
constexpr int Message = 1; ///< owner and callbackMessage
constexpr int Icon = 2;
constexpr int Tip = 4;
constexpr int All = Message | Icon | Tip;
} // namespace TrayFlags

/** The icon record handed to the tray: one icon of one owner. */
struct TrayIconRecord {
    ITrayOwner* owner = nullptr;
    int id = 1;
    int flags = 0; ///< TrayFlags: the fields that are valid in this call
    int callbackMessage = 0;
    QIcon icon;
    QString tip; ///< at most 63 characters
};

/**
 * The desktop's notification area, reduced to the three calls the tray icon class needs. The
 * real one sits on QSystemTrayIcon; tests use a fake.
 */
class ITrayPlatform {
public:
    enum class Command { Add = 0, Modify = 1, Delete = 2 };

    virtual ~ITrayPlatform() = default;
    /** Adds, modifies or deletes the icon; true on success. */
    virtual bool notifyIcon(Command command, const TrayIconRecord& record) = 0;
    /** The error code of the last failed call. */
    virtual int lastError() const = 0;
    /** Whether the desktop has a notification area at all. */
    virtual bool isAvailable() const = 0;
    /**
     * Whether the tray reports double clicks. StatusNotifierItem hosts report only single
     * clicks, so there a single click has to do what a double click does elsewhere.
     */
    virtual bool reportsDoubleClick() const = 0;
};
