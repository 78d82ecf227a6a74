#include "common/ErrorReport.h"
#include "persistence/StatsFile.h"
#include "stats/ClientTable.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"
#include "stats/NextLogFile.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

/** Records what a processing run asked of its window. */
class RecordingHost : public IProcessHost {
public:
    explicit RecordingHost(LogSession& session) : m_session(session) {}
    void refreshPass() override { refreshLines << m_session.CurrentLine; }
    void yieldEvents() override {
        ++yields;
        if (onYield)
            onYield();
    }
    void saveStatsOnClosing() override {
        ++saves;
        savedLastTime = m_session.LastTime;
        savedPosition = m_session.TextStreamPosition;
        savedModified = m_session.LastModified;
    }

    QList<qint32> refreshLines;
    int yields = 0;
    int saves = 0;
    qint64 savedPosition = 0;
    QDateTime savedModified;
    QString savedLastTime;
    std::function<void()> onYield;

private:
    LogSession& m_session;
};

/** A log line as the proxy writes it: date, time, message, and the CR CR LF line end. */
QByteArray logLine(const QByteArray& message, const QByteArray& date = "12/06/26",
                   const QByteArray& time = "08:00:00") {
    return date + ' ' + time + ' ' + message + "\r\r\n";
}

QByteArray clientLine(int i, int blocks = 1) {
    return logLine("Client 10.0.0." + QByteArray::number(i % 7) + " --> sent rc5 " +
                   QByteArray::number(blocks) + " blocks");
}

/** A processor with its own session, model, scripted error report and recording host. */
struct Fixture {
    explicit Fixture(const QString& path)
        : host(session), reporter(report), processor(session, statistics, host, reporter) {
        session.chooseLogFile(path);
        // A frame passes between two looks at the clock: every 1000-line boundary is a pass.
        processor.setClock([this] { return frames += LogProcessor::FrameMilliseconds; });
    }
    QList<QByteArray> drainLines() {
        QList<QByteArray> lines;
        QByteArrayView line;
        while (processor.GetNextLine(line))
            lines << line.toByteArray();
        return lines;
    }
    LogSession session;
    Statistics statistics;
    RecordingHost host;
    ScriptedErrorReport report;
    ErrorReporter reporter;
    LogProcessor processor;
    qint64 frames = 0;
};

