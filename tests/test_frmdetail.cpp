// The detail window: caption and label, rows per day, today's bold row, sorting, the shared
// "Details" settings, a replaced client table, and its life beside the main window.

#include "support/Fakes.h"

#include "common/ErrorReport.h"
#include "common/NumberText.h"
#include "naming/ClientNames.h"
#include "persistence/Settings.h"
#include "stats/ClientTable.h"
#include "ui/SortedList.h"
#include "ui/Twips.h"
#include "ui/frmDetail.h"

#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

/** What a detail window needs, torn down after its windows (the owner goes first). */
struct Fixture {
    FakeClock clock; // 12/06/26
    ScriptedErrorReport report;
    ErrorReporter reporter{report};
    FakeHostLookup* lookup = new FakeHostLookup;
    ClientNames names{std::unique_ptr<IHostLookup>(lookup)};
    Statistics statistics;
    QWidget owner;

    frmDetail* newWindow() {
        return new frmDetail(&owner, clock, reporter, names, frmDetail::lookupIn(statistics));
    }

    void count(const char* client, const char* date, qint32 blocks, const char* project = "RC5") {
        statistics.IncrementClient(QLatin1StringView(client), QLatin1StringView(date), "12:00:00"_L1,
                                   blocks, QLatin1StringView(project));
    }
};

QStringList columnTexts(const frmDetail* window, int column) {
    QStringList texts;
    const SortedList* list = window->lvDetail();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

/** The dates of the bold rows; a row bold in one cell only shows as its date and "?". */
QStringList boldDates(const frmDetail* window) {
    QStringList dates;
    const SortedList* list = window->lvDetail();
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list->topLevelItem(i);
        const bool date = row->font(frmDetail::ColDate).bold();
        const bool blocks = row->font(frmDetail::ColBlocks).bold();
        if (date && blocks)
            dates << row->text(frmDetail::ColDate);
        else if (date || blocks)
            dates << row->text(frmDetail::ColDate) + u'?';
    }
    return dates;
}

void clickHeader(frmDetail* window, int column) {
    QHeaderView* header = window->lvDetail()->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

QSettings store() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, u"Quillmere Log Analyzer"_s);
}

QString stored(const QString& key) {
    return store().value(u"Details/"_s + key).toString();
}

void storeDetails(const QList<std::pair<QString, QString>>& values) {
    QSettings settings = store();
    for (const auto& [key, value] : values)
        settings.setValue(u"Details/"_s + key, value);
    settings.sync();
}

/** A size in pixels as the settings hold it: twips in the single-precision text form. */
QString twipsText(int pixels, bool across) {
    return NumberText::fromSingle(float(across ? Twips::fromPixelsX(pixels) : Twips::fromPixelsY(pixels)));
}

} // namespace

class TestFrmDetail : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void controlsAtDesignLayout();
    void captionAndLabel_data();
    void captionAndLabel();
    void rowsFollowTheHistoryAndTodayIsBold();
    void unchangedPassWritesNothing();
    void sortingByHeaderClicks();
    void marginLayoutKeepsLabelOnListEdge();
    void closingSavesPlacementForTheNextWindow();
    void maximisedCloseKeepsNormalGeometry();
    void badStoredSettingsAreReported();
    void replacedTableDoesNotCrash();
    void oneWindowPerRecordAndOwnership();
};

void TestFrmDetail::init() {
    // Every test starts from an empty settings store.
    QSettings settings = store();
    settings.clear();
    settings.sync();
}

