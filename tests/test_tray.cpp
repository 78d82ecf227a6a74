// The tray icon class over a fake notification area, and the hidden window that owns it.

#include "support/FakeTray.h"
#include "support/Fakes.h"
#include "ui/CSysTrayIcon.h"
#include "ui/QtTrayPlatform.h"
#include "ui/frmHidden.h"

#include <QAction>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;
using Command = ITrayPlatform::Command;

namespace {

QIcon coloured(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

/** An owner that records what the tray sends it. */
class RecordingOwner : public ITrayOwner {
public:
    void trayNotification(int callbackMessage, int mouseMessage) override {
        received.append({callbackMessage, mouseMessage});
    }
    QList<QPair<int, int>> received;
};

} // namespace

class TestTray : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initializeFillsTheRecordOnly();
    void showHideAndUpdateOnlyWhenTheyChangeSomething();
    void failedCallsKeepTheFlagAndRaiseNIError();
    void tipIsCutTo63Characters_data();
    void tipIsCutTo63Characters();
    void settersWhileHiddenOnlyStore();
    void settersPushTheirOwnField_data();
    void settersPushTheirOwnField();
    void withoutUpdateOnChangeUpdatePushesAll();
    void visibleLetShowsAndHides();
    void errorsPassOnWithTheirPlace();
    void endingTheObjectRemovesTheIcon();

    void hiddenWindowPutsIconWithTipIntoTray();
    void withoutTrayTheOwnerIsTold();
    void popUpMenuHasShowAndExit();
    void mouseNotifications_data();
    void mouseNotifications();
    void rightButtonPopsUpTheMenu();
    void mouseMoveRefreshesTheTip();
    void unloadRemovesTheIconAndIgnoresErrors();
    void handlerErrorsGoToTheErrorReport();
    void qtTrayWithoutNotificationAreaFails();
};

void TestTray::initializeFillsTheRecordOnly() {
    FakeTrayPlatform platform;
    RecordingOwner owner;
    CSysTrayIcon tray(platform);
    QCOMPARE(tray.UpdateOnChange(), false);
    QCOMPARE(tray.Visible(), false);

    const QIcon icon = coloured(Qt::red);
    QCOMPARE(tray.Initialize(&owner, icon, u"tip"_s, 512), 0);
    QCOMPARE(tray.UpdateOnChange(), true);
    QCOMPARE(tray.Visible(), false);
    QCOMPARE(tray.TipText(), u"tip"_s);
    QCOMPARE(tray.CallbackMessage(), 512);
    QCOMPARE(tray.IconHandle().cacheKey(), icon.cacheKey());
    QVERIFY(platform.calls.isEmpty());

    // The callback message may be left out.
    QCOMPARE(tray.Initialize(&owner, icon, QString()), 0);
    QCOMPARE(tray.CallbackMessage(), 0);
    QVERIFY(platform.calls.isEmpty());
}

void TestTray::showHideAndUpdateOnlyWhenTheyChangeSomething() {
    FakeTrayPlatform platform;
    RecordingOwner owner;
    CSysTrayIcon tray(platform);
    const QIcon icon = coloured(Qt::blue);
    tray.Initialize(&owner, icon, u"tip"_s, 512);

    QCOMPARE(tray.HideIcon(), false);
    QCOMPARE(tray.Update(), false);
    QVERIFY(platform.calls.isEmpty());

    QCOMPARE(tray.ShowIcon(), true);
    QCOMPARE(tray.Visible(), true);
    QCOMPARE(platform.calls.size(), 1);
    const FakeTrayPlatform::Call add = platform.calls.first();
    QCOMPARE(add.command, Command::Add);
    QCOMPARE(add.record.flags, TrayFlags::All);
    QCOMPARE(add.record.id, 1);
    QCOMPARE(add.record.owner, &owner);
    QCOMPARE(add.record.callbackMessage, 512);
    QCOMPARE(add.record.tip, u"tip"_s);
    QCOMPARE(add.record.icon.cacheKey(), icon.cacheKey());

    QCOMPARE(tray.ShowIcon(), false); // already shown: nothing happens
    QCOMPARE(platform.calls.size(), 1);

    QCOMPARE(tray.Update(), true);
    QCOMPARE(platform.calls.size(), 2);
    QCOMPARE(platform.calls.last().command, Command::Modify);
    QCOMPARE(platform.calls.last().record.flags, TrayFlags::All);

    QCOMPARE(tray.HideIcon(), true);
    QCOMPARE(tray.Visible(), false);
    QCOMPARE(platform.calls.last().command, Command::Delete);
    QCOMPARE(tray.HideIcon(), false);
    QCOMPARE(tray.Update(), false);
    QCOMPARE(platform.calls.size(), 3);
}

