// The main window itself: its controls, layout margins, column-header sort, tab change, menus.

#include "common/RunTimeError.h"
#include "common/modGlobals.h"
#include "ui/Twips.h"
#include "ui/frmMain.h"

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
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

QStringList columnTexts(const frmMain& window, int column) {
    QStringList texts;
    QTreeWidget* list = window.lvRC5();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
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
        QTreeWidgetItem* item =
            window.addRow(QString::fromUtf16(row.name), QString::fromUtf16(row.name));
        item->setText(frmMain::ColTotalBlocks, RightJustify(row.total, 6));
        item->setText(frmMain::ColTodayBlocks, RightJustify(row.today, 6));
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
    void controlsHaveTheirNamesAndTexts();
    void fontIsTahoma();
    void columnsHaveHeadersWidthsAndAlignment_data();
    void columnsHaveHeadersWidthsAndAlignment();
    void columnWidthsInTwips();
    void statusBarPanels();
    void marginsAtDesignSize();
    void enlargingGrowsControlsByTheSameAmount_data();
    void enlargingGrowsControlsByTheSameAmount();
    void savedSizeAppliedBeforeShowKeepsDesignMargins();
    void minimiseAndRestoreKeepLayout();
    void tooSmallWindowSkipsOnlyTheFailingStep();
    void headerClicksToggleAndStartAscending();
    void rightJustifiedNumbersSortByValue();
    void sortStateAndSortedFlag();
    void cellChangesDoNotReorderByThemselves();
    void rowsAreFoundByKey();
    void tabChangeEmptiesListThenRefreshes();
    void timerRunsTheRefreshPass();
    void menusHaveCaptionsAndShortcuts_data();
    void menusHaveCaptionsAndShortcuts();
    void menuCommandsAreAnnounced();
    void closeBoxAndUnloadAskWithTheirModes();
};

void TestFrmMainLayout::controlsHaveTheirNamesAndTexts() {
    frmMain window;
    QCOMPARE(window.windowTitle(), u"Quillmere Log Analyzer"_s);
    QVERIFY(!window.windowIcon().isNull());
    for (const QString& name : {u"tabMain"_s, u"picInfo"_s, u"lvRC5"_s, u"labInBuf"_s,
                                u"labOutBuf"_s, u"labUplink"_s, u"labClients"_s})
        QVERIFY2(window.findChild<QWidget*>(name), qPrintable(name));
    QCOMPARE(window.statusBar()->objectName(), u"StatusBar1"_s);

    QTabWidget* tabs = window.tabMain();
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), u" RC5 "_s);
    QCOMPARE(tabs->tabText(1), u" OGR "_s);
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
    QCOMPARE(window.tabMain()->geometry(), Twips::toPixels(QRectF(84, 84, 5220, 3960)));
    QCOMPARE(window.picInfo()->geometry(), Twips::toPixels(QRectF(252, 504, 4884, 516)));
    QCOMPARE(window.lvRC5()->geometry(), Twips::toPixels(QRectF(168, 1092, 5052, 2868)));
}

void TestFrmMainLayout::fontIsTahoma() {
    frmMain window;
    QCOMPARE(window.font().family(), u"Tahoma"_s);
    QCOMPARE(window.font().pointSizeF(), 7.8);
    QCOMPARE(window.font().bold(), false);
    QCOMPARE(window.lvRC5()->font().family(), u"Tahoma"_s);
    // With fonts-wine installed the real Tahoma is used, not a substitute.
    if (QFile::exists(u"/usr/share/wine/fonts/tahoma.ttf"_s))
        QCOMPARE(QFontInfo(window.font()).family(), u"Tahoma"_s);
}

