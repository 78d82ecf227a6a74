#include "frmHidden.h"

#include "CSysTrayIcon.h"
#include "QtTrayPlatform.h"
#include "Twips.h"
#include "WindowLook.h"
#include "common/ErrorReport.h"

#include <QCursor>
#include <QMenu>

using namespace Qt::StringLiterals;

const QString frmHidden::TrayTip = u"Quillmere Log Analyzer"_s;

frmHidden::frmHidden(QWidget& mainWindow, ErrorReporter& reporter, ITrayPlatform* platform,
                     QWidget* parent)
    : QWidget(parent, Qt::Tool), m_mainWindow(mainWindow), m_reporter(reporter),
      m_ownPlatform(platform ? nullptr : std::make_unique<QtTrayPlatform>()),
      m_platform(platform ? *platform : *m_ownPlatform) {
    setObjectName(u"frmHidden"_s);
    setWindowIcon(programIcon());
    setFont(windowFont());
    resize(Twips::toPixelsX(3456), Twips::toPixelsY(2196));

    m_mnuMain = new QMenu(u"&Main"_s, this);
    m_mnuMain->setObjectName(u"mnuMain"_s);
    m_mnuMain->setFont(windowFont());
    m_mnuShow = m_mnuMain->addAction(u"Show Log Analyzer"_s);
    m_mnuShow->setObjectName(u"mnuShow"_s);
    QFont bold = windowFont();
    bold.setBold(true);
    m_mnuShow->setFont(bold);
    m_mnuMain->setDefaultAction(m_mnuShow);
    m_mnuMain->addSeparator()->setObjectName(u"mnuSeparator"_s);
    QAction* exit = m_mnuMain->addAction(u"&Exit"_s);
    exit->setObjectName(u"mnuExit"_s);
    connect(m_mnuShow, &QAction::triggered, this, &frmHidden::mnuShow_Click);
    connect(exit, &QAction::triggered, this, &frmHidden::mnuExit_Click);
}

frmHidden::~frmHidden() = default;

CSysTrayIcon& frmHidden::sysTray() {
    if (!m_oSysTray)
        m_oSysTray = std::make_unique<CSysTrayIcon>(m_platform);
    return *m_oSysTray;
}

bool frmHidden::trayAvailable() const {
    return m_platform.isAvailable() && m_oSysTray && m_oSysTray->Visible();
}

void frmHidden::Form_Load() {
    const QString place = u"frmHidden:Form_Load"_s;
    CSysTrayIcon& tray = sysTray();
    if (!m_reporter.runStep(place, [&] { tray.PopUpMessage = TrayTip; }))
        return;
    // The tip goes in from the start: Qt's trays never report the mouse moving over the icon.
    // The callback is the mouse-move message, so every event arrives as Form_MouseMove.
    if (!m_reporter.runStep(place, [&] {
            tray.Initialize(this, windowIcon(), tray.PopUpMessage, TrayMouse::Move);
        }))
        return;
    m_reporter.runStep(place, [&] { tray.ShowIcon(); });
    // No off-screen window is shown: Qt needs none to own the menu or to receive the clicks.
}

void frmHidden::Form_Unload() {
    try {
        if (m_oSysTray)
            m_oSysTray->HideIcon();
    } catch (const RunTimeError&) {
        // Ignored: the program is ending anyway.
    }
}

void frmHidden::trayNotification(int callbackMessage, int mouseMessage) {
    if (callbackMessage == TrayMouse::Move)
        Form_MouseMove(mouseMessage);
}

void frmHidden::Form_MouseMove(int x) {
    m_reporter.runStep(u"frmHidden:Form_MouseMove"_s, [&] {
        switch (x) {
        case TrayMouse::Move:
            sysTray().setTipText(sysTray().PopUpMessage);
            break;
        case TrayMouse::LeftButtonUp:
            // StatusNotifierItem hosts report no double click: their single click shows.
            if (!m_platform.reportsDoubleClick())
                mnuShow_Click();
            break;
        case TrayMouse::LeftDoubleClick:
            mnuShow_Click();
            break;
        case TrayMouse::RightButtonUp:
            popUpMenu();
            break;
        default:
            break;
        }
    });
}

void frmHidden::popUpMenu() {
    // Right-aligned to the mouse, as the tray's menus are.
    QPoint at = QCursor::pos();
    at.rx() -= m_mnuMain->sizeHint().width();
    m_mnuMain->popup(at);
}

void frmHidden::mnuShow_Click() {
    m_reporter.runStep(u"frmHidden:mnuShow_Click"_s, [this] {
        m_mainWindow.show();
        // Only the minimised flag goes: a window minimised from maximised comes back maximised.
        if (m_mainWindow.isMinimized())
            m_mainWindow.setWindowState(m_mainWindow.windowState() & ~Qt::WindowMinimized);
        m_mainWindow.raise();
        m_mainWindow.activateWindow();
    });
}

void frmHidden::mnuExit_Click() {
    Q_EMIT exitRequested();
}
