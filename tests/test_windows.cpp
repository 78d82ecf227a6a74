// The main and detail windows and the tray: looks, layout, sorting, menus, rows, placement.
#include "support/Gui.h"

#include "naming/ClientNames.h"
#include "stats/ClientTable.h"
#include "ui/CSysTrayIcon.h"
#include "ui/CompactPath.h"
#include "ui/SortedList.h"
#include "ui/frmDetail.h"
#include "ui/frmHidden.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;
using Reason = QSystemTrayIcon::ActivationReason;

namespace {

/** A detail window's world; its windows go before the rest. */
struct Details {
    FakeClock clock; // 12/06/26
    ScriptedErrorReport report;
    ErrorReporter reporter{report};
    FakeHostLookup* lookup = new FakeHostLookup;
    ClientNames names{std::unique_ptr<IHostLookup>(lookup)};
    Statistics statistics;
    QWidget owner;
    frmDetail* show(const QString& key) {
        auto* window =
            new frmDetail(&owner, clock, reporter, names, frmDetail::lookupIn(statistics), 5);
        window->ShowDetail(key);
        return window;
    }
    void count(const char* date, qint32 blocks, const char* client = "alice") {
        statistics.IncrementClient(QLatin1StringView(client), QLatin1StringView(date),
                                   "12:00:00"_L1, blocks, "RC5"_L1);
    }
};

} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { clearSettings(); }

    void mainWindowLookAndMenus() {
        frmMain window(nullptr, 7);
        QCOMPARE(look(&window), u"Quillmere Log Analyzer|Tahoma 7.8|icon"_s);
        QVERIFY(window.Timer1()->interval() == 7 && window.Timer1()->isActive());
        QVERIFY(
            captions(&window).startsWith(u"client tabMain:[ RC5 ][ OGR ] picInfo labInBufCaption:"
                                         "In-buffer: labInBuf:0 labOutBufCaption:Out-buffer: "
                                         "labOutBuf:0 labUplinkCaption:Uplink Total: "_s));
        QCOMPARE(
            columns(window.lvRC5()),
            u"Client<1800 Total blocks>1100 Today blocks>1100 Rate (kkeys/s)>1100 Last block<2000"_s);
        window.Form_Resize(); // the design: two anchors and its properties
        QCOMPARE(window.clientSize(), QSize(Twips::toPixelsX(5388), Twips::toPixelsY(4380)));
        QCOMPARE(window.lvRC5()->geometry(), Twips::toPixels(QRectF(168, 1092, 5052, 2868)));
        QVERIFY(activate(window));
        QCOMPARE(layoutFaults(&window, {u"picInfo+tabMain"_s, u"lvRC5+tabMain"_s}), QString());
        // Each item, and its shortcut from the keyboard, asks for its command ("=" how often).
        const QList<void (frmMain::*)()> commands{
            &frmMain::openRequested,      &frmMain::nextLogRequested,     &frmMain::exportRequested,
            &frmMain::exitRequested,      &frmMain::preferencesRequested, &frmMain::namesRequested,
            &frmMain::hostsFileRequested, &frmMain::quietAlertRequested};
        QStringList menus;
        qsizetype command = 0;
        for (const QMenu* menu : window.menuBar()->findChildren<QMenu*>())
            for (QAction* item : QList<QAction*>{menu->menuAction()} + menu->actions()) {
                menus << item->objectName() + u':' + item->text() + u':' +
                             item->shortcut().toString();
                if (!item->objectName().startsWith(u"mnu") || item->isSeparator())
                    continue;
                QSignalSpy spy(&window, commands.value(command++));
                item->trigger();
                if (!item->shortcut().isEmpty())
                    QTest::keySequence(&window, item->shortcut());
                menus.last() += u'=' + QString::number(spy.size());
            }
        QCOMPARE(menus.join(u' '),
                 u":&File: mnuOpen:&Open:Ctrl+O=2 mnuNext:&Switch to next log file:=1 "
                 "mnuExport:&Export list...:Ctrl+E=2 mnuSeparator:: mnuExit:E&xit:Ctrl+Q=2 :&Edit: "
                 "mnuPreferences:&Preferences...:Ctrl+P=2 mnuNames:&Names...:Ctrl+N=2 "
                 "mnuHosts:&Hosts file:=1 mnuSeparator2:: mnuQuiet:&Quiet-client alert...:=1"_s);
    }

    void layoutFollowsTheSize() {
        for (const QSize change : {QSize(120, 80), QSize(0, 1), QSize(-40, -30)}) {
            frmMain window;
            window.Form_Resize(); // the load handler lays out before the saved size comes
            const auto geometries = [&] {
                return QList<QRect>{window.tabMain()->geometry(), window.lvRC5()->geometry(),
                                    window.picInfo()->geometry()};
            };
            QList<QRect> expected = geometries();
            window.resize(window.size() + change); // the saved size
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            for (QRect& r : expected) // the panel keeps its height
                r.adjust(0, 0, change.width(), &r == &expected[2] ? 0 : change.height());
            QTRY_COMPARE(geometries(), expected);
            QLabel *status = window.statusPanel(1), *clock = window.statusPanel(2);
            const int statusWidth = status->width();
            QCOMPARE(clock->minimumWidth(), Twips::toPixelsX(500)); // empty, it keeps this width
            window.showMinimized();                                 // minimised and back: as it was
            QTRY_VERIFY(window.isMinimized());
            window.showNormal();
            QTRY_COMPARE(geometries(), expected);
            const frmMain::LayoutMargins m = window.layoutMargins(); // lower than the list's margin
            window.resize(window.width() + 30,
                          window.height() - window.clientSize().height() + m.listHeight - 10);
            QTRY_COMPARE(window.tabMain()->height(), m.listHeight - 10 - m.tabHeight); // list stays
            QCOMPARE(window.lvRC5()->size(), expected[1].size() + QSize(30, 0));
            // Status panel 1 takes what the window gains, not what its text needs; panel 2 does.
            QTRY_COMPARE(status->width(), statusWidth + 30);
            status->setText(QString(400, u'x'));
            const int clockWidth = clock->width();
            clock->setText(u" 12:00:00/11:59:58 and then some "_s);
            QTRY_VERIFY(clock->width() > clockWidth);
            QTRY_COMPARE(status->width(), statusWidth + 30 - (clock->width() - clockWidth));
        }
    }

    void compactingThePath() {
        const QFontMetrics metrics{QFont()};
        const QString path = u"/home/ann/proxy/r2026/conlog11.log"_s; // room: a pixel less than...
        for (const auto& [room, shown] : {std::pair(path, u"/home/ann/proxy/.../conlog11.log"_s),
                                          {u".../conlog11.log"_s, u"conlog11.log"_s},
                                          {u"conlog1"_s, u"co\u2026"_s}}) {
            const QString result = compactPath(path, metrics, metrics.horizontalAdvance(room) - 1);
            QVERIFY2(result == shown || (shown.endsWith(u'\u2026') && result.startsWith(u'c') &&
                                         result.endsWith(u'g') && result.contains(u'\u2026')),
                     qPrintable(result));
        }
    }

    void sortingTabsAndClose() {
        frmMain window(nullptr, 5);
        QVERIFY(activate(window));
        for (const QString& row :
             {u"carol,    12,     5"_s, u"alice,   123,    40"_s, u"bob,     7,   300"_s})
            addRow(window, row.split(u','));
        // A header click sorts by its column ascending, a second descending, and another column
        // always starts ascending. Cells compare as text: numbers by their leading spaces.
        QString shown;
        for (int column : {1, 1, 1, 1, 2, 0, 0}) {
            clickHeader(window.lvRC5(), column);
            shown += u"%1%2 %3 "_s.arg(window.sortKey())
                         .arg(window.sortOrder())
                         .arg(columnText(window.lvRC5(), 0));
        }
        const QHeaderView* header = window.lvRC5()->header(); // the last sort: 0, descending
        QCOMPARE(shown + u"%1%2%3"_s.arg(header->isSortIndicatorShown())
                             .arg(header->sortIndicatorSection())
                             .arg(header->sortIndicatorOrder()),
                 u"10 bob|carol|alice 11 alice|carol|bob 10 bob|carol|alice 11 alice|carol|bob "
                 "20 carol|alice|bob 00 alice|bob|carol 01 carol|bob|alice 101"_s);
        window.setSortOrder(0);
        for (const QString& text : {u"Alpha"_s, u"9"_s, u"10"_s})
            addRow(window, {text});
        window.lvRC5()->setCellText(window.findRow(u"bob"_s), 0, u"Zed"_s); // waits for a re-sort
        QCOMPARE(columnText(window.lvRC5(), 0), u"alice|Zed|carol|Alpha|9|10"_s);
        window.resortList();
        QCOMPARE(columnText(window.lvRC5(), 0), u"10|9|alice|Alpha|carol|Zed"_s);
        window.lvRC5()->clearRows(); // the tab change
        addRow(window, {u"rc5"_s});
        QList<int> passes; // the tab of each pass over an empty list; the timer ticks meanwhile
        window.setRefreshHandler([&] {
            if (window.lvRC5()->model()->rowCount() == 0)
                passes << window.currentTab(), addRow(window, {u"ogr"_s});
        });
        QMetaObject::invokeMethod( // an event already queued runs before the list is emptied
            &window, [&] { addRow(window, {u"queued"_s}); }, Qt::QueuedConnection);
        window.tabMain()->setCurrentIndex(1);
        QCOMPARE(passes, QList<int>{1});
        QCOMPARE(columnText(window.lvRC5(), 0), u"ogr"_s);
        QSignalSpy doubleClicks(&window, &frmMain::listDoubleClicked);
        const QPoint at = window.lvRC5()->visualRect(window.lvRC5()->model()->index(0, 0)).center();
        QTest::mousePress(window.lvRC5()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(window.lvRC5()->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(doubleClicks.size() == 1 && window.selectedRowKey() == u"ogr"_s);
        QList<int> modes; // the close box only hides (the close is cancelled), unload closes
        window.setQueryUnloadHandler([&](int mode) { return modes << mode, mode == 0; });
        QVERIFY(!window.close() && window.isVisible() && window.unload() && !window.isVisible());
        QCOMPARE(modes, (QList<int>{0, 1}));
    }

    void detailWindowLook() {
        Details d;
        d.names.setResolveClients(true);
        d.names.Resolve(u"10.0.0.5"_s); // the main list resolved it earlier
        d.lookup->answer(0, u"pc.example.net"_s);
        QString looks; // the caption is "Details - " and the name's first word
        for (const QString& key : {u"OGR10.0.0.6"_s, u"OGR<All-clients>"_s, u"RC510.0.0.5"_s}) {
            const frmDetail* w = d.show(key);
            looks += (looks.isEmpty() ? look(w) + u' ' + captions(w)
                                      : w->windowTitle() + u' ' + w->labName()->text()) +
                     u'\n';
        }
        QCOMPARE(looks, u"Details - 10.0.0.6|Tahoma 7.8|icon lvDetail Label1:Client: labName:"
                        "10.0.0.6 (10.0.0.6) chartDays\nDetails - <All-clients> <All-clients> "
                        "(<All-clients>)\nDetails - pc.example.net pc.example.net (10.0.0.5)\n"_s);
        QPointer<frmDetail> window = frmDetail::findOpen(&d.owner, u"RC510.0.0.5"_s);
        QCOMPARE(columns(window->lvDetail()), u"Date<1200 Blocks>1200"_s);
        QVERIFY(window->labName()->font().bold() && window->isVisible() &&
                window->parentWidget() == &d.owner && window->Timer1()->interval() == 5 &&
                window->Timer1()->isActive());
        QCOMPARE(layoutFaults(window), QString());
        QVERIFY(QTest::qWaitForWindowExposed(window));
        const QRect list = window->lvDetail()->geometry(), name = window->labName()->geometry();
        window->resize(window->size() + QSize(90, 60)); // the list keeps its margins, the name
        QTRY_COMPARE(window->lvDetail()->geometry(), list.adjusted(0, 0, 90, 60));
        QCOMPARE(window->labName()->geometry(), name.adjusted(0, 0, 90, 0));
        QCOMPARE(window->labName()->geometry().right(), window->lvDetail()->geometry().right());
        QVERIFY(window->close());
        QTRY_VERIFY(window.isNull()); // deleted once closed
    }

    void detailRowsFollowTheHistory() {
        Details d;
        for (const auto& [date, blocks] :
             {std::pair("11/29/26", 5), {"12/01/26", 7}, {"12/03/26", 1234567}})
            d.count(date, blocks);
        d.count("12/02/26", 99, "bob");
        frmDetail* window = d.show(u"RC5alice"_s);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        SortedList* list = window->lvDetail();
        QCOMPARE(columnText(list, 0) + columnText(list, 1),
                 u"11/29/26|12/01/26|12/03/26     5|     7|1234567"_s);
        clickHeader(list, 1); // by blocks, then descending
        clickHeader(list, 1);
        // The timer's passes: today's new row, bold, takes its place; a changed cell is rewritten
        // but moves nothing; a row, and its bold, stay once made.
        QSignalSpy changes(list->model(), &QAbstractItemModel::dataChanged);
        d.count("12/06/26", 3);
        QTRY_COMPARE(columnText(list, 0), u"12/03/26|12/01/26|11/29/26|12/06/26*"_s);
        d.count("12/06/26", 40);
        QTRY_COMPARE(columnText(list, 1), u"1234567|     7|     5|    43*"_s);
        const qsizetype writes = changes.size();
        QSignalSpy ticks(window->Timer1(), &QTimer::timeout);
        QTRY_VERIFY(ticks.size() >= 5); // passes over an unchanged history write nothing
        QCOMPARE(changes.size(), writes);
        d.clock.current = d.clock.current.addDays(1);
        d.count("12/07/26", 8);
        d.count("12/04/26", 2); // a late line of an earlier day
        QTRY_COMPARE(columnText(list, 0),
                     u"12/03/26|12/06/26*|12/07/26*|12/01/26|11/29/26|12/04/26"_s);
        clickHeader(list, 0); // dates compare as text
        QCOMPARE(columnText(list, 0), u"11/29/26|12/01/26|12/03/26|12/04/26|12/06/26*|12/07/26*"_s);
        // Open replaces the table: the rows stay until the record is there again.
        d.statistics.reset();
        d.count("12/07/26", 9, "bob");
        ticks.clear();
        QTRY_VERIFY(ticks.size() >= 2);
        d.count("12/07/26", 61);
        QTRY_COMPARE(columnText(list, 1), u"     5|     7|1234567|     2|    43*|    61*"_s);
        QCOMPARE(columnText(d.show(u"RC5<All-clients>"_s)->lvDetail(), 1), u"    70*"_s); // all
        QVERIFY(d.report.places.isEmpty());
    }

    void detailPlacementIsShared() {
        Details d;
        QVERIFY(activate(d.owner));
        frmDetail *first = d.show(u"RC5alice"_s), *ogr = d.show(u"OGRalice"_s);
        QVERIFY(frmDetail::findOpen(&d.owner, u"RC5alice"_s) == first &&
                frmDetail::findOpen(&d.owner, u"OGRalice"_s) == ogr);
        d.owner.showMinimized(); // hidden with the owner, back with it
        QTRY_VERIFY(!first->isVisible() && !ogr->isVisible());
        d.owner.showNormal();
        QTRY_VERIFY(first->isVisible() && ogr->isVisible());
        QVERIFY(first->close() && !frmDetail::findOpen(&d.owner, u"RC5alice"_s));
        QVERIFY(QTest::qWaitForWindowExposed(ogr));
        clickHeader(ogr->lvDetail(), 1);
        ogr->setGeometry(60, 40, 280, 230);
        QTRY_COMPARE(ogr->geometry(), QRect(60, 40, 280, 230));
        QVERIFY(ogr->close()); // its place and sort go into "Details"; the next window opens so
        frmDetail* next = d.show(u"RC5bob"_s);
        QTRY_COMPARE(next->geometry(), QRect(60, 40, 280, 230));
        QVERIFY(next->lvDetail()->sortKey() == 1 && settingsStore().contains(u"Details/Left"_s) &&
                d.report.places.isEmpty());
    }

    void tray() {
        QString shown; // whether a click on the icon shows the main window hidden by the refresh
        for (const auto& [available, doubleClicks, reason] :
             {std::tuple(true, true, Reason::DoubleClick),
              {true, true, Reason::Trigger},
              {true, false, Reason::Trigger},
              {true, true, Reason::Context},
              {false, true, Reason::DoubleClick}}) {
            FakeTray tray;
            std::tie(tray.available, tray.doubleClicks) = std::pair(available, doubleClicks);
            QWidget main;
            frmHidden hidden(main, &tray);
            hidden.Form_Load();
            QStringList items{tray.toolTip};
            for (const QAction* item : tray.menu->actions())
                items << item->text() + (item == tray.menu->defaultAction() ? u"*"_s : QString());
            QCOMPARE(items.join(u'|'), u"Quillmere Log Analyzer|Show Log Analyzer*||&Exit"_s);
            QVERIFY(tray.shown == available && hidden.trayAvailable() == available &&
                    !hidden.isVisible() && !tray.icon.pixmap(16, 16).isNull() &&
                    tray.menu == hidden.mnuMain());
            main.showMinimized();
            main.hide();
            tray.click(reason);
            shown += QString::number(main.isVisible() && !main.isMinimized());
            QSignalSpy exits(&hidden, &frmHidden::exitRequested);
            tray.menu->actions().at(2)->trigger();
            hidden.Form_Unload();
            QVERIFY(exits.size() == 1 && !tray.shown);
            CSysTrayIcon icon(tray);
            QVERIFY(!icon.HideIcon() && icon.ShowIcon() == available && !icon.ShowIcon() &&
                    tray.shown == available);
        }
        QCOMPARE(shown, u"10101"_s); // double, single, single where no doubles come, right, no tray
        FakeTray tray; // the tip: 63 characters at most, never half of a surrogate pair
        CSysTrayIcon icon(tray);
        const QString a61 = QString(61, u'a') + QString::fromUcs4(U"\U0001D11E");
        icon.setTipText(u'a' + a61);
        QCOMPARE(tray.toolTip, u'a' + a61.left(61));
        icon.setTipText(a61 + u'b');
        QCOMPARE(tray.toolTip, a61);
    }
};

QTEST_MAIN(TestWindows)
#include "test_windows.moc"
