// The tray icon and the hidden window that owns it, over a fake notification area.

#include "support/FakeTray.h"
#include "ui/CSysTrayIcon.h"
#include "ui/frmHidden.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Reason = QSystemTrayIcon::ActivationReason;

namespace {

/** The hidden window over a fake tray; set the fake up before calling Form_Load. */
struct HiddenRig {
    FakeTray tray;
    QWidget main;
    frmHidden hidden{main, &tray};
};

} // namespace

class TestTray : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void loadAndUnload_data() {
        QTest::addColumn<bool>("available");
        QTest::addRow("tray") << true;
        QTest::addRow("no tray: the close box must end the program") << false;
    }
    void loadAndUnload() {
        QFETCH(bool, available);
        HiddenRig rig;
        rig.tray.available = available;
        rig.hidden.Form_Load();
        QCOMPARE(rig.tray.shown, available);
        QCOMPARE(rig.hidden.trayAvailable(), available);
        QVERIFY(!rig.hidden.isVisible());
        QCOMPARE(rig.tray.toolTip, u"Quillmere Log Analyzer"_s); // no hover is ever reported
        QVERIFY(!rig.tray.icon.pixmap(16, 16).isNull());

        QCOMPARE(rig.tray.menu, rig.hidden.mnuMain());
        const QList<QAction*> items = rig.hidden.mnuMain()->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0)->text(), u"Show Log Analyzer"_s);
        QCOMPARE(rig.hidden.mnuMain()->defaultAction(), items.at(0));
        QVERIFY(items.at(0)->font().bold());
        QVERIFY(items.at(1)->isSeparator());
        QSignalSpy exits(&rig.hidden, &frmHidden::exitRequested);
        items.at(2)->trigger();
        QCOMPARE(exits.size(), 1);

        rig.hidden.Form_Unload();
        QVERIFY(!rig.tray.shown);
        QVERIFY(!rig.hidden.trayAvailable());
    }

    void showAndHideOnlyWhenTheyChangeSomething() {
        FakeTray tray;
        {
            CSysTrayIcon icon(tray);
            QVERIFY(!icon.HideIcon());
            QVERIFY(icon.ShowIcon());
            QVERIFY(!icon.ShowIcon());
            QVERIFY(icon.Visible() && tray.shown);
            QVERIFY(icon.HideIcon());
            QVERIFY(!icon.Visible() && !tray.shown);
            QVERIFY(icon.ShowIcon());
        }
        QVERIFY(!tray.shown); // the icon goes with its object
    }

    void tipIsCutTo63Characters_data() {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("kept");
        const QString hundred = QString(100, u'x');
        QTest::addRow("100 characters") << hundred << hundred.left(63);
        QTest::addRow("exactly 63") << hundred.left(63) << hundred.left(63);
        QTest::addRow("64") << hundred.left(64) << hundred.left(63);
        // A character outside the basic plane is not split at the cut.
        const QString clef = QString::fromUcs4(U"\U0001D11E");
        QTest::addRow("surrogate pair at the cut") << QString(62, u'a') + clef << QString(62, u'a');
        QTest::addRow("surrogate pair before the cut")
            << QString(61, u'a') + clef + u"bc"_s << QString(61, u'a') + clef;
    }
    void tipIsCutTo63Characters() {
        QFETCH(QString, tip);
        QFETCH(QString, kept);
        FakeTray tray;
        CSysTrayIcon icon(tray);
        icon.setTipText(tip);
        QCOMPARE(icon.TipText(), kept);
        QCOMPARE(tray.toolTip, kept);
    }

    void clicksOnTheIcon_data() {
        QTest::addColumn<bool>("doubleClicks");
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<bool>("shown");
        QTest::addRow("double click") << true << Reason::DoubleClick << true;
        QTest::addRow("single click does nothing") << true << Reason::Trigger << false;
        QTest::addRow("single click without double clicks") << false << Reason::Trigger << true;
        QTest::addRow("right click: the tray's menu") << true << Reason::Context << false;
        QTest::addRow("middle click") << true << Reason::MiddleClick << false;
    }
    void clicksOnTheIcon() {
        QFETCH(bool, doubleClicks);
        QFETCH(Reason, reason);
        QFETCH(bool, shown);
        HiddenRig rig;
        rig.tray.doubleClicks = doubleClicks;
        rig.hidden.Form_Load();
        // Minimised, then hidden by the refresh cycle: the tray is the way back.
        rig.main.showMinimized();
        rig.main.hide();
        rig.tray.click(reason);
        QCOMPARE(rig.main.isVisible(), shown);
        QCOMPARE(rig.main.isMinimized(), !shown);
    }

    void desktopWithoutNotificationArea() {
        // The offscreen platform has no notification area, like a desktop without a tray.
        QWidget main;
        frmHidden hidden(main);
        hidden.Form_Load();
        QVERIFY(!hidden.trayAvailable());
        QVERIFY(!hidden.sysTray().Visible());
    }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
