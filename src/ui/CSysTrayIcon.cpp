#include "CSysTrayIcon.h"

#include "common/RunTimeError.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

QString place(QLatin1StringView operation) {
    return "CSysTrayIcon"_L1 + operation;
}

} // namespace

QString cutTipText(const QString& text) {
    int length = qMin(text.size(), CSysTrayIcon::MaxTipLength);
    if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return text.left(length);
}

CSysTrayIcon::CSysTrayIcon(ITrayPlatform& platform, QObject* parent)
    : QObject(parent), m_platform(platform) {
    m_record.flags = TrayFlags::All;
}

CSysTrayIcon::~CSysTrayIcon() {
    try {
        HideIcon();
    } catch (const RunTimeError&) {
        // Nobody is left to tell (":Class_Terminate").
    }
}

int CSysTrayIcon::Initialize(ITrayOwner* hWnd, const QIcon& hIcon, const QString& sTip,
                             int uCallbackMessage) {
    m_record.owner = hWnd;
    m_record.id = 1;
    m_record.icon = hIcon;
    m_record.tip = cutTipText(sTip);
    m_record.callbackMessage = uCallbackMessage;
    m_record.flags = TrayFlags::All;
    m_bVisible = false;
    m_bUpdateOnChange = true;
    return 0;
}

bool CSysTrayIcon::call(ITrayPlatform::Command command) {
    const bool ok = m_platform.notifyIcon(command, m_record);
    if (!ok)
        Q_EMIT NIError(m_platform.lastError());
    return ok;
}

bool CSysTrayIcon::ShowIcon() {
    return passErrors(place(":ShowIcon"_L1), PlaceSeparator::None, [this] {
        if (m_bVisible)
            return false;
        const bool ok = call(ITrayPlatform::Command::Add);
        if (ok)
            m_bVisible = true;
        return ok;
    });
}

bool CSysTrayIcon::HideIcon() {
    return passErrors(place(":HideIcon"_L1), PlaceSeparator::None, [this] {
        if (!m_bVisible)
            return false;
        const bool ok = call(ITrayPlatform::Command::Delete);
        if (ok)
            m_bVisible = false;
        return ok;
    });
}

bool CSysTrayIcon::Update() {
    return passErrors(place(":Update"_L1), PlaceSeparator::None,
                      [this] { return m_bVisible && call(ITrayPlatform::Command::Modify); });
}

void CSysTrayIcon::pushField(int flag) {
    if (!m_bUpdateOnChange)
        return;
    // Only this field goes to the tray; the record is whole again afterwards, failed or not.
    m_record.flags = flag;
    const auto whole = qScopeGuard([this] { m_record.flags = TrayFlags::All; });
    Update();
}

void CSysTrayIcon::setIconHandle(const QIcon& hIcon) {
    passErrors(place(":IconHandle [let]"_L1), PlaceSeparator::None, [&] {
        m_record.icon = hIcon;
        pushField(TrayFlags::Icon);
    });
}

void CSysTrayIcon::setTipText(const QString& sTip) {
    passErrors(place(":TipText [let]"_L1), PlaceSeparator::None, [&] {
        m_record.tip = cutTipText(sTip);
        pushField(TrayFlags::Tip);
    });
}

void CSysTrayIcon::setCallbackMessage(int uCallbackMessage) {
    passErrors(place(":CallbackMessage [let]"_L1), PlaceSeparator::None, [&] {
        m_record.callbackMessage = uCallbackMessage;
        pushField(TrayFlags::Message);
    });
}

void CSysTrayIcon::setVisible(bool bVisible) {
    passErrors(place(":Visible [let]"_L1), PlaceSeparator::None, [&] {
        if (bVisible)
            ShowIcon();
        else
            HideIcon();
    });
}
