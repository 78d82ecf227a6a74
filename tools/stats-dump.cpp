// stats-dump: prints a stats file as text, read through the program's own loader, so that
// tests outside the program (the end-to-end tests) can check what it saved.
//
// Usage:
//   stats-dump FILE        prints the file's contents (exit 0), or "not loaded" on stderr
//                          and exit 2 when the program would refuse the file
//   stats-dump --paths     prints where the program keeps its files for the current
//                          environment (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME):
//                            settings <path of the settings file>
//                            data <the data folder>
//
// The file is only read: unlike start-up, a file that does not load is not renamed aside.
// Output, one item a line, in the words of `conlog-sim --expect` where they overlap:
//   file <FileName>                 (the rest of the line; empty when no log is followed)
//   position <TextStreamPosition>
//   modified <LastModified as milliseconds since the epoch, or "never">
//   line <CurrentLine>
//   last <LastDate> <LastTime>
//   uplink RC5|OGR <total>
//   clients RC5|OGR <total>
//   buffer RC5|OGR <in> <out>       (an empty text shows as "")
//   record RC5|OGR <client> <blocks> <time>    in the table's order
//   day RC5|OGR <client> <date> <blocks>       after each record, in its day order

#include "persistence/AppPaths.h"
#include "persistence/Settings.h"
#include "persistence/StatsFile.h"
#include "stats/ClientTable.h"
#include "stats/LogSession.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

QString orQuotes(const QString& text) {
    return text.isEmpty() ? u"\"\""_s : text;
}

void printStatistics(QTextStream& out, const LogSession& session, const Statistics& statistics) {
    const ProjectTotals& t = statistics.totals;
    out << "file " << session.FileName << '\n';
    out << "position " << session.TextStreamPosition << '\n';
    out << "modified "
        << (session.LastModified.isValid()
                ? QString::number(session.LastModified.toMSecsSinceEpoch())
                : u"never"_s)
        << '\n';
    out << "line " << session.CurrentLine << '\n';
    out << "last " << orQuotes(session.LastDate) << ' ' << orQuotes(session.LastTime) << '\n';
    out << "uplink RC5 " << t.UplinkTotalRC5 << '\n';
    out << "uplink OGR " << t.UplinkTotalOGR << '\n';
    out << "clients RC5 " << t.ClientsTotalRC5 << '\n';
    out << "clients OGR " << t.ClientsTotalOGR << '\n';
    out << "buffer RC5 " << orQuotes(t.LabInBufRC5) << ' ' << orQuotes(t.LabOutBufRC5) << '\n';
    out << "buffer OGR " << orQuotes(t.LabInBufOGR) << ' ' << orQuotes(t.LabOutBufOGR) << '\n';
    for (const auto& entry : statistics.clients) {
        const ClientRecord& record = entry.value;
        const QString project = record.Name.left(3);
        const QString client = record.Name.mid(3);
        out << "record " << project << ' ' << client << ' ' << record.Blocks << ' ' << record.Time
            << '\n';
        for (const auto& day : record.Data)
            out << "day " << project << ' ' << client << ' ' << day.value.Date << ' '
                << day.value.Blocks << '\n';
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.size() != 1) {
        err << "usage: stats-dump FILE | stats-dump --paths\n";
        return 1;
    }
    if (args.constFirst() == "--paths"_L1) {
        out << "settings " << SettingsStore().fileName() << '\n';
        out << "data " << AppPaths::dataFolder() << '\n';
        return 0;
    }

    QFile file(args.constFirst());
    if (!file.open(QIODevice::ReadOnly)) {
        err << "stats-dump: cannot open " << file.fileName() << ": " << file.errorString() << '\n';
        return 2;
    }
    LogSession session;
    Statistics statistics;
    if (!LoadStatsFile(&file, session, statistics)) {
        err << "stats-dump: not loaded: " << file.fileName() << '\n';
        return 2;
    }
    printStatistics(out, session, statistics);
    return 0;
}