void TestTray::failedCallsKeepTheFlagAndRaiseNIError() {
    FakeTrayPlatform platform;
    RecordingOwner owner;
    CSysTrayIcon tray(platform);
    QSignalSpy errors(&tray, &CSysTrayIcon::NIError);
    tray.Initialize(&owner, QIcon(), u"tip"_s, 512);

    platform.failWith = 1402;
    QCOMPARE(tray.ShowIcon(), false);
    QCOMPARE(tray.Visible(), false);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), 1402);

    platform.failWith = 0;
    QVERIFY(tray.ShowIcon());
    platform.failWith = 87;
    QCOMPARE(tray.Update(), false);
    QCOMPARE(tray.HideIcon(), false);
    QCOMPARE(tray.Visible(), true);
    QCOMPARE(errors.size(), 3);
    QCOMPARE(errors.at(2).at(0).toInt(), 87);
}

void TestTray::tipIsCutTo63Characters_data() {
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("kept");
    const QString hundred = QString(100, u'x');
    QTest::addRow("100 characters") << hundred << hundred.left(63);
    QTest::addRow("exactly 63") << hundred.left(63) << hundred.left(63);
    QTest::addRow("64") << hundred.left(64) << hundred.left(63);
    QTest::addRow("empty") << QString() << QString();
    // A character outside the basic plane is not split at the cut.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    QTest::addRow("surrogate pair at the cut") << QString(62, u'a') + clef << QString(62, u'a');
    QTest::addRow("surrogate pair before the cut")
        << QString(61, u'a') + clef + u"bc"_s << QString(61, u'a') + clef;
}

void TestTray::tipIsCutTo63Characters() {
    QFETCH(QString, tip);
    QFETCH(QString, kept);
    FakeTrayPlatform platform;
    CSysTrayIcon tray(platform);
    tray.Initialize(nullptr, QIcon(), tip);
    QCOMPARE(tray.TipText(), kept);
    tray.setTipText(tip);
    QCOMPARE(tray.TipText(), kept);
    QVERIFY(tray.ShowIcon());
    QCOMPARE(platform.calls.last().record.tip, kept);
}

void TestTray::settersWhileHiddenOnlyStore() {
    FakeTrayPlatform platform;
    RecordingOwner owner;
    CSysTrayIcon tray(platform);
    tray.Initialize(&owner, QIcon(), QString(), 0);
    const QIcon icon = coloured(Qt::green);
    tray.setIconHandle(icon);
    tray.setTipText(u"new tip"_s);
    tray.setCallbackMessage(512);
    QVERIFY(platform.calls.isEmpty());

    QVERIFY(tray.ShowIcon());
    const TrayIconRecord record = platform.calls.last().record;
    QCOMPARE(record.flags, TrayFlags::All);
    QCOMPARE(record.icon.cacheKey(), icon.cacheKey());
    QCOMPARE(record.tip, u"new tip"_s);
    QCOMPARE(record.callbackMessage, 512);
}

void TestTray::settersPushTheirOwnField_data() {
    QTest::addColumn<int>("field");
    QTest::addRow("icon") << TrayFlags::Icon;
    QTest::addRow("tip") << TrayFlags::Tip;
    QTest::addRow("callback message") << TrayFlags::Message;
}

