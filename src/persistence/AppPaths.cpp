#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace AppPaths {

namespace {

QString fileInDataFolder(QLatin1StringView extension) {
    return dataFolder() + u'/' + fileBaseName() + extension;
}

} // namespace

QString dataFolder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           u"/Quillmere Log Analyzer"_s;
    QDir().mkpath(folder);
    return folder;
}

QString fileBaseName() {
    if (QCoreApplication::instance()) {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (!name.isEmpty())
            return name;
    }
    return u"quillmere-log-analyzer"_s;
}

QString statsFilePath() {
    return fileInDataFolder(".bin"_L1);
}
QString namesFilePath() {
    return fileInDataFolder(".nam"_L1);
}
QString lockFilePath() {
    return fileInDataFolder(".lock"_L1);
}

} // namespace AppPaths
