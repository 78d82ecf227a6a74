// Counting benchmark: a large connection log through the real LogProcessor::Process path
// (refresh pass and yield do nothing), timed against `wc -l` and a one-pass mawk script over
// the same file, with the counts cross-checked against the script (and, when given, against
// conlog-sim's own expectation). A second pass that only drains GetNextLine shows how the
// time splits between reading and interpreting.
//
//   bench_process LOG --awk bench/count.awk [--expect LOG.expect] [--mawk mawk] [--runs 3]
//   [--strict]
//
// Exit status: 0 counts agree (targets are reported; with --strict a missed target gives 2),
// 1 counts disagree or something could not run.

#include "common/ErrorReport.h"
#include "stats/ClientTable.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class NoOpHost : public IProcessHost {
public:
    void refreshPass() override {}
    void yieldEvents() override {}
    void saveStatsOnClosing() override {}
};

/** Any error in a generated log is a fault of the counter (or the generator): stop the run. */
class AbortingReport : public IErrorReport {
public:
    ErrorAnswer ask(const RunTimeError& error, const QString& place) override {
        std::fprintf(stderr, "bench_process: error report during the run:\n%s\n",
                     qPrintable(errorReportText(error, place)));
        failed = true;
        return ErrorAnswer::Abort;
    }
    bool failed = false;
};

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Run {
    double seconds = 0;
    QByteArray output;
};

/** Runs program to its end; the time includes starting it (a millisecond or two). */
bool runTimed(const QString& program, const QStringList& arguments, Run* run) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::fprintf(stderr, "bench_process: %s failed: %s\n", qPrintable(program),
                     qPrintable(process.errorString()));
        return false;
    }
    run->seconds = double(timer.nsecsElapsed()) / 1e9;
    run->output = process.readAllStandardOutput();
    return true;
}

/** The counts in the text form of `conlog-sim --expect` and bench/count.awk, sorted. */
QStringList countLines(const LogSession& session, const Statistics& statistics) {
    const ProjectTotals& t = statistics.totals;
    QStringList lines = {
        u"lines %1"_s.arg(session.CurrentLine),
        u"last %1 %2"_s.arg(session.LastDate, session.LastTime),
        u"uplink RC5 %1"_s.arg(t.UplinkTotalRC5),
        u"uplink OGR %1"_s.arg(t.UplinkTotalOGR),
        u"clients RC5 %1"_s.arg(t.ClientsTotalRC5),
        u"clients OGR %1"_s.arg(t.ClientsTotalOGR),
        u"buffer RC5 %1 %2"_s.arg(t.LabInBufRC5, t.LabOutBufRC5),
        u"buffer OGR %1 %2"_s.arg(t.LabInBufOGR, t.LabOutBufOGR),
    };
    for (const auto& entry : statistics.clients) {
        const ClientRecord& record = entry.value;
        const QString project = record.Name.left(3);
        const QString client = record.Name.mid(3);
        lines << u"record %1 %2 %3 %4"_s.arg(project, client).arg(record.Blocks).arg(record.Time);
        for (const auto& day : record.Data)
            lines
                << u"day %1 %2 %3 %4"_s.arg(project, client, day.value.Date).arg(day.value.Blocks);
    }
    lines.sort();
    return lines;
}

QStringList parseLines(const QByteArray& text) {
    QStringList lines = QString::fromLatin1(text).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

/** Loudly lists what differs; true when both agree. */
bool agree(const QStringList& ours, const QStringList& theirs, const char* theirName) {
    if (ours == theirs)
        return true;
    QStringList onlyOurs;
    QStringList onlyTheirs;
    std::set_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(),
                        std::back_inserter(onlyOurs));
    std::set_difference(theirs.begin(), theirs.end(), ours.begin(), ours.end(),
                        std::back_inserter(onlyTheirs));
    std::fprintf(stderr,
                 "\n*** COUNT MISMATCH between Process and %s: %lld lines only in Process, %lld "
                 "only in %s\n",
                 theirName, qlonglong(onlyOurs.size()), qlonglong(onlyTheirs.size()), theirName);
    for (qsizetype i = 0; i < std::min<qsizetype>(onlyOurs.size(), 10); ++i)
        std::fprintf(stderr, "  Process: %s\n", qPrintable(onlyOurs[i]));
    for (qsizetype i = 0; i < std::min<qsizetype>(onlyTheirs.size(), 10); ++i)
        std::fprintf(stderr, "  %s: %s\n", theirName, qPrintable(onlyTheirs[i]));
    return false;
}

