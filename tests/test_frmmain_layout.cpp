// The main window itself: its controls, layout margins, column-header sort, tab change, menus.

#include "common/RunTimeError.h"
#include "common/modGlobals.h"
#include "ui/CompactPath.h"
#include "ui/Twips.h"
#include "ui/frmMain.h"

#include "support/ListTexts.h"

#include <QAction>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

/** Tab strip, list and info panel, in that order. */
QList<QRect> geometries(const frmMain& window) {
    return {window.tabMain()->geometry(), window.lvRC5()->geometry(), window.picInfo()->geometry()};
}

QList<QRect> designGeometries() {
    return {Twips::toPixels(QRectF(84, 84, 5220, 3960)),
            Twips::toPixels(QRectF(168, 1092, 5052, 2868)),
            Twips::toPixels(QRectF(252, 504, 4884, 516))};
}

/** The geometries after the window grew by (dx, dy): the panel grows across only. */
QList<QRect> grown(const QList<QRect>& at, int dx, int dy) {
    return {at[0].adjusted(0, 0, dx, dy), at[1].adjusted(0, 0, dx, dy),
            at[2].adjusted(0, 0, dx, 0)};
}

/** The client names, top to bottom, joined by spaces. */
QString names(const frmMain& window) {
    return columnTexts(*window.lvRC5(), frmMain::ColClient).join(u' ');
}

void clickHeader(frmMain& window, int column) {
    QHeaderView* header = window.lvRC5()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

/** Three rows: name, total blocks (right-justified to 6), today blocks. */
void addSampleRows(frmMain& window) {
    const struct {
        const char16_t* name;
        qint64 total;
        qint64 today;
    } rows[] = {{u"carol", 12, 5}, {u"alice", 123, 40}, {u"bob", 7, 300}};
    for (const auto& row : rows) {
        const frmMain::RowId item =
            window.addRow(QString::fromUtf16(row.name), QString::fromUtf16(row.name));
        window.lvRC5()->setCellText(item, frmMain::ColTotalBlocks, rightJustify(row.total, 6));
        window.lvRC5()->setCellText(item, frmMain::ColTodayBlocks, rightJustify(row.today, 6));
    }
}

int errorNumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const RunTimeError& error) {
        return error.number();
    }
    return 0;
}

/** The window shown at its design size, laid out as the load handler does. */
void showAtDesignSize(frmMain& window) {
    window.Form_Resize();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
}

} // namespace

class TestFrmMainLayout : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void controlsHaveTheirNamesTextsAndFont() {
        frmMain window;
        QCOMPARE(window.windowTitle(), u"Quillmere Log Analyzer"_s);
        QVERIFY(!window.windowIcon().isNull());
        for (const QString& name : {u"tabMain"_s, u"picInfo"_s, u"lvRC5"_s}) // labels: below
            QVERIFY2(window.findChild<QWidget*>(name), qPrintable(name));
        QCOMPARE(window.statusBar()->objectName(), u"StatusBar1"_s);

        QCOMPARE(window.tabMain()->count(), 2);
        QCOMPARE(window.tabMain()->tabText(0), u" RC5 "_s);
        QCOMPARE(window.tabMain()->tabText(1), u" OGR "_s);
        QCOMPARE(window.currentTab(), 0);

