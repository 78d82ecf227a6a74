// Stats-file benchmark: a model of 1,000 clients of each project with 365 days each (730,000
// day entries) through SaveStatsFile and LoadStatsFile, with the size of the file. Each is run
// several times; the best and the median run are reported, as "name: value unit" lines.
//
//   bench_statsfile [--runs 5] [--dir FOLDER] [--strict]
//
// Exit status: 0 done (with --strict: both under the 0.5 s target), 1 a save or load failed or
// loaded something else, 2 a target was missed with --strict.

#include "persistence/StatsFile.h"
#include "stats/ClientTable.h"
#include "stats/LogSession.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int ClientsPerProject = 1000;
constexpr int Days = 365;
constexpr double TargetMs = 500;

void buildModel(LogSession& session, Statistics& statistics) {
    QStringList dates;
    for (int d = 0; d < Days; ++d)
        dates << QDate(2025, 12, 7).addDays(d).toString(u"MM/dd/yy"_s);
    statistics.clients.reserve(2 * ClientsPerProject);
    for (const QString& project : {Project::RC5, Project::OGR}) {
        for (int c = 0; c < ClientsPerProject; ++c) {
            const QString key =
                project + u"10.0."_s + QString::number(c / 250) + u'.' + QString::number(c % 250);
            ClientRecord record;
            record.Name = key;
            record.Data.reserve(Days);
            for (int d = 0; d < Days; ++d) {
                DayEntry& entry = record.Data.findOrAppend(dates[d]);
                entry.Date = dates[d];
                entry.Blocks = 1 + (c * 31 + d * 7) % 400;
                record.Blocks += entry.Blocks;
            }
            record.Time = dates.last() + u" 23:59:59"_s;
            statistics.clients.insertOrAssign(key, std::move(record));
        }
    }
    statistics.totals.ClientsTotalRC5 = 123456789;
    statistics.totals.LabInBufRC5 = u"1,234"_s;
    session.FileName = u"/var/log/proxy/conlog.log"_s;
    session.TextStreamPosition = 3'000'000'001;
    session.LastModified = QDateTime::currentDateTime();
    session.CurrentLine = 40'000'000;
    session.LastDate = dates.last();
    session.LastTime = u"23:59:59"_s;
}

qint64 dayEntries(const Statistics& statistics) {
    qint64 n = 0;
    for (const auto& entry : statistics.clients)
        n += entry.value.Data.size();
    return n;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 5;
    QString folder;
    bool strict = false;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == u"--runs"_s && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == u"--dir"_s && i + 1 < args.size())
            folder = args[++i];
        else if (args[i] == u"--strict"_s)
            strict = true;
    }
    QTemporaryDir temporary;
    if (folder.isEmpty())
        folder = temporary.path();
    const QString path = folder + u"/bench-stats.bin"_s;

    LogSession session;
    Statistics statistics;
    buildModel(session, statistics);
    const qint64 entries = dayEntries(statistics);
    std::printf("clients: %lld records\nday entries: %lld entries\n",
                qlonglong(statistics.clients.size()), qlonglong(entries));

    std::vector<double> saves;
    std::vector<double> loads;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!SaveStatsFile(path, session, statistics)) {
            std::fprintf(stderr, "SaveStatsFile failed\n");
            return 1;
        }
        saves.push_back(double(timer.nsecsElapsed()) / 1e6);

        LogSession loadedSession;
        Statistics loaded;
        timer.restart();
        if (!LoadStatsFile(path, loadedSession, loaded)) {
            std::fprintf(stderr, "LoadStatsFile failed\n");
            return 1;
        }
        loads.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (loaded.clients.size() != statistics.clients.size() || dayEntries(loaded) != entries ||
            loadedSession.TextStreamPosition != session.TextStreamPosition) {
            std::fprintf(stderr, "LoadStatsFile read something else\n");
            return 1;
        }
    }

    const double saveBest = *std::min_element(saves.begin(), saves.end());
    const double loadBest = *std::min_element(loads.begin(), loads.end());
    std::printf("file size: %lld bytes\n", qlonglong(QFileInfo(path).size()));
    std::printf("file size per day entry: %.1f bytes\n",
                double(QFileInfo(path).size()) / double(entries));
    std::printf("SaveStatsFile best: %.1f ms\nSaveStatsFile median: %.1f ms\n", saveBest,
                median(saves));
    std::printf("LoadStatsFile best: %.1f ms\nLoadStatsFile median: %.1f ms\n", loadBest,
                median(loads));
    std::printf("target: %.0f ms\n", TargetMs);
    const bool met = median(saves) < TargetMs && median(loads) < TargetMs;
    std::printf("target met: %s\n", met ? "yes" : "no");
    return strict && !met ? 2 : 0;
}
