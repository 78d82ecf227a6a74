#include "SafeSave.h"

#include <QSaveFile>

bool SaveFileSafely(const QString& path, const QByteArray& bytes, bool directWriteFallback, QString* errorText) {
    QSaveFile file(path);
    file.setDirectWriteFallback(directWriteFallback);
    const auto fail = [&] {
        if (errorText)
            *errorText = file.errorString().isEmpty() ? QStringLiteral("Device I/O error") : file.errorString();
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    if (file.write(bytes) != bytes.size() || file.size() != bytes.size())
        return fail();
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return false;
    }
    return true;
}
