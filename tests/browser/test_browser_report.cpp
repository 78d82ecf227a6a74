// The web report as a real browser reads it: Debian's headless Chromium loads the page from a
// file:// address (nothing else: no network, name lookups blocked) and prints the document it
// built. The page must show a table of five columns with the header captions, the
// "<All-clients>" row with its text, and a client name holding a script as plain text, with
// no script run.

#include "common/modGlobals.h"
#include "ui/ReportFromList.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

const QString Chromium = u"/usr/bin/chromium"_s;
const QString HostileName = u"<script>document.title='pwned'</script>"_s;
const QStringList FiveCaptions = {u"Client"_s, u"Total blocks"_s, u"Today blocks"_s,
                                  u"Rate (kkeys/s)"_s, u"Last block"_s};

const QRegularExpression Tag(u"<[^>]*>"_s);
// A header cell is closed by the next one, so it keeps the line end that follows its text.
const QRegularExpression TrailingLineEnd(u"[\\r\\n]+$"_s);

/**
 * The text of serialised markup: tags dropped, the entities the serialiser writes decoded,
 * a line end at the end (which the page does not show) removed.
 */
QString textOf(QString html) {
    html.remove(Tag);
    html.remove(TrailingLineEnd);
    html.replace(u"&nbsp;"_s, QString(QChar(0xA0)));
    html.replace(u"&lt;"_s, u"<"_s);
    html.replace(u"&gt;"_s, u">"_s);
    html.replace(u"&quot;"_s, u"\""_s);
    html.replace(u"&amp;"_s, u"&"_s);
    return html;
}

/** The inner markup of every element named name (not nested in itself), in order. */
QStringList elements(const QString& html, const QString& name) {
    const QRegularExpression re(u"<%1(?:\\s[^>]*)?>(.*?)</%1>"_s.arg(name),
                                QRegularExpression::DotMatchesEverythingOption |
                                    QRegularExpression::CaseInsensitiveOption);
    QStringList found;
    for (auto it = re.globalMatch(html); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

QStringList cellTexts(const QString& rowHtml, const QString& cell) {
    QStringList texts;
    for (const QString& inner : elements(rowHtml, cell))
        texts << textOf(inner);
    return texts;
}

} // namespace

class TestBrowserReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void scriptsRunInThisBrowserSetup();
    void reportShowsTheListAsText();

private:
    /** The document Chromium builds from the file at path, serialised; empty on failure. */
    QString dumpDom(const QString& path);

    QTemporaryDir m_dir;
    int m_runs = 0;
};

void TestBrowserReport::initTestCase() {
    QVERIFY(m_dir.isValid());
}