void TestFrmDetail::controlsAtDesignLayout() {
    Fixture f;
    QPointer<frmDetail> window = f.newWindow();
    QCOMPARE(window->windowTitle(), u"Details"_s);
    QVERIFY(window->isWindow());
    QCOMPARE(window->parentWidget(), &f.owner);
    QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(window->font().family(), u"Tahoma"_s);
    QCOMPARE(window->font().pointSizeF(), 7.8);
    QCOMPARE(window->size(), QSize(Twips::toPixelsX(3708), Twips::toPixelsY(3480)));

    QCOMPARE(window->lvDetail()->objectName(), u"lvDetail"_s);
    QCOMPARE(window->lvDetail()->geometry(), Twips::toPixels(QRectF(84, 504, 3540, 2868)));
    QCOMPARE(window->Label1()->text(), u"Client:"_s);
    QCOMPARE(window->Label1()->geometry(), Twips::toPixels(QRectF(168, 84, 768, 264)));
    QCOMPARE(window->labName()->geometry(), Twips::toPixels(QRectF(1008, 84, 2616, 432)));
    QVERIFY(window->labName()->font().bold());
    QCOMPARE(window->labName()->font().pointSizeF(), 7.8);

    QTreeWidgetItem* header = window->lvDetail()->headerItem();
    QCOMPARE(window->lvDetail()->columnCount(), frmDetail::ColumnCount);
    QCOMPARE(header->text(0), u"Date"_s);
    QCOMPARE(header->text(1), u"Blocks"_s);
    for (int column = 0; column < frmDetail::ColumnCount; ++column)
        QCOMPARE(window->lvDetail()->columnWidth(column), Twips::toPixelsX(1200));
    QCOMPARE(Qt::Alignment(header->textAlignment(0)) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    QCOMPARE(Qt::Alignment(header->textAlignment(1)) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(window->lvDetail()->header()->isSortIndicatorShown(), false);

    QCOMPARE(window->Timer1()->interval(), 1000);
    QVERIFY(window->Timer1()->isActive());
    QVERIFY(!window->isVisible()); // ShowDetail shows it
}

void TestFrmDetail::captionAndLabel_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("hostName"); // the answer of the reverse lookup; empty: none
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("label");
    QTest::addRow("resolved host") << u"RC510.0.0.5"_s << u"pc.example.net"_s
                                   << u"Details - pc.example.net"_s << u"pc.example.net (10.0.0.5)"_s;
    QTest::addRow("not resolved yet") << u"OGR10.0.0.6"_s << QString() << u"Details - 10.0.0.6"_s
                                      << u"10.0.0.6 (10.0.0.6)"_s;
    QTest::addRow("all clients") << u"OGR<All-clients>"_s << QString()
                                 << u"Details - <All-clients>"_s << u"<All-clients> (<All-clients>)"_s;
    QTest::addRow("host name") << u"RC5cruncher"_s << QString() << u"Details - cruncher"_s
                               << u"cruncher (cruncher)"_s;
}

void TestFrmDetail::captionAndLabel() {
    QFETCH(QString, key);
    QFETCH(QString, hostName);
    QFETCH(QString, caption);
    QFETCH(QString, label);
    Fixture f;
    f.names.setResolveClients(true);
    if (!hostName.isEmpty()) {
        // The main list resolved the address earlier; the answer has come.
        f.names.Resolve(key.mid(3));
        QCOMPARE(f.lookup->requests.size(), 1);
        f.lookup->answer(0, hostName);
    }
    frmDetail* window = f.newWindow();
    window->ShowDetail(key);
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->labName()->text(), label);
    QCOMPARE(window->sName(), key);
    QVERIFY(window->isVisible());
    QVERIFY(f.report.places.isEmpty());
}

void TestFrmDetail::rowsFollowTheHistoryAndTodayIsBold() {
    Fixture f;
    f.count("alice", "11/29/26", 5);
    f.count("alice", "12/01/26", 7);
    f.count("bob", "12/02/26", 99);
    f.count("alice", "12/03/26", 1234567);
    frmDetail* window = f.newWindow();
    window->Timer1()->stop(); // the test runs the passes
    window->ShowDetail(u"RC5alice"_s);

    QCOMPARE(columnTexts(window, 0), (QStringList{u"11/29/26"_s, u"12/01/26"_s, u"12/03/26"_s}));
    QCOMPARE(columnTexts(window, 1), (QStringList{u"     5"_s, u"     7"_s, u"1234567"_s}));
    QCOMPARE(boldDates(window), QStringList());
    QCOMPARE(window->lvDetail()->findRow(u"12/01/26"_s)->text(0), u"12/01/26"_s);

    // Blocks of today: a new row, in bold.
    f.count("alice", "12/06/26", 3);
    window->Timer1_Timer();
    QCOMPARE(columnTexts(window, 0),
             (QStringList{u"11/29/26"_s, u"12/01/26"_s, u"12/03/26"_s, u"12/06/26"_s}));
    QCOMPARE(columnTexts(window, 1).last(), u"     3"_s);
    QCOMPARE(boldDates(window), QStringList{u"12/06/26"_s});

    // More of today: only today's cell changes.
    QSignalSpy changes(window->lvDetail(), &QTreeWidget::itemChanged);
    f.count("alice", "12/06/26", 40);
    window->Timer1_Timer();
    QCOMPARE(changes.size(), 1);
    QCOMPARE(columnTexts(window, 1), (QStringList{u"     5"_s, u"     7"_s, u"1234567"_s, u"    43"_s}));

    // The next day: its row is bold too, and yesterday's stays bold.
    f.clock.current = f.clock.current.addDays(1);
    f.count("alice", "12/07/26", 1);
    window->Timer1_Timer();
    QCOMPARE(boldDates(window), (QStringList{u"12/06/26"_s, u"12/07/26"_s}));
    // A late line of an earlier date adds a row that is not bold.
    f.count("alice", "12/04/26", 2);
    window->Timer1_Timer();
    QCOMPARE(window->lvDetail()->topLevelItemCount(), 6);
    QCOMPARE(boldDates(window), (QStringList{u"12/06/26"_s, u"12/07/26"_s}));

    // "<All-clients>" holds the project's totals per day.
    frmDetail* all = f.newWindow();
    all->ShowDetail(u"RC5<All-clients>"_s);
    QCOMPARE(columnTexts(all, 0), (QStringList{u"11/29/26"_s, u"12/01/26"_s, u"12/02/26"_s,
                                               u"12/03/26"_s, u"12/04/26"_s, u"12/06/26"_s, u"12/07/26"_s}));
    QCOMPARE(all->lvDetail()->findRow(u"12/02/26"_s)->text(1), u"    99"_s);
    QCOMPARE(boldDates(all), QStringList{u"12/07/26"_s}); // today is the 7th now
    QVERIFY(f.report.places.isEmpty());
}

