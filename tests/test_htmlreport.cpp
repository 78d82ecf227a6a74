// The web report: its format, escaping and encoding, writing it safely, and its schedule.

#include "common/RunTimeError.h"
#include "persistence/AppPaths.h"
#include "persistence/Settings.h"
#include "report/HtmlReport.h"
#include "report/ReportSchedule.h"
#include "support/Fakes.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <climits>

#include <optional>

using namespace Qt::StringLiterals;
using HtmlReport::ReportTable;

namespace {

const QStringList FiveCaptions = {u"Client"_s, u"Total blocks"_s, u"Today blocks"_s,
                                  u"Rate (kkeys/s)"_s, u"Last block"_s};

/** lines, each followed by CR LF. */
QString crlfLines(const QStringList& lines) {
    QString text;
    for (const QString& line : lines)
        text += line + u"\r\n"_s;
    return text;
}

QStringList headerLines(const QStringList& captions) {
    QStringList lines{u"<HTML><BODY><TABLE WIDTH=100% BORDER=1>"_s, u"<TR>"_s};
    for (const QString& caption : captions)
        lines << u"<TH ALIGN=CENTER><BOLD>"_s + caption + u"</TD>"_s;
    lines << u"</TR>"_s;
    return lines;
}

const QString LastLine = u"</TABLE></BODY></HTML>"_s;

Preferences webPreferences(bool webStats, qint32 rate, bool local, const QString& folder = {}) {
    Preferences p;
    p.WebStats = webStats;
    p.WebRefreshRate = rate;
    p.WebLocal = local;
    p.WebFolder = folder;
    return p;
}

/** A writer that only records the folders it was given. */
struct RecordingWriter {
    QStringList folders;
    bool fail = false;
    ReportSchedule::Writer writer() {
        return [this](const QString& folder) {
            folders << folder;
            if (fail)
                throw RunTimeError(ErrorNumber::PathFileAccess, u"Path/File access error"_s);
        };
    }
};

/** The writer the program uses, minus the list: the report of table into folder, or an error. */
ReportSchedule::Writer fileWriter(const ReportTable& table) {
    return [table](const QString& folder) {
        HtmlReport::ReportError error;
        if (!HtmlReport::writeReport(folder, table, &error))
            throw RunTimeError(error.number, error.description);
    };
}

/** An environment variable as it was, to put back. */
struct SavedVariable {
    const char* name;
    std::optional<QByteArray> value;
    explicit SavedVariable(const char* n) : name(n) {
        if (qEnvironmentVariableIsSet(n))
            value = qgetenv(n);
    }
    void restore() const {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
};

} // namespace

class TestHtmlReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void reportText_data();
    void reportText();
    void escapeText_data();
    void escapeText();
    void encodePageText_data();
    void encodePageText();
    void reportBytesAreAsciiWithReferences();
    void writeToDevice();
    void writeToFolder();
    void writeToBadFolders_data();
    void writeToBadFolders();
    void failedWriteKeepsPreviousPage();

    void scheduleRates_data();
    void scheduleRates();
    void scheduleResumesAfterWebStatsOff();
    void scheduleGoesOnAfterFailure();
    void scheduleFolders();
    void tempFolder_data();
    void tempFolder();
    void missingFolderIsSkipped();

private:
    QTemporaryDir m_dir;
    std::optional<SavedVariable> m_temp;
    std::optional<SavedVariable> m_tmpdir;
    std::optional<SavedVariable> m_runtime;
};

void TestHtmlReport::init() {
    QVERIFY(m_dir.isValid());
    m_temp.emplace("TEMP");
    m_tmpdir.emplace("TMPDIR");
    m_runtime.emplace("XDG_RUNTIME_DIR");
}