void TestFrmMainLayout::columnsHaveHeadersWidthsAndAlignment_data() {
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

void TestFrmMainLayout::columnsHaveHeadersWidthsAndAlignment() {
    QFETCH(int, column);
    QFETCH(QString, header);
    QFETCH(double, widthTwips);
    QFETCH(bool, right);
    frmMain window;
    QTreeWidget* list = window.lvRC5();
    QCOMPARE(list->columnCount(), frmMain::ColumnCount);
    QCOMPARE(list->headerItem()->text(column), header);
    QCOMPARE(list->columnWidth(column), Twips::toPixelsX(widthTwips));
    QVERIFY(qAbs(window.columnWidthTwips(column) - widthTwips) <= Twips::perPixelX() / 2);

    const Qt::Alignment horizontal = right ? Qt::AlignRight : Qt::AlignLeft;
    const auto alignment = [](int flags) {
        return Qt::Alignment(flags) & Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(alignment(list->headerItem()->textAlignment(column)), horizontal);
    QTreeWidgetItem* row = window.addRow(u"k"_s, u"k"_s);
    QCOMPARE(alignment(row->textAlignment(column)), horizontal);
}

void TestFrmMainLayout::columnWidthsInTwips() {
    frmMain window;
    window.setColumnWidthTwips(1, 1500);
    QCOMPARE(window.lvRC5()->columnWidth(1), Twips::toPixelsX(1500));
    QCOMPARE(window.columnWidthTwips(1), Twips::fromPixelsX(Twips::toPixelsX(1500)));
    window.setColumnWidthTwips(4, 0);
    QCOMPARE(window.columnWidthTwips(4), 0.0);

    QCOMPARE(errorNumberOf([&] { window.setColumnWidthTwips(2, -15); }), 380);
    QCOMPARE(errorNumberOf([&] { window.setColumnWidthTwips(5, 100); }),
             ErrorNumber::SubscriptOutOfRange);
    QCOMPARE(errorNumberOf([&] { window.columnWidthTwips(-1); }), ErrorNumber::SubscriptOutOfRange);
    QCOMPARE(window.lvRC5()->columnWidth(2), Twips::toPixelsX(1100));
}

void TestFrmMainLayout::statusBarPanels() {
    frmMain window;
    QVERIFY(window.statusPanel(0) == nullptr);
    QVERIFY(window.statusPanel(4) == nullptr);
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

void TestFrmMainLayout::marginsAtDesignSize() {
    frmMain window;
    const frmMain::LayoutMargins& margins = window.layoutMargins();
    QCOMPARE(margins.tabHeight, 0); // nothing measured before the first layout
    window.Form_Resize();
    QCOMPARE(window.clientSize(), QSize(Twips::toPixelsX(5388), Twips::toPixelsY(4380)));

    // The design margins (tab 168 x 420, list 336 x 1512, panel 504), to the pixel.
    const auto near = [](int pixels, double twips, double perPixel) {
        return qAbs(pixels * perPixel - twips) <= perPixel;
    };
    const double x = Twips::perPixelX();
    const double y = Twips::perPixelY();
    QVERIFY2(near(margins.tabWidth, 168, x), qPrintable(QString::number(margins.tabWidth)));
    QVERIFY2(near(margins.tabHeight, 420, y), qPrintable(QString::number(margins.tabHeight)));
    QVERIFY2(near(margins.listWidth, 336, x), qPrintable(QString::number(margins.listWidth)));
    QVERIFY2(near(margins.listHeight, 1512, y), qPrintable(QString::number(margins.listHeight)));
    QVERIFY2(near(margins.panelWidth, 504, x), qPrintable(QString::number(margins.panelWidth)));

    // At the design size the layout changes nothing.
    QCOMPARE(window.tabMain()->geometry(), Twips::toPixels(QRectF(84, 84, 5220, 3960)));
    QCOMPARE(window.lvRC5()->geometry(), Twips::toPixels(QRectF(168, 1092, 5052, 2868)));
    QCOMPARE(window.picInfo()->geometry(), Twips::toPixels(QRectF(252, 504, 4884, 516)));
}

void TestFrmMainLayout::enlargingGrowsControlsByTheSameAmount_data() {
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addRow("both") << 120 << 80;
    QTest::addRow("one pixel across") << 1 << 0;
    QTest::addRow("one pixel down") << 0 << 1;
    QTest::addRow("a lot") << 641 << 377;
}

void TestFrmMainLayout::enlargingGrowsControlsByTheSameAmount() {
    QFETCH(int, dx);
    QFETCH(int, dy);
    frmMain window;
    showAtDesignSize(window);
    const QSize client = window.clientSize();
    const QRect tab = window.tabMain()->geometry();
    const QRect list = window.lvRC5()->geometry();
    const QRect panel = window.picInfo()->geometry();

    window.resize(window.width() + dx, window.height() + dy);
    QTRY_COMPARE(window.clientSize(), client + QSize(dx, dy));
    QCOMPARE(window.tabMain()->geometry(), tab.adjusted(0, 0, dx, dy));
    QCOMPARE(window.lvRC5()->geometry(), list.adjusted(0, 0, dx, dy));
    QCOMPARE(window.picInfo()->geometry(), panel.adjusted(0, 0, dx, 0));

    // And back to the design size.
    window.resize(window.width() - dx, window.height() - dy);
    QTRY_COMPARE(window.clientSize(), client);
    QCOMPARE(window.tabMain()->geometry(), tab);
    QCOMPARE(window.lvRC5()->geometry(), list);
    QCOMPARE(window.picInfo()->geometry(), panel);
}

void TestFrmMainLayout::savedSizeAppliedBeforeShowKeepsDesignMargins() {
    frmMain window;
    window.Form_Resize();
    const frmMain::LayoutMargins design = window.layoutMargins();
    const QRect tab = window.tabMain()->geometry();
    const QRect list = window.lvRC5()->geometry();

    window.resize(window.width() + 200, window.height() + 150); // the saved size
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.tabMain()->size(), tab.size() + QSize(200, 150));
    QCOMPARE(window.lvRC5()->geometry(), list.adjusted(0, 0, 200, 150));
    const frmMain::LayoutMargins now = window.layoutMargins();
    QCOMPARE(now.tabHeight, design.tabHeight);
    QCOMPARE(now.listWidth, design.listWidth);
    QCOMPARE(now.panelWidth, design.panelWidth);

    // Applied to a hidden window and laid out by a direct call, the result is the same.
    frmMain hidden;
    hidden.Form_Resize();
    hidden.resize(hidden.width() + 200, hidden.height() + 150);
    hidden.Form_Resize();
    QCOMPARE(hidden.lvRC5()->geometry(), list.adjusted(0, 0, 200, 150));
}

void TestFrmMainLayout::minimiseAndRestoreKeepLayout() {
    frmMain window;
    showAtDesignSize(window);
    window.resize(window.width() + 50, window.height() + 40);
    QTRY_COMPARE(window.lvRC5()->width(),
                 Twips::toPixels(QRectF(168, 1092, 5052, 2868)).width() + 50);
    const QRect tab = window.tabMain()->geometry();
    const QRect list = window.lvRC5()->geometry();
    const QRect panel = window.picInfo()->geometry();

    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    window.Form_Resize();
    window.showNormal();
    QTRY_VERIFY(!window.isMinimized());
    QCOMPARE(window.tabMain()->geometry(), tab);
    QCOMPARE(window.lvRC5()->geometry(), list);
    QCOMPARE(window.picInfo()->geometry(), panel);
}

void TestFrmMainLayout::tooSmallWindowSkipsOnlyTheFailingStep() {
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

void TestFrmMainLayout::headerClicksToggleAndStartAscending() {
    frmMain window;
    showAtDesignSize(window);
    addSampleRows(window);
    QHeaderView* header = window.lvRC5()->header();
    QCOMPARE(header->isSortIndicatorShown(), false);
    QCOMPARE(window.SortKey(), 0);
    QCOMPARE(window.SortOrder(), 0);

    clickHeader(window, frmMain::ColTotalBlocks);
    QCOMPARE(window.SortKey(), 1);
    QCOMPARE(window.SortOrder(), 0);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"bob"_s, u"carol"_s, u"alice"_s}));

    clickHeader(window, frmMain::ColTotalBlocks);
    QCOMPARE(window.SortKey(), 1);
    QCOMPARE(window.SortOrder(), 1);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"alice"_s, u"carol"_s, u"bob"_s}));

    clickHeader(window, frmMain::ColTotalBlocks);
    QCOMPARE(window.SortOrder(), 0);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"bob"_s, u"carol"_s, u"alice"_s}));

    // Another column always starts ascending, even after a descending one.
    clickHeader(window, frmMain::ColTotalBlocks);
    QCOMPARE(window.SortOrder(), 1);
    clickHeader(window, frmMain::ColTodayBlocks);
    QCOMPARE(window.SortKey(), 2);
    QCOMPARE(window.SortOrder(), 0);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"carol"_s, u"alice"_s, u"bob"_s}));

    clickHeader(window, frmMain::ColClient);
    QCOMPARE(window.SortKey(), 0);
    QCOMPARE(window.SortOrder(), 0);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"alice"_s, u"bob"_s, u"carol"_s}));
    QCOMPARE(header->isSortIndicatorShown(), false);
}

