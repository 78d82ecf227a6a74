#pragma once

#include <QString>

class QIcon;
class QMenu;
class TrayIcon;

/**
 * The program's icon in the notification area: put there and taken away as a whole, with a
 * tip of at most 63 characters. Without a notification area the icon is never shown, so
 * that its owner knows there is no way back through it.
 */
class CSysTrayIcon {
public:
    /** Longest tip the tray shows; a longer text is cut. */
    static constexpr int MaxTipLength = 63;

    explicit CSysTrayIcon(TrayIcon& tray);
    /** Removes the icon from the tray if it is there. */
    ~CSysTrayIcon();
    CSysTrayIcon(const CSysTrayIcon&) = delete;
    CSysTrayIcon& operator=(const CSysTrayIcon&) = delete;

    /** Puts the icon into the tray; false when it was there already or there is no tray. */
    bool ShowIcon();
    /** Takes the icon out of the tray; false when it was not there. */
    bool HideIcon();
    /** Whether the icon is in the tray now. */
    bool Visible() const { return m_visible; }

    void setIconHandle(const QIcon& hIcon);
    QString TipText() const { return m_tip; }
    /** Sets the tip, cut to 63 characters. */
    void setTipText(const QString& sTip);
    /** The menu of a right click on the icon. */
    void setMenu(QMenu* menu);
    /**
     * A notification beside the icon; false, showing nothing, when the icon is not in the tray
     * or the tray shows no messages.
     */
    bool showMessage(const QString& title, const QString& text);

private:
    TrayIcon& m_tray;
    QString m_tip;
    bool m_visible = false;
};

/** text cut to the tray's 63 characters, never between the halves of a surrogate pair. */
QString cutTipText(const QString& text);