void TestHtmlReport::cleanup() {
    m_temp->restore();
    m_tmpdir->restore();
    m_runtime->restore();
    QDir dir(m_dir.path());
    for (const QString& entry :
         dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString path = dir.filePath(entry);
        if (QFileInfo(path).isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }
}

void TestHtmlReport::reportText_data() {
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QStringList>("expected");

    QTest::addRow("list without items")
        << FiveCaptions << QList<QStringList>{} << (headerLines(FiveCaptions) << LastLine);

    QTest::addRow("five columns") << FiveCaptions
                                  << QList<QStringList>{{u"alice"_s, u"   123"_s, u"    40"_s,
                                                         u"    2913"_s, u"12:00:01"_s}}
                                  << (headerLines(FiveCaptions)
                                      << u"<TR>"_s << u"<TD>alice</TD>"_s
                                      << u"<TD>   123&nbsp;</TD>"_s << u"<TD>    40&nbsp;</TD>"_s
                                      << u"<TD>    2913&nbsp;</TD>"_s
                                      << u"<TD>12:00:01&nbsp;</TD>"_s << u"</TR>"_s << LastLine);

    QTest::addRow("one column: one cell per row, no filler")
        << QStringList{u"Client"_s} << QList<QStringList>{{u"alice"_s}, {u"bob"_s}}
        << (headerLines({u"Client"_s}) << u"<TR>"_s << u"<TD>alice</TD>"_s << u"</TR>"_s
                                       << u"<TR>"_s << u"<TD>bob</TD>"_s << u"</TR>"_s << LastLine);

    QTest::addRow("empty item text and empty sub-items")
        << QStringList{u"A"_s, u"B"_s, u"C"_s} << QList<QStringList>{{u""_s, u""_s, u""_s}}
        << (headerLines({u"A"_s, u"B"_s, u"C"_s})
            << u"<TR>"_s << u"<TD></TD>"_s << u"<TD>&nbsp;</TD>"_s << u"<TD>&nbsp;</TD>"_s
            << u"</TR>"_s << LastLine);

    QTest::addRow("missing cells are empty, extra cells are not shown")
        << QStringList{u"A"_s, u"B"_s, u"C"_s}
        << QList<QStringList>{{u"x"_s}, {u"p"_s, u"q"_s, u"r"_s, u"s"_s}}
        << (headerLines({u"A"_s, u"B"_s, u"C"_s})
            << u"<TR>"_s << u"<TD>x</TD>"_s << u"<TD>&nbsp;</TD>"_s << u"<TD>&nbsp;</TD>"_s
            << u"</TR>"_s << u"<TR>"_s << u"<TD>p</TD>"_s << u"<TD>q&nbsp;</TD>"_s
            << u"<TD>r&nbsp;</TD>"_s << u"</TR>"_s << LastLine);

    QTest::addRow("the pseudo-client and hostile names are text")
        << QStringList{u"Client"_s, u"A & \"B\""_s}
        << QList<QStringList>{{u"<All-clients>"_s, u"<b>"_s},
                              {u"<script>document.title='pwned'</script>"_s, u"a&amp;b"_s}}
        << (headerLines({u"Client"_s, u"A &amp; &quot;B&quot;"_s})
            << u"<TR>"_s << u"<TD>&lt;All-clients&gt;</TD>"_s << u"<TD>&lt;b&gt;&nbsp;</TD>"_s
            << u"</TR>"_s << u"<TR>"_s
            << u"<TD>&lt;script&gt;document.title='pwned'&lt;/script&gt;</TD>"_s
            << u"<TD>a&amp;amp;b&nbsp;</TD>"_s << u"</TR>"_s << LastLine);

    QTest::addRow("no columns at all")
        << QStringList{} << QList<QStringList>{{u"x"_s}}
        << (headerLines({}) << u"<TR>"_s << u"<TD>x</TD>"_s << u"</TR>"_s << LastLine);
}

void TestHtmlReport::reportText() {
    QFETCH(QStringList, captions);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QStringList, expected);
    QCOMPARE(HtmlReport::reportText(ReportTable{captions, rows}), crlfLines(expected));
}

