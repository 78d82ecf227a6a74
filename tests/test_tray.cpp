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

#include <functional>

using namespace Qt::StringLiterals;
using Command = ITrayPlatform::Command;

namespace {

QIcon coloured(Qt::GlobalColor colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

class RecordingOwner : public ITrayOwner {
public:
    void trayNotification(int, int) override {}
};

/** An icon over a fake tray, initialised with tip "tip" and callback message 512. */
struct TrayRig {
    TrayRig() { tray.Initialize(&owner, QIcon(), u"tip"_s, 512); }
    const FakeTrayPlatform::Call& last() const { return platform.calls.last(); }
    FakeTrayPlatform platform;
    RecordingOwner owner;
    CSysTrayIcon tray{platform};
};

/** The hidden window over a fake tray; set the fake up before calling Form_Load. */
struct HiddenRig {
    FakeTrayPlatform platform;
    ScriptedErrorReport report;
    ErrorReporter reporter{report};
    QWidget main;
    frmHidden hidden{main, reporter, &platform};
};

/** The error the action passes on, or one numbered 0 saying none came. */
RunTimeError thrown(const std::function<void()>& action) {
    try {
        action();
    } catch (const RunTimeError& error) {
        return error;
    }
    return RunTimeError(0, u"no error"_s);
}

RunTimeError lost(const QString& text = u"lost"_s) {
    return RunTimeError(ErrorNumber::DeviceIoError, text);
}

} // namespace

class TestTray : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initializeThenShowHideAndUpdateOnlyWhenTheyChangeSomething() {
        FakeTrayPlatform platform;
        RecordingOwner owner;
        CSysTrayIcon tray(platform);
        QCOMPARE(tray.UpdateOnChange(), false);
        const QIcon icon = coloured(Qt::red);
        QCOMPARE(tray.Initialize(&owner, icon, QString()),
                 0); // the callback message may be left out
        QCOMPARE(tray.CallbackMessage(), 0);
        QCOMPARE(tray.Initialize(&owner, icon, u"tip"_s, 512), 0);
        QCOMPARE(tray.UpdateOnChange(), true);
        QCOMPARE(tray.TipText(), u"tip"_s);
        QCOMPARE(tray.CallbackMessage(), 512);
        QCOMPARE(tray.IconHandle().cacheKey(), icon.cacheKey());

        // While hidden, setters only store; the next show pushes it all.
        const QIcon later = coloured(Qt::green);
        tray.setIconHandle(later);
        tray.setTipText(u"later"_s);
        tray.setCallbackMessage(515);
        QCOMPARE(tray.HideIcon(), false);
        QCOMPARE(tray.Update(), false);
        QVERIFY(platform.calls.isEmpty());
        QCOMPARE(tray.ShowIcon(), true);
        QCOMPARE(tray.Visible(), true);
        const FakeTrayPlatform::Call add = platform.calls.last();
        QCOMPARE(add.command, Command::Add);
        QCOMPARE(add.record.flags, TrayFlags::All);
        QCOMPARE(add.record.id, 1);
        QCOMPARE(add.record.owner, &owner);
        QCOMPARE(add.record.callbackMessage, 515);
        QCOMPARE(add.record.tip, u"later"_s);
        QCOMPARE(add.record.icon.cacheKey(), later.cacheKey());
        QCOMPARE(tray.ShowIcon(), false); // already shown: nothing happens
        tray.setVisible(true);
        QCOMPARE(platform.calls.size(), 1);

        QCOMPARE(tray.Update(), true);
        QCOMPARE(platform.calls.last().command, Command::Modify);
        QCOMPARE(platform.calls.last().record.flags, TrayFlags::All);
        QCOMPARE(tray.HideIcon(), true);
        QCOMPARE(tray.Visible(), false);
        QCOMPARE(platform.calls.last().command, Command::Delete);
        QCOMPARE(tray.HideIcon(), false);
        QCOMPARE(tray.Update(), false);
        QCOMPARE(platform.calls.size(), 3);

