// The detail window: caption and label, rows per day, today's bold row, sorting, the shared
// "Details" settings, a replaced client table, and its life beside the main window.

#include "support/Fakes.h"
#include "support/ListTexts.h"

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

Q_DECLARE_METATYPE(ErrorAnswer)

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

    /** A shown window; without its timer the test runs the passes. */
    frmDetail* show(const QString& key, bool timer = true) {
        frmDetail* window = newWindow();
        if (!timer)
            window->Timer1()->stop();
        window->ShowDetail(key);
        return window;
    }

    void count(const char* client, const char* date, qint32 blocks, const char* project = "RC5") {
        statistics.IncrementClient(QLatin1StringView(client), QLatin1StringView(date),
                                   "12:00:00"_L1, blocks, QLatin1StringView(project));
    }

    void counts(const char* client, std::initializer_list<std::pair<const char*, qint32>> days) {
        for (const auto& [date, blocks] : days)
            count(client, date, blocks);
    }
};

QStringList columnTexts(const frmDetail* window, int column) {
    return columnTexts(*window->lvDetail(), column);
}

QString blocksOf(const frmDetail* window, const QString& date) {
    return cellText(*window->lvDetail(), date, frmDetail::ColBlocks);
}

std::pair<int, int> sorting(const frmDetail* window) {
    return {window->lvDetail()->sortKey(), window->lvDetail()->sortOrder()};
}