void TestHtmlReport::escapeText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::addRow("plain") << u"alice.example"_s << u"alice.example"_s;
    QTest::addRow("empty") << QString() << QString();
    QTest::addRow("ampersand") << u"a&b"_s << u"a&amp;b"_s;
    QTest::addRow("angle brackets") << u"<All-clients>"_s << u"&lt;All-clients&gt;"_s;
    QTest::addRow("double quote") << u"say \"hi\""_s << u"say &quot;hi&quot;"_s;
    QTest::addRow("an entity stays visible as typed") << u"&nbsp;"_s << u"&amp;nbsp;"_s;
    QTest::addRow("single quote, tab, blanks stay") << u"it's\t  x"_s << u"it's\t  x"_s;
    QTest::addRow("attribute breakout") << u"\"><img src=x onerror=alert(1)>"_s
                                        << u"&quot;&gt;&lt;img src=x onerror=alert(1)&gt;"_s;
}

void TestHtmlReport::escapeText() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(HtmlReport::escapeText(text), expected);
}

void TestHtmlReport::encodePageText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");
    QTest::addRow("ascii") << u"Client 12:00:01 ~"_s << QByteArray("Client 12:00:01 ~");
    QTest::addRow("control characters of ascii stay") << u"a\tb\x7F"_s << QByteArray("a\tb\x7F");
    QTest::addRow("latin-1 letters")
        << u"Zo\u00EB caf\u00E9 \u00FF"_s << QByteArray("Zo&#235; caf&#233; &#255;");
    QTest::addRow("no-break space") << u"a\u00A0b"_s << QByteArray("a&#160;b");
    QTest::addRow("first character past ascii") << u"\u0080"_s << QByteArray("&#128;");
    QTest::addRow("first character past latin-1") << u"\u0100"_s << QByteArray("&#256;");
    QTest::addRow("greek") << u"\u03A9mega"_s << QByteArray("&#937;mega");
    QTest::addRow("euro sign") << u"\u20AC5"_s << QByteArray("&#8364;5");
    QTest::addRow("surrogate pair is one character")
        << u"x\U0001F600y"_s << QByteArray("x&#128512;y");
    QTest::addRow("lone high surrogate")
        << QString(QChar(0xD83D)) + u"z"_s << QByteArray("&#65533;z");
    QTest::addRow("lone low surrogate at the end")
        << u"z"_s + QChar(0xDE00) << QByteArray("z&#65533;");
    QTest::addRow("two high surrogates, then a low one")
        << QString(QChar(0xD83D)) + QString(QChar(0xD83D)) + QString(QChar(0xDE00))
        << QByteArray("&#65533;&#128512;");
    QTest::addRow("empty") << QString() << QByteArray();
}

void TestHtmlReport::encodePageText() {
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(HtmlReport::encodePageText(text), expected);
}

void TestHtmlReport::reportBytesAreAsciiWithReferences() {
    // A reference made for a character past ASCII is not escaped a second time.
    const ReportTable table{{u"Client"_s}, {{u"\u00C5sa & \u0141ukasz <\u00E9>"_s}}};
    const QByteArray bytes = HtmlReport::reportBytes(table);
    QVERIFY2(bytes.contains("<TD>&#197;sa &amp; &#321;ukasz &lt;&#233;&gt;</TD>\r\n"),
             bytes.constData());
    QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
    for (const char c : bytes)
        QVERIFY(uchar(c) < 0x80);
}

