// Feeds arbitrary bytes to LoadStatsFile. A refused file must leave the model as it was; a file
// that loads must save and load again to the same model and the same bytes.
#include "persistence/StatsFile.h"
#include "stats/ClientTable.h"
#include "stats/LogSession.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

bool load(QByteArray bytes, LogSession& session, Statistics& statistics) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return LoadStatsFile(&buffer, session, statistics);
}

bool sameModel(const LogSession& a, const Statistics& as, const LogSession& b,
               const Statistics& bs) {
    if (a.FileName != b.FileName || a.TextStreamPosition != b.TextStreamPosition ||
        a.LastModified != b.LastModified || a.CurrentLine != b.CurrentLine ||
        a.LastDate != b.LastDate || a.LastTime != b.LastTime ||
        as.clients.size() != bs.clients.size())
        return false;
    for (qsizetype i = 0; i < as.clients.size(); ++i) {
        const auto& x = as.clients.entryAt(i);
        const auto& y = bs.clients.entryAt(i);
        if (x.key != y.key || x.value.Name != y.value.Name || x.value.Blocks != y.value.Blocks ||
            x.value.Time != y.value.Time || x.value.Data.size() != y.value.Data.size())
            return false;
        for (qsizetype j = 0; j < x.value.Data.size(); ++j)
            if (x.value.Data.entryAt(j).key != y.value.Data.entryAt(j).key ||
                x.value.Data.entryAt(j).value.Blocks != y.value.Data.entryAt(j).value.Blocks)
                return false;
    }
    return as.totals.ClientsTotalRC5 == bs.totals.ClientsTotalRC5 &&
           as.totals.LabOutBufOGR == bs.totals.LabOutBufOGR;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    LogSession session;
    session.FileName = QStringLiteral("before");
    session.seenSize = 7;
    Statistics statistics;
    if (!load(bytes, session, statistics)) {
        if (session.FileName != QStringLiteral("before") || session.seenSize != 7 ||
            !statistics.clients.isEmpty() || session.TextStreamPosition != 1)
            std::abort();
        return 0;
    }
    if (session.seenSize != -1)
        std::abort();
    const QByteArray saved = statsFileBytes(session, statistics);
    LogSession again;
    Statistics againStatistics;
    if (!load(saved, again, againStatistics) ||
        !sameModel(session, statistics, again, againStatistics) ||
        statsFileBytes(again, againStatistics) != saved)
        std::abort();
    return 0;
}