/** The dates of the bold rows; a row bold in one cell only shows as its date and "?". */
QStringList boldDates(const frmDetail* window) {
    QStringList dates;
    const SortedList* list = window->lvDetail();
    for (int i = 0; i < list->rowCount(); ++i) {
        const bool date = shownBold(*list, i, frmDetail::ColDate);
        const bool blocks = shownBold(*list, i, frmDetail::ColBlocks);
        if (date || blocks)
            dates << list->cellText(list->rowAt(i), frmDetail::ColDate) +
                         (date && blocks ? u""_s : u"?"_s);
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

QStringList stored(const QStringList& keys) {
    QStringList texts;
    for (const QString& key : keys)
        texts << store().value(u"Details/"_s + key).toString();
    return texts;
}

void storeDetails(const QList<std::pair<QString, QString>>& values) {
    QSettings settings = store();
    for (const auto& [key, value] : values)
        settings.setValue(u"Details/"_s + key, value);
    settings.sync();
}

/** A size in pixels as the settings hold it: twips in the single-precision text form. */
QString twipsText(int pixels, bool across) {
    return NumberText::fromSingle(
        float(across ? Twips::fromPixelsX(pixels) : Twips::fromPixelsY(pixels)));
}

QStringList rectangleTexts(const QRect& r) {
    return {twipsText(r.x(), true), twipsText(r.y(), false), twipsText(r.width(), true),
            twipsText(r.height(), false)};
}

const QStringList rectangleKeys{u"Left"_s, u"Top"_s, u"Width"_s, u"Height"_s};

} // namespace

class TestFrmDetail : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        // Every test starts from an empty settings store.
        QSettings settings = store();
        settings.clear();
        settings.sync();
    }

    void controlsAtDesignLayout() {
        Fixture f;
        QPointer<frmDetail> window = f.newWindow();
        QCOMPARE(window->windowTitle(), u"Details"_s);
        QVERIFY(window->isWindow());
        QCOMPARE(window->parentWidget(), &f.owner);
        QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(std::pair(window->font().family(), window->font().pointSizeF()),
                 std::pair(u"Tahoma"_s, 7.8));
        QCOMPARE(window->size(), QSize(Twips::toPixelsX(3708), Twips::toPixelsY(3480)));

        SortedList* list = window->lvDetail();
        QCOMPARE(list->objectName(), u"lvDetail"_s);
        QCOMPARE(window->Label1()->text(), u"Client:"_s);
        QCOMPARE((QList<QRect>{list->geometry(), window->Label1()->geometry(),
                               window->labName()->geometry()}),
                 (QList<QRect>{Twips::toPixels(QRectF(84, 504, 3540, 2868)),
                               Twips::toPixels(QRectF(168, 84, 768, 264)),
                               Twips::toPixels(QRectF(1008, 84, 2616, 432))}));
        QVERIFY(window->labName()->font().bold());
        QCOMPARE(window->labName()->font().pointSizeF(), 7.8);

        const QAbstractItemModel* header = list->model();
        QCOMPARE(list->columnCount(), frmDetail::ColumnCount);
        QCOMPARE(std::pair(list->headerText(0), list->headerText(1)),
                 std::pair(u"Date"_s, u"Blocks"_s));
        for (int column = 0; column < frmDetail::ColumnCount; ++column)
            QCOMPARE(list->columnWidth(column), Twips::toPixelsX(1200));
        QCOMPARE(
            Qt::Alignment(header->headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) &
                Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);
        QCOMPARE(
            Qt::Alignment(header->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt()) &
                Qt::AlignHorizontal_Mask,
            Qt::AlignRight);

        QCOMPARE(std::pair(window->Timer1()->interval(), window->Timer1()->isActive()),
                 std::pair(1000, true));
        QVERIFY(!window->isVisible()); // ShowDetail shows it
    }

    void captionAndLabel_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("hostName"); // the answer of the reverse lookup; empty: none
        QTest::addColumn<QString>("shown");    // the caption is "Details - " and this
        QTest::addColumn<QString>("label");
        QTest::addRow("resolved host") << u"RC510.0.0.5"_s << u"pc.example.net"_s
                                       << u"pc.example.net"_s << u"pc.example.net (10.0.0.5)"_s;
        QTest::addRow("not resolved yet")
            << u"OGR10.0.0.6"_s << QString() << u"10.0.0.6"_s << u"10.0.0.6 (10.0.0.6)"_s;
        QTest::addRow("all clients") << u"OGR<All-clients>"_s << QString() << u"<All-clients>"_s
                                     << u"<All-clients> (<All-clients>)"_s;
        QTest::addRow("host name")
            << u"RC5cruncher"_s << QString() << u"cruncher"_s << u"cruncher (cruncher)"_s;
    }
    void captionAndLabel() {
        QFETCH(QString, key);
        QFETCH(QString, hostName);
        QFETCH(QString, shown);
        QFETCH(QString, label);
        Fixture f;
        f.names.setResolveClients(true);
        if (!hostName.isEmpty()) {
            // The main list resolved the address earlier; the answer has come.
            f.names.Resolve(key.mid(3));
            QCOMPARE(f.lookup->requests.size(), 1);
            f.lookup->answer(0, hostName);
        }
        frmDetail* window = f.show(key);
        QCOMPARE(window->windowTitle(), u"Details - "_s + shown);
        QCOMPARE(window->labName()->text(), label);
        QCOMPARE(window->sName(), key);
        QVERIFY(window->isVisible());
        QVERIFY(f.report.places.isEmpty());
    }

    void rowsFollowTheHistoryAndTodayIsBold() {
        Fixture f;
        f.counts("alice", {{"11/29/26", 5}, {"12/01/26", 7}, {"12/03/26", 1234567}});
        f.count("bob", "12/02/26", 99);
        frmDetail* window = f.show(u"RC5alice"_s, false);
        QCOMPARE(columnTexts(window, 0),
                 (QStringList{u"11/29/26"_s, u"12/01/26"_s, u"12/03/26"_s}));
        QCOMPARE(columnTexts(window, 1), (QStringList{u"     5"_s, u"     7"_s, u"1234567"_s}));
        QCOMPARE(boldDates(window), QStringList());

        // Blocks of today: a new row, in bold.
        f.count("alice", "12/06/26", 3);
        window->Timer1_Timer();
        QCOMPARE(columnTexts(window, 0).last(), u"12/06/26"_s);
        QCOMPARE(blocksOf(window, u"12/06/26"_s), u"     3"_s);
        QCOMPARE(boldDates(window), QStringList{u"12/06/26"_s});

        // More of today: only today's cell changes.
        QSignalSpy changes(window->lvDetail()->model(), &QAbstractItemModel::dataChanged);
        f.count("alice", "12/06/26", 40);
        window->Timer1_Timer();
        QTRY_COMPARE(changes.size(), 1);
        QCOMPARE(columnTexts(window, 1),
                 (QStringList{u"     5"_s, u"     7"_s, u"1234567"_s, u"    43"_s}));

        // The next day: its row is bold too, and yesterday's stays bold. A late line of an
        // earlier date adds a row that is not bold.
        f.clock.current = f.clock.current.addDays(1);
        f.counts("alice", {{"12/07/26", 1}, {"12/04/26", 2}});
        window->Timer1_Timer();
        QCOMPARE(window->lvDetail()->rowCount(), 6);
        QCOMPARE(boldDates(window), (QStringList{u"12/06/26"_s, u"12/07/26"_s}));

        // "<All-clients>" holds the project's totals per day.
        frmDetail* all = f.show(u"RC5<All-clients>"_s);
        QCOMPARE(columnTexts(all, 0),
                 (QStringList{u"11/29/26"_s, u"12/01/26"_s, u"12/02/26"_s, u"12/03/26"_s,
                              u"12/04/26"_s, u"12/06/26"_s, u"12/07/26"_s}));
        QCOMPARE(blocksOf(all, u"12/02/26"_s), u"    99"_s);
        QCOMPARE(boldDates(all), QStringList{u"12/07/26"_s}); // today is the 7th now
        QVERIFY(f.report.places.isEmpty());
    }

    void unchangedPassWritesNothing() {
        Fixture f;
        f.counts("alice", {{"12/05/26", 5}, {"12/06/26", 8}});
        frmDetail* window = f.show(u"RC5alice"_s, false);
        window->lvDetail()->setSortKey(frmDetail::ColBlocks);
        window->lvDetail()->setSortOrder(1);
        QCOMPARE(columnTexts(window, 0), (QStringList{u"12/06/26"_s, u"12/05/26"_s}));

        QCoreApplication::processEvents(); // the views learn of the rows written so far
        QSignalSpy changes(window->lvDetail()->model(), &QAbstractItemModel::dataChanged);
        window->Timer1_Timer();
        window->Timer1_Timer();
        QCoreApplication::processEvents();
        QCOMPARE(changes.size(), 0);

        // A changed count rewrites its cell but does not re-order; only a new row does.
        f.count("alice", "12/05/26", 100);
        window->Timer1_Timer();
        QTRY_COMPARE(changes.size(), 1);
        QCOMPARE(columnTexts(window, 0), (QStringList{u"12/06/26"_s, u"12/05/26"_s}));
        f.count("alice", "12/04/26", 1);
        window->Timer1_Timer();
        QCOMPARE(columnTexts(window, 0),
                 (QStringList{u"12/05/26"_s, u"12/06/26"_s, u"12/04/26"_s}));

        // The one-second timer runs the pass by itself.
        window->Timer1()->start();
        f.count("alice", "12/04/26", 1);
        QTRY_COMPARE_WITH_TIMEOUT(blocksOf(window, u"12/04/26"_s), u"     2"_s, 5000);
    }

    void sortingByHeaderClicks() {
        Fixture f;
        f.counts("alice", {{"12/30/25", 40}, {"01/02/26", 7}, {"06/15/26", 123}, {"12/06/26", 12}});
        frmDetail* window = f.show(u"RC5alice"_s, false);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        SortedList* list = window->lvDetail();
        // Dates compare as text: month and day before the year.
        QCOMPARE(sorting(window), std::pair(0, 0));
        QCOMPARE(columnTexts(window, 0),
                 (QStringList{u"01/02/26"_s, u"06/15/26"_s, u"12/06/26"_s, u"12/30/25"_s}));

        clickHeader(window, frmDetail::ColBlocks);
        QCOMPARE(sorting(window), std::pair(1, 0));
        QCOMPARE(columnTexts(window, 1),
                 (QStringList{u"     7"_s, u"    12"_s, u"    40"_s, u"   123"_s}));
        clickHeader(window, frmDetail::ColBlocks);
        QCOMPARE(sorting(window), std::pair(1, 1));
        QCOMPARE(columnTexts(window, 0).first(), u"06/15/26"_s); // the day with the most blocks

        // A new day with more blocks than any takes its place at the top.
        f.clock.current = QDateTime(QDate(2026, 12, 7), QTime(8, 0));
        f.count("alice", "12/07/26", 5000);
        window->Timer1_Timer();
        QCOMPARE(columnTexts(window, 0).first(), u"12/07/26"_s);

        clickHeader(window, frmDetail::ColDate);
        QCOMPARE(sorting(window), std::pair(0, 0));
        QCOMPARE(columnTexts(window, 0).first(), u"01/02/26"_s);
        QCOMPARE(
            std::pair(list->header()->sortIndicatorSection(), list->header()->sortIndicatorOrder()),
            std::pair(int(frmDetail::ColDate), Qt::AscendingOrder));
    }

    void marginLayoutKeepsLabelOnListEdge() {
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
        QCOMPARE(window->labName()->geometry(),
                 label.adjusted(0, 0, 90, 0)); // right edges stay level

        // Narrower than the label's left edge: that step is skipped, the list still follows.
        const int narrow = window->labName()->x() - 5;
        window->resize(narrow, window->height());
        QTRY_COMPARE(window->width(), narrow);
        QCOMPARE(window->lvDetail()->width(), narrow - margins.listWidth);
        QCOMPARE(window->labName()->width(), label.width() + 90);
        QCOMPARE(window->layoutMargins().listWidth, margins.listWidth);
    }

    void closingSavesPlacementForTheNextWindow() {
        Fixture f;
        f.count("alice", "12/05/26", 5);
        frmDetail* first = f.show(u"RC5alice"_s);
        QVERIFY(QTest::qWaitForWindowExposed(first));
        const QRect rectangle(120, 90, 300, 260);
        first->setGeometry(rectangle);
        first->lvDetail()->setColumnWidth(0, 100);
        first->lvDetail()->setColumnWidth(1, 70);
        first->lvDetail()->columnClick(2);
        first->lvDetail()->columnClick(2);
        QTRY_COMPARE(first->geometry(), rectangle);
        QPointer<frmDetail> closed = first;
        QVERIFY(first->close());

        QCOMPARE(stored(QStringList{u"WindowState"_s} + rectangleKeys),
                 QStringList{u"0"_s} + rectangleTexts(rectangle));
        QCOMPARE(stored({u"Col1"_s, u"Col2"_s, u"SortKey"_s, u"SortOrder"_s}),
                 (QStringList{twipsText(100, true), twipsText(70, true), u"1"_s, u"1"_s}));
        QTRY_VERIFY(closed.isNull()); // deleted once closed

        frmDetail* next = f.show(u"OGRbob"_s);
        QVERIFY(QTest::qWaitForWindowExposed(next));
        QTRY_COMPARE(next->geometry(), rectangle);
        QCOMPARE(next->lvDetail()->columnWidth(0), 100);
        QCOMPARE(next->lvDetail()->columnWidth(1), 70);
        QCOMPARE(sorting(next), std::pair(1, 1));
        QVERIFY(f.report.places.isEmpty());
    }

    void maximisedCloseKeepsNormalGeometry() {
        const QRect normal(60, 40, 280, 230);
        QList<std::pair<QString, QString>> values{{u"WindowState"_s, u"0"_s}};
        for (int i = 0; i < rectangleKeys.size(); ++i)
            values.append({rectangleKeys[i], rectangleTexts(normal)[i]});
        storeDetails(values);
        Fixture f;
        frmDetail* window = f.show(u"RC5alice"_s);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTRY_COMPARE(window->geometry(), normal);
        window->showMaximized();
        QTRY_VERIFY(window->isMaximized());
        QTRY_VERIFY(window->width() > normal.width());
        QVERIFY(window->close());
        QCOMPARE(stored(QStringList{u"WindowState"_s} + rectangleKeys + QStringList{u"Col1"_s}),
                 QStringList{u"2"_s} + rectangleTexts(normal) +
                     QStringList{twipsText(Twips::toPixelsX(1200), true)});

        // The next window opens maximised and restores to the saved normal rectangle.
        frmDetail* next = f.show(u"RC5alice"_s);
        QVERIFY(QTest::qWaitForWindowExposed(next));
        QTRY_VERIFY(next->isMaximized());
        next->showNormal();
        QTRY_VERIFY(!next->isMaximized());
        QTRY_COMPARE(next->geometry(), normal);
        QVERIFY(f.report.places.isEmpty());
    }

    void badStoredSettingsAreReported_data() {
        QTest::addColumn<QStringList>("values"); // key=text in "Details"
        QTest::addColumn<QList<ErrorAnswer>>("answers");
        QTest::addColumn<QList<int>>("errors");
        QTest::addColumn<int>("sortOrder");
        const QStringList bad{u"Col1=wide"_s, u"SortKey=7"_s, u"SortOrder=1"_s};
        // Ignore skips each failing assignment; the rest is applied.
        QTest::addRow("Ignore") << bad << QList{ErrorAnswer::Ignore, ErrorAnswer::Ignore}
                                << QList<int>{ErrorNumber::TypeMismatch,
                                              ErrorNumber::InvalidPropertyValue}
                                << 1;
        // Abort ends the load there: nothing after the failing key is read.
        QTest::addRow("Abort") << bad << QList{ErrorAnswer::Abort}
                               << QList<int>{ErrorNumber::TypeMismatch} << 0;
        // Retry reads again: a window state outside 0 to 2 fails each time.
        QTest::addRow("Retry") << QStringList{u"WindowState=5"_s}
                               << QList{ErrorAnswer::Retry, ErrorAnswer::Ignore}
                               << QList<int>(2, ErrorNumber::InvalidPropertyValue) << 0;
    }
    void badStoredSettingsAreReported() {
        QFETCH(QStringList, values);
        QFETCH(QList<ErrorAnswer>, answers);
        QFETCH(QList<int>, errors);
        QFETCH(int, sortOrder);
        QList<std::pair<QString, QString>> pairs;
        for (const QString& value : values)
            pairs.append({value.section(u'=', 0, 0), value.section(u'=', 1)});
        storeDetails(pairs);
        Fixture f;
        f.report.answers = answers;
        frmDetail* window = f.show(u"RC5alice"_s);
        QCOMPARE(f.report.numbers, errors);
        QCOMPARE(f.report.places, QStringList(errors.size(), u"frmDetail:Form_Load"_s));
        QCOMPARE(window->lvDetail()->columnWidth(0), Twips::toPixelsX(1200));
        QCOMPARE(sorting(window), std::pair(0, sortOrder));
        QVERIFY(window->isVisible() && !window->isMaximized());
        QCOMPARE(window->windowTitle(), u"Details - alice"_s);
    }

    void replacedTableDoesNotCrash() {
        Fixture f;
        f.counts("alice", {{"12/04/26", 4}, {"12/05/26", 5}});
        frmDetail* window = f.show(u"RC5alice"_s, false);
        QCOMPARE(window->lvDetail()->rowCount(), 2);

        // Open replaces the table: the rows stay and stop changing, whatever other clients do.
        f.statistics.reset();
        f.count("bob", "12/06/26", 9);
        window->Timer1_Timer();
        QCOMPARE(columnTexts(window, 0), (QStringList{u"12/04/26"_s, u"12/05/26"_s}));
        QCOMPARE(columnTexts(window, 1), (QStringList{u"     4"_s, u"     5"_s}));

        // The record appears again: its dates continue the list.
        f.counts("alice", {{"12/05/26", 50}, {"12/06/26", 6}});
        window->Timer1_Timer();
        QCOMPARE(columnTexts(window, 0),
                 (QStringList{u"12/04/26"_s, u"12/05/26"_s, u"12/06/26"_s}));
        QCOMPARE(columnTexts(window, 1), (QStringList{u"     4"_s, u"    50"_s, u"     6"_s}));

        // A table assigned anew, grown far past the old one's size, is read by key as well.
        f.statistics.clients = ClientTable();
        for (int i = 0; i < 500; ++i)
            f.count(QByteArray("c" + QByteArray::number(i)).constData(), "12/06/26", 1);
        f.count("alice", "12/06/26", 61);
        window->Timer1_Timer();
        QCOMPARE(blocksOf(window, u"12/06/26"_s), u"    61"_s);
        QCOMPARE(blocksOf(window, u"12/05/26"_s), u"    50"_s);

        // Without a table to look in, the pass stops quietly.
        frmDetail* orphan = new frmDetail(&f.owner, f.clock, f.reporter, f.names, {});
        orphan->ShowDetail(u"RC5alice"_s);
        QCOMPARE(orphan->lvDetail()->rowCount(), 0);
        QVERIFY(f.report.places.isEmpty());
    }

    void oneWindowPerRecordAndOwnership() {
        Fixture f;
        f.count("alice", "12/06/26", 3);
        f.count("alice", "12/06/26", 8, "OGR");
        f.owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.owner));

        QVERIFY(frmDetail::findOpen(&f.owner, u"RC5alice"_s) == nullptr);
        frmDetail* rc5 = f.show(u"RC5alice"_s);
        frmDetail* ogr = f.show(u"OGRalice"_s);
        QCOMPARE(frmDetail::findOpen(&f.owner, u"RC5alice"_s), rc5);
        QCOMPARE(frmDetail::findOpen(&f.owner, u"OGRalice"_s), ogr);
        QCOMPARE(blocksOf(ogr, u"12/06/26"_s), u"     8"_s);
        QVERIFY(!frmDetail::findOpen(&f.owner, u"RC5bob"_s) &&
                !frmDetail::findOpen(nullptr, u"RC5alice"_s));

        // Hidden while the owner is minimised, back when it is restored.
        f.owner.showMinimized();
        QTRY_VERIFY(!rc5->isVisible());
        QVERIFY(!ogr->isVisible());
        f.owner.showNormal();
        QTRY_VERIFY(rc5->isVisible());
        QVERIFY(ogr->isVisible());

        // activate() brings a minimised window back.
        rc5->showMinimized();
        QTRY_VERIFY(rc5->isMinimized());
        rc5->activate();
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
        frmDetail* last =
            new frmDetail(owner, f.clock, f.reporter, f.names, frmDetail::lookupIn(f.statistics));
        last->ShowDetail(u"RC5alice"_s);
        last->lvDetail()->setSortKey(1);
        delete owner;
        QCOMPARE(stored({u"SortKey"_s}), QStringList{u"1"_s});
        QVERIFY(!owned.isNull()); // the fixture's owner still holds rc5
    }
};

QTEST_MAIN(TestFrmDetail)
#include "test_frmdetail.moc"