        // The Visible property shows and hides likewise.
        tray.setVisible(true);
        QCOMPARE(platform.calls.last().command, Command::Add);
        tray.setVisible(false);
        QCOMPARE(tray.Visible(), false);
        QCOMPARE(platform.calls.last().command, Command::Delete);
    }

    void failedCallsKeepTheFlagAndRaiseNIError() {
        TrayRig rig;
        QSignalSpy errors(&rig.tray, &CSysTrayIcon::NIError);
        rig.platform.failWith = 1402;
        QCOMPARE(rig.tray.ShowIcon(), false);
        QCOMPARE(rig.tray.Visible(), false);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 1402);

        rig.platform.failWith = 0;
        QVERIFY(rig.tray.ShowIcon());
        rig.platform.failWith = 87;
        QCOMPARE(rig.tray.Update(), false);
        QCOMPARE(rig.tray.HideIcon(), false);
        QCOMPARE(rig.tray.Visible(), true);
        QCOMPARE(errors.size(), 3);
        QCOMPARE(errors.at(2).at(0).toInt(), 87);
    }

    void tipIsCutTo63Characters_data() {
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

    void tipIsCutTo63Characters() {
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

    void settersPushTheirOwnFieldOnlyWhenUpdatingOnChange() {
        TrayRig rig;
        QVERIFY(rig.tray.ShowIcon());
        const QIcon icon = coloured(Qt::yellow);
        rig.tray.setIconHandle(icon);
        QCOMPARE(rig.last().record.flags, TrayFlags::Icon);
        QCOMPARE(rig.last().record.icon.cacheKey(), icon.cacheKey());
        rig.tray.setTipText(u"changed"_s);
        QCOMPARE(rig.last().record.flags, TrayFlags::Tip);
        QCOMPARE(rig.last().record.tip, u"changed"_s);
        rig.tray.setCallbackMessage(1024);
        QCOMPARE(rig.last().record.flags, TrayFlags::Message);
        QCOMPARE(rig.last().record.callbackMessage, 1024);
        QCOMPARE(rig.platform.calls.size(), 4);
        for (qsizetype i = 1; i < 4; ++i)
            QCOMPARE(rig.platform.calls.at(i).command, Command::Modify);

        // Without UpdateOnChange the setters only store, and Update pushes the whole record.
        rig.tray.setUpdateOnChange(false);
        QCOMPARE(rig.tray.UpdateOnChange(), false);
        const QIcon later = coloured(Qt::cyan);
        rig.tray.setIconHandle(later);
        rig.tray.setTipText(u"later"_s);
        rig.tray.setCallbackMessage(515);
        QCOMPARE(rig.platform.calls.size(), 4);
        QVERIFY(rig.tray.Update());
        QCOMPARE(rig.last().record.flags, TrayFlags::All);
        QCOMPARE(rig.last().record.icon.cacheKey(), later.cacheKey());
        QCOMPARE(rig.last().record.tip, u"later"_s);
        QCOMPARE(rig.last().record.callbackMessage, 515);
    }

    void errorsPassOnWithTheirPlace() {
        TrayRig rig;
        rig.platform.throwOnCall = RunTimeError(ErrorNumber::DeviceIoError, u"lost"_s, u"tray"_s);
        const RunTimeError error = thrown([&] { rig.tray.ShowIcon(); });
        QCOMPARE(error.number(), ErrorNumber::DeviceIoError);
        QCOMPARE(error.source(), u"tray"_s);
        QCOMPARE(error.description(), u"CSysTrayIcon:ShowIconlost"_s);
        QCOMPARE(rig.tray.Visible(), false);

        rig.platform.throwOnCall.reset();
        QVERIFY(rig.tray.ShowIcon());
        rig.platform.throwOnCall = lost();
        QCOMPARE(thrown([&] { rig.tray.setTipText(u"x"_s); }).description(),
                 u"CSysTrayIcon:TipText [let]CSysTrayIcon:Updatelost"_s);
        QCOMPARE(rig.tray.TipText(), u"x"_s);
        QCOMPARE(thrown([&] { rig.tray.setVisible(false); }).description(),
                 u"CSysTrayIcon:Visible [let]CSysTrayIcon:HideIconlost"_s);
        // The failed setter left the record whole.
        rig.platform.throwOnCall.reset();
        QVERIFY(rig.tray.Update());
        QCOMPARE(rig.last().record.flags, TrayFlags::All);
    }

    void endingTheObjectRemovesTheIcon() {
        FakeTrayPlatform platform;
        FakeTrayPlatform failing;
        {
            CSysTrayIcon tray(platform);
            CSysTrayIcon failingTray(failing);
            tray.Initialize(nullptr, QIcon(), QString());
            failingTray.Initialize(nullptr, QIcon(), QString());
            QVERIFY(tray.ShowIcon());
            QVERIFY(failingTray.ShowIcon());
            failing.throwOnCall = lost(u"gone"_s);
        }
        QCOMPARE(platform.calls.size(), 2);
        QCOMPARE(platform.calls.last().command, Command::Delete);
        QCOMPARE(failing.calls.size(), 1); // a failure on the way out is swallowed
    }

    void hiddenWindowLoad_data() {
        QTest::addColumn<bool>("available");
        QTest::addRow("tray") << true;
        QTest::addRow("no tray: the owner is told") << false;
    }

    void hiddenWindowLoad() {
        QFETCH(bool, available);
        HiddenRig rig;
        rig.platform.available = available;
        QVERIFY(!rig.hidden.trayAvailable());
        rig.hidden.Form_Load();
        QCOMPARE(rig.hidden.trayAvailable(), available);
        QCOMPARE(rig.hidden.sysTray().Visible(), available);
        QVERIFY(!rig.hidden.isVisible());
        QVERIFY(rig.report.places.isEmpty()); // NIError is not listened to
        if (!available)
            return;
        QCOMPARE(rig.platform.calls.size(), 1);
        const TrayIconRecord record = rig.platform.calls.first().record;
        QCOMPARE(rig.platform.calls.first().command, Command::Add);
        QCOMPARE(record.tip, u"Quillmere Log Analyzer"_s); // from the start: no hover is reported
        QCOMPARE(record.callbackMessage, TrayMouse::Move);
        QVERIFY(record.owner != nullptr);
        QVERIFY(!record.icon.pixmap(16, 16).isNull());
        QCOMPARE(rig.hidden.sysTray().PopUpMessage, u"Quillmere Log Analyzer"_s);

        // A move over the icon refreshes the tip from the pop-up message.
        rig.hidden.sysTray().PopUpMessage = u"Reading"_s;
        rig.platform.mouse(TrayMouse::Move);
        QCOMPARE(rig.hidden.sysTray().TipText(), u"Reading"_s);
        QCOMPARE(rig.platform.calls.last().command, Command::Modify);
        QCOMPARE(rig.platform.calls.last().record.flags, TrayFlags::Tip);
        QCOMPARE(rig.platform.calls.last().record.tip, u"Reading"_s);
    }

    void popUpMenuHasShowAndExit() {
        HiddenRig rig;
        QMenu* menu = rig.hidden.mnuMain();
        QCOMPARE(menu->objectName(), u"mnuMain"_s);
        QCOMPARE(menu->title(), u"&Main"_s);
        const QList<QAction*> items = menu->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0)->objectName() + items.at(0)->text(), u"mnuShowShow Log Analyzer"_s);
        QCOMPARE(menu->defaultAction(), items.at(0));
        QVERIFY(items.at(0)->font().bold());
        QVERIFY(items.at(1)->isSeparator());
        QCOMPARE(items.at(2)->objectName() + items.at(2)->text(), u"mnuExit&Exit"_s);

        QSignalSpy exits(&rig.hidden, &frmHidden::exitRequested);
        items.at(2)->trigger();
        QCOMPARE(exits.size(), 1);
        rig.main.showMinimized();
        rig.main.hide();
        items.at(0)->trigger();
        QVERIFY(rig.main.isVisible());
        QVERIFY(!rig.main.isMinimized());
    }

    void mouseNotifications_data() {
        QTest::addColumn<bool>("doubleClicks");
        QTest::addColumn<int>("mouseMessage");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("menu");
        QTest::addRow("double click") << true << TrayMouse::LeftDoubleClick << true << false;
        QTest::addRow("single click does nothing")
            << true << TrayMouse::LeftButtonUp << false << false;
        QTest::addRow("single click without double clicks shows")
            << false << TrayMouse::LeftButtonUp << true << false;
        QTest::addRow("mouse move") << true << TrayMouse::Move << false << false;
        QTest::addRow("middle click") << true << TrayMouse::MiddleButtonUp << false << false;
        QTest::addRow("right button down") << true << 516 << false << false;
        QTest::addRow("right button up pops up the menu")
            << true << TrayMouse::RightButtonUp << false << true;
    }

    void mouseNotifications() {
        QFETCH(bool, doubleClicks);
        QFETCH(int, mouseMessage);
        QFETCH(bool, shown);
        QFETCH(bool, menu);
        HiddenRig rig;
        rig.platform.doubleClicks = doubleClicks;
        rig.hidden.Form_Load();

        // Minimised, then hidden by the refresh cycle: the tray is the way back.
        rig.main.showMinimized();
        rig.main.hide();
        QVERIFY(rig.main.isMinimized());
        rig.platform.mouse(mouseMessage);
        QTRY_COMPARE(rig.hidden.mnuMain()->isVisible(), menu);
        QCOMPARE(rig.main.isVisible(), shown);
        QCOMPARE(rig.main.isMinimized(), !shown);
        QVERIFY(rig.report.places.isEmpty());
        rig.hidden.mnuMain()->close();
    }

    void handlerErrorsGoToTheErrorReportButUnloadIgnoresThem() {
        HiddenRig rig;
        rig.hidden.Form_Unload(); // nothing loaded yet: nothing to remove
        QVERIFY(rig.platform.calls.isEmpty());
        rig.platform.throwOnCall = lost(u"no tray"_s);
        rig.report.answers = {ErrorAnswer::Ignore};
        rig.hidden.Form_Load();
        QCOMPARE(rig.report.places, QStringList{u"frmHidden:Form_Load"_s});
        QCOMPARE(rig.report.numbers, QList<int>{ErrorNumber::DeviceIoError});
        QVERIFY(rig.report.texts.first().endsWith(u"CSysTrayIcon:ShowIconno tray"_s));

        // A move while the tray fails reports with the handler's own place.
        rig.platform.throwOnCall.reset();
        QVERIFY(rig.hidden.sysTray().ShowIcon());
        rig.platform.throwOnCall = lost(u"no tray"_s);
        rig.hidden.Form_MouseMove(TrayMouse::Move);
        QCOMPARE(rig.report.places.last(), u"frmHidden:Form_MouseMove"_s);
        QVERIFY(rig.report.texts.last().endsWith(
            u"CSysTrayIcon:TipText [let]CSysTrayIcon:Updateno tray"_s));

        rig.hidden.Form_Unload();
        QCOMPARE(rig.report.places.size(), 2);
        rig.platform.throwOnCall.reset();
        rig.hidden.Form_Load();
        rig.hidden.Form_Unload();
        QCOMPARE(rig.platform.calls.last().command, Command::Delete);
        QVERIFY(!rig.hidden.trayAvailable());
    }

    void qtTrayWithoutNotificationAreaFails() {
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
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
