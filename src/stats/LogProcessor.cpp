#include "LogProcessor.h"

#include "ClientTable.h"
#include "LogSession.h"
#include "common/ErrorReport.h"
#include "common/NumberText.h"

#include <QFile>
#include <QScopeGuard>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

/** Size and nanosecond modification time of path; false when it cannot be examined. */
bool examine(const QString& path, qint64* size, qint64* modifiedNs) {
    if (path.isEmpty())
        return false;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    *size = info.st_size;
    *modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

/** Index just past the last CR LF in data[0, size), or 0 when there is none. */
qint64 endOfLastLine(const char* data, qint64 size) {
    qint64 end = size;
    while (end > 1) {
        const void* lf = memrchr(data, '\n', size_t(end));
        if (!lf)
            return 0;
        const qint64 at = static_cast<const char*>(lf) - data;
        if (at > 0 && data[at - 1] == '\r')
            return at + 1;
        end = at;
    }
    return 0;
}

} // namespace

LogProcessor::LogProcessor(LogSession& session, Statistics& statistics, IProcessHost& host,
                           ErrorReporter& reporter)
    : m_session(session), m_statistics(statistics), m_host(host), m_reporter(reporter) {}

bool LogProcessor::refill() {
    LogSession& s = m_session;
    if (!s.LogFileHandle) {
        qint64 size = 0;
        qint64 modifiedNs = 0;
        if (!examine(s.FileName, &size, &modifiedNs))
            return false; // a missing log is waited for silently
        if (size == s.SeenSize && modifiedNs == s.SeenModifiedNs)
            return false; // unchanged since it was last read to its end
        // Remembered before the open: a log that cannot be opened is tried again after its next
        // change.
        s.SeenSize = size;
        s.SeenModifiedNs = modifiedNs;
        s.LastModified = QDateTime::fromMSecsSinceEpoch(modifiedNs / 1000000);
        auto file = std::make_unique<QFile>(s.FileName);
        if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return false;
        s.LogFileHandle = std::move(file);
    }

    QFile& file = *s.LogFileHandle;
    // Whatever goes wrong below, the position is not advanced: the next try reads the same bytes
    // again once the file is seen to change (SeenSize -1 makes that the next look at it).
    auto failed = qScopeGuard([&] {
        s.CloseLog();
        s.SeenSize = -1;
        s.ReadBuffer.resize(0);
        s.BufferPos = 1;
        s.BufferLength = 0;
    });
    if (!file.seek(s.TextStreamPosition - 1))
        return false;

    // One chunk, extended until its last line is complete, but never beyond one long line.
    QByteArray& buffer = s.ReadBuffer;
    buffer.resize(ChunkSize + MaxLineLength);
    qint64 have = 0;
    bool atEnd = false;
    qint64 wanted = ChunkSize;
    qint64 endOfChunkLine = 0; // just past the CR LF that ends the line the chunk ended in
    for (;;) {
        const qint64 n = file.read(buffer.data() + have, wanted - have);
        if (n < 0)
            return false;
        have += n;
        if (have < wanted) {
            atEnd = true;
            break;
        }
        if (have >= ChunkSize + MaxLineLength)
            break;
        // The chunk is full: is the line it ended in complete yet? (Its CR may be the last
        // byte read before, its LF the first byte read now.)
        const qint64 from = std::max<qint64>(have - n - 1, ChunkSize - 1);
        for (const char* lf = static_cast<const char*>(
                 memchr(buffer.constData() + from, '\n', size_t(have - from)));
             lf; lf = static_cast<const char*>(
                     memchr(lf + 1, '\n', size_t(have - (lf + 1 - buffer.constData()))))) {
            const qint64 at = lf - buffer.constData();
            if (at > 0 && buffer[at - 1] == '\r') {
                endOfChunkLine = at + 1;
                break;
            }
        }
        if (endOfChunkLine > 0)
            break;
        wanted = std::min<qint64>(have + 4096, ChunkSize + MaxLineLength);
    }

    // A full chunk ends with the line it ended in; at the end of the file, with the last
    // complete line (the unfinished rest is read again once its line end is there).
    qint64 keep = endOfChunkLine > 0 ? endOfChunkLine : endOfLastLine(buffer.constData(), have);
    s.BufferIsLongLinePiece = false;
    if (keep == 0 && have >= ChunkSize + MaxLineLength) {
        // A line too long to hold: this piece is handed out as one empty line. A CR at its very
        // end stays for the next piece, so that a CR LF across the cut is still seen as a line end.
        keep = buffer[have - 1] == '\r' ? have - 1 : have;
        s.BufferIsLongLinePiece = true;
    }
    buffer.resize(keep);
    s.BufferPos = 1;
    s.BufferLength = keep;
    s.TextStreamPosition += keep;
    failed.dismiss();
    if (atEnd)
        s.CloseLog(); // the unfinished rest, if any, is read again with its line end
    return keep > 0;
}

