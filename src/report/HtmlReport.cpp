#include "HtmlReport.h"

#include "common/RunTimeError.h"
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace HtmlReport {

namespace {

void setError(ReportError* error, int number, const QString& description) {
    if (error)
        *error = ReportError{number, description};
}

void appendReference(QByteArray& out, char32_t codePoint) {
    out += "&#";
    out += QByteArray::number(quint32(codePoint));
    out += ';';
}

/** Writes all of bytes; fewer taken (a short write sets no error of its own) is a failure. */
bool writeAll(QIODevice& device, const QByteArray& bytes, ReportError* error) {
    const qint64 written = device.write(bytes);
    if (written == bytes.size())
        return true;
    const QString reason = written < 0 ? device.errorString() : QString();
    setError(error, ErrorNumber::DeviceIoError, reason.isEmpty() ? u"Device I/O error"_s : reason);
    return false;
}

QString systemText(int code) {
    return QString::fromLocal8Bit(strerror(code));
}

/** Writes all of bytes to a file descriptor; false with errno set when that fails. */
bool writeAllTo(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

/**
 * Puts bytes at path without ever writing through a link there: the page is made beside it
 * and renamed over the name, which replaces a link itself and leaves its target alone. Where
 * the folder takes no new file, an existing page is written in place, unless it is a link.
 * The folder may be one that others can write (the FTP option's "TEMP").
 */
bool replacePage(const QString& path, const QByteArray& bytes, ReportError* error) {
    const QByteArray native = QFile::encodeName(path);
    struct stat old {};
    const bool exists = ::lstat(native.constData(), &old) == 0;
    const mode_t umask = ::umask(0);
    ::umask(umask);
    // A page others can read (a web server may serve it), or the permissions of the old one.
    const mode_t mode = exists && S_ISREG(old.st_mode) ? (old.st_mode & 07777) : (0666 & ~umask);

    QTemporaryFile temp(path + u".XXXXXX"_s);
    if (temp.open()) {
        const bool written = ::fchmod(temp.handle(), mode) == 0 && writeAllTo(temp.handle(), bytes);
        const int code = errno;
        temp.close();
        if (!written) {
            setError(error, ErrorNumber::DeviceIoError, systemText(code));
            return false;
        }
        if (::rename(QFile::encodeName(temp.fileName()).constData(), native.constData()) != 0) {
            setError(error, ErrorNumber::PathFileAccess, systemText(errno));
            return false;
        }
        temp.setAutoRemove(false);
        return true;
    }
    if (!exists || !S_ISREG(old.st_mode)) {
        setError(error, ErrorNumber::PathFileAccess,
                 exists ? u"Index.htm is not a regular file: not written"_s : temp.errorString());
        return false;
    }
    const int fd = ::open(native.constData(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        setError(error, ErrorNumber::PathFileAccess, systemText(errno));
        return false;
    }
    const bool written = writeAllTo(fd, bytes);
    const int code = errno;
    ::close(fd);
    if (!written)
        setError(error, ErrorNumber::DeviceIoError, systemText(code));
    return written;
}

} // namespace

QString fileName() {
    return u"Index.htm"_s;
}

QString escapeText(QStringView text) {
    return text.toString().toHtmlEscaped(); // "&", "<", ">" and the double quote
}

QByteArray encodePageText(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += char(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < n &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            appendReference(out, QChar::surrogateToUcs4(c, text[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(c)) {
            appendReference(out, QChar::ReplacementCharacter);
        } else {
            appendReference(out, c);
        }
    }
    return out;
}

QByteArray reportBytes(const ReportTable& table) {
    QByteArray page = "<HTML><BODY><TABLE WIDTH=100% BORDER=1>\r\n<TR>\r\n";
    const auto line = [&page](const char* head, QStringView text, const char* tail) {
        page += head;
        page += encodePageText(escapeText(text));
        page += tail;
    };
    for (const QString& caption : table.captions)
        line("<TH ALIGN=CENTER><BOLD>", caption, "</TD>\r\n");
    page += "</TR>\r\n";
    for (const QStringList& row : table.rows) {
        page += "<TR>\r\n";
        line("<TD>", row.value(0), "</TD>\r\n");
        for (qsizetype j = 1; j < table.captions.size(); ++j)
            line("<TD>", row.value(j), "&nbsp;</TD>\r\n");
        page += "</TR>\r\n";
    }
    page += "</TABLE></BODY></HTML>\r\n";
    return page;
}

bool writeReport(QIODevice& device, const ReportTable& table, ReportError* error) {
    return writeAll(device, reportBytes(table), error);
}

bool writeReport(const QString& folder, const ReportTable& table, ReportError* error) {
    return writePage(folder, reportBytes(table), error);
}

bool writePage(const QString& folder, const QByteArray& page, ReportError* error) {
    if (folder.isEmpty()) {
        setError(error, ErrorNumber::PathFileAccess, u"No report folder"_s);
        return false;
    }
    return replacePage(QDir(folder).filePath(fileName()), page, error);
}

} // namespace HtmlReport
