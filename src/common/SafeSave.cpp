#include "SafeSave.h"

#include <QSaveFile>

SaveOutcome saveFileSafely(const QString& path, const QByteArray& bytes, bool directWriteFallback,
                           QString* errorText) {
    QSaveFile file(path);
    file.setDirectWriteFallback(directWriteFallback);
    const auto fail = [&](SaveOutcome outcome) {
        if (errorText)
            *errorText = file.errorString().isEmpty() ? QStringLiteral("Device I/O error")
                                                      : file.errorString();
        file.cancelWriting();
        return outcome;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(SaveOutcome::CannotCreate);
    if (file.write(bytes) != bytes.size() || file.size() != bytes.size())
        return fail(SaveOutcome::WriteFailed);
    if (!file.commit()) {
        if (errorText)
            *errorText = file.errorString();
        return SaveOutcome::WriteFailed;
    }
    return SaveOutcome::Saved;
}