bool LogProcessor::GetNextLine(QByteArrayView& line) {
    LogSession& s = m_session;
    if (s.BufferUsedUp()) {
        if (s.IsClosing) {
            m_interpreter.FlushStamp(s); // the file gets the date and time of the last line read
            s.LastModified = QDateTime();
            m_host.SaveStatsOnClosing();
            return false;
        }
        if (!refill())
            return false;
    }

    const char* data = s.ReadBuffer.constData();
    const qint64 start = s.BufferPos - 1;
    if (s.BufferIsLongLinePiece) {
        s.BufferPos = s.BufferLength + 1;
        s.ContinuesLongLine = true;
        line = {};
        return true;
    }
    // The buffer always ends in CR LF, so a line end is there to be found.
    const char* p = data + start;
    for (;;) {
        p = static_cast<const char*>(memchr(p, '\n', size_t(s.BufferLength - (p - data))));
        if (p - data > start && p[-1] == '\r')
            break;
        ++p;
    }
    const qint64 crAt = (p - data) - 1;
    const qint64 length = crAt - start - 1; // the byte before CR LF is not part of the line
    line = length > 0 ? QByteArrayView(data + start, length) : QByteArrayView();
    s.BufferPos = crAt + 3;
    if (s.ContinuesLongLine) {
        s.ContinuesLongLine = false; // the tail of an overlong line: counted as one empty line
        line = {};
    }
    return true;
}

bool LogProcessor::Process() {
    LogSession& s = m_session;
    ++s.ActiveRuns;
    const auto endRun = qScopeGuard([&] { --s.ActiveRuns; });
    const quint64 generation = s.Generation;
    const QString place = QStringLiteral("frmMain:Process");

    LineInterpreter& interpreter = m_interpreter;
    const auto flushStamp = qScopeGuard([&] { interpreter.FlushStamp(s); }); // however the run ends
    bool anyLine = false;
    // Column 1-17 of the line last read, kept because the buffer may be refilled meanwhile.
    std::array<char, 17> lastStamp{};
    qsizetype lastStampSize = 0;
    const auto takeStamp = [&](QByteArrayView bytes) {
        s.LastDate = QString::fromLatin1(bytes.first(std::min<qsizetype>(bytes.size(), 8)));
        s.LastTime =
            bytes.size() > 9
                ? QString::fromLatin1(bytes.sliced(9, std::min<qsizetype>(bytes.size() - 9, 8)))
                : QString();
    };

    QByteArrayView line;
    while (GetNextLine(line)) {
        anyLine = true;
        if (line.size() >= 17) { // the usual case, copied inline
            std::memcpy(lastStamp.data(), line.data(), 17);
            lastStampSize = 17;
        } else {
            lastStampSize = line.size();
            std::copy(line.begin(), line.end(),
                      lastStamp.begin()); // no memcpy: an empty line has no data
        }

        if (s.CurrentLine % 1000 == 0) {
            interpreter.DropStamp();
            takeStamp(line);
            m_host.RefreshPass();
            m_host.YieldEvents();
            if (s.Generation != generation)
                return anyLine; // a new log was chosen meanwhile: this line belongs to the old one
        }
        if (!m_reporter.runStep(place,
                                [&] { s.CurrentLine = NumberText::addChecked(s.CurrentLine, 1); }))
            return anyLine;
        if (!m_reporter.runStep(place, [&] { interpreter.Interpret(line, m_statistics); }))
            return anyLine;
    }
    if (anyLine) {
        interpreter.DropStamp();
        takeStamp(QByteArrayView(lastStamp.data(), lastStampSize));
        m_host.RefreshPass();
    }
    return anyLine;
}