void TestHtmlReport::writeToDevice() {
    const ReportTable table{FiveCaptions, {{u"alice"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s}}};
    const QByteArray expected = HtmlReport::reportBytes(table);

    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(HtmlReport::writeReport(buffer, table));
    QCOMPARE(buffer.data(), expected);

    // A device that takes only part of the page: a failure, never a success.
    FailingDevice device(expected.size() / 2);
    QVERIFY(device.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    HtmlReport::ReportError error;
    QVERIFY(!HtmlReport::writeReport(device, table, &error));
    QCOMPARE(error.number, ErrorNumber::DeviceIoError);
    QVERIFY(!error.description.isEmpty());
}

void TestHtmlReport::writeToFolder() {
    const QString page = m_dir.filePath(u"Index.htm"_s);
    const ReportTable big{
        FiveCaptions, QList<QStringList>(50, {u"<All-clients>"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s})};
    QVERIFY(HtmlReport::writeReport(m_dir.path(), big));
    QCOMPARE(readFile(page), HtmlReport::reportBytes(big));

    // Each write replaces the whole page: a shorter one leaves nothing of the longer.
    const ReportTable small{{u"Client"_s}, {}};
    QVERIFY(HtmlReport::writeReport(m_dir.path(), small));
    QCOMPARE(readFile(page), HtmlReport::reportBytes(small));

    // A folder text ending in a separator gives the same file.
    QVERIFY(HtmlReport::writeReport(m_dir.path() + u"/"_s, big));
    QCOMPARE(readFile(page), HtmlReport::reportBytes(big));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"Index.htm"_s});

    // A link planted at the page's path is replaced itself; the file it points to is untouched.
    const QString victim = m_dir.filePath(u"victim"_s);
    QVERIFY(writeFile(victim, "precious"));
    QVERIFY(QFile::remove(page) && QFile::link(victim, page));
    QVERIFY(HtmlReport::writeReport(m_dir.path(), small));
    QCOMPARE(readFile(victim), QByteArray("precious"));
    QVERIFY(!QFileInfo(page).isSymLink() && readFile(page) == HtmlReport::reportBytes(small));
}

void TestHtmlReport::writeToBadFolders_data() {
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<int>("number");
    QTest::addRow("empty folder text") << QString() << ErrorNumber::PathFileAccess;
    QTest::addRow("folder that does not exist") << u"missing"_s << ErrorNumber::PathFileAccess;
    QTest::addRow("folder that is a file") << u"plain-file"_s << ErrorNumber::PathFileAccess;
    QTest::addRow("Index.htm is a folder") << u"page-is-folder"_s << ErrorNumber::PathFileAccess;
}

void TestHtmlReport::writeToBadFolders() {
    QFETCH(QString, folderName);
    QFETCH(int, number);
    QVERIFY(writeFile(m_dir.filePath(u"plain-file"_s), "keep"));
    QVERIFY(QDir(m_dir.path()).mkpath(u"page-is-folder/Index.htm"_s));
    const QString folder = folderName.isEmpty() ? QString() : m_dir.filePath(folderName);

    HtmlReport::ReportError error;
    QVERIFY(!HtmlReport::writeReport(folder, ReportTable{FiveCaptions, {}}, &error));
    QCOMPARE(error.number, number);
    QVERIFY(!error.description.isEmpty());
    // Nothing was left behind, nothing was changed.
    QCOMPARE(readFile(m_dir.filePath(u"plain-file"_s)), QByteArray("keep"));
    QVERIFY(!QFile::exists(m_dir.filePath(u"missing"_s)));
    QVERIFY(QFileInfo(m_dir.filePath(u"page-is-folder/Index.htm"_s)).isDir());
    QCOMPARE(QDir(m_dir.filePath(u"page-is-folder"_s)).entryList(QDir::Files | QDir::Hidden),
             QStringList());
}

void TestHtmlReport::failedWriteKeepsPreviousPage() {
    const QString page = m_dir.filePath(u"Index.htm"_s);
    const ReportTable previous{{u"Client"_s}, {{u"alice"_s}}};
    QVERIFY(HtmlReport::writeReport(m_dir.path(), previous));
    const QByteArray previousBytes = readFile(page);

    const ReportTable bigger{FiveCaptions,
                             QList<QStringList>(100, {u"bob"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s})};
    QVERIFY(HtmlReport::reportBytes(bigger).size() > 1000);
    // The disk is "full" part-way through the new page: the write stops short (which sets no
    // error of its own) and then fails.
    HtmlReport::ReportError error;
    bool written = true;
    {
        const ScopedFileSizeLimit full(1000);
        QVERIFY(full.isActive());
        written = HtmlReport::writeReport(m_dir.path(), bigger, &error);
    }
    QVERIFY(!written);
    QCOMPARE(error.number, ErrorNumber::DeviceIoError);
    QCOMPARE(readFile(page), previousBytes);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Index.htm"_s});
}

