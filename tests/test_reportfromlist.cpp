// The web report of the real main window: the visible list's captions and rows in the order
// shown, GenerateHTML's error passing, and the page of the tab selected.

#include "common/RunTimeError.h"
#include "common/modGlobals.h"
#include "persistence/Settings.h"
#include "report/HtmlReport.h"
#include "report/ReportSchedule.h"
#include "ui/ReportFromList.h"
#include "ui/frmMain.h"

#include "support/Fakes.h"
#include <QFile>
#include <QHeaderView>
#include <QTabWidget>
#include <QTemporaryDir>

#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QStringList FiveCaptions = {u"Client"_s, u"Total blocks"_s, u"Today blocks"_s,
                                  u"Rate (kkeys/s)"_s, u"Last block"_s};

/** Adds a row as the refresh pass does: key, display text, total, today, rate, last block. */
void addRow(frmMain& window, const QString& name, qint64 total, const QString& last) {
    const frmMain::RowId row = window.addRow(name, name);
    SortedList& list = *window.lvRC5();
    list.setCellText(row, frmMain::ColTotalBlocks, rightJustify(total, 6));
    list.setCellText(row, frmMain::ColTodayBlocks, u"      "_s);
    list.setCellText(row, frmMain::ColRate, u"      "_s);
    list.setCellText(row, frmMain::ColLastBlock, last);
}

} // namespace

class TestReportFromList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void emptyListGivesHeaderOnly();
    void rowsInTheOrderShown();
    void pageIsWhatTheListShows();
    void errorsArePassedWithThePlace();
    void pageOfTheNewlySelectedTab();

private:
    QTemporaryDir m_dir;
};

void TestReportFromList::init() {
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(u"Index.htm"_s));
}

void TestReportFromList::emptyListGivesHeaderOnly() {
    frmMain window;
    const HtmlReport::ReportTable table = listReportTable(window);
    QCOMPARE(table.captions, FiveCaptions);
    QCOMPARE(table.rows.size(), 0);
}

void TestReportFromList::rowsInTheOrderShown() {
    frmMain window;
    addRow(window, u"carol"_s, 12, u"10:00:00"_s);
    addRow(window, u"<All-clients>"_s, 142, u"12:00:00"_s);
    addRow(window, u"alice"_s, 123, u"12:00:00"_s);
    addRow(window, u"bob"_s, 7, u"09:00:00"_s);

    window.setSortKey(frmMain::ColTotalBlocks);
    window.setSortOrder(1); // descending
    window.resortList();
    HtmlReport::ReportTable table = listReportTable(window);
    QCOMPARE(table.rows.size(), 4);
    QStringList clients;
    for (const QStringList& row : table.rows)
        clients << row.value(0);
    QCOMPARE(clients, (QStringList{u"<All-clients>"_s, u"alice"_s, u"carol"_s, u"bob"_s}));
    QCOMPARE(table.rows.at(1),
             (QStringList{u"alice"_s, u"   123"_s, u"      "_s, u"      "_s, u"12:00:00"_s}));

    window.setSortKey(frmMain::ColClient);
    window.setSortOrder(0);
    table = listReportTable(window);
    clients.clear();
    for (const QStringList& row : table.rows)
        clients << row.value(0);
    QCOMPARE(clients, (QStringList{u"<All-clients>"_s, u"alice"_s, u"bob"_s, u"carol"_s}));
}

void TestReportFromList::pageIsWhatTheListShows() {
    frmMain window;
    addRow(window, u"<All-clients>"_s, 5, u"12:00:00"_s);
    addRow(window, u"<script>document.title='pwned'</script>"_s, 5, u"12:00:00"_s);
    window.resortList();

    GenerateHTML(window, m_dir.path());
    const QByteArray page = readFile(m_dir.filePath(u"Index.htm"_s));
    QCOMPARE(page, HtmlReport::reportBytes(listReportTable(window)));
    QVERIFY(page.startsWith("<HTML><BODY><TABLE WIDTH=100% BORDER=1>\r\n<TR>\r\n"
                            "<TH ALIGN=CENTER><BOLD>Client</TD>\r\n"));
    QVERIFY(page.contains("<TR>\r\n<TD>&lt;All-clients&gt;</TD>\r\n<TD>     5&nbsp;</TD>\r\n"));
    QVERIFY(page.contains("<TD>&lt;script&gt;document.title='pwned'&lt;/script&gt;</TD>"));
    QVERIFY(!page.contains("<script"));
    QVERIFY(page.endsWith("</TR>\r\n</TABLE></BODY></HTML>\r\n"));
}

void TestReportFromList::errorsArePassedWithThePlace() {
    frmMain window;
    addRow(window, u"alice"_s, 1, u"12:00:00"_s);
    const QString folders[] = {m_dir.filePath(u"missing"_s), QString()};
    for (const QString& folder : folders) {
        try {
            GenerateHTML(window, folder);
            QFAIL("GenerateHTML succeeded without a folder");
        } catch (const RunTimeError& error) {
            QCOMPARE(error.number(), ErrorNumber::PathFileAccess);
            QVERIFY2(error.description().startsWith(u"frmMain:GenerateHTML\r\n"_s),
                     qPrintable(error.description()));
            QVERIFY(error.description().size() > int(qstrlen("frmMain:GenerateHTML\r\n")));
        }
    }
    QVERIFY(!QFile::exists(m_dir.filePath(u"missing"_s)));
}

void TestReportFromList::pageOfTheNewlySelectedTab() {
    // The refresh pass as the program wires it: fill the rows of the selected tab's project,
    // then the report step. A tab change empties the list and runs one pass.
    frmMain window;
    window.Timer1()->stop();
    Preferences prefs;
    prefs.WebStats = true;
    prefs.WebRefreshRate = 1;
    prefs.WebLocal = true;
    prefs.WebFolder = m_dir.path();
    ReportSchedule schedule;
    window.setRefreshHandler([&] {
        const bool rc5 = window.currentTab() == 0;
        if (window.findRow(u"<All-clients>"_s) == SortedList::NoRow)
            addRow(window, u"<All-clients>"_s, rc5 ? 10 : 3, u"12:00:00"_s);
        const QString client = rc5 ? u"rc5-client"_s : u"ogr-client"_s;
        if (window.findRow(client) == SortedList::NoRow)
            addRow(window, client, rc5 ? 10 : 3, u"12:00:00"_s);
        window.resortList();
        schedule.pass(prefs, [&](const QString& folder) { GenerateHTML(window, folder); });
    });
    window.Timer1_Timer();
    const QString page = m_dir.filePath(u"Index.htm"_s);
    QVERIFY(readFile(page).contains("<TD>rc5-client</TD>"));

    window.tabMain()->setCurrentIndex(1);
    const QByteArray ogr = readFile(page);
    QVERIFY(ogr.contains("<TD>ogr-client</TD>"));
    QVERIFY(!ogr.contains("rc5-client"));
    QVERIFY(ogr.contains("<TD>     3&nbsp;</TD>"));
    QCOMPARE(ogr.count("<TR>"), 3);
}

QTEST_MAIN(TestReportFromList)
#include "test_reportfromlist.moc"