void TestFrmDetail::unchangedPassWritesNothing() {
    Fixture f;
    f.count("alice", "12/05/26", 5);
    f.count("alice", "12/06/26", 8);
    frmDetail* window = f.newWindow();
    window->Timer1()->stop();
    window->ShowDetail(u"RC5alice"_s);
    window->lvDetail()->setSortKey(frmDetail::ColBlocks);
    window->lvDetail()->setSortOrder(1);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"12/06/26"_s, u"12/05/26"_s}));

    QSignalSpy changes(window->lvDetail(), &QTreeWidget::itemChanged);
    window->Timer1_Timer();
    window->Timer1_Timer();
    QCOMPARE(changes.size(), 0);

    // A changed count rewrites its cell but does not re-order; only a new row does.
    f.count("alice", "12/05/26", 100);
    window->Timer1_Timer();
    QCOMPARE(changes.size(), 1);
    QCOMPARE(columnTexts(window, 0), (QStringList{u"12/06/26"_s, u"12/05/26"_s}));
    f.count("alice", "12/04/26", 1);
    window->Timer1_Timer();
    QCOMPARE(columnTexts(window, 0), (QStringList{u"12/05/26"_s, u"12/06/26"_s, u"12/04/26"_s}));

    // The one-second timer runs the pass by itself.
    window->Timer1()->start();
    f.count("alice", "12/04/26", 1);
    QTRY_COMPARE_WITH_TIMEOUT(window->lvDetail()->findRow(u"12/04/26"_s)->text(1), u"     2"_s, 5000);
}

void TestFrmDetail::sortingByHeaderClicks() {
    Fixture f;
    f.count("alice", "12/30/25", 40);
    f.count("alice", "01/02/26", 7);
    f.count("alice", "06/15/26", 123);
    f.count("alice", "12/06/26", 12);
    frmDetail* window = f.newWindow();
    window->Timer1()->stop();
    window->ShowDetail(u"RC5alice"_s);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    SortedList* list = window->lvDetail();
    // Dates compare as text: month and day before the year.
    QCOMPARE(list->SortKey(), 0);
    QCOMPARE(list->SortOrder(), 0);
    QCOMPARE(columnTexts(window, 0),
             (QStringList{u"01/02/26"_s, u"06/15/26"_s, u"12/06/26"_s, u"12/30/25"_s}));

    clickHeader(window, frmDetail::ColBlocks);
    QCOMPARE(list->SortKey(), 1);
    QCOMPARE(list->SortOrder(), 0);
    QCOMPARE(columnTexts(window, 1), (QStringList{u"     7"_s, u"    12"_s, u"    40"_s, u"   123"_s}));
    clickHeader(window, frmDetail::ColBlocks);
    QCOMPARE(list->SortOrder(), 1);
    QCOMPARE(columnTexts(window, 0).first(), u"06/15/26"_s); // the day with the most blocks

    // A new day with more blocks than any takes its place at the top.
    f.clock.current = QDateTime(QDate(2026, 12, 7), QTime(8, 0));
    f.count("alice", "12/07/26", 5000);
    window->Timer1_Timer();
    QCOMPARE(columnTexts(window, 0).first(), u"12/07/26"_s);

    clickHeader(window, frmDetail::ColDate);
    QCOMPARE(list->SortKey(), 0);
    QCOMPARE(list->SortOrder(), 0);
    QCOMPARE(columnTexts(window, 0).first(), u"01/02/26"_s);
    QCOMPARE(list->header()->isSortIndicatorShown(), false);
}