void TestHtmlReport::scheduleRates_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<QList<int>>("writtenOn"); // pass numbers, from 1, of 10 passes
    QTest::addRow("rate 0: every pass") << 0 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::addRow("rate 1: every pass") << 1 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::addRow("negative rate: every pass") << -5 << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::addRow("lowest rate: every pass")
        << int(INT_MIN) << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    QTest::addRow("rate 2") << 2 << QList<int>{1, 3, 5, 7, 9};
    QTest::addRow("rate 3: passes 1, 4, 7, 10") << 3 << QList<int>{1, 4, 7, 10};
    QTest::addRow("rate 30: the first pass only") << 30 << QList<int>{1};
}

void TestHtmlReport::scheduleRates() {
    QFETCH(int, rate);
    QFETCH(QList<int>, writtenOn);
    ReportSchedule schedule;
    QCOMPARE(schedule.countdown(), 0);
    RecordingWriter recorder;
    const Preferences prefs = webPreferences(true, rate, true, m_dir.path());
    QList<int> written;
    for (int pass = 1; pass <= 10; ++pass) {
        const auto outcome = schedule.pass(prefs, recorder.writer());
        if (outcome == ReportSchedule::Outcome::Written)
            written << pass;
        else
            QCOMPARE(outcome, ReportSchedule::Outcome::Waiting);
    }
    QCOMPARE(written, writtenOn);
    QCOMPARE(recorder.folders, QStringList(writtenOn.size(), m_dir.path()));
}

void TestHtmlReport::scheduleResumesAfterWebStatsOff() {
    ReportSchedule schedule;
    RecordingWriter recorder;
    Preferences prefs = webPreferences(false, 3, true, m_dir.path());

    // Off from the start: nothing, and the countdown stays at 0.
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Off);
    QCOMPARE(schedule.countdown(), 0);

    prefs.WebStats = true;
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Written);
    QCOMPARE(schedule.countdown(), 2);
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Waiting);
    QCOMPARE(schedule.countdown(), 1);

    prefs.WebStats = false;
    for (int i = 0; i < 5; ++i)
        QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Off);
    QCOMPARE(schedule.countdown(), 1);

    // On again: the schedule goes on where it stood, one more pass to wait.
    prefs.WebStats = true;
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Waiting);
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Written);
    QCOMPARE(recorder.folders.size(), 2);

    // A rate changed in between takes effect after the next write.
    prefs.WebRefreshRate = 1;
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Waiting);
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Waiting);
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Written);
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Written);
}

void TestHtmlReport::scheduleGoesOnAfterFailure() {
    ReportSchedule schedule;
    RecordingWriter recorder;
    recorder.fail = true;
    const Preferences prefs = webPreferences(true, 3, true, m_dir.path());

    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Failed);
    QCOMPARE(schedule.countdown(), 2); // as after a write: the next try comes 3 passes later
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Waiting);
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Waiting);
    recorder.fail = false;
    QCOMPARE(schedule.pass(prefs, recorder.writer()), ReportSchedule::Outcome::Written);
    QCOMPARE(recorder.folders.size(), 2);
}

void TestHtmlReport::scheduleFolders() {
    ReportSchedule schedule;
    RecordingWriter recorder;
    const QString chosen = m_dir.filePath(u"web"_s);

    QCOMPARE(ReportSchedule::reportFolder(webPreferences(true, 1, true, chosen)), chosen);
    QCOMPARE(schedule.pass(webPreferences(true, 1, true, chosen), recorder.writer()),
             ReportSchedule::Outcome::Written);
    QCOMPARE(recorder.folders, QStringList{chosen});

    // An empty folder with the local option writes nothing (no drive root to fall back on),
    // and the schedule goes on as after a failed write.
    recorder.folders.clear();
    const Preferences empty = webPreferences(true, 2, true, QString());
    QCOMPARE(ReportSchedule::reportFolder(empty), QString());
    QCOMPARE(schedule.pass(empty, recorder.writer()), ReportSchedule::Outcome::NoFolder);
    QCOMPARE(schedule.countdown(), 1);
    QCOMPARE(schedule.pass(empty, recorder.writer()), ReportSchedule::Outcome::Waiting);
    QCOMPARE(schedule.pass(empty, recorder.writer()), ReportSchedule::Outcome::NoFolder);
    QCOMPARE(recorder.folders, QStringList());

    // The FTP option writes into TEMP; the FTP settings play no part.
    const QString temp = m_dir.filePath(u"temp"_s);
    qputenv("TEMP", QFile::encodeName(temp));
    Preferences ftp = webPreferences(true, 1, false, chosen);
    ftp.WebFTPServer = u"ftp.invalid"_s;
    ftp.WebFTPUser = u"user"_s;
    ftp.WebFTPPass = u"secret"_s;
    QCOMPARE(ReportSchedule::reportFolder(ftp), temp);
}

