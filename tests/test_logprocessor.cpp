// Following the log: lines across chunks and restarts, counting, bad lines, passes and yields.
#include "support/Fakes.h"

#include "persistence/StatsFile.h"
#include "stats/ClientTable.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"

#include <QFileInfo>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

/** A processor with its own session, model and error report; records what it asked of its host. */
struct Fixture : IProcessHost {
    explicit Fixture(const QString& path) {
        session.chooseLogFile(path);
        processor.setClock([this] { return now += frameStep; });
    }
    void refreshPass() override { passes << session.CurrentLine; }
    void yieldEvents() override { onYield(); }
    void saveStatsOnClosing() override {
        saved << u"%1 %2 %3"_s.arg(session.TextStreamPosition)
                     .arg(session.LastModified.isNull() ? u"never"_s : u"set"_s, session.LastTime);
    }
    QList<QByteArray> lines() {
        QList<QByteArray> result;
        for (QByteArrayView line; processor.GetNextLine(line);)
            result << line.toByteArray();
        return result;
    }
    qint32 rc5() const { return statistics.totals.ClientsTotalRC5; }

    LogSession session;
    Statistics statistics;
    ScriptedErrorReport report;
    ErrorReporter reporter{report};
    LogProcessor processor{session, statistics, *this, reporter};
    QList<qint32> passes; ///< CurrentLine at each refresh pass
    QStringList saved;    ///< position, LastModified and LastTime of each save on closing
    std::function<void()> onYield = [] {};
    qint64 now = 0, frameStep = LogProcessor::FrameMilliseconds; ///< between looks at the clock
};

QByteArray lineAt(const QByteArray& message, QTime start, int seconds) {
    return logLine(message, "12/06/26", start.addSecs(seconds).toString(u"HH:mm:ss"_s).toLatin1());
}

} // namespace