void TestFrmDetail::marginLayoutKeepsLabelOnListEdge() {
    Fixture f;
    frmDetail* window = f.newWindow();
    QCOMPARE(window->layoutMargins().listHeight, 0);
    window->ShowDetail(u"RC5alice"_s);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // The design margins, 612 down and 168 across, to the pixel.
    const frmDetail::LayoutMargins margins = window->layoutMargins();
    QVERIFY2(qAbs(margins.listHeight * Twips::perPixelY() - 612) <= Twips::perPixelY(),
             qPrintable(QString::number(margins.listHeight)));
    QVERIFY2(qAbs(margins.listWidth * Twips::perPixelX() - 168) <= Twips::perPixelX(),
             qPrintable(QString::number(margins.listWidth)));

    const QRect list = window->lvDetail()->geometry();
    const QRect label = window->labName()->geometry();
    window->resize(window->width() + 90, window->height() + 60);
    QTRY_COMPARE(window->lvDetail()->geometry(), list.adjusted(0, 0, 90, 60));
    QCOMPARE(window->labName()->geometry(), label.adjusted(0, 0, 90, 0));
    QCOMPARE(window->labName()->geometry().right(), window->lvDetail()->geometry().right());

    // Narrower than the label's left edge: that step is skipped, the list still follows.
    const int narrow = window->labName()->x() - 5;
    window->resize(narrow, window->height());
    QTRY_COMPARE(window->width(), narrow);
    QCOMPARE(window->lvDetail()->width(), narrow - margins.listWidth);
    QCOMPARE(window->labName()->width(), label.width() + 90);
    QCOMPARE(window->layoutMargins().listWidth, margins.listWidth);
}

void TestFrmDetail::closingSavesPlacementForTheNextWindow() {
    Fixture f;
    f.count("alice", "12/05/26", 5);
    frmDetail* first = f.newWindow();
    first->ShowDetail(u"RC5alice"_s);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    first->setGeometry(120, 90, 300, 260);
    first->lvDetail()->setColumnWidth(0, 100);
    first->lvDetail()->setColumnWidth(1, 70);
    first->lvDetail()->ColumnClick(2);
    first->lvDetail()->ColumnClick(2);
    QTRY_COMPARE(first->geometry(), QRect(120, 90, 300, 260));
    QPointer<frmDetail> closed = first;
    QVERIFY(first->close());

    QCOMPARE(stored(u"WindowState"_s), u"0"_s);
    QCOMPARE(stored(u"Left"_s), twipsText(120, true));
    QCOMPARE(stored(u"Top"_s), twipsText(90, false));
    QCOMPARE(stored(u"Width"_s), twipsText(300, true));
    QCOMPARE(stored(u"Height"_s), twipsText(260, false));
    QCOMPARE(stored(u"Col1"_s), twipsText(100, true));
    QCOMPARE(stored(u"Col2"_s), twipsText(70, true));
    QCOMPARE(stored(u"SortKey"_s), u"1"_s);
    QCOMPARE(stored(u"SortOrder"_s), u"1"_s);
    // Deleted once closed.
    QTRY_VERIFY(closed.isNull());

    frmDetail* next = f.newWindow();
    next->ShowDetail(u"OGRbob"_s);
    QVERIFY(QTest::qWaitForWindowExposed(next));
    QTRY_COMPARE(next->geometry(), QRect(120, 90, 300, 260));
    QCOMPARE(next->lvDetail()->columnWidth(0), 100);
    QCOMPARE(next->lvDetail()->columnWidth(1), 70);
    QCOMPARE(next->lvDetail()->SortKey(), 1);
    QCOMPARE(next->lvDetail()->SortOrder(), 1);
    QVERIFY(f.report.places.isEmpty());
}

