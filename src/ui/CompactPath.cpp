#include "CompactPath.h"

#include <QFontMetrics>
#include <QStringList>

using namespace Qt::StringLiterals;

QString compactPath(const QString& path, const QFontMetrics& metrics, int width) {
    const auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; };
    if (fits(path))
        return path;
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const QString name = path.mid(nameStart);
    if (nameStart > 0 && !name.isEmpty()) {
        // The folders before the name, the first one empty for an absolute path.
        const QStringList folders = path.left(nameStart - 1).split(u'/');
        for (qsizetype kept = folders.size() - 1; kept > 0; --kept) {
            const QString head = folders.mid(0, kept).join(u'/');
            if (head.isEmpty())
                break; // only the root is left: ".../name" says as much
            const QString shortened = head + u"/.../"_s + name;
            if (fits(shortened))
                return shortened;
        }
        const QString bare = u".../"_s + name;
        if (fits(bare))
            return bare;
    }
    return metrics.elidedText(name.isEmpty() ? path : name, Qt::ElideMiddle, width);
}