void TestTray::settersPushTheirOwnField() {
    QFETCH(int, field);
    FakeTrayPlatform platform;
    RecordingOwner owner;
    CSysTrayIcon tray(platform);
    tray.Initialize(&owner, QIcon(), u"tip"_s, 512);
    QVERIFY(tray.ShowIcon());

    const QIcon icon = coloured(Qt::yellow);
    if (field == TrayFlags::Icon)
        tray.setIconHandle(icon);
    else if (field == TrayFlags::Tip)
        tray.setTipText(u"changed"_s);
    else
        tray.setCallbackMessage(1024);
    QCOMPARE(platform.calls.size(), 2);
    const TrayIconRecord pushed = platform.calls.last().record;
    QCOMPARE(platform.calls.last().command, Command::Modify);
    QCOMPARE(pushed.flags, field);
    if (field == TrayFlags::Icon)
        QCOMPARE(pushed.icon.cacheKey(), icon.cacheKey());
    else if (field == TrayFlags::Tip)
        QCOMPARE(pushed.tip, u"changed"_s);
    else
        QCOMPARE(pushed.callbackMessage, 1024);

    // Afterwards the record is whole again.
    QVERIFY(tray.Update());
    QCOMPARE(platform.calls.last().record.flags, TrayFlags::All);
}

void TestTray::withoutUpdateOnChangeUpdatePushesAll() {
    FakeTrayPlatform platform;
    RecordingOwner owner;
    CSysTrayIcon tray(platform);
    tray.Initialize(&owner, QIcon(), u"tip"_s, 512);
    QVERIFY(tray.ShowIcon());
    tray.setUpdateOnChange(false);
    QCOMPARE(tray.UpdateOnChange(), false);

    const QIcon icon = coloured(Qt::cyan);
    tray.setIconHandle(icon);
    tray.setTipText(u"later"_s);
    tray.setCallbackMessage(515);
    QCOMPARE(platform.calls.size(), 1);

    QVERIFY(tray.Update());
    const TrayIconRecord pushed = platform.calls.last().record;
    QCOMPARE(pushed.flags, TrayFlags::All);
    QCOMPARE(pushed.icon.cacheKey(), icon.cacheKey());
    QCOMPARE(pushed.tip, u"later"_s);
    QCOMPARE(pushed.callbackMessage, 515);
}

void TestTray::visibleLetShowsAndHides() {
    FakeTrayPlatform platform;
    CSysTrayIcon tray(platform);
    tray.Initialize(nullptr, QIcon(), QString());
    tray.setVisible(true);
    QCOMPARE(tray.Visible(), true);
    QCOMPARE(platform.calls.last().command, Command::Add);
    tray.setVisible(true);
    QCOMPARE(platform.calls.size(), 1);
    tray.setVisible(false);
    QCOMPARE(tray.Visible(), false);
    QCOMPARE(platform.calls.last().command, Command::Delete);
}

void TestTray::errorsPassOnWithTheirPlace() {
    FakeTrayPlatform platform;
    CSysTrayIcon tray(platform);
    tray.Initialize(nullptr, QIcon(), u"tip"_s, 512);
    platform.throwOnCall = RunTimeError(ErrorNumber::DeviceIoError, u"lost"_s, u"tray"_s);
    try {
        tray.ShowIcon();
        QFAIL("ShowIcon passed no error on");
    } catch (const RunTimeError& error) {
        QCOMPARE(error.number(), ErrorNumber::DeviceIoError);
        QCOMPARE(error.source(), u"tray"_s);
        QCOMPARE(error.description(), u"CSysTrayIcon:ShowIconlost"_s);
    }
    QCOMPARE(tray.Visible(), false);

    platform.throwOnCall.reset();
    QVERIFY(tray.ShowIcon());
    platform.throwOnCall = RunTimeError(ErrorNumber::DeviceIoError, u"lost"_s);
    try {
        tray.setTipText(u"x"_s);
        QFAIL("TipText [let] passed no error on");
    } catch (const RunTimeError& error) {
        QCOMPARE(error.description(), u"CSysTrayIcon:TipText [let]CSysTrayIcon:Updatelost"_s);
    }
    QCOMPARE(tray.TipText(), u"x"_s);
    try {
        tray.setVisible(false);
        QFAIL("Visible [let] passed no error on");
    } catch (const RunTimeError& error) {
        QCOMPARE(error.description(), u"CSysTrayIcon:Visible [let]CSysTrayIcon:HideIconlost"_s);
    }
    // The failed setter left the record whole.
    platform.throwOnCall.reset();
    QVERIFY(tray.Update());
    QCOMPARE(platform.calls.last().record.flags, TrayFlags::All);
}