void TestFrmMainLayout::rightJustifiedNumbersSortByValue() {
    frmMain window;
    const QList<qint64> values = {123, 12, 7, 123456, 1234567, 45, 99999};
    for (qint64 value : values)
        window.addRow(QString::number(value), u"n"_s)
            ->setText(frmMain::ColTotalBlocks, RightJustify(value, 6));
    window.addRow(u"none"_s, u"n"_s)->setText(frmMain::ColTotalBlocks, QString(6, u' '));
    window.setSortKey(frmMain::ColTotalBlocks);

    QStringList keys;
    for (int i = 0; i < window.lvRC5()->topLevelItemCount(); ++i)
        keys << frmMain::rowKey(window.lvRC5()->topLevelItem(i));
    QCOMPARE(keys, (QStringList{u"none"_s, u"7"_s, u"12"_s, u"45"_s, u"123"_s, u"99999"_s,
                                u"123456"_s, u"1234567"_s}));
    QCOMPARE(columnTexts(window, 1).at(1), u"     7"_s);

    window.setSortOrder(1);
    QCOMPARE(frmMain::rowKey(window.lvRC5()->topLevelItem(0)), u"1234567"_s);
    QCOMPARE(frmMain::rowKey(window.lvRC5()->topLevelItem(7)), u"none"_s);

    // Cells compare as text: unjustified numbers do not sort by value; letter case is ignored.
    frmMain texts;
    for (const QString& text : {u"9"_s, u"10"_s, u"beta"_s, u"Alpha"_s, u"gamma"_s})
        texts.addRow(text, text);
    texts.setSortKey(0);
    QCOMPARE(columnTexts(texts, 0),
             (QStringList{u"10"_s, u"9"_s, u"Alpha"_s, u"beta"_s, u"gamma"_s}));
}