void append(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestLogProcessor : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(u"conlog%1.log"_s.arg(++m_counter));
    }

    void linesAcrossTheChunkEdge_data() {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::addRow("CR CR LF") << QByteArray("\r\r\n");
        QTest::addRow("CR LF") << QByteArray("\r\n");
        QTest::addRow("LF") << QByteArray("\n");
    }
    void linesAcrossTheChunkEdge() {
        // Lines of varying length so that several straddle multiples of the chunk size, one of
        // them with its line end starting at the last byte of the chunk. Every line end gives
        // the same lines.
        QFETCH(QByteArray, lineEnd);
        QByteArray log;
        QList<QByteArray> expected;
        for (int i = 0; log.size() < 3 * ChunkSize; ++i) {
            QByteArray message = "line " + QByteArray::number(i) + ' ' + QByteArray(i % 97, 'x');
            const qsizetype endAt = log.size() + 18 + message.size(); // where its line end starts
            if (endAt < ChunkSize - 1 && endAt + 200 > ChunkSize)
                message += QByteArray(ChunkSize - 1 - endAt, 'y');
            log += "12/06/26 08:00:00 " + message + lineEnd;
            expected << QByteArray("12/06/26 08:00:00 " + message);
        }
        QCOMPARE(log.at(ChunkSize - 1), lineEnd.at(0));
        append(m_path, log);

        Fixture f(m_path);
        QByteArrayView first;
        QVERIFY(f.processor.GetNextLine(first));
        // The first buffer is one chunk extended to the end of the line it ended in.
        QCOMPARE(f.session.BufferLength, log.indexOf('\n', ChunkSize - 1) + 1);
        QList<QByteArray> lines{first.toByteArray()};
        lines += f.drainLines();
        QCOMPARE(lines, expected);
        QCOMPARE(f.session.TextStreamPosition, log.size() + 1);
        QVERIFY(!f.session.LogFileHandle);             // closed at its end
        QCOMPARE(f.drainLines(), QList<QByteArray>()); // unchanged file: nothing more
    }

    void unfinishedLastLineIsHeldBack() {
        // Exactly one chunk of whole lines, then a line still being written.
        QByteArray log;
        while (log.size() + 100 < ChunkSize)
            log += logLine("filler " + QByteArray(10, 'f'));
        log += logLine(QByteArray(ChunkSize - log.size() - 21, 'z'));
        QCOMPARE(log.size(), ChunkSize);
        const qsizetype whole = log.count('\n');
        append(m_path, log + "12/06/26 08:00:01 Client 10.0.0.9 --> sent rc5 7 bl");

        Fixture f(m_path);
        QCOMPARE(f.drainLines().size(), whole);
        QCOMPARE(f.session.TextStreamPosition,
                 ChunkSize + 1); // nothing of the partial line consumed
        QCOMPARE(f.processor.Process(), false);

        append(m_path, "ocks\r\r\n");
        QVERIFY(f.processor.Process());
        QCOMPARE(f.statistics.clients.find(u"RC510.0.0.9"_s)->Blocks, 7);
        QCOMPARE(f.session.TextStreamPosition, QFileInfo(m_path).size() + 1);
        QCOMPARE(f.session.CurrentLine, 1); // GetNextLine alone does not count lines
    }

    void growingLogAndRestart() {
        append(m_path, clientLine(1, 2) + clientLine(2, 3));
        qint64 position = 0;
        QDateTime modified;
        {
            Fixture f(m_path);
            QVERIFY(f.processor.Process());
            QCOMPARE(f.statistics.totals.ClientsTotalRC5, 5);
            QVERIFY(!f.processor.Process()); // nothing new
            append(m_path, clientLine(3, 4));
            QVERIFY(f.processor.Process());
            QCOMPARE(f.statistics.totals.ClientsTotalRC5, 9);
            QCOMPARE(f.session.CurrentLine, 3);
            position = f.session.TextStreamPosition;
            modified = f.session.LastModified;
            QVERIFY(modified.isValid());
        }
        // A new start with the saved position of an unchanged file reads nothing again.
        Fixture g(m_path);
        g.session.TextStreamPosition = position;
        g.session.LastModified = modified;
        g.session.CurrentLine = 3;
        QVERIFY(!g.processor.Process());
        QCOMPARE(g.statistics.totals.ClientsTotalRC5, 0);
        append(m_path, clientLine(4, 10));
        QVERIFY(g.processor.Process());
        QCOMPARE(g.statistics.totals.ClientsTotalRC5, 10);
        QCOMPARE(g.session.CurrentLine, 4);
    }

    void missingAndTruncatedLogs() {
        Fixture f(m_path); // no such file yet: waited for silently
        QVERIFY(!f.processor.Process());
        QVERIFY(f.report.places.isEmpty());
        append(m_path, clientLine(1) + clientLine(2));
        QVERIFY(f.processor.Process());
        const qint64 position = f.session.TextStreamPosition;

        // A log replaced by a shorter one yields nothing until it grows past the old position.
        QFile::resize(m_path, 0);
        append(m_path, clientLine(3));
        QVERIFY(!f.processor.Process());
        QCOMPARE(f.session.TextStreamPosition, position);
        append(m_path, clientLine(4) + clientLine(5, 6));
        QVERIFY(f.processor.Process());
        QCOMPARE(f.statistics.totals.ClientsTotalRC5, 2 + 6);

        Fixture none{QString()};
        QVERIFY(!none.processor.Process());
        Fixture folder(m_dir.path());
        QVERIFY(!folder.processor.Process());
    }

    void oddBytesAndLines() {
        const QByteArray longLine =
            logLine("Client 10.0.0.1 --> sent rc5 5 blocks " + QByteArray(3 * MaxLineLength, 'L'));
        static const char withNuls[] = "Client 10.0.0.2 --> sent rc5 2 blocks\0\0";
        const QByteArray nul = logLine(QByteArray(withNuls, sizeof withNuls - 1));
        append(m_path, "\r\n" + clientLine(1) + longLine + clientLine(2, 3) + nul + "\r\n" +
                           "x\r\n" + clientLine(3, 4));
        Fixture f(m_path);
        const QList<QByteArray> lines = f.drainLines();
        QCOMPARE(lines.first(), QByteArray()); // an empty line is handed out as empty
        QCOMPARE(lines.last(), clientLine(3, 4).chopped(3));
        // The overlong line comes out as one empty line; nothing of it is read as a line.
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines.at(2), QByteArray());
        QCOMPARE(lines.at(6), QByteArray("x")); // only CRs belong to the line end

        Fixture g(m_path);
        QVERIFY(g.processor.Process());
        QVERIFY(g.report.places.isEmpty());
        QCOMPARE(g.statistics.totals.ClientsTotalRC5, 1 + 3 + 2 + 4);
        QVERIFY(!g.statistics.clients.contains(u"RC510.0.0.1"_s) ||
                g.statistics.clients.find(u"RC510.0.0.1"_s)->Blocks == 1);
        QCOMPARE(g.session.TextStreamPosition, QFileInfo(m_path).size() + 1);
    }

    void overlongLineAcrossARestart() {
        // A line too long to hold, cut by the restart just before a text that looks like a line.
        const qint64 piece = ChunkSize + MaxLineLength;
        append(m_path, clientLine(1, 2) + QByteArray(2 * piece, 'L'));
        const QString stats = m_dir.filePath(u"overlong.bin"_s);
        {
            Fixture f(m_path);
            QVERIFY(f.processor.Process());
            QCOMPARE(f.session.CurrentLine, 1); // nothing of it handed out, nor held whole
            QVERIFY(f.session.ReadBuffer.capacity() <= 2 * piece);
            QCOMPARE(f.session.TextStreamPosition, QFileInfo(m_path).size() + 1);
            QVERIFY(SaveStatsFile(stats, f.session, f.statistics));
        }
        append(m_path, logLine("Client 10.0.0.9 --> sent rc5 5 blocks") + clientLine(2, 3));
        Fixture g(m_path);
        QVERIFY(LoadStatsFile(stats, g.session, g.statistics));
        QVERIFY(g.processor.Process());
        QCOMPARE(g.statistics.totals.ClientsTotalRC5, 2 + 3); // its tail never counts
        QCOMPARE(g.session.CurrentLine, 3);                   // one line, whatever its length
    }

    void beyondTwoGigabytes() {
        // A sparse file: the reading position passes 2^31 without writing gigabytes.
        const qint64 start = (qint64(1) << 31) + 1000;
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(start));
        file.close();
        append(m_path, clientLine(1, 5) + clientLine(2, 6));
        Fixture f(m_path);
        f.session.TextStreamPosition = start + 1;
        QVERIFY(f.processor.Process());
        QCOMPARE(f.statistics.totals.ClientsTotalRC5, 11);
        QCOMPARE(f.session.TextStreamPosition, QFileInfo(m_path).size() + 1);
    }

    void interpretation_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected"); // a summary of the model after the line
        const QString untouched = u"rc5=0 ogr=0 up=0/0 buf=0|0|0|0 last=-|-"_s;
        QTest::addRow("rc5 status") << logLine("rc564 r=123456, w=789")
                                    << u"rc5=0 ogr=0 up=0/0 buf=123456|789|0|0 last=-|-"_s;
        QTest::addRow("ogr status")
            << logLine("ogr r=42, w=7") << u"rc5=0 ogr=0 up=0/0 buf=0|0|42|7 last=-|-"_s;
        QTest::addRow("status short fields")
            << logLine("rc564 r,w") << u"rc5=0 ogr=0 up=0/0 buf=||0|0 last=-|-"_s;
        QTest::addRow("rc5 return")
            << logLine("Client 10.0.0.1 --> sent rc5 16 blocks")
            << u"rc5=16 ogr=0 up=0/0 buf=0|0|0|0 last=12/06/26|08:00:00 client=RC510.0.0.1:16"_s;
        QTest::addRow("rc5 fetch")
            << logLine("Client 10.0.0.1 <-- got rc5 16 blocks", "12/07/26", "09:00:00")
            << u"rc5=0 ogr=0 up=0/0 buf=0|0|0|0 last=12/07/26|09:00:00"_s;
        QTest::addRow("double spaces")
            << logLine("Client  10.0.0.1 --> rc5 3 blocks")
            << u"rc5=3 ogr=0 up=0/0 buf=0|0|0|0 last=12/06/26|08:00:00 client=RC5:3"_s;
        QTest::addRow("arrow anywhere")
            << logLine("Client x y z w 4 -->")
            << u"rc5=4 ogr=0 up=0/0 buf=0|0|0|0 last=12/06/26|08:00:00 client=RC5x:4"_s;
        QTest::addRow("rounded count")
            << logLine("Client a --> sent rc5 2.5 blocks")
            << u"rc5=2 ogr=0 up=0/0 buf=0|0|0|0 last=12/06/26|08:00:00 client=RC5a:2"_s;
        QTest::addRow("uplink rc5") << logLine("server <-- uplink flushed rc5 blocks: 64")
                                    << u"rc5=0 ogr=0 up=64/0 buf=0|0|0|0 last=-|-"_s;
        QTest::addRow("uplink ogr")
            << logLine("server <-- up flushed ogr") << u"rc5=0 ogr=0 up=0/1 buf=0|0|0|0 last=-|-"_s;
        QTest::addRow("uplink other way")
            << logLine("server --> fetched rc5 blocks: 64") << untouched;
        QTest::addRow("ogr completion")
            << logLine("10.0.0.5: completed ogr stub 24/1-2", "12/05/26", "23:59:59")
            << u"rc5=0 ogr=1 up=0/0 buf=0|0|0|0 last=12/05/26|23:59:59 client=OGR10.0.0.5:1"_s;
        QTest::addRow("eighteen chars") << QByteArray("12/06/26 08:00:00 \r\r\n") << untouched;
        QTest::addRow("short completion")
            << QByteArray("x: completed ogr stub 1\r\r\n")
            << u"rc5=0 ogr=1 up=0/0 buf=0|0|0|0 last=x: compl|ted ogr  client=OGRtu:1"_s;
        QTest::addRow("other") << logLine("listening on port 2064") << untouched;
        QTest::addRow("nul bytes")
            << logLine(QByteArray("Client \0 --> a b 1 ", 19))
            << u"rc5=1 ogr=0 up=0/0 buf=0|0|0|0 last=12/06/26|08:00:00 client=RC5\u0000:1"_s;
    }
    void interpretation() {
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        append(m_path, line);
        Fixture f(m_path);
        f.statistics.reset();
        f.session.LastDate = f.session.LastTime = u"-"_s;
        QByteArrayView view;
        QVERIFY(f.processor.GetNextLine(view));
        LineInterpreter interpreter;
        interpreter.interpret(view, f.statistics);
        interpreter.flushStamp(f.session);
        const ProjectTotals& t = f.statistics.totals;
        QString summary =
            u"rc5=%1 ogr=%2 up=%3/%4 buf=%5|%6|%7|%8 last=%9|%10"_s.arg(t.ClientsTotalRC5)
                .arg(t.ClientsTotalOGR)
                .arg(t.UplinkTotalRC5)
                .arg(t.UplinkTotalOGR)
                .arg(t.LabInBufRC5, t.LabOutBufRC5, t.LabInBufOGR, t.LabOutBufOGR)
                .arg(f.session.LastDate, f.session.LastTime);
        for (const auto& entry : f.statistics.clients)
            if (!entry.key.endsWith(AllClients))
                summary += u" client=%1:%2"_s.arg(entry.key).arg(entry.value.Blocks);
        QCOMPARE(summary, expected);
    }

    void badLinesAreReported_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("error");
        QTest::addRow("status without comma")
            << logLine("rc564 r=1 w=2") << int(ErrorNumber::SubscriptOutOfRange);
        QTest::addRow("count missing")
            << logLine("Client 10.0.0.1 --> sent") << int(ErrorNumber::SubscriptOutOfRange);
        QTest::addRow("count not a number") << logLine("Client 10.0.0.1 --> sent rc5 many blocks")
                                            << int(ErrorNumber::TypeMismatch);
        QTest::addRow("count too big") << logLine("Client 10.0.0.1 --> sent rc5 99999999999 blocks")
                                       << int(ErrorNumber::Overflow);
        QTest::addRow("uplink short") << logLine("server") << int(ErrorNumber::SubscriptOutOfRange);
        QTest::addRow("uplink no number")
            << logLine("server <-- flushed rc5 blocks:") << int(ErrorNumber::SubscriptOutOfRange);
        QTest::addRow("completion empty name")
            << logLine(" completed ogr") << int(ErrorNumber::InvalidArgument);
        QTest::addRow("completion no message")
            << QByteArray("completed ogr!\r\n") << int(ErrorNumber::SubscriptOutOfRange);
    }
    void badLinesAreReported() {
        QFETCH(QByteArray, line);
        QFETCH(int, error);
        append(m_path, line + clientLine(1, 5));
        Fixture f(m_path);
        f.report.answers = {ErrorAnswer::Ignore};
        QVERIFY(f.processor.Process());
        QCOMPARE(f.report.numbers, QList<int>{error});
        QCOMPARE(f.report.places, QStringList{u"frmMain:Process"_s});
        QCOMPARE(f.statistics.totals.ClientsTotalRC5, 5); // Ignore went on with the next line
    }

    void overflowRetryIgnoreAbort() {
        const QByteArray big = clientLine(1, 2000000000);
        append(m_path, big + big + clientLine(2, 1) + clientLine(3, 1));
        {
            // Retry interprets the line again (and fails again), Ignore moves to the next line.
            Fixture f(m_path);
            f.report.answers = {ErrorAnswer::Retry, ErrorAnswer::Ignore};
            QVERIFY(f.processor.Process());
            QCOMPARE(f.report.places.size(), 2); // line 2 fails twice
            QVERIFY(f.report.texts.first().startsWith(
                u"Error: 0x6\r\n\r\nfrmMain:Process\r\nfrmMain:IncrementClient\r\n"_s));
            QCOMPARE(f.session.CurrentLine, 4);
            QCOMPARE(f.statistics.totals.ClientsTotalRC5, 2000000002);
        }
        {
            // Abort ends the run at once: later lines wait for the next run.
            Fixture f(m_path);
            f.report.answers = {ErrorAnswer::Abort};
            QVERIFY(f.processor.Process());
            QVERIFY(!f.session.IsProcessing());
            QCOMPARE(f.session.CurrentLine, 2);
            QCOMPARE(f.host.refreshLines, QList<qint32>{0}); // no refresh at the end after Abort
            QCOMPARE(f.session.positionAfterLastLine(), big.size() * 2 + 1);
        }
    }

    void closingDuringAYield() {
        QByteArray log;
        const auto timeOf = [](int i) {
            return QTime(8, 0).addSecs(i).toString(u"HH:mm:ss"_s).toLatin1();
        };
        for (int i = 0; i < 3000; ++i)
            log += logLine("Client 10.0.0.1 --> sent rc5 1 blocks", "12/06/26", timeOf(i));
        append(m_path, log);
        Fixture f(m_path);
        f.host.onYield = [&] {
            if (f.session.CurrentLine == 1000)
                f.session.IsClosing = true;
        };
        QVERIFY(f.processor.Process());
        // The run went on to the end of the buffer, saved once, with "never modified".
        QCOMPARE(f.host.saves, 1);
        QVERIFY(f.session.bufferUsedUp());
        QVERIFY(f.host.savedModified.isNull());
        QCOMPARE(f.host.savedPosition, f.session.TextStreamPosition);
        QVERIFY(f.session.TextStreamPosition < log.size() + 1);
        QCOMPARE(f.statistics.totals.ClientsTotalRC5,
                 qint32(log.left(f.session.TextStreamPosition - 1).count('\n')));
        QVERIFY(f.statistics.totals.ClientsTotalRC5 > 1000);
        // The file gets the time of the last line read, not of the last refresh.
        QCOMPARE(f.host.savedLastTime,
                 QString::fromLatin1(timeOf(f.statistics.totals.ClientsTotalRC5 - 1)));
    }

    void logChosenAnewDuringAYield() {
        QByteArray log;
        for (int i = 0; i < 1500; ++i)
            log += clientLine(i);
        append(m_path, log);
        const QString other = m_dir.filePath(u"other.log"_s);
        Fixture f(m_path);
        f.host.onYield = [&] {
            if (f.session.CurrentLine == 1000) {
                f.session.chooseLogFile(other);
                f.statistics.reset();
            }
        };
        QVERIFY(f.processor.Process());
        QCOMPARE(f.statistics.totals.ClientsTotalRC5,
                 0); // the held line of the old log was dropped
        QCOMPARE(f.session.FileName, other);
        QCOMPARE(f.session.TextStreamPosition, 1);
        QVERIFY(!f.session.IsProcessing());
    }
    void nextLogFileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("next");
        QTest::addColumn<int>("error");
        QTest::addRow("07") << u"/logs/conlog07.log"_s << u"/logs/conlog08.log"_s << 0;
        QTest::addRow("09") << u"/logs/conlog09.log"_s << u"/logs/conlog10.log"_s << 0;
        QTest::addRow("19") << u"/logs/conlog19.log"_s << u"/logs/conlog20.log"_s << 0;
        QTest::addRow("99 grows") << u"/logs/conlog99.log"_s << u"/logs/conlog100.log"_s << 0;
        QTest::addRow("last dot") << u"/v1.2/conlog.41.old"_s << u"/v1.2/conlog.42.old"_s << 0;
        QTest::addRow("blank and sign") << u"/logs/log +7.log"_s << u"/logs/log 08.log"_s << 0;
        QTest::addRow("no dot") << u"/logs/conlog07"_s << QString()
                                << int(ErrorNumber::InvalidArgument);
        QTest::addRow("dot at 2") << u"a.log"_s << QString() << int(ErrorNumber::InvalidArgument);
        QTest::addRow("empty") << QString() << QString() << int(ErrorNumber::InvalidArgument);
        QTest::addRow("letters") << u"/logs/conlog.log"_s << QString()
                                 << int(ErrorNumber::TypeMismatch);
    }
    void nextLogFileNames() {
        QFETCH(QString, name);
        QFETCH(QString, next);
        QFETCH(int, error);
        try {
            QCOMPARE(nextLogFileName(name), next);
            QCOMPARE(error, 0);
        } catch (const RunTimeError& e) {
            QCOMPARE(e.number(), error);
        }
    }

    void fuzzFindingsStayFixed() {
        // Inputs the fuzzer found or started from: split as it splits them, read in two runs.
        const QDir data(qEnvironmentVariable("QLA_TEST_DATA") + u"/logreader"_s);
        const QStringList files = data.entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& name : files) {
            QFile input(data.filePath(name));
            QVERIFY(input.open(QIODevice::ReadOnly));
            const QByteArray bytes = input.readAll();
            const qsizetype split = bytes.isEmpty() ? 0 : uchar(bytes[0]) % (bytes.size() + 1);
            const QString path = m_dir.filePath(u"fuzz-"_s + name);
            append(path, bytes.left(split));
            Fixture f(path);
            f.report.answers = QList<ErrorAnswer>(10000, ErrorAnswer::Ignore);
            f.processor.Process();
            append(path, bytes.mid(split));
            f.processor.Process();
            QVERIFY2(f.session.TextStreamPosition >= 1 &&
                         f.session.TextStreamPosition <= bytes.size() + 1,
                     qPrintable(name));
        }
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_counter = 0;
};

QTEST_GUILESS_MAIN(TestLogProcessor)
#include "test_logprocessor.moc"