void TestTray::endingTheObjectRemovesTheIcon() {
    FakeTrayPlatform platform;
    {
        CSysTrayIcon tray(platform);
        tray.Initialize(nullptr, QIcon(), QString());
        QVERIFY(tray.ShowIcon());
    }
    QCOMPARE(platform.calls.size(), 2);
    QCOMPARE(platform.calls.last().command, Command::Delete);

    // A failure on the way out is swallowed.
    FakeTrayPlatform failing;
    {
        CSysTrayIcon tray(failing);
        tray.Initialize(nullptr, QIcon(), QString());
        QVERIFY(tray.ShowIcon());
        failing.throwOnCall = RunTimeError(ErrorNumber::DeviceIoError, u"gone"_s);
    }
    QCOMPARE(failing.calls.size(), 1);
}

void TestTray::hiddenWindowPutsIconWithTipIntoTray() {
    FakeTrayPlatform platform;
    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    QVERIFY(!hidden.trayAvailable());
    hidden.Form_Load();

    QCOMPARE(platform.calls.size(), 1);
    const TrayIconRecord record = platform.calls.first().record;
    QCOMPARE(platform.calls.first().command, Command::Add);
    QCOMPARE(record.tip, u"Quillmere Log Analyzer"_s); // from the start: no hover is reported
    QCOMPARE(record.callbackMessage, TrayMouse::Move);
    QVERIFY(record.owner != nullptr);
    QVERIFY(!record.icon.isNull());
    QVERIFY(!record.icon.pixmap(16, 16).isNull());
    QCOMPARE(hidden.sysTray().PopUpMessage, u"Quillmere Log Analyzer"_s);
    QVERIFY(hidden.trayAvailable());
    QVERIFY(!hidden.isVisible());
    QVERIFY(report.places.isEmpty());
}

void TestTray::withoutTrayTheOwnerIsTold() {
    FakeTrayPlatform platform;
    platform.available = false;
    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    hidden.Form_Load();
    QCOMPARE(hidden.sysTray().Visible(), false);
    QVERIFY(!hidden.trayAvailable());
    QVERIFY(report.places.isEmpty()); // NIError is not listened to
}

void TestTray::popUpMenuHasShowAndExit() {
    FakeTrayPlatform platform;
    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    QMenu* menu = hidden.mnuMain();
    QCOMPARE(menu->objectName(), u"mnuMain"_s);
    QCOMPARE(menu->title(), u"&Main"_s);
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 3);
    QCOMPARE(items.at(0)->objectName(), u"mnuShow"_s);
    QCOMPARE(items.at(0)->text(), u"Show Log Analyzer"_s);
    QCOMPARE(menu->defaultAction(), items.at(0));
    QVERIFY(items.at(0)->font().bold());
    QVERIFY(items.at(1)->isSeparator());
    QCOMPARE(items.at(2)->objectName(), u"mnuExit"_s);
    QCOMPARE(items.at(2)->text(), u"&Exit"_s);

    QSignalSpy exits(&hidden, &frmHidden::exitRequested);
    items.at(2)->trigger();
    QCOMPARE(exits.size(), 1);

    main.showMinimized();
    main.hide();
    items.at(0)->trigger();
    QVERIFY(main.isVisible());
    QVERIFY(!main.isMinimized());
}

void TestTray::mouseNotifications_data() {
    QTest::addColumn<bool>("doubleClicks");
    QTest::addColumn<int>("mouseMessage");
    QTest::addColumn<bool>("shown");
    QTest::addRow("double click") << true << TrayMouse::LeftDoubleClick << true;
    QTest::addRow("single click does nothing") << true << TrayMouse::LeftButtonUp << false;
    QTest::addRow("single click without double clicks shows")
        << false << TrayMouse::LeftButtonUp << true;
    QTest::addRow("mouse move") << true << TrayMouse::Move << false;
    QTest::addRow("middle click") << true << TrayMouse::MiddleButtonUp << false;
    QTest::addRow("right button down") << true << 516 << false;
}

void TestTray::mouseNotifications() {
    QFETCH(bool, doubleClicks);
    QFETCH(int, mouseMessage);
    QFETCH(bool, shown);
    FakeTrayPlatform platform;
    platform.doubleClicks = doubleClicks;
    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    hidden.Form_Load();

    // Minimised, then hidden by the refresh cycle: the tray is the way back.
    main.showMinimized();
    main.hide();
    QVERIFY(main.isMinimized());
    platform.mouse(mouseMessage);
    QCOMPARE(main.isVisible(), shown);
    QCOMPARE(main.isMinimized(), !shown);
    QVERIFY(!hidden.mnuMain()->isVisible());
    QVERIFY(report.places.isEmpty());
}

