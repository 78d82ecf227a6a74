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

/** Index just past the last LF in data[0, size), or 0 when there is none. */
qint64 endOfLastLine(const char* data, qint64 size) {
    const void* lf = memrchr(data, '\n', size_t(size));
    return lf ? static_cast<const char*>(lf) - data + 1 : 0;
}

/** Pieces of an overlong line consumed in one call of GetNextLine, so that a log of megabytes
 *  without a line end is read across several runs rather than in one freeze. */
constexpr int MaxPiecesPerCall = 64;

} // namespace

LogProcessor::LogProcessor(LogSession& session, Statistics& statistics, IProcessHost& host,
                           ErrorReporter& reporter)
    : m_session(session), m_statistics(statistics), m_host(host), m_reporter(reporter) {
    m_steady.start();
}

qint64 LogProcessor::now() const {
    return m_clock ? m_clock() : m_steady.elapsed();
}

bool LogProcessor::passDue() const {
    return !m_yielded || now() - m_lastYield >= FrameMilliseconds;
}

bool LogProcessor::refill() {
    LogSession& s = m_session;
    if (!s.LogFileHandle) {
        qint64 size = 0;
        qint64 modifiedNs = 0;
        if (!examine(s.FileName, &size, &modifiedNs))
            return false; // a missing log is waited for silently
        if (size == s.seenSize && modifiedNs == s.seenModifiedNs)
            return false; // unchanged since it was last read to its end
        // Remembered before the open: a log that cannot be opened is tried again after its next
        // change.
        s.seenSize = size;
        s.seenModifiedNs = modifiedNs;
        s.LastModified = QDateTime::fromMSecsSinceEpoch(modifiedNs / 1000000);
        auto file = std::make_unique<QFile>(s.FileName);
        if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return false;
        s.LogFileHandle = std::move(file);
    }

    QFile& file = *s.LogFileHandle;
    // Whatever goes wrong below, the position is not advanced: the next try reads the same bytes
    // again once the file is seen to change (seenSize -1 makes that the next look at it).
    auto failed = qScopeGuard([&] {
        s.closeLog();
        s.seenSize = -1;
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
    qint64 endOfChunkLine = 0; // just past the LF that ends the line the chunk ended in
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
        // The chunk is full: is the line it ended in complete yet? Its LF may be the chunk's
        // last byte or come in what was read now.
        const qint64 from = std::max<qint64>(have - n, ChunkSize - 1);
        if (const void* lf = memchr(buffer.constData() + from, '\n', size_t(have - from))) {
            endOfChunkLine = static_cast<const char*>(lf) - buffer.constData() + 1;
            break;
        }
        wanted = std::min<qint64>(have + 4096, ChunkSize + MaxLineLength);
    }

    // A full chunk ends with the line it ended in; at the end of the file, with the last
    // complete line (the unfinished rest is read again once its line end is there).
    qint64 keep = endOfChunkLine > 0 ? endOfChunkLine : endOfLastLine(buffer.constData(), have);
    // A line too long to hold: this piece of it is consumed without being handed out.
    s.bufferIsLongLinePiece = keep == 0 && have >= ChunkSize + MaxLineLength;
    if (s.bufferIsLongLinePiece)
        keep = have;
    buffer.resize(keep);
    s.BufferPos = 1;
    s.BufferLength = keep;
    s.TextStreamPosition += keep;
    failed.dismiss();
    if (atEnd)
        s.closeLog(); // the unfinished rest, if any, is read again with its line end
    return keep > 0;
}

bool LogProcessor::GetNextLine(QByteArrayView& line) {
    LogSession& s = m_session;
    for (int pieces = 0;; ++pieces) {
        if (s.bufferUsedUp()) {
            if (s.IsClosing) {
                m_interpreter.flushStamp(s); // the file gets the date and time of the last line
                s.LastModified = QDateTime();
                m_host.saveStatsOnClosing();
                return false;
            }
            if (pieces == MaxPiecesPerCall || !refill())
                return false;
        }
        if (!s.bufferIsLongLinePiece)
            break;
        // The overlong line is handed out once, as an empty line, when its end has been read.
        s.BufferPos = s.BufferLength + 1;
        s.continuesLongLine = true;
    }

    // The buffer always ends with a line end. A line ends at LF; a CR just before the LF
    // belongs to the line end, and so does one more CR before that (the proxy's own, which
    // its CR LF lines carry), so that a log gives the same lines whether it was written with
    // CR CR LF, CR LF or LF alone.
    const char* data = s.ReadBuffer.constData();
    const qint64 start = s.BufferPos - 1;
    const char* lf =
        static_cast<const char*>(memchr(data + start, '\n', size_t(s.BufferLength - start)));
    qint64 end = lf - data;
    for (int cr = 0; cr < 2 && end > start && data[end - 1] == '\r'; ++cr)
        --end;
    line = end > start ? QByteArrayView(data + start, end - start) : QByteArrayView();
    s.BufferPos = (lf - data) + 2;
    if (s.continuesLongLine) {
        s.continuesLongLine = false; // the end of an overlong line: one empty line
        line = {};
    }
    return true;
}

bool LogProcessor::Process() {
    LogSession& s = m_session;
    ++s.activeRuns;
    const auto endRun = qScopeGuard([&] { --s.activeRuns; });
    const quint64 generation = s.generation;
    const QString place = QStringLiteral("frmMain:Process");

    LineInterpreter& interpreter = m_interpreter;
    const auto flushStamp = qScopeGuard([&] { interpreter.flushStamp(s); }); // however the run ends
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
            // Every 1000th line dates the session, whether or not this frame shows it.
            interpreter.dropStamp();
            takeStamp(line);
        }
        if (s.CurrentLine % 1000 == 0 && passDue()) {
            m_host.refreshPass();
            m_host.yieldEvents();
            m_lastYield = now();
            m_yielded = true;
            if (s.generation != generation)
                return anyLine; // a new log was chosen meanwhile: this line belongs to the old one
        }
        if (!m_reporter.runStep(place,
                                [&] { s.CurrentLine = NumberText::addChecked(s.CurrentLine, 1); }))
            return anyLine;
        if (!m_reporter.runStep(place, [&] { interpreter.interpret(line, m_statistics); }))
            return anyLine;
    }
    if (anyLine) {
        interpreter.dropStamp();
        takeStamp(QByteArrayView(lastStamp.data(), lastStampSize));
        m_host.refreshPass();
    }
    return anyLine;
}
