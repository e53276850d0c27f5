#include "UserFolder.h"

#include "Resources.h"
#include "graph/Journal.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace user_folder {

QString path(const QString& xdgDataHome, const QString& home) {
    const QString base =
        QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/Vantoria"));
}

QString problemWith(const QString& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder.toStdString(), error);
    if (error)
        return QString::fromStdString(error.message());
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("Not a directory");
    // A few kilobytes, as much as the settings file: an empty file can still be made on a full disk.
    QTemporaryFile probe(folder + QStringLiteral("/.write-test-XXXXXX"));
    if (!probe.open())
        return probe.errorString();
    const QByteArray bytes(4096, ' ');
    if (probe.write(bytes) != bytes.size() || !probe.flush())
        return probe.errorString();
    return {};
}

std::unique_ptr<QTemporaryDir> standInFor(const QString& folder) {
    auto standIn = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/Vantoria-XXXXXX"));
    if (!standIn->isValid())
        return nullptr;
    // Qt gives the copy of a read-only file its owner's write permission, so the copies take the end's
    // writes.
    QStringList names = {QString::fromLatin1(Journal::DefaultFileName)};
    for (const char* name : ShippedFiles)
        names.append(QString::fromLatin1(name));
    for (const QString& name : names)
        QFile::copy(folder + QLatin1Char('/') + name, standIn->filePath(name));
    // The links that give the amplifier its COM number are the user's, not settings: used where they are.
    const QString ports = folder + QStringLiteral("/ports");
    if (QFileInfo(ports).isDir())
        QFile::link(ports, standIn->filePath(QStringLiteral("ports")));
    return standIn;
}

Entered enter(const QString& folder) {
    Entered entered;
    entered.problem = problemWith(folder);
    if (entered.problem.isEmpty()) {
        if (QDir::setCurrent(folder))
            return entered;
        entered.problem = QStringLiteral("Cannot enter the folder");
    }
    std::unique_ptr<QTemporaryDir> standIn = standInFor(folder);
    if (standIn && QDir::setCurrent(standIn->path()))
        entered.standIn = std::move(standIn);
    // else nowhere else to go: the program stays in the folder it was started in
    return entered;
}

} // namespace user_folder