void TestHtmlReport::tempFolder_data() {
    QTest::addColumn<int>("temp");    // 0 unset, 1 empty, 2 set to a folder
    QTest::addColumn<int>("runtime"); // XDG_RUNTIME_DIR: 0 unset, 1 the user's own
    QTest::addRow("TEMP set") << 2 << 1;
    QTest::addRow("TEMP unset: the runtime folder, never the shared one") << 0 << 1;
    QTest::addRow("TEMP empty: the runtime folder") << 1 << 1;
    QTest::addRow("no runtime folder either: the data folder") << 0 << 0;
}

void TestHtmlReport::tempFolder() {
    QFETCH(int, temp);
    QFETCH(int, runtime);
    const QString tempDir = m_dir.filePath(u"temp"_s);
    const QString tmpDir = m_dir.filePath(u"tmpdir"_s);
    const QString runtimeDir = m_dir.filePath(u"runtime"_s);
    QVERIFY(QDir().mkpath(tempDir));
    QVERIFY(QDir().mkpath(tmpDir));
    QVERIFY(QDir().mkpath(runtimeDir));
    qputenv("TMPDIR", QFile::encodeName(tmpDir)); // what QDir::tempPath answers on this system
    runtime ? qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir))
            : qunsetenv("XDG_RUNTIME_DIR");
    if (temp == 0)
        qunsetenv("TEMP");
    else
        qputenv("TEMP", temp == 1 ? QByteArray() : QFile::encodeName(tempDir));
    const QString expected = temp == 2 ? tempDir : runtime ? runtimeDir : AppPaths::dataFolder();

    const Preferences prefs = webPreferences(true, 1, false, m_dir.filePath(u"web"_s));
    QCOMPARE(QDir(ReportSchedule::reportFolder(prefs)).canonicalPath(),
             QDir(expected).canonicalPath());

    const ReportTable table{FiveCaptions, {{u"alice"_s}}};
    ReportSchedule schedule;
    QCOMPARE(schedule.pass(prefs, fileWriter(table)), ReportSchedule::Outcome::Written);
    QCOMPARE(readFile(expected + u"/Index.htm"_s), HtmlReport::reportBytes(table));
    QVERIFY(!QFile::exists(tmpDir + u"/Index.htm"_s));
}

void TestHtmlReport::missingFolderIsSkipped() {
    const QString folder = m_dir.filePath(u"not-yet"_s);
    const Preferences prefs = webPreferences(true, 2, true, folder);
    const ReportTable table{FiveCaptions, {{u"alice"_s}}};
    ReportSchedule schedule;

    QCOMPARE(schedule.pass(prefs, fileWriter(table)), ReportSchedule::Outcome::Failed);
    QVERIFY(!QFile::exists(folder));
    QCOMPARE(schedule.pass(prefs, fileWriter(table)), ReportSchedule::Outcome::Waiting);

    // Once the folder is there, the next due pass writes.
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(schedule.pass(prefs, fileWriter(table)), ReportSchedule::Outcome::Written);
    QCOMPARE(readFile(folder + u"/Index.htm"_s), HtmlReport::reportBytes(table));
}

QTEST_GUILESS_MAIN(TestHtmlReport)
#include "test_htmlreport.moc"
