#include "WholeFile.h"

#include <QSaveFile>

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* reason) {
    QSaveFile file(path);
    // Unbuffered, so a failing write is seen before commit() replaces the old file: with a buffer the failure
    // would only come at the final flush, which commit() does not check.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size() &&
        file.commit())
        return true;
    if (reason)
        *reason = file.errorString();
    return false;
}
