#pragma once
// Writing a file all at once, the way every file of the program that is written whole is written.

#include <QByteArray>
#include <QString>

// The bytes go to a temporary file beside the target, which then replaces it: an interrupted or failed write
// (a full disk) never leaves a truncated file behind, and an old file stays as it was. False with the
// system's reason when the file could not be written.
bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* reason);