QString TestBrowserReport::dumpDom(const QString& path) {
    const QString profile = m_dir.filePath(u"profile-%1"_s.arg(++m_runs));
    QProcess chromium;
    chromium.setProgram(Chromium);
    chromium.setArguments({
        u"--headless"_s,
        u"--no-sandbox"_s,
        u"--disable-gpu"_s,
        u"--disable-dev-shm-usage"_s,
        u"--disable-background-networking"_s,
        u"--disable-component-update"_s,
        u"--disable-sync"_s,
        u"--disable-extensions"_s,
        u"--disable-breakpad"_s,
        u"--no-first-run"_s,
        u"--no-default-browser-check"_s,
        u"--no-proxy-server"_s,
        u"--host-resolver-rules=MAP * ~NOTFOUND"_s, // no name lookup leaves the machine
        u"--user-data-dir="_s + profile,
        u"--dump-dom"_s,
        QUrl::fromLocalFile(path).toString(),
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, profile);
    chromium.setProcessEnvironment(environment);
    chromium.start();
    if (!chromium.waitForStarted(30000))
        return QString();
    if (!chromium.waitForFinished(120000)) {
        chromium.kill();
        chromium.waitForFinished(5000);
        return QString();
    }
    const QString dom = QString::fromUtf8(chromium.readAllStandardOutput());
    if (dom.isEmpty())
        qWarning("chromium printed nothing; its errors:\n%s",
                 chromium.readAllStandardError().constData());
    return dom;
}

void TestBrowserReport::scriptsRunInThisBrowserSetup() {
    // The same name written without escaping does run: so the check below can fail.
    const QString path = m_dir.filePath(u"control.htm"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<HTML><BODY><TABLE WIDTH=100% BORDER=1>\r\n<TR>\r\n<TD>");
    file.write(HostileName.toLatin1());
    file.write("</TD>\r\n</TR>\r\n</TABLE></BODY></HTML>\r\n");
    file.close();
    const QString dom = dumpDom(path);
    QVERIFY2(!dom.isEmpty(), "chromium gave no document");
    QCOMPARE(textOf(elements(dom, u"title"_s).value(0)), u"pwned"_s);
}

void TestBrowserReport::reportShowsTheListAsText() {
    frmMain window;
    window.Timer1()->stop();
    const struct {
        QString name;
        qint64 total;
    } rows[] = {
        {u"<All-clients>"_s, 30}, {HostileName, 12},    {u"alice & \"bob\""_s, 10},
        {u"Zo\u00EB"_s, 5},       {u"\u03A9mega"_s, 3},
    };
    for (const auto& r : rows) {
        const frmMain::RowId item = window.addRow(r.name, r.name);
        SortedList& list = *window.lvRC5();
        list.setCellText(item, frmMain::ColTotalBlocks, rightJustify(r.total, 6));
        list.setCellText(item, frmMain::ColTodayBlocks, rightJustify(r.total, 6));
        list.setCellText(item, frmMain::ColRate, rightJustify(728, 8));
        list.setCellText(item, frmMain::ColLastBlock, u"12:00:01"_s);
    }
    window.setSortKey(frmMain::ColTotalBlocks);
    window.setSortOrder(1);
    window.resortList();

    const QString folder = m_dir.filePath(u"web"_s);
    QVERIFY(QDir().mkpath(folder));
    GenerateHTML(window, folder);
    const QString dom = dumpDom(folder + u"/Index.htm"_s);
    QVERIFY2(!dom.isEmpty(), "chromium gave no document");

    // No script ran and none was made: the title is untouched, no script element exists.
    QCOMPARE(elements(dom, u"title"_s), QStringList());
    QVERIFY2(!dom.contains(u"<script"_s, Qt::CaseInsensitive), qPrintable(dom));

    const QStringList tables = elements(dom, u"table"_s);
    QCOMPARE(tables.size(), 1);
    const QStringList tableRows = elements(tables.first(), u"tr"_s);
    QCOMPARE(tableRows.size(), 1 + int(std::size(rows)));

    // The header row: five centred header cells with the captions.
    QCOMPARE(cellTexts(tableRows.first(), u"th"_s), FiveCaptions);
    QCOMPARE(cellTexts(tableRows.first(), u"td"_s), QStringList());

    // Each data row: five cells, the names shown as the text they are, in the list's order.
    const QString nbsp(QChar(0xA0));
    for (int r = 0; r < int(std::size(rows)); ++r) {
        const QStringList cells = cellTexts(tableRows.at(r + 1), u"td"_s);
        QCOMPARE(cells.size(), 5);
        QCOMPARE(cells.at(0), rows[r].name);
        QCOMPARE(cells.at(1), rightJustify(rows[r].total, 6) + nbsp);
        QCOMPARE(cells.at(4), u"12:00:01"_s + nbsp);
    }
}

int main(int argc, char** argv) {
    if (!QFileInfo::exists(Chromium)) {
        std::printf("SKIP: %s is not installed (tools/install-deps.sh installs it)\n",
                    qPrintable(Chromium));
        return 77;
    }
    QApplication app(argc, argv);
    TestBrowserReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_browser_report.moc"
