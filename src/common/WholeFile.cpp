#include "WholeFile.h"

#include <QFile>
#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

WholeFile refused(const QString& error) {
    return WholeFile{WholeFile::Outcome::Refused, {}, error};
}

QString errnoText(int number) {
    return QString::fromLocal8Bit(strerror(number));
}

} // namespace

WholeFile readWholeFile(const QString& path, qint64 maxBytes) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0)
        return errno == ENOENT ? WholeFile{} : refused(errnoText(errno));
    if (!S_ISREG(info.st_mode))
        return refused(u"it is not a regular file"_s);
    // Opened without waiting, and examined again once open: the file may have been replaced
    // by a FIFO in between.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? WholeFile{} : refused(errnoText(errno));
    const auto close = qScopeGuard([fd] { ::close(fd); });
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return refused(u"it is not a regular file"_s);
    const QString tooBig = u"it is larger than %1 bytes"_s.arg(maxBytes);
    if (info.st_size > maxBytes)
        return refused(tooBig);

    // The file may still grow while it is read: never more than the limit.
    QByteArray bytes(qMin<qint64>(info.st_size, maxBytes) + 1, Qt::Uninitialized);
    qint64 have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (have > maxBytes)
                return refused(tooBig);
            bytes.resize(qMin<qint64>(have * 2 + 4096, maxBytes + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return refused(errnoText(errno));
        if (n == 0)
            break;
        have += n;
    }
    bytes.resize(have);
    return WholeFile{WholeFile::Outcome::Read, std::move(bytes), {}};
}

QString shortenedForMessage(const QString& text) {
    constexpr qsizetype Head = 100;
    constexpr qsizetype Tail = 150;
    if (text.size() <= Head + Tail + 3)
        return text;
    return text.left(Head) + u"..."_s + text.right(Tail);
}
