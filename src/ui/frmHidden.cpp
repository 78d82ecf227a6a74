#include "frmHidden.h"

#include "CSysTrayIcon.h"
#include "TrayIcon.h"
#include "WindowLook.h"

#include <QMenu>

using namespace Qt::StringLiterals;

const QString frmHidden::TrayTip = u"Quillmere Log Analyzer"_s;

frmHidden::frmHidden(QWidget& mainWindow, TrayIcon* tray, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_mainWindow(mainWindow),
      m_ownTray(tray ? nullptr : desktopTrayIcon()), m_tray(tray ? *tray : *m_ownTray),
      m_oSysTray(std::make_unique<CSysTrayIcon>(m_tray)) {
    setObjectName(u"frmHidden"_s);
    setWindowIcon(programIcon());

    m_mnuMain = new QMenu(u"&Main"_s, this);
    m_mnuMain->setObjectName(u"mnuMain"_s);
    m_mnuMain->setFont(windowFont());
    QAction* mnuShow = m_mnuMain->addAction(u"Show Log Analyzer"_s);
    mnuShow->setObjectName(u"mnuShow"_s);
    QFont bold = windowFont();
    bold.setBold(true);
    mnuShow->setFont(bold);
    m_mnuMain->setDefaultAction(mnuShow);
    m_mnuMain->addSeparator()->setObjectName(u"mnuSeparator"_s);
    QAction* mnuExit = m_mnuMain->addAction(u"&Exit"_s);
    mnuExit->setObjectName(u"mnuExit"_s);
    connect(mnuShow, &QAction::triggered, this, &frmHidden::mnuShow_Click);
    connect(mnuExit, &QAction::triggered, this, &frmHidden::mnuExit_Click);
    connect(&m_tray, &TrayIcon::activated, this, &frmHidden::trayActivated);
}

frmHidden::~frmHidden() = default;

bool frmHidden::trayAvailable() const {
    return m_tray.isSystemTrayAvailable() && m_oSysTray->Visible();
}

void frmHidden::Form_Load() {
    // The tip goes in from the start: Qt's trays do not report the mouse moving over the icon.
    m_oSysTray->setIconHandle(windowIcon());
    m_oSysTray->setTipText(TrayTip);
    m_oSysTray->setMenu(m_mnuMain);
    m_oSysTray->ShowIcon();
}

void frmHidden::Form_Unload() {
    m_oSysTray->HideIcon();
}

void frmHidden::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    // The right button's menu is the tray's own; StatusNotifierItem hosts report no double
    // click, so there a single click shows the window.
    if (reason == QSystemTrayIcon::DoubleClick ||
        (reason == QSystemTrayIcon::Trigger && !m_tray.reportsDoubleClick()))
        mnuShow_Click();
}

void frmHidden::mnuShow_Click() {
    m_mainWindow.show();
    // Only the minimised flag goes: a window minimised from maximised comes back maximised.
    if (m_mainWindow.isMinimized())
        m_mainWindow.setWindowState(m_mainWindow.windowState() & ~Qt::WindowMinimized);
    m_mainWindow.raise();
    m_mainWindow.activateWindow();
}

void frmHidden::mnuExit_Click() {
    Q_EMIT exitRequested();
}
