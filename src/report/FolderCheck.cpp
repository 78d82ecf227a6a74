#include "FolderCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace FolderCheck {

QString expandHome(const QString& folder) {
    if (folder == u'~')
        return QDir::homePath();
    if (folder.startsWith(QStringLiteral("~/")))
        return QDir::homePath() + folder.mid(1);
    return folder;
}

State check(const QString& folder) {
    if (folder.trimmed().isEmpty())
        return State::Empty;
    const QFileInfo info(expandHome(folder));
    if (!info.exists())
        return info.isSymLink() ? State::NotAFolder : State::Missing;
    if (!info.isDir())
        return State::NotAFolder;
    QTemporaryFile probe(info.absoluteFilePath() + QStringLiteral("/.quillmere-XXXXXX"));
    return probe.open() ? State::Usable : State::NotWritable;
}

} // namespace FolderCheck
