#pragma once

#include "TrayPlatform.h"

#include <QWidget>

#include <memory>

class CSysTrayIcon;
class ErrorReporter;
class QAction;
class QMenu;

/**
 * The never-seen window that owns the tray icon and its pop-up menu. A double click on the
 * icon (a single click on trays that report no double click) shows the main window, the right
 * button pops up the menu "Show Log Analyzer" / "&Exit".
 */
class frmHidden : public QWidget, private ITrayOwner {
    Q_OBJECT
public:
    /** The tip of the icon and the text of PopUpMessage. */
    static const QString TrayTip;

    /**
     * mainWindow is shown by the tray's Show command; errors of the handlers go to reporter.
     * platform is the tray to use (not owned); null means the desktop's tray through Qt.
     */
    frmHidden(QWidget& mainWindow, ErrorReporter& reporter, ITrayPlatform* platform = nullptr,
              QWidget* parent = nullptr);
    ~frmHidden() override;

    /** Puts the icon, with its tip, into the tray. Errors go to the error report. */
    void Form_Load();
    /** Removes the icon from the tray; errors are ignored. */
    void Form_Unload();
    /**
     * Acts on one mouse notification of the icon (a TrayMouse number): the move refreshes the
     * tip, the double click shows the main window, the right button pops up the menu.
     */
    void Form_MouseMove(int x);
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

    /** The tray icon (m_oSysTray), made on first use. */
    CSysTrayIcon& sysTray();
    /** The pop-up menu mnuMain. */
    QMenu* mnuMain() const { return m_mnuMain; }

Q_SIGNALS:
    /** The tray menu's Exit: end the program as the main window's Exit does. */
    void exitRequested();

private:
    void trayNotification(int callbackMessage, int mouseMessage) override;
    void popUpMenu();

    QWidget& m_mainWindow;
    ErrorReporter& m_reporter;
    std::unique_ptr<ITrayPlatform> m_ownPlatform;
    ITrayPlatform& m_platform;
    std::unique_ptr<CSysTrayIcon> m_oSysTray;
    QMenu* m_mnuMain = nullptr;
    QAction* m_mnuShow = nullptr;
};