void TestFrmMainLayout::sortStateAndSortedFlag() {
    frmMain window;
    addSampleRows(window);
    QVERIFY(window.Sorted());
    window.setSorted(false);
    window.setSortKey(frmMain::ColTotalBlocks);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"carol"_s, u"alice"_s, u"bob"_s}));
    window.setSorted(true);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"bob"_s, u"carol"_s, u"alice"_s}));

    for (int bad : {-1, 5, 32767})
        QCOMPARE(errorNumberOf([&] { window.setSortKey(bad); }), 380);
    for (int bad : {-1, 2})
        QCOMPARE(errorNumberOf([&] { window.setSortOrder(bad); }), 380);
    QCOMPARE(window.SortKey(), 1);
    QCOMPARE(window.SortOrder(), 0);
    window.setSortKey(4);
    window.setSortOrder(1);
    QCOMPARE(window.SortKey(), 4);
    QCOMPARE(window.SortOrder(), 1);
}

void TestFrmMainLayout::cellChangesDoNotReorderByThemselves() {
    frmMain window;
    addSampleRows(window);
    window.setSortKey(frmMain::ColTotalBlocks);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"bob"_s, u"carol"_s, u"alice"_s}));

    // The refresh pass decides when to re-sort: a changed cell or a new row waits for it.
    window.findRow(u"bob"_s)->setText(frmMain::ColTotalBlocks, RightJustify(999, 6));
    window.addRow(u"dave"_s, u"dave"_s)->setText(frmMain::ColTotalBlocks, RightJustify(1, 6));
    QCOMPARE(columnTexts(window, 0), (QStringList{u"bob"_s, u"carol"_s, u"alice"_s, u"dave"_s}));
    window.resortList();
    QCOMPARE(columnTexts(window, 0), (QStringList{u"dave"_s, u"carol"_s, u"alice"_s, u"bob"_s}));
}

