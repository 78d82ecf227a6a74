#include "CSysTrayIcon.h"

#include "TrayIcon.h"

QString cutTipText(const QString& text) {
    int length = qMin(text.size(), CSysTrayIcon::MaxTipLength);
    if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

CSysTrayIcon::CSysTrayIcon(TrayIcon& tray) : m_tray(tray) {}

CSysTrayIcon::~CSysTrayIcon() {
    HideIcon();
}

bool CSysTrayIcon::ShowIcon() {
    // Qt would wait for a tray to appear; without one the owner must know at once.
    if (m_visible || !m_tray.isSystemTrayAvailable())
        return false;
    m_tray.show();
    m_visible = true;
    return true;
}

bool CSysTrayIcon::HideIcon() {
    if (!m_visible)
        return false;
    m_tray.hide();
    m_visible = false;
    return true;
}

void CSysTrayIcon::setIconHandle(const QIcon& hIcon) {
    m_tray.setIcon(hIcon);
}

void CSysTrayIcon::setTipText(const QString& sTip) {
    m_tip = cutTipText(sTip);
    m_tray.setToolTip(m_tip);
}

void CSysTrayIcon::setMenu(QMenu* menu) {
    m_tray.setContextMenu(menu);
}

bool CSysTrayIcon::showMessage(const QString& title, const QString& text) {
    if (!m_visible || !m_tray.supportsMessages())
        return false;
    m_tray.showMessage(title, text);
    return true;
}