void TestFrmDetail::maximisedCloseKeepsNormalGeometry() {
    const QRect normal(60, 40, 280, 230);
    storeDetails({{u"WindowState"_s, u"0"_s},
                  {u"Left"_s, twipsText(normal.x(), true)},
                  {u"Top"_s, twipsText(normal.y(), false)},
                  {u"Width"_s, twipsText(normal.width(), true)},
                  {u"Height"_s, twipsText(normal.height(), false)}});
    Fixture f;
    frmDetail* window = f.newWindow();
    window->ShowDetail(u"RC5alice"_s);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTRY_COMPARE(window->geometry(), normal);
    window->showMaximized();
    QTRY_VERIFY(window->isMaximized());
    QTRY_VERIFY(window->width() > normal.width());
    QVERIFY(window->close());
    QCOMPARE(stored(u"WindowState"_s), u"2"_s);
    QCOMPARE(stored(u"Left"_s), twipsText(normal.x(), true));
    QCOMPARE(stored(u"Width"_s), twipsText(normal.width(), true));
    QCOMPARE(stored(u"Height"_s), twipsText(normal.height(), false));
    QCOMPARE(stored(u"Col1"_s), twipsText(Twips::toPixelsX(1200), true));

    // The next window opens maximised and restores to the saved normal rectangle.
    frmDetail* next = f.newWindow();
    next->ShowDetail(u"RC5alice"_s);
    QVERIFY(QTest::qWaitForWindowExposed(next));
    QTRY_VERIFY(next->isMaximized());
    next->showNormal();
    QTRY_VERIFY(!next->isMaximized());
    QTRY_COMPARE(next->geometry(), normal);
    QVERIFY(f.report.places.isEmpty());
}

void TestFrmDetail::badStoredSettingsAreReported() {
    storeDetails({{u"Col1"_s, u"wide"_s}, {u"SortKey"_s, u"7"_s}, {u"SortOrder"_s, u"1"_s}});
    {
        // Ignore skips each failing assignment; the rest is applied.
        Fixture f;
        f.report.answers = {ErrorAnswer::Ignore, ErrorAnswer::Ignore};
        frmDetail* window = f.newWindow();
        window->ShowDetail(u"RC5alice"_s);
        QCOMPARE(f.report.places, (QStringList{u"frmDetail:Form_Load"_s, u"frmDetail:Form_Load"_s}));
        QCOMPARE(f.report.numbers, (QList<int>{ErrorNumber::TypeMismatch, 380}));
        QCOMPARE(window->lvDetail()->columnWidth(0), Twips::toPixelsX(1200));
        QCOMPARE(window->lvDetail()->SortKey(), 0);
        QCOMPARE(window->lvDetail()->SortOrder(), 1);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), u"Details - alice"_s);
    }
    storeDetails({{u"Col1"_s, u"wide"_s}, {u"SortKey"_s, u"7"_s}, {u"SortOrder"_s, u"1"_s}});
    {
        // Abort ends the load there: nothing after the failing key is read.
        Fixture f;
        f.report.answers = {ErrorAnswer::Abort};
        frmDetail* window = f.newWindow();
        window->ShowDetail(u"RC5alice"_s);
        QCOMPARE(f.report.places, QStringList{u"frmDetail:Form_Load"_s});
        QCOMPARE(window->lvDetail()->SortOrder(), 0);
        QVERIFY(window->isVisible());
    }
    {
        // Retry reads again: a window state outside 0 to 2 fails each time.
        storeDetails({{u"WindowState"_s, u"5"_s}});
        Fixture f;
        f.report.answers = {ErrorAnswer::Retry, ErrorAnswer::Ignore};
        frmDetail* window = f.newWindow();
        window->ShowDetail(u"RC5alice"_s);
        QCOMPARE(f.report.places.size(), 2);
        QCOMPARE(f.report.numbers.first(), ErrorNumber::InvalidArgument);
        QVERIFY(!window->isMaximized());
    }
}