        const struct {
            const char16_t* name;
            const char16_t* text;
            QRectF twips;
        } labels[] = {
            {u"labInBufCaption", u"In-buffer:", {0, 0, 1104, 264}},
            {u"labInBuf", u"0", {1176, 0, 1020, 264}},
            {u"labOutBufCaption", u"Out-buffer:", {0, 252, 1104, 264}},
            {u"labOutBuf", u"0", {1176, 252, 1020, 264}},
            {u"labUplinkCaption", u"Uplink Total:", {2268, 0, 1104, 264}},
            {u"labUplink", u"0", {3444, 0, 1188, 264}},
            {u"labClientsCaption", u"Clients Total:", {2268, 252, 1104, 264}},
            {u"labClients", u"0", {3444, 252, 1188, 264}},
        };
        for (const auto& expected : labels) {
            const QString name = QString::fromUtf16(expected.name);
            auto* label = window.picInfo()->findChild<QLabel*>(name);
            QVERIFY2(label, qPrintable(name));
            QCOMPARE(label->text(), QString::fromUtf16(expected.text));
            QCOMPARE(label->geometry(), Twips::toPixels(expected.twips));
        }
        QCOMPARE(window.labInBuf()->objectName(), u"labInBuf"_s);
        QCOMPARE(window.labClients()->objectName(), u"labClients"_s);

        // The list and the panel lie over the tab strip, not on one of its pages.
        QCOMPARE(window.lvRC5()->parentWidget(), window.tabMain()->parentWidget());
        QCOMPARE(window.picInfo()->parentWidget(), window.tabMain()->parentWidget());
        QCOMPARE(geometries(window), designGeometries());

