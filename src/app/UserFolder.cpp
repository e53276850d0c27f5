#include "app/UserFolder.h"

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

QString systemPath() {
#ifdef _WIN32
    const QString local = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
    const QString base =
        QDir::isAbsolutePath(local) ? local : QDir::homePath() + QStringLiteral("/AppData/Local");
    return QDir::cleanPath(base + QStringLiteral("/Vantoria"));
#else
    return path(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
#endif
}

QString problemWith(const QString& folder) {
    std::error_code error;
    // From UTF-16, so that a name outside the Windows code page is made as it is.
    std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), error);
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

StandIn::~StandIn() {
    const QString folder = QDir(path()).canonicalPath();
    const QString current = QDir::current().canonicalPath();
    if (!folder.isEmpty() && (current == folder || current.startsWith(folder + QLatin1Char('/'))))
        QDir::setCurrent(QDir::tempPath());
}

std::unique_ptr<StandIn> standInFor(const QString& folder) {
    auto standIn = std::make_unique<StandIn>(QDir::tempPath() + QStringLiteral("/Vantoria-XXXXXX"));
    if (!standIn->isValid())
        return nullptr;
    // The copies take the end's writes even where the user's files are read-only; on Linux Qt's copy is
    // writable anyway, on Windows it keeps the read-only attribute.
    QStringList names = {QString::fromLatin1(Journal::DefaultFileName)};
    for (const char* name : ShippedFiles)
        names.append(QString::fromLatin1(name));
    for (const QString& name : names) {
        const QString copy = standIn->filePath(name);
        if (QFile::copy(folder + QLatin1Char('/') + name, copy))
            QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ReadOwner | QFile::WriteOwner);
    }
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
    std::unique_ptr<StandIn> standIn = standInFor(folder);
    if (standIn && QDir::setCurrent(standIn->path()))
        entered.standIn = std::move(standIn);
    // else nowhere else to go: the program stays in the folder it was started in
    return entered;
}

} // namespace user_folder