void TestFrmDetail::replacedTableDoesNotCrash() {
    Fixture f;
    f.count("alice", "12/04/26", 4);
    f.count("alice", "12/05/26", 5);
    frmDetail* window = f.newWindow();
    window->Timer1()->stop();
    window->ShowDetail(u"RC5alice"_s);
    QCOMPARE(window->lvDetail()->topLevelItemCount(), 2);

    // Open replaces the table: the rows stay and stop changing.
    f.statistics.Reset();
    window->Timer1_Timer();
    QCOMPARE(columnTexts(window, 0), (QStringList{u"12/04/26"_s, u"12/05/26"_s}));
    QCOMPARE(columnTexts(window, 1), (QStringList{u"     4"_s, u"     5"_s}));
    // Other clients in the new table change nothing either.
    f.count("bob", "12/06/26", 9);
    window->Timer1_Timer();
    QCOMPARE(window->lvDetail()->topLevelItemCount(), 2);

    // The record appears again: its dates continue the list.
    f.count("alice", "12/05/26", 50);
    f.count("alice", "12/06/26", 6);
    window->Timer1_Timer();
    QCOMPARE(columnTexts(window, 0), (QStringList{u"12/04/26"_s, u"12/05/26"_s, u"12/06/26"_s}));
    QCOMPARE(columnTexts(window, 1), (QStringList{u"     4"_s, u"    50"_s, u"     6"_s}));

    // A table assigned anew, grown far past the old one's size, is read by key as well.
    f.statistics.Clients = ClientTable();
    for (int i = 0; i < 500; ++i)
        f.count(QByteArray("c" + QByteArray::number(i)).constData(), "12/06/26", 1);
    f.count("alice", "12/06/26", 61);
    window->Timer1_Timer();
    QCOMPARE(window->lvDetail()->findRow(u"12/06/26"_s)->text(1), u"    61"_s);
    QCOMPARE(window->lvDetail()->findRow(u"12/05/26"_s)->text(1), u"    50"_s);

    // Without a table to look in, the pass stops quietly.
    frmDetail* orphan = new frmDetail(&f.owner, f.clock, f.reporter, f.names, {});
    orphan->ShowDetail(u"RC5alice"_s);
    QCOMPARE(orphan->lvDetail()->topLevelItemCount(), 0);
    QVERIFY(f.report.places.isEmpty());
}

void TestFrmDetail::oneWindowPerRecordAndOwnership() {
    Fixture f;
    f.count("alice", "12/06/26", 3);
    f.count("alice", "12/06/26", 8, "OGR");
    f.owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.owner));

    QVERIFY(frmDetail::findOpen(&f.owner, u"RC5alice"_s) == nullptr);
    frmDetail* rc5 = f.newWindow();
    rc5->ShowDetail(u"RC5alice"_s);
    frmDetail* ogr = f.newWindow();
    ogr->ShowDetail(u"OGRalice"_s);
    QCOMPARE(frmDetail::findOpen(&f.owner, u"RC5alice"_s), rc5);
    QCOMPARE(frmDetail::findOpen(&f.owner, u"OGRalice"_s), ogr);
    QCOMPARE(ogr->lvDetail()->findRow(u"12/06/26"_s)->text(1), u"     8"_s);
    QVERIFY(frmDetail::findOpen(&f.owner, u"RC5bob"_s) == nullptr);
    QVERIFY(frmDetail::findOpen(nullptr, u"RC5alice"_s) == nullptr);

    // Hidden while the owner is minimised, back when it is restored.
    f.owner.showMinimized();
    QTRY_VERIFY(!rc5->isVisible());
    QVERIFY(!ogr->isVisible());
    f.owner.showNormal();
    QTRY_VERIFY(rc5->isVisible());
    QVERIFY(ogr->isVisible());

    // Activate brings a minimised window back.
    rc5->showMinimized();
    QTRY_VERIFY(rc5->isMinimized());
    rc5->Activate();
    QTRY_VERIFY(!rc5->isMinimized());
    QVERIFY(rc5->isVisible());

    // A closed window is no longer found, even before it is deleted.
    QPointer<frmDetail> closed = ogr;
    QVERIFY(ogr->close());
    QVERIFY(frmDetail::findOpen(&f.owner, u"OGRalice"_s) == nullptr);
    QTRY_VERIFY(closed.isNull());

    // Deleting the owner deletes its windows, which save their state as they go.
    QPointer<frmDetail> owned = rc5;
    rc5->lvDetail()->setSortOrder(1);
    auto* owner = new QWidget;
    frmDetail* last = new frmDetail(owner, f.clock, f.reporter, f.names, frmDetail::lookupIn(f.statistics));
    last->ShowDetail(u"RC5alice"_s);
    last->lvDetail()->setSortKey(1);
    delete owner;
    QCOMPARE(stored(u"SortKey"_s), u"1"_s);
    QVERIFY(!owned.isNull()); // the fixture's owner still holds rc5
}

QTEST_MAIN(TestFrmDetail)
#include "test_frmdetail.moc"
