// The web report: its text and encoding, writing it safely, its schedule, folder and rows.
#include "support/Gui.h"

#include "common/modGlobals.h"
#include "persistence/AppPaths.h"
#include "persistence/Settings.h"
#include "report/HtmlReport.h"
#include "report/ReportSchedule.h"
#include "ui/ReportFromList.h"
#include "ui/frmMain.h"

#include <QTemporaryDir>

#include <climits>

using namespace Qt::StringLiterals;
using HtmlReport::ReportTable;

class TestHtmlReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { emptyFolder(m_dir.path()); }

    void reportText() {
        // Rows of cells ("/" between rows, "," between cells) => the lines after the header
        // row of the captions Client and A & "B", "|" for CR LF.
        table(
            uR"(
 => 
<All-clients>,   123/,/x,<b>,z => <TR>|<TD>&lt;All-clients&gt;</TD>|<TD>   123&nbsp;</TD>|</TR>|<TR>|<TD></TD>|<TD>&nbsp;</TD>|</TR>|<TR>|<TD>x</TD>|<TD>&lt;b&gt;&nbsp;</TD>|</TR>|
a&amp;Å => <TR>|<TD>a&amp;amp;&#197;</TD>|<TD>&nbsp;</TD>|</TR>|)"_s,
            [](const QStringList& w) {
                ReportTable table{{u"Client"_s, u"A & \"B\""_s}, {}};
                for (const QString& row : w.join(u' ').split(u'/', Qt::SkipEmptyParts))
                    table.rows << row.split(u',');
                const QString page = QString::fromLatin1(HtmlReport::reportBytes(table));
                const QString head =
                    u"<HTML><BODY><TABLE WIDTH=100% BORDER=1>\r\n<TR>\r\n<TH ALIGN=CENTER><BOLD>"
                    "Client</TD>\r\n<TH ALIGN=CENTER><BOLD>A &amp; &quot;B&quot;</TD>\r\n</TR>\r\n"_s;
                const QString tail = u"</TABLE></BODY></HTML>\r\n"_s;
                return !page.startsWith(head) || !page.endsWith(tail)
                           ? page
                           : page.mid(head.size()).chopped(tail.size()).replace(u"\r\n"_s, u"|"_s);
            });
        // One column: no filler. The bytes are ASCII, other characters as references.
        const QByteArray one = HtmlReport::reportBytes({{u"Client"_s}, {{u"alice"_s, u"x"_s}}});
        QCOMPARE(one.mid(one.indexOf("</TR>\r\n") + 7),
                 "<TR>\r\n<TD>alice</TD>\r\n</TR>\r\n</TABLE></BODY></HTML>\r\n");
        QCOMPARE(
            HtmlReport::encodePageText(u"a\tb\x7F Zo\u00EB \u0100 x\U0001F600y"_s + QChar(0xD83D)),
            "a\tb\x7F Zo&#235; &#256; x&#128512;y&#65533;");
    }

    void writingTheFile() {
        const QString page = m_dir.filePath(u"Index.htm"_s), victim = m_dir.filePath(u"victim"_s);
        const ReportTable big{{u"Client"_s}, QList<QStringList>(300, {u"<All-clients>"_s})};
        const ReportTable small{{u"Client"_s}, {}};
        QVERIFY(HtmlReport::writeReport(m_dir.path(), big));
        QVERIFY(HtmlReport::writeReport(m_dir.path() + u'/', small)); // replaces the whole page
        QCOMPARE(readFile(page), HtmlReport::reportBytes(small));
        // A link planted at the page is replaced itself; the file it points to stays.
        QVERIFY(writeFile(victim, "precious") && QFile::remove(page) && QFile::link(victim, page));
        QVERIFY(HtmlReport::writeReport(m_dir.path(), small) && !QFileInfo(page).isSymLink());
        HtmlReport::ReportError error; // a full disk part-way: the previous page stays whole
        bool written = true;
        {
            const ScopedFileSizeLimit full(1000);
            written = full.isActive() && HtmlReport::writeReport(m_dir.path(), big, &error);
        }
        QVERIFY(!written && error.number == ErrorNumber::DeviceIoError);
        QCOMPARE(readFile(page), HtmlReport::reportBytes(small));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).join(u' '),
                 u"Index.htm victim"_s);
        // No folder, a missing one, a file, or a folder where the page goes.
        QVERIFY(QDir(m_dir.path()).mkpath(u"folder/Index.htm"_s));
        for (const QString& folder :
             {QString(), m_dir.filePath(u"missing"_s), victim, m_dir.filePath(u"folder"_s)}) {
            QVERIFY(!HtmlReport::writeReport(folder, small, &error));
            QCOMPARE(error.number, ErrorNumber::PathFileAccess);
        }
        QVERIFY(readFile(victim) == "precious" && !QFile::exists(m_dir.filePath(u"missing"_s)));
    }

    void schedule() {
        // The refresh rate and the preferences changed before a pass (o: web stats off, n: on,
        // x: the write fails, e: the folder empty) => each pass: W written, . waiting, o off,
        // F failed, E no folder.
        table(uR"(
1 => WWWWWWWWW
-2147483648 => WWWWWWWWW
3 => W..W..W..
30 => W........
3 x. . o o n . . . e . . => F.oo.W..E)"_s,
              [&](const QStringList& w) {
                  Preferences p;
                  p.WebStats = p.WebLocal = true;
                  p.WebRefreshRate = w[0].toInt();
                  p.WebFolder = m_dir.path();
                  ReportSchedule schedule;
                  QString seen;
                  for (int pass = 0; pass < 9; ++pass) {
                      const QString change = w.value(pass + 1);
                      const bool fail = change.startsWith(u'x');
                      p.WebStats = change == u"o"_s ? false : change == u"n"_s || p.WebStats;
                      if (change == u"e"_s)
                          p.WebFolder.clear();
                      seen += u"o.WFE"_s[int(schedule.pass(p, [&](const QString& folder) {
                          if (fail || folder != m_dir.path())
                              throw RunTimeError(ErrorNumber::PathFileAccess, {});
                      }))];
                  }
                  return seen;
              });
    }

    void folders() {
        // TEMP, XDG_RUNTIME_DIR ("-": unset, below the test's folder) => the FTP option's folder
        const QByteArray base = QFile::encodeName(m_dir.path()) + '/';
        QVERIFY(QDir(m_dir.path()).mkpath(u"temp"_s) && QDir(m_dir.path()).mkpath(u"run"_s));
        QFile::setPermissions(m_dir.filePath(u"run"_s),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        table(uR"(
temp run => temp
_ run => run
- - => data
- - local => web)"_s,
              [&](const QStringList& w) {
                  w[0] == u"-"_s ? qunsetenv("TEMP")
                                 : qputenv("TEMP", w[0] == u"_"_s ? "" : base + w[0].toLatin1());
                  w[1] == u"-"_s ? qunsetenv("XDG_RUNTIME_DIR")
                                 : qputenv("XDG_RUNTIME_DIR", base + w[1].toLatin1());
                  Preferences p;
                  p.WebLocal = w.size() > 2;
                  p.WebFolder = m_dir.filePath(u"web"_s);
                  p.WebFTPServer = u"ftp.invalid"_s;
                  const QString folder = ReportSchedule::reportFolder(p);
                  return folder == AppPaths::dataFolder() ? u"data"_s : folder.section(u'/', -1);
              });
    }

    void pageOfTheList() {
        frmMain window;
        for (const auto& [name, total] :
             {std::pair(u"carol"_s, 12), {u"<All-clients>"_s, 142}, {u"alice"_s, 123}})
            addRow(window, {name, rightJustify(total, 6)});
        window.setSortKey(frmMain::ColTotalBlocks);
        window.setSortOrder(1);
        const ReportTable table = listReportTable(window);
        QString shown; // in the order the list shows them, five cells each
        for (const QStringList& row : table.rows)
            shown += row.value(0) + row.value(1) + QString::number(row.size());
        QCOMPARE(shown, u"<All-clients>   1425alice   1235carol    125"_s);
        try {
            GenerateHTML(window, m_dir.filePath(u"missing"_s));
            QFAIL("written without a folder");
        } catch (const RunTimeError& error) {
            QVERIFY(error.number() == ErrorNumber::PathFileAccess &&
                    error.description().startsWith(u"frmMain:GenerateHTML\r\n"_s));
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestHtmlReport)
#include "test_htmlreport.moc"