        QCOMPARE(window.font().family(), u"Tahoma"_s);
        QCOMPARE(window.font().pointSizeF(), 7.8);
        QCOMPARE(window.font().bold(), false);
        QCOMPARE(window.lvRC5()->font().family(), u"Tahoma"_s);
        // With fonts-wine installed the real Tahoma is used, not a substitute.
        if (QFile::exists(u"/usr/share/wine/fonts/tahoma.ttf"_s))
            QCOMPARE(QFontInfo(window.font()).family(), u"Tahoma"_s);
    }

    void columnsHaveHeadersWidthsAndAlignment_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("header");
        QTest::addColumn<double>("widthTwips");
        QTest::addColumn<bool>("right");
        QTest::addRow("Client") << 0 << u"Client"_s << 1800.0 << false;
        QTest::addRow("Total blocks") << 1 << u"Total blocks"_s << 1100.0 << true;
        QTest::addRow("Today blocks") << 2 << u"Today blocks"_s << 1100.0 << true;
        QTest::addRow("Rate") << 3 << u"Rate (kkeys/s)"_s << 1100.0 << true;
        QTest::addRow("Last block") << 4 << u"Last block"_s << 2000.0 << false;
    }

    void columnsHaveHeadersWidthsAndAlignment() {
        QFETCH(int, column);
        QFETCH(QString, header);
        QFETCH(double, widthTwips);
        QFETCH(bool, right);
        frmMain window;
        SortedList* list = window.lvRC5();
        QCOMPARE(list->columnCount(), frmMain::ColumnCount);
        QCOMPARE(list->headerText(column), header);
        QCOMPARE(list->columnWidth(column), Twips::toPixelsX(widthTwips));
        QVERIFY(qAbs(window.columnWidthTwips(column) - widthTwips) <= Twips::perPixelX() / 2);

        const int horizontal = right ? Qt::AlignRight : Qt::AlignLeft;
        const auto alignment = [](const QVariant& value) {
            return value.toInt() & Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(
            alignment(list->model()->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole)),
            horizontal);
        window.addRow(u"k"_s, u"k"_s);
        QCOMPARE(alignment(list->model()->index(0, column).data(Qt::TextAlignmentRole)),
                 horizontal);
    }

    void columnWidthsInTwips() {
        frmMain window;
        window.setColumnWidthTwips(1, 1500);
        QCOMPARE(window.lvRC5()->columnWidth(1), Twips::toPixelsX(1500));
        QCOMPARE(window.columnWidthTwips(1), Twips::fromPixelsX(Twips::toPixelsX(1500)));
        window.setColumnWidthTwips(4, 0);
        QCOMPARE(window.columnWidthTwips(4), 0.0);

        QCOMPARE(errorNumberOf([&] { window.setColumnWidthTwips(2, -15); }),
                 ErrorNumber::InvalidPropertyValue);
        QCOMPARE(errorNumberOf([&] { window.setColumnWidthTwips(5, 100); }),
                 ErrorNumber::SubscriptOutOfRange);
        QCOMPARE(errorNumberOf([&] { window.columnWidthTwips(-1); }),
                 ErrorNumber::SubscriptOutOfRange);
        QCOMPARE(window.lvRC5()->columnWidth(2), Twips::toPixelsX(1100));
    }

    void statusBarPanels() {
        frmMain window;
        QVERIFY(!window.statusPanel(0) && !window.statusPanel(4));
        for (int number = 1; number <= 3; ++number) {
            QLabel* panel = window.statusPanel(number);
            QVERIFY(panel);
            QCOMPARE(panel->parentWidget(), window.statusBar());
            QCOMPARE(panel->frameShape(), QFrame::Panel);
            QCOMPARE(panel->frameShadow(), QFrame::Sunken);
            QCOMPARE(panel->alignment() & Qt::AlignHorizontal_Mask,
                     number == 1 ? Qt::AlignLeft : Qt::AlignHCenter);
        }
        QCOMPARE(window.statusBar()->height(), Twips::toPixelsY(264));
        showAtDesignSize(window);

        QLabel* status = window.statusPanel(1);
        QLabel* clock = window.statusPanel(2);
        QLabel* date = window.statusPanel(3);
        QVERIFY(clock->width() >= Twips::toPixelsX(500));
        QVERIFY(date->width() >= Twips::toPixelsX(500));
        QVERIFY(status->width() >= Twips::toPixelsX(1440));
        QVERIFY(status->x() < clock->x() && clock->x() < date->x());

        // Panel 1 takes what the window gains.
        const int statusWidth = status->width();
        window.resize(window.width() + 100, window.height());
        QTRY_COMPARE(status->width(), statusWidth + 100);

        // A long text does not widen panel 1; panel 2 follows its text at panel 1's expense.
        status->setText(QString(400, u'x'));
        QTest::qWait(0);
        QTRY_COMPARE(status->width(), statusWidth + 100);
        const int clockWidth = clock->width();
        clock->setText(u" 12:00:00/11:59:58 and then some more "_s);
        QTRY_VERIFY(clock->width() > clockWidth);
        QTRY_COMPARE(status->width(), statusWidth + 100 - (clock->width() - clockWidth));
    }

    void statusPathLosesWholeFolders_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("room");  // as wide as this text, less a pixel with a "-" first
        QTest::addColumn<QString>("shown"); // empty: the name, elided in its middle
        const QString path = u"/home/ann/proxy/r2026/conlog11.log"_s;
        QTest::addRow("a pixel short")
            << path << u"-"_s + path << u"/home/ann/proxy/.../conlog11.log"_s;
        QTest::addRow("one kept") << path << u"-/home/ann/.../conlog11.log"_s
                                  << u"/home/.../conlog11.log"_s;
        QTest::addRow("no folder") << path << u"-.../conlog11.log"_s << u"conlog11.log"_s;
        QTest::addRow("name elided") << path << u"conlog11"_s << QString();
    }
    void statusPathLosesWholeFolders() {
        QFETCH(QString, path);
        QFETCH(QString, room);
        QFETCH(QString, shown);
        const QFontMetrics metrics(frmMain().font());
        const bool less = room.startsWith(u'-');
        const int width = metrics.horizontalAdvance(room.mid(less ? 1 : 0)) - (less ? 1 : 0);
        const QString result = compactPath(path, metrics, width);
        QVERIFY2(metrics.horizontalAdvance(result) <= width, qPrintable(result));
        if (shown.isEmpty()) // the ends of the name stay
            QVERIFY2(result.startsWith(u'c') && result.endsWith(u'g') && result.contains(u'\u2026'),
                     qPrintable(result));
        else
            QCOMPARE(result, shown);
    }

    void marginsAtDesignSize() {
        frmMain window;
        const frmMain::LayoutMargins& margins = window.layoutMargins();
        QCOMPARE(margins.tabHeight, 0); // nothing measured before the first layout
        window.Form_Resize();
        QCOMPARE(window.clientSize(), QSize(Twips::toPixelsX(5388), Twips::toPixelsY(4380)));

        // The design margins, to the pixel.
        const struct {
            int pixels;
            double twips;
            double perPixel;
        } expected[] = {{margins.tabWidth, 168, Twips::perPixelX()},
                        {margins.tabHeight, 420, Twips::perPixelY()},
                        {margins.listWidth, 336, Twips::perPixelX()},
                        {margins.listHeight, 1512, Twips::perPixelY()},
                        {margins.panelWidth, 504, Twips::perPixelX()}};
        for (const auto& margin : expected)
            QVERIFY2(qAbs(margin.pixels * margin.perPixel - margin.twips) <= margin.perPixel,
                     qPrintable(QString::number(margin.pixels)));
        QCOMPARE(geometries(window), designGeometries()); // the layout changes nothing
    }

    void enlargingGrowsControlsByTheSameAmount_data() {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::addRow("both") << 120 << 80;
        QTest::addRow("one pixel across") << 1 << 0;
        QTest::addRow("one pixel down") << 0 << 1;
        QTest::addRow("a lot") << 641 << 377;
    }

    void enlargingGrowsControlsByTheSameAmount() {
        QFETCH(int, dx);
        QFETCH(int, dy);
        frmMain window;
        showAtDesignSize(window);
        const QSize client = window.clientSize();
        const QList<QRect> design = geometries(window);

        window.resize(window.width() + dx, window.height() + dy);
        QTRY_COMPARE(window.clientSize(), client + QSize(dx, dy));
        QCOMPARE(geometries(window), grown(design, dx, dy));
        window.resize(window.width() - dx, window.height() - dy); // and back
        QTRY_COMPARE(window.clientSize(), client);
        QCOMPARE(geometries(window), design);
    }

    void savedSizeAndMinimiseKeepDesignMargins() {
        frmMain window;
        window.Form_Resize();
        const frmMain::LayoutMargins design = window.layoutMargins();
        const QList<QRect> expected = grown(geometries(window), 200, 150);

        window.resize(window.width() + 200, window.height() + 150); // the saved size
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(geometries(window), expected);
        QCOMPARE(window.layoutMargins().tabHeight, design.tabHeight);
        QCOMPARE(window.layoutMargins().listWidth, design.listWidth);
        QCOMPARE(window.layoutMargins().panelWidth, design.panelWidth);
        // Minimising, laying out while minimised and restoring keep the layout.
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
        window.Form_Resize();
        window.showNormal();
        QTRY_VERIFY(!window.isMinimized());
        QCOMPARE(geometries(window), expected);

        // Applied to a hidden window and laid out by a direct call, the result is the same.
        frmMain hidden;
        hidden.Form_Resize();
        hidden.resize(hidden.width() + 200, hidden.height() + 150);
        hidden.Form_Resize();
        QCOMPARE(geometries(hidden), expected);
    }

    void tooSmallWindowSkipsOnlyTheFailingStep() {
        frmMain window;
        showAtDesignSize(window);
        const frmMain::LayoutMargins margins = window.layoutMargins();
        const QRect list = window.lvRC5()->geometry();

        // A client height below the list's margin but above the tab strip's.
        const int clientHeight = margins.listHeight - 10;
        QVERIFY(clientHeight > margins.tabHeight);
        window.resize(window.width() + 30,
                      window.height() - window.clientSize().height() + clientHeight);
        QTRY_COMPARE(window.clientSize().height(), clientHeight);
        QCOMPARE(window.tabMain()->height(), clientHeight - margins.tabHeight);
        QCOMPARE(window.lvRC5()->height(), list.height());    // skipped
        QCOMPARE(window.lvRC5()->width(), list.width() + 30); // the next step still ran
        QCOMPARE(window.layoutMargins().listHeight, margins.listHeight);
    }

    void headerClicksToggleAndStartAscending() {
        frmMain window;
        showAtDesignSize(window);
        addSampleRows(window);
        QCOMPARE(window.sortKey(), 0);
        QCOMPARE(window.sortOrder(), 0);
        // Another column always starts ascending, even after a descending one.
        const struct {
            int column;
            int key;
            int order;
            const char16_t* names;
        } clicks[] = {{frmMain::ColTotalBlocks, 1, 0, u"bob carol alice"},
                      {frmMain::ColTotalBlocks, 1, 1, u"alice carol bob"},
                      {frmMain::ColTotalBlocks, 1, 0, u"bob carol alice"},
                      {frmMain::ColTotalBlocks, 1, 1, u"alice carol bob"},
                      {frmMain::ColTodayBlocks, 2, 0, u"carol alice bob"},
                      {frmMain::ColClient, 0, 0, u"alice bob carol"}};
        for (const auto& click : clicks) {
            clickHeader(window, click.column);
            QCOMPARE(window.sortKey(), click.key);
            QCOMPARE(window.sortOrder(), click.order);
            QCOMPARE(names(window), QString::fromUtf16(click.names));
            const QHeaderView* header = window.lvRC5()->header();
            QCOMPARE(std::pair(header->sortIndicatorSection(), int(header->sortIndicatorOrder())),
                     std::pair(click.key, click.order));
        }
        QVERIFY(window.lvRC5()->header()->isSortIndicatorShown());
    }

    void rightJustifiedNumbersSortByValue() {
        frmMain window;
        SortedList& list = *window.lvRC5();
        for (qint64 value : {123, 12, 7, 123456, 1234567, 45, 99999})
            list.setCellText(window.addRow(QString::number(value), u"n"_s), frmMain::ColTotalBlocks,
                             rightJustify(value, 6));
        list.setCellText(window.addRow(u"none"_s, u"n"_s), frmMain::ColTotalBlocks,
                         QString(6, u' '));
        window.setSortKey(frmMain::ColTotalBlocks);
        QStringList keys;
        for (int i = 0; i < list.rowCount(); ++i)
            keys << window.rowKey(list.rowAt(i));
        QCOMPARE(keys.join(u' '), u"none 7 12 45 123 99999 123456 1234567"_s);
        QCOMPARE(columnTexts(list, 1).at(1), u"     7"_s);
        window.setSortOrder(1);
        QCOMPARE(window.rowKey(list.rowAt(0)), u"1234567"_s);
        QCOMPARE(window.rowKey(list.rowAt(7)), u"none"_s);

        // Cells compare as text: unjustified numbers do not sort by value; letter case is ignored.
        frmMain texts;
        for (const QString& text : {u"9"_s, u"10"_s, u"beta"_s, u"Alpha"_s, u"gamma"_s})
            texts.addRow(text, text);
        texts.setSortKey(0);
        QCOMPARE(names(texts), u"10 9 Alpha beta gamma"_s);
    }

    void sortStateAndSortedFlag() {
        frmMain window;
        addSampleRows(window);
        QVERIFY(window.isSorted());
        window.setSorted(false);
        window.setSortKey(frmMain::ColTotalBlocks);
        QCOMPARE(names(window), u"carol alice bob"_s);
        window.setSorted(true);
        QCOMPARE(names(window), u"bob carol alice"_s);

        // The refresh pass decides when to re-sort: a changed cell or a new row waits for it.
        window.lvRC5()->setCellText(window.findRow(u"bob"_s), frmMain::ColTotalBlocks,
                                    rightJustify(999, 6));
        window.lvRC5()->setCellText(window.addRow(u"dave"_s, u"dave"_s), frmMain::ColTotalBlocks,
                                    rightJustify(1, 6));
        QCOMPARE(names(window), u"bob carol alice dave"_s);
        window.resortList();
        QCOMPARE(names(window), u"dave carol alice bob"_s);

        for (int bad : {-1, 5, 32767})
            QCOMPARE(errorNumberOf([&] { window.setSortKey(bad); }),
                     ErrorNumber::InvalidPropertyValue);
        for (int bad : {-1, 2})
            QCOMPARE(errorNumberOf([&] { window.setSortOrder(bad); }),
                     ErrorNumber::InvalidPropertyValue);
        QCOMPARE(window.sortKey(), 1);
        QCOMPARE(window.sortOrder(), 0);
        window.setSortKey(4);
        window.setSortOrder(1);
        QCOMPARE(window.sortKey(), 4);
        QCOMPARE(window.sortOrder(), 1);
    }

    void rowsAreFoundByKey() {
        frmMain window;
        QCOMPARE(window.findRow(u"10.0.0.1"_s), SortedList::NoRow);
        const frmMain::RowId row = window.addRow(u"10.0.0.1"_s, u"host.example"_s);
        window.addRow(u"<All-clients>"_s, u"<All-clients>"_s);
        QCOMPARE(window.findRow(u"10.0.0.1"_s), row);
        QCOMPARE(window.lvRC5()->cellText(row, 0), u"host.example"_s);
        QCOMPARE(window.rowKey(row), u"10.0.0.1"_s);
        QCOMPARE(window.rowKey(SortedList::NoRow), QString());
        QCOMPARE(window.findRow(u"10.0.0.2"_s), SortedList::NoRow);

        QCOMPARE(window.selectedRowKey(), QString());
        window.lvRC5()->selectRow(row);
        QCOMPARE(window.selectedRowKey(), u"10.0.0.1"_s);

        window.clearRows();
        QCOMPARE(window.lvRC5()->rowCount(), 0);
        QCOMPARE(window.findRow(u"10.0.0.1"_s), SortedList::NoRow);
        QCOMPARE(window.findRow(u"<All-clients>"_s), SortedList::NoRow);
        QCOMPARE(window.lvRC5()->headerText(0), u"Client"_s);
    }

    void tabChangeEmptiesListThenRefreshes() {
        frmMain window;
        window.Timer1()->stop();
        addSampleRows(window);
        QList<QPoint> passes; // (rows at the start of the pass, tab)
        window.setRefreshHandler([&] {
            passes.append({int(window.lvRC5()->rowCount()), window.currentTab()});
            window.addRow(u"ogr-client"_s, u"ogr-client"_s);
        });
        // An event already queued runs before the list is emptied.
        QMetaObject::invokeMethod(
            &window, [&] { window.addRow(u"queued"_s, u"queued"_s); }, Qt::QueuedConnection);

        window.tabMain()->setCurrentIndex(1);
        QCOMPARE(passes, QList<QPoint>{QPoint(0, 1)});
        QCOMPARE(window.findRow(u"alice"_s), SortedList::NoRow);
        QCOMPARE(window.findRow(u"queued"_s), SortedList::NoRow);
        QVERIFY(window.findRow(u"ogr-client"_s) != SortedList::NoRow);
        QCOMPARE(window.lvRC5()->rowCount(), 1);

        window.tabMain()->setCurrentIndex(0);
        QCOMPARE(passes, (QList<QPoint>{QPoint(0, 1), QPoint(0, 0)}));
    }

    void timerRunsTheRefreshPass() {
        frmMain window;
        QTimer* timer = window.Timer1();
        QCOMPARE(timer->objectName(), u"Timer1"_s);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
        int passes = 0;
        window.setRefreshHandler([&] { ++passes; });
        window.Timer1_Timer();
        QCOMPARE(passes, 1);
        QTRY_VERIFY_WITH_TIMEOUT(passes >= 2, 5000);
    }

    void menusHaveCaptionsShortcutsAndCommands() {
        frmMain window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const struct {
            const char16_t* name;
            const char16_t* caption;
            const char16_t* items;
        } menus[] = {
            {u"mnuFile", u"&File", u"mnuOpen mnuNext mnuExport mnuSeparator mnuExit"},
            {u"mnuEdit", u"&Edit", u"mnuPreferences mnuNames mnuHosts mnuSeparator2 mnuQuiet"}};
        for (const auto& expected : menus) {
            auto* menu = window.menuBar()->findChild<QMenu*>(QString::fromUtf16(expected.name));
            QVERIFY(menu);
            QCOMPARE(menu->title(), QString::fromUtf16(expected.caption));
            QStringList items;
            for (const QAction* action : menu->actions())
                items << action->objectName();
            QCOMPARE(items.join(u' '), QString::fromUtf16(expected.items));
        }
        auto* separator = window.findChild<QAction*>(u"mnuSeparator"_s);
        QVERIFY(separator && separator->isSeparator() && separator->text().isEmpty());

        const struct {
            const char16_t* item;
            const char16_t* caption;
            const char16_t* shortcut;
            void (frmMain::*signal)();
        } commands[] = {
            {u"mnuOpen", u"&Open", u"Ctrl+O", &frmMain::openRequested},
            {u"mnuNext", u"&Switch to next log file", u"", &frmMain::nextLogRequested},
            {u"mnuExport", u"&Export list...", u"Ctrl+E", &frmMain::exportRequested},
            {u"mnuExit", u"E&xit", u"Ctrl+Q", &frmMain::exitRequested},
            {u"mnuPreferences", u"&Preferences...", u"Ctrl+P", &frmMain::preferencesRequested},
            {u"mnuNames", u"&Names...", u"Ctrl+N", &frmMain::namesRequested},
            {u"mnuHosts", u"&Hosts file", u"", &frmMain::hostsFileRequested},
            {u"mnuQuiet", u"&Quiet-client alert...", u"", &frmMain::quietAlertRequested},
        };
        for (const auto& command : commands) {
            auto* action = window.findChild<QAction*>(QString::fromUtf16(command.item));
            QVERIFY(action);
            QVERIFY(!action->isSeparator());
            QCOMPARE(action->text(), QString::fromUtf16(command.caption));
            QCOMPARE(action->shortcut(),
                     QKeySequence::fromString(QString::fromUtf16(command.shortcut),
                                              QKeySequence::PortableText));
            QSignalSpy spy(&window, command.signal);
            action->trigger();
            QCOMPARE(spy.size(), 1);
            if (!action->shortcut().isEmpty()) { // the shortcuts work from the keyboard
                QTest::keySequence(&window, action->shortcut());
                QCOMPARE(spy.size(), 2);
            }
        }

        QSignalSpy doubleClicks(&window, &frmMain::listDoubleClicked);
        window.addRow(u"a"_s, u"a"_s);
        const QModelIndex row = window.lvRC5()->model()->index(0, 0);
        QTRY_VERIFY(!window.lvRC5()->visualRect(row).isEmpty());
        const QPoint at = window.lvRC5()->visualRect(row).center();
        // A double click is a press on the row followed by the double-click event.
        QTest::mousePress(window.lvRC5()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(window.lvRC5()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(doubleClicks.size(), 1);
        QCOMPARE(window.selectedRowKey(), u"a"_s);
    }

    void closeBoxAndUnloadAskWithTheirModes() {
        frmMain window;
        QList<int> modes;
        window.setQueryUnloadHandler([&](int mode) {
            modes << mode;
            return mode == 0; // the close box only hides, so the close itself is cancelled
        });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.close());
        QVERIFY(window.isVisible());
        QVERIFY(window.unload());
        QVERIFY(!window.isVisible());
        QCOMPARE(modes, (QList<int>{0, 1}));

        // Without a handler the window simply closes.
        frmMain plain;
        plain.show();
        QVERIFY(plain.close());
    }
};

QTEST_MAIN(TestFrmMainLayout)
#include "test_frmmain_layout.moc"