class TestLogProcessor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        m_path = m_dir.filePath(u"conlog%1.log"_s.arg(++m_counter));
        m_stats = m_dir.filePath(u"stats%1.bin"_s.arg(m_counter));
    }

    void linesAcrossTheChunkEdge() {
        for (const QByteArray& lineEnd : {"\r\r\n"_ba, "\r\n"_ba, "\n"_ba}) {
            QByteArray log;
            QList<QByteArray> expected;
            for (int i = 0; log.size() < 3 * ChunkSize; ++i) {
                QByteArray line =
                    "12/06/26 08:00:00 line " + QByteArray::number(i) + QByteArray(i % 97, 'x');
                const qsizetype endAt = log.size() + line.size();
                if (endAt < ChunkSize - 1 && endAt + 200 > ChunkSize)
                    line += QByteArray(ChunkSize - 1 - endAt, 'y');
                log += line + lineEnd;
                expected << line;
            }
            QCOMPARE(log.at(ChunkSize - 1), lineEnd.at(0)); // a line end on the chunk's edge
            QVERIFY(writeFile(m_path, log));
            Fixture f(m_path);
            QCOMPARE(f.lines(), expected);
            QCOMPARE(f.session.TextStreamPosition, log.size() + 1);
            QVERIFY(!f.session.LogFileHandle && f.lines().isEmpty()); // closed at its end
        }
    }

    void unfinishedLineWaits() {
        QByteArray log; // one chunk of whole lines, then a line still being written
        while (log.size() + 100 < ChunkSize)
            log += returnLine("10.0.0.1", 1);
        log += logLine(QByteArray(ChunkSize - log.size() - 21, 'z'));
        QCOMPARE(log.size(), ChunkSize);
        QVERIFY(writeFile(m_path, log + "12/06/26 08:00:01 Client 10.0.0.9 --> sent rc5 7 bl"));
        Fixture f(m_path);
        QVERIFY(f.processor.Process());
        QCOMPARE(f.session.TextStreamPosition, ChunkSize + 1); // the partial line waits
        const qint32 before = f.rc5();
        QVERIFY(writeFile(m_path, "ocks\r\r\n" + returnLine("10.0.0.2", 3), true));
        QVERIFY(f.processor.Process());
        QCOMPARE(joined({f.rc5() - before, f.session.CurrentLine, f.session.TextStreamPosition}),
                 joined({10, log.count('\n') + 2, QFileInfo(m_path).size() + 1})); // no loss
    }

    void missingReplacedAndHugeLogs() {
        Fixture f(m_path); // no such file yet: waited for silently
        QVERIFY(!f.processor.Process());
        QVERIFY(writeFile(m_path, returnLine("a", 1) + returnLine("b", 2)));
        QVERIFY(f.processor.Process());
        const qint64 position = f.session.TextStreamPosition;
        QVERIFY(writeFile(m_path, returnLine("c", 4))); // shorter: waits till past the position
        QVERIFY(!f.processor.Process() && f.session.TextStreamPosition == position);
        QVERIFY(writeFile(m_path, returnLine("d", 8) + returnLine("e", 16), true));
        QVERIFY(f.processor.Process());
        QCOMPARE(f.rc5(), 1 + 2 + 16);
        for (const QString& none : {QString(), m_dir.path()})
            QVERIFY(!Fixture(none).processor.Process());
        QVERIFY(f.report.places.isEmpty());

        QVERIFY(QFile::resize(m_path, (qint64(1) << 31) + 1000)); // sparse: a position past 2^31
        QVERIFY(writeFile(m_path, returnLine("a", 5) + returnLine("b", 6), true));
        Fixture g(m_path);
        g.session.TextStreamPosition = (qint64(1) << 31) + 1001;
        QVERIFY(g.processor.Process());
        QCOMPARE(joined({g.rc5(), g.session.TextStreamPosition}),
                 joined({11, QFileInfo(m_path).size() + 1}));
    }

    void oddBytesAndOverlongLines() {
        const QByteArray overlong =
            returnLine("10.0.0.1", 5).chopped(3) + QByteArray(3 * MaxLineLength, 'L') + "\r\r\n";
        const QByteArray nul = logLine(QByteArray("Client \0 --> a b 1 \0\x90", 22));
        QVERIFY(writeFile(m_path, "\x10\r\n\r\n" + returnLine("a", 1) + overlong +
                                      returnLine("b", 3) + nul + "x\r\r\n" + returnLine("c", 4)));
        Fixture f(m_path);
        const QList<QByteArray> lines = f.lines(); // the overlong line comes out as one empty line,
        QCOMPARE(lines.size(), 8);                 // the CRs before LF belong to the line end
        QCOMPARE(lines.at(0) + '|' + lines.at(3) + '|' + lines.at(6), "\x10||x");
        Fixture g(m_path);
        g.report.answers = {ErrorAnswer::Ignore};
        QVERIFY(g.processor.Process());
        QCOMPARE(joined({g.rc5(), g.session.TextStreamPosition}),
                 joined({1 + 3 + 1 + 4, QFileInfo(m_path).size() + 1}));

        QVERIFY(writeFile(m_path,
                          returnLine("a", 2) + QByteArray(2 * (ChunkSize + MaxLineLength), 'L')));
        Fixture h(m_path); // a restart inside an overlong line: its tail never counts after it
        QVERIFY(h.processor.Process());
        QVERIFY(h.session.ReadBuffer.capacity() <= 2 * (ChunkSize + MaxLineLength));
        QVERIFY(writeFile(m_path, returnLine("x", 5) + returnLine("y", 3), true));
        Fixture k(m_path);
        QVERIFY(SaveStatsFile(m_stats, h.session, h.statistics) &&
                LoadStatsFile(m_stats, k.session, k.statistics) && k.processor.Process());
        QCOMPARE(joined({k.rc5(), k.session.CurrentLine}), u"5 3"_s);
    }

    void interpretation() {
        // A line after "12/05/26 07:00:00 " (or "!" and the whole line) => what it changes in the
        // model after Open (date|time of the latest dated line, client:blocks@day) or its error.
        const QString cases = uR"(
rc564 r=123456, w=789 => buf=123456|789|0|0
ogr r=42, w=7 => buf=0|0|42|7
rc564 r,w => buf=||0|0
Client 10.0.0.1 --> sent rc5 160 blocks => rc5=160 last=12/05/26|07:00:00 RC510.0.0.1:160@12/05/26
Client 10.0.0.1 <-- got rc5 16 blocks => last=12/05/26|07:00:00
Client  10.0.0.1 --> rc5 3 blocks => rc5=3 last=12/05/26|07:00:00 RC5:3@12/05/26
Client x y z w 4 --> => rc5=4 last=12/05/26|07:00:00 RC5x:4@12/05/26
Client a --> sent rc5 2.5 blocks => rc5=2 last=12/05/26|07:00:00 RC5a:2@12/05/26
Client a --> sent rc5 1234567890 blocks => rc5=1234567890 last=12/05/26|07:00:00 RC5a:1234567890@12/05/26
server <-- uplink flushed rc5 blocks: 64 => up=64/0
server <-- up flushed ogr stubs: 9 => up=0/1
server --> fetched rc5 blocks: 64 =>
server <- flushed rc5 blocks: 64 =>
10.0.0.5: completed ogr stub 24/1-2 => ogr=1 last=12/05/26|07:00:00 OGR10.0.0.5:1@12/05/26
!12/06/26 08:00:00  =>
!x: completed ogr stub 1 => ogr=1 last=x: compl|ted ogr  OGRtu:1@x: compl
rc564 r=1 w=2 => error 9
Client 10.0.0.1 --> sent => error 9
Client 10.0.0.1 --> sent rc5 many blocks => error 13
Client 10.0.0.1 --> sent rc5 99999999999 blocks => error 6
server <-- flushed rc5 blocks: => error 9
 completed ogr => error 5)"_s;
        for (const QString& row : cases.trimmed().split(u'\n')) {
            const QString line = row.section(u" =>"_s, 0, 0);
            Statistics s;
            s.reset();
            LogSession session;
            session.LastDate = session.LastTime = u"-"_s;
            LineInterpreter interpreter;
            const QByteArray bytes =
                (line.startsWith(u'!') ? line.mid(1) : u"12/05/26 07:00:00 "_s + line).toLatin1();
            QString seen = u"error %1"_s.arg(errorNumber([&] { interpreter.interpret(bytes, s); }));
            if (seen == u"error 0"_s) {
                interpreter.flushStamp(session);
                const ProjectTotals& t = s.totals;
                seen = u"rc5=%1 ogr=%2 up=%3 buf=%4 last=%5"_s.arg(
                    QString::number(t.ClientsTotalRC5), QString::number(t.ClientsTotalOGR),
                    joined({t.UplinkTotalRC5, t.UplinkTotalOGR}, u'/'),
                    joined({t.LabInBufRC5, t.LabOutBufRC5, t.LabInBufOGR, t.LabOutBufOGR}, u'|'),
                    joined({session.LastDate, session.LastTime}, u'|'));
                for (const auto& e : s.clients)
                    if (!e.key.endsWith(AllClients))
                        seen += u' ' + e.key + u':' +
                                joined({e.value.Blocks, e.value.Data.entryAt(0).key}, u'@');
                for (const QString& unchanged :
                     {u"rc5=0 "_s, u"ogr=0 "_s, u"up=0/0 "_s, u"buf=0|0|0|0 "_s, u"last=-|-"_s})
                    seen.remove(unchanged);
            }
            QCOMPARE(seen.trimmed(), row.section(u" =>"_s, 1).trimmed());
        }
    }

    void overflowRetryAndIgnore() {
        const QByteArray big = returnLine("a", 2000000000);
        QVERIFY(writeFile(m_path, big + big + returnLine("b", 1) + returnLine("c", 1)));
        Fixture f(m_path); // Retry interprets the line again (and fails), Ignore goes on
        f.report.answers = {ErrorAnswer::Retry, ErrorAnswer::Ignore};
        QVERIFY(f.processor.Process());
        QCOMPARE(
            f.report.texts.first(),
            u"Error: 0x6\r\n\r\nfrmMain:Process\r\nfrmMain:IncrementClient\r\nfrmMain:IncrementClient\r\nOverflow"_s);
        QCOMPARE(joined({f.report.places.size(), f.session.CurrentLine, f.rc5()}),
                 u"2 4 2000000002"_s);
    }

    void passesEveryThousandLinesAndClosing() {
        QByteArray log;
        for (int i = 0; i < 2500; ++i)
            log += lineAt("Client a --> sent rc5 1 blocks", QTime(8, 0), i);
        log += logLine("rc564 r=1, w=2", "12/07/26", "23:59:59");
        QVERIFY(writeFile(m_path, log));
        Fixture f(m_path);
        int yields = 0;
        f.onYield = [&] { ++yields; };
        QVERIFY(f.processor.Process());
        QCOMPARE(f.passes, (QList<qint32>{0, 1000, 2000, 2501}));
        QCOMPARE(joined({yields, f.session.LastDate, f.session.LastTime, f.saved.size()}),
                 u"3 12/07/26 23:59:59 0"_s); // dated by the last line

        Fixture h(
            m_path); // a new log chosen in a yield: the line held from the old one not counted
        h.onYield = [&] {
            if (h.session.CurrentLine == 1000) {
                h.session.chooseLogFile(m_dir.filePath(u"other.log"_s));
                h.statistics.reset();
            }
        };
        QVERIFY(h.processor.Process());
        QVERIFY(h.rc5() == 0 && h.session.TextStreamPosition == 1 && !h.session.IsProcessing());

        // A boundary within one frame: no pass, but closing in the yield saves line 1000's time.
        QByteArray quick = logLine("Client a --> sent rc5 1 blocks");
        for (int i = 1; i <= 1200; ++i)
            quick += lineAt("x", QTime(9, 0), i);
        QVERIFY(writeFile(m_path, quick));
        Fixture k(m_path);
        k.frameStep = 0;
        k.onYield = [&] { k.session.IsClosing = true; };
        QVERIFY(k.processor.Process());
        QCOMPARE(k.passes, (QList<qint32>{0, 1201}));
        QCOMPARE(k.saved, QStringList{u"%1 never 09:16:40"_s.arg(quick.size() + 1)});
    }

    void damagedLogsInPieces() {
        // Fuzzer-found bytes read in two runs split anywhere: no crash, no position past the end.
        QByteArray bytes =
            "11/30\x10\r\n12/06/26 08:00:00 Client 10.\0\0.1 --> sent rc5 5 blocks\r\r\n"
            "12/06/26 08:00 hm564 =2\r\r@@@@\r\n1\"/01/.2.86 <-- got rc5 1 bloc.ks\r\r\n"
            "11/30/26 \0\0\0completed ogr stub\r\xdc\r\n12/06/26 08:00:02 server 11/3\0\xbc"_ba;
        for (qsizetype split = 0; split <= bytes.size(); split += 7) {
            const QString path = m_dir.filePath(u"fuzz%1.log"_s.arg(split));
            QVERIFY(writeFile(path, bytes.left(split)));
            Fixture f(path);
            f.report.answers = QList<ErrorAnswer>(100, ErrorAnswer::Ignore);
            f.processor.Process();
            QVERIFY(writeFile(path, bytes.mid(split), true));
            f.processor.Process();
            QVERIFY(f.session.TextStreamPosition >= 1 &&
                    f.session.TextStreamPosition <= bytes.size() + 1);
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_path, m_stats;
    int m_counter = 0;
};

QTEST_GUILESS_MAIN(TestLogProcessor)
#include "test_logprocessor.moc"