QString valueOf(const QStringList& arguments, const QString& option, const QString& fallback = {}) {
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : fallback;
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString awkScript = valueOf(arguments, u"--awk"_s);
    const QString expectFile = valueOf(arguments, u"--expect"_s);
    const QString mawk = valueOf(arguments, u"--mawk"_s, u"mawk"_s);
    const bool strict = arguments.contains(u"--strict"_s);
    const int runs = std::max(1, valueOf(arguments, u"--runs"_s, u"3"_s).toInt());
    if (arguments.size() < 2 || arguments[1].startsWith(u'-') || awkScript.isEmpty()) {
        std::fprintf(stderr, "usage: bench_process LOG --awk count.awk [--expect LOG.expect] "
                             "[--mawk PATH] [--runs N] [--strict]\n");
        return 1;
    }
    const QString log = arguments[1];
    const qint64 bytes = QFileInfo(log).size();
    if (bytes <= 0) {
        std::fprintf(stderr, "bench_process: %s is missing or empty\n", qPrintable(log));
        return 1;
    }
    const double megabytes = double(bytes) / 1e6;

    // wc -l: best of three, the first of which also warms the page cache.
    Run wc;
    double wcSeconds = 1e9;
    for (int i = 0; i < 3; ++i) {
        if (!runTimed(u"wc"_s, {u"-l"_s, log}, &wc))
            return 1;
        wcSeconds = std::min(wcSeconds, wc.seconds);
    }
    const qint64 wcLines = wc.output.trimmed().split(' ').value(0).toLongLong();

    // The counting runs, best of `runs`: each with a fresh session and model, as after Open.
    NoOpHost host;
    AbortingReport report;
    ErrorReporter reporter(report);
    double seconds = 1e9;
    qint32 lineCount = 0;
    QStringList ours;
    for (int run = 0; run < runs; ++run) {
        LogSession session;
        Statistics statistics;
        statistics.reset();
        session.chooseLogFile(log);
        LogProcessor processor(session, statistics, host, reporter);
        QElapsedTimer timer;
        timer.start();
        while (processor.Process() && !report.failed) {
        }
        seconds = std::min(seconds, double(timer.nsecsElapsed()) / 1e9);
        if (report.failed)
            return 1;
        const QStringList counted = countLines(session, statistics);
        if (run == 0) {
            ours = counted;
            lineCount = session.CurrentLine;
        } else if (!agree(counted, ours, "an earlier run")) {
            return 1;
        }
    }
    const long rssKiB = peakRssKiB();

    // Reading alone (GetNextLine drained, nothing interpreted): how the time splits.
    double readSeconds = 1e9;
    for (int run = 0; run < runs; ++run) {
        LogSession readSession;
        Statistics unused;
        readSession.chooseLogFile(log);
        LogProcessor reader(readSession, unused, host, reporter);
        QByteArrayView line;
        qint64 readLines = 0;
        QElapsedTimer timer;
        timer.start();
        while (reader.GetNextLine(line))
            ++readLines;
        readSeconds = std::min(readSeconds, double(timer.nsecsElapsed()) / 1e9);
        if (readLines != lineCount) {
            std::fprintf(stderr, "\n*** GetNextLine alone handed out %lld lines, Process %d\n",
                         readLines, lineCount);
            return 1;
        }
    }

    Run awk;
    if (!runTimed(mawk, {u"-f"_s, awkScript, log}, &awk))
        return 1;

    const double mbPerSecond = megabytes / seconds;
    const double wcMbPerSecond = megabytes / wcSeconds;
    std::printf("log            %s\n", qPrintable(log));
    std::printf("size           %.1f MB, %d lines (wc -l: %lld)\n", megabytes, lineCount, wcLines);
    std::printf("Process        %.3f s  %.1f MB/s  %.2f M lines/s  (best of %d)\n", seconds,
                mbPerSecond, double(lineCount) / seconds / 1e6, runs);
    std::printf("  reading      %.3f s  %.1f MB/s  (GetNextLine alone; interpreting: %.3f s)\n",
                readSeconds, megabytes / readSeconds, seconds - readSeconds);
    std::printf("wc -l          %.3f s  %.1f MB/s  (best of 3)\n", wcSeconds, wcMbPerSecond);
    std::printf("mawk count.awk %.3f s  %.1f MB/s\n", awk.seconds, megabytes / awk.seconds);
    std::printf("peak RSS       %.1f MB\n", double(rssKiB) / 1024.0);

    const bool fastAsWc = mbPerSecond * 3 >= wcMbPerSecond;
    const bool fasterThanAwk = awk.seconds >= 10 * seconds;
    const bool smallRss = rssKiB < 64 * 1024;
    std::printf("target: >= 1/3 of wc -l speed   %s (%.2f of wc -l)\n", verdict(fastAsWc),
                mbPerSecond / wcMbPerSecond);
    std::printf("target: >= 10x faster than mawk %s (%.1fx)\n", verdict(fasterThanAwk),
                awk.seconds / seconds);
    std::printf("target: peak RSS < 64 MB        %s\n", verdict(smallRss));

    bool countsAgree = agree(ours, parseLines(awk.output), "count.awk");
    if (wcLines != lineCount) {
        std::fprintf(stderr,
                     "\n*** LINE COUNT MISMATCH: Process handed out %d lines, wc -l counts %lld\n",
                     lineCount, wcLines);
        countsAgree = false;
    }
    if (!expectFile.isEmpty()) {
        QFile expected(expectFile);
        if (!expected.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_process: cannot read %s\n", qPrintable(expectFile));
            return 1;
        }
        countsAgree =
            agree(ours, parseLines(expected.readAll()), "conlog-sim --expect") && countsAgree;
    }
    if (!countsAgree) {
        std::fprintf(stderr, "\n*** FAILED: the counts of Process are wrong\n");
        return 1;
    }
    std::printf("counts         agree with count.awk%s (%lld lines of counts)\n",
                expectFile.isEmpty() ? "" : " and conlog-sim --expect", qlonglong(ours.size()));
    return strict && !(fastAsWc && fasterThanAwk && smallRss) ? 2 : 0;
}
