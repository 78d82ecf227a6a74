#pragma once

#include "TrayPlatform.h"

#include <QObject>

/**
 * The program's icon in the desktop's notification area. It keeps the icon record (owner,
 * icon, tip, callback message) and whether the icon is shown, and pushes changes to the tray.
 * Failed tray calls leave the visible flag as it was and are announced through NIError; other
 * run-time errors pass on with "CSysTrayIcon" and the operation prepended to the description.
 */
class CSysTrayIcon : public QObject {
    Q_OBJECT
public:
    /** Longest tip the tray shows; a longer text is cut. */
    static constexpr int MaxTipLength = 63;

    explicit CSysTrayIcon(ITrayPlatform& platform, QObject* parent = nullptr);
    /** Removes the icon from the tray if it is there; errors are dropped. */
    ~CSysTrayIcon() override;

    /** The text the owner puts into the tip when the mouse is over the icon. */
    QString PopUpMessage;

    /**
     * Fills the record (all fields valid, id 1), clears the visible flag and turns
     * update-on-change on. Does not touch the tray. Always returns 0.
     */
    int Initialize(ITrayOwner* hWnd, const QIcon& hIcon, const QString& sTip,
                   int uCallbackMessage = 0);

    /** Adds the icon unless shown; true when the tray took it, false when it was shown already. */
    bool ShowIcon();
    /** Removes the icon if shown; true when the tray removed it, false when it was not shown. */
    bool HideIcon();
    /** Pushes the record's valid fields to the shown icon; false when not shown. */
    bool Update();

    QIcon IconHandle() const { return m_record.icon; }
    /** Stores the icon; with update-on-change it is pushed to the tray at once. */
    void setIconHandle(const QIcon& hIcon);

    QString TipText() const { return m_record.tip; }
    /** Stores the tip cut to 63 characters; with update-on-change it is pushed at once. */
    void setTipText(const QString& sTip);

    int CallbackMessage() const { return m_record.callbackMessage; }
    /** Stores the callback message; with update-on-change it is pushed at once. */
    void setCallbackMessage(int uCallbackMessage);

    bool UpdateOnChange() const { return m_bUpdateOnChange; }
    void setUpdateOnChange(bool bUpdateOnChange) { m_bUpdateOnChange = bUpdateOnChange; }

    /** Whether the icon is in the tray now. */
    bool Visible() const { return m_bVisible; }
    /** ShowIcon or HideIcon. */
    void setVisible(bool bVisible);

Q_SIGNALS:
    /** A tray call failed; ErrorNumber is the tray's error code. */
    void NIError(int ErrorNumber);

private:
    bool call(ITrayPlatform::Command command);
    void pushField(int flag);

    ITrayPlatform& m_platform;
    TrayIconRecord m_record;
    bool m_bVisible = false;
    bool m_bUpdateOnChange = false;
};

/** text cut to the tray's 63 characters, never between the halves of a surrogate pair. */
QString cutTipText(const QString& text);