void TestTray::rightButtonPopsUpTheMenu() {
    FakeTrayPlatform platform;
    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    hidden.Form_Load();
    platform.mouse(TrayMouse::RightButtonUp);
    QTRY_VERIFY(hidden.mnuMain()->isVisible());
    QVERIFY(!main.isVisible());
    hidden.mnuMain()->close();
}

void TestTray::mouseMoveRefreshesTheTip() {
    FakeTrayPlatform platform;
    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    hidden.Form_Load();
    hidden.sysTray().PopUpMessage = u"Reading"_s;
    platform.mouse(TrayMouse::Move);
    QCOMPARE(hidden.sysTray().TipText(), u"Reading"_s);
    QCOMPARE(platform.calls.last().command, Command::Modify);
    QCOMPARE(platform.calls.last().record.flags, TrayFlags::Tip);
    QCOMPARE(platform.calls.last().record.tip, u"Reading"_s);
}

void TestTray::unloadRemovesTheIconAndIgnoresErrors() {
    FakeTrayPlatform platform;
    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    hidden.Form_Unload(); // nothing loaded yet: nothing to remove
    QVERIFY(platform.calls.isEmpty());
    hidden.Form_Load();
    hidden.Form_Unload();
    QCOMPARE(platform.calls.last().command, Command::Delete);
    QVERIFY(!hidden.trayAvailable());

    QVERIFY(hidden.sysTray().ShowIcon());
    platform.throwOnCall = RunTimeError(ErrorNumber::DeviceIoError, u"gone"_s);
    hidden.Form_Unload();
    QVERIFY(report.places.isEmpty());
    platform.throwOnCall.reset();
}

void TestTray::handlerErrorsGoToTheErrorReport() {
    FakeTrayPlatform platform;
    platform.throwOnCall = RunTimeError(ErrorNumber::DeviceIoError, u"no tray"_s);
    ScriptedErrorReport report;
    report.answers = {ErrorAnswer::Ignore};
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter, &platform);
    hidden.Form_Load();
    QCOMPARE(report.places, QStringList{u"frmHidden:Form_Load"_s});
    QCOMPARE(report.numbers, QList<int>{ErrorNumber::DeviceIoError});
    QVERIFY(report.texts.first().endsWith(u"CSysTrayIcon:ShowIconno tray"_s));

    // A move while the tray fails reports with the handler's own place.
    platform.throwOnCall.reset();
    QVERIFY(hidden.sysTray().ShowIcon());
    platform.throwOnCall = RunTimeError(ErrorNumber::DeviceIoError, u"no tray"_s);
    hidden.Form_MouseMove(TrayMouse::Move);
    QCOMPARE(report.places.last(), u"frmHidden:Form_MouseMove"_s);
    QVERIFY(
        report.texts.last().endsWith(u"CSysTrayIcon:TipText [let]CSysTrayIcon:Updateno tray"_s));
    platform.throwOnCall.reset();
}

void TestTray::qtTrayWithoutNotificationAreaFails() {
    // The offscreen platform has no notification area, like a desktop without a tray.
    QtTrayPlatform platform;
    QVERIFY(!platform.isAvailable());
    CSysTrayIcon tray(platform);
    QSignalSpy errors(&tray, &CSysTrayIcon::NIError);
    tray.Initialize(nullptr, QIcon(), u"tip"_s, TrayMouse::Move);
    QCOMPARE(tray.ShowIcon(), false);
    QCOMPARE(tray.Visible(), false);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors.at(0).at(0).toInt(), int(QtTrayPlatform::NoTray));
    QCOMPARE(platform.notifyIcon(Command::Modify, TrayIconRecord()), false);
    QCOMPARE(platform.lastError(), int(QtTrayPlatform::NoIcon));

    ScriptedErrorReport report;
    ErrorReporter reporter(report);
    QWidget main;
    frmHidden hidden(main, reporter);
    hidden.Form_Load();
    QVERIFY(!hidden.trayAvailable());
    QVERIFY(report.places.isEmpty());
}

QTEST_MAIN(TestTray)
#include "test_tray.moc"