void TestFrmMainLayout::rowsAreFoundByKey() {
    frmMain window;
    QVERIFY(window.findRow(u"10.0.0.1"_s) == nullptr);
    QTreeWidgetItem* row = window.addRow(u"10.0.0.1"_s, u"host.example"_s);
    window.addRow(u"<All-clients>"_s, u"<All-clients>"_s);
    QCOMPARE(window.findRow(u"10.0.0.1"_s), row);
    QCOMPARE(row->text(0), u"host.example"_s);
    QCOMPARE(frmMain::rowKey(row), u"10.0.0.1"_s);
    QCOMPARE(frmMain::rowKey(nullptr), QString());
    QVERIFY(window.findRow(u"10.0.0.2"_s) == nullptr);

    QCOMPARE(window.selectedRowKey(), QString());
    row->setSelected(true);
    QCOMPARE(window.selectedRowKey(), u"10.0.0.1"_s);

    window.clearRows();
    QCOMPARE(window.lvRC5()->topLevelItemCount(), 0);
    QVERIFY(window.findRow(u"10.0.0.1"_s) == nullptr);
    QVERIFY(window.findRow(u"<All-clients>"_s) == nullptr);
    QCOMPARE(window.lvRC5()->headerItem()->text(0), u"Client"_s);
}

void TestFrmMainLayout::tabChangeEmptiesListThenRefreshes() {
    frmMain window;
    window.Timer1()->stop();
    addSampleRows(window);
    struct Pass {
        int rows;
        int tab;
    };
    QList<Pass> passes;
    window.setRefreshHandler([&] {
        passes.append({window.lvRC5()->topLevelItemCount(), window.currentTab()});
        window.addRow(u"ogr-client"_s, u"ogr-client"_s);
    });
    // An event already queued runs before the list is emptied.
    QMetaObject::invokeMethod(
        &window, [&] { window.addRow(u"queued"_s, u"queued"_s); }, Qt::QueuedConnection);

    window.tabMain()->setCurrentIndex(1);
    QCOMPARE(passes.size(), 1);
    QCOMPARE(passes.first().rows, 0);
    QCOMPARE(passes.first().tab, 1);
    QVERIFY(window.findRow(u"alice"_s) == nullptr);
    QVERIFY(window.findRow(u"queued"_s) == nullptr);
    QVERIFY(window.findRow(u"ogr-client"_s) != nullptr);
    QCOMPARE(window.lvRC5()->topLevelItemCount(), 1);

    window.tabMain()->setCurrentIndex(0);
    QCOMPARE(passes.size(), 2);
    QCOMPARE(passes.last().rows, 0);
    QCOMPARE(passes.last().tab, 0);
}

