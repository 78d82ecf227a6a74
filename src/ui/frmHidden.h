#pragma once

#include <QSystemTrayIcon>
#include <QWidget>

#include <memory>

class CSysTrayIcon;
class QAction;
class QMenu;
class TrayIcon;

/**
 * The never-seen window that owns the tray icon and its menu. A double click on the icon (a
 * single click on trays that report no double click) shows the main window; the right button
 * opens the menu "Show Log Analyzer" / "&Exit".
 */
class frmHidden : public QWidget {
    Q_OBJECT
public:
    /** The tip of the icon. */
    static const QString TrayTip;

    /**
     * mainWindow is shown by the tray's Show command. tray is the notification area to use
     * (not owned); null means the desktop's.
     */
    explicit frmHidden(QWidget& mainWindow, TrayIcon* tray = nullptr, QWidget* parent = nullptr);
    ~frmHidden() override;

    /** Puts the icon, with its tip and menu, into the tray. */
    void Form_Load();
    /** Removes the icon from the tray. */
    void Form_Unload();
    /** Shows the main window, restored if it was minimised, and gives it the focus. */
    void mnuShow_Click();
    /** The menu's Exit: asks for the program's shut-down (exitRequested). */
    void mnuExit_Click();

    /**
     * Whether the icon is in a notification area now. Without one, hiding the main window
     * would leave no way back to it: the close box must then end the program and a minimised
     * window must stay in the taskbar.
     */
    bool trayAvailable() const;

    /** The tray icon (m_oSysTray). */
    CSysTrayIcon& sysTray() { return *m_oSysTray; }
    /** The menu of the icon, mnuMain. */
    QMenu* mnuMain() const { return m_mnuMain; }

Q_SIGNALS:
    /** The tray menu's Exit: end the program as the main window's Exit does. */
    void exitRequested();

private:
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

    QWidget& m_mainWindow;
    std::unique_ptr<TrayIcon> m_ownTray;
    TrayIcon& m_tray;
    std::unique_ptr<CSysTrayIcon> m_oSysTray;
    QMenu* m_mnuMain = nullptr;
};
