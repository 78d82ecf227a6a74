#include "Fakes.h"

#include <QFile>

#include <QHostAddress>

#include <csignal>
#include <sys/resource.h>

ErrorAnswer ScriptedErrorReport::ask(const RunTimeError& error, const QString& place) {
    places << place;
    texts << errorReportText(error, place);
    numbers << error.number();
    if (whileOpen)
        whileOpen();
    return answers.isEmpty() ? ErrorAnswer::Abort : answers.takeFirst();
}

qint64 FailingDevice::writeData(const char* data, qint64 len) {
    const qint64 room = m_failAfter - written.size();
    if (room <= 0)
        return -1;
    const qint64 n = qMin(room, len);
    written.append(data, n);
    return n;
}

bool FakeHostLookup::startLookup(quint32 ipv4, Answer answer) {
    if (failToStart) {
        ++refused;
        return false;
    }
    requests.append({ipv4, QHostAddress(ipv4).toString(), std::move(answer), false});
    return true;
}

void FakeHostLookup::answer(qsizetype index, const QString& hostName) {
    Request& request = requests[index];
    request.answered = true;
    request.answer(hostName);
}

ScopedFileSizeLimit::ScopedFileSizeLimit(quint64 maxBytes) {
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    m_oldSoft = limit.rlim_cur;
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    m_changed = true;
    limit.rlim_cur = maxBytes;
    m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
    if (!m_changed)
        return;
    rlimit limit{};
    if (getrlimit(RLIMIT_FSIZE, &limit) == 0) {
        limit.rlim_cur = m_oldSoft;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::signal(SIGXFSZ, m_oldHandler);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
