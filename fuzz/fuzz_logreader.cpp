// Feeds arbitrary bytes to the log reader and the line interpreter: the first part of the input
// is the log, the rest is appended to it before a second run. Every error report is answered
// with Ignore, so that each bad line is interpreted and the run goes on.
#include "common/ErrorReport.h"
#include "stats/ClientTable.h"
#include "stats/LogProcessor.h"
#include "stats/LogSession.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

class IgnoreAll : public IErrorReport {
public:
    ErrorAnswer ask(const RunTimeError&, const QString&) override { return ErrorAnswer::Ignore; }
};

class NoWindow : public IProcessHost {
public:
    void refreshPass() override {}
    void yieldEvents() override {}
    void saveStatsOnClosing() override {}
};

void append(const QString& path, const uint8_t* data, size_t size) {
    QFile file(path);
    if (!file.open(QIODevice::Append) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = QStringLiteral("/dev/shm/qla-fuzz-log-%1.log").arg(getpid());
    QFile::remove(path);
    const size_t split = size ? data[0] % (size + 1) : 0;

    LogSession session;
    Statistics statistics;
    IgnoreAll report;
    ErrorReporter reporter(report);
    NoWindow host;
    LogProcessor processor(session, statistics, host, reporter);
    session.chooseLogFile(path);

    append(path, data, split);
    processor.Process();
    append(path, data + split, size - split);
    processor.Process();

    // The reader never claims more bytes than the file has.
    if (session.TextStreamPosition < 1 || session.TextStreamPosition > qint64(size) + 1)
        abort();
    QFile::remove(path);
    return 0;
}