void TestFrmMainLayout::timerRunsTheRefreshPass() {
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

void TestFrmMainLayout::menusHaveCaptionsAndShortcuts_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("menuCaption");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("shortcuts");
    QTest::addRow("File") << u"mnuFile"_s << u"&File"_s
                          << QStringList{u"mnuOpen"_s, u"mnuNext"_s, u"mnuSeparator"_s,
                                         u"mnuExit"_s}
                          << QStringList{u"&Open"_s, u"&Switch to next log file"_s, QString(),
                                         u"E&xit"_s}
                          << QStringList{u"Ctrl+O"_s, QString(), QString(), QString()};
    QTest::addRow("Edit") << u"mnuEdit"_s << u"&Edit"_s
                          << QStringList{u"mnuPreferences"_s, u"mnuNames"_s, u"mnuHosts"_s}
                          << QStringList{u"&Preferences..."_s, u"&Names..."_s, u"&Hosts file"_s}
                          << QStringList{u"Ctrl+P"_s, u"Ctrl+N"_s, QString()};
}

void TestFrmMainLayout::menusHaveCaptionsAndShortcuts() {
    QFETCH(QString, menu);
    QFETCH(QString, menuCaption);
    QFETCH(QStringList, items);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, shortcuts);
    frmMain window;
    auto* found = window.menuBar()->findChild<QMenu*>(menu);
    QVERIFY(found);
    QCOMPARE(found->title(), menuCaption);
    const QList<QAction*> actions = found->actions();
    QCOMPARE(actions.size(), items.size());
    for (int i = 0; i < items.size(); ++i) {
        QCOMPARE(actions.at(i)->objectName(), items.at(i));
        QCOMPARE(actions.at(i)->isSeparator(), items.at(i) == u"mnuSeparator"_s);
        QCOMPARE(actions.at(i)->text(), captions.at(i));
        QCOMPARE(actions.at(i)->shortcut(),
                 QKeySequence::fromString(shortcuts.at(i), QKeySequence::PortableText));
    }
}

void TestFrmMainLayout::menuCommandsAreAnnounced() {
    frmMain window;
    const struct {
        const char16_t* item;
        void (frmMain::*signal)();
    } commands[] = {
        {u"mnuOpen", &frmMain::openRequested},
        {u"mnuNext", &frmMain::nextLogRequested},
        {u"mnuExit", &frmMain::exitRequested},
        {u"mnuPreferences", &frmMain::preferencesRequested},
        {u"mnuNames", &frmMain::namesRequested},
        {u"mnuHosts", &frmMain::hostsFileRequested},
    };
    for (const auto& command : commands) {
        QSignalSpy spy(&window, command.signal);
        auto* action = window.findChild<QAction*>(QString::fromUtf16(command.item));
        QVERIFY(action);
        action->trigger();
        QCOMPARE(spy.size(), 1);
    }

    // The shortcuts work from the keyboard.
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy open(&window, &frmMain::openRequested);
    QSignalSpy names(&window, &frmMain::namesRequested);
    QSignalSpy preferences(&window, &frmMain::preferencesRequested);
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(open.size(), 1);
    QCOMPARE(names.size(), 1);
    QCOMPARE(preferences.size(), 1);

    QSignalSpy doubleClicks(&window, &frmMain::listDoubleClicked);
    QTreeWidgetItem* row = window.addRow(u"a"_s, u"a"_s);
    QTRY_VERIFY(!window.lvRC5()->visualItemRect(row).isEmpty());
    const QPoint at = window.lvRC5()->visualItemRect(row).center();
    // A double click is a press on the row followed by the double-click event.
    QTest::mousePress(window.lvRC5()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window.lvRC5()->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(doubleClicks.size(), 1);
    QCOMPARE(window.selectedRowKey(), u"a"_s);
}

void TestFrmMainLayout::closeBoxAndUnloadAskWithTheirModes() {
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
    QVERIFY(window.Unload());
    QVERIFY(!window.isVisible());
    QCOMPARE(modes, (QList<int>{0, 1}));

    // Without a handler the window simply closes.
    frmMain plain;
    plain.show();
    QVERIFY(plain.close());
}

QTEST_MAIN(TestFrmMainLayout)
#include "test_frmmain_layout.moc"
