#include "records/OperatorName.h"

#include "records/RecordsConfig.h"

#include <QFile>
#include <QSaveFile>

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace records {

QString systemOperatorName() {
#ifdef _WIN32
    return qEnvironmentVariable("USERNAME");
#else
    if (const passwd* entry = ::getpwuid(::getuid())) {
        const QString full = QString::fromLocal8Bit(entry->pw_gecos ? entry->pw_gecos : "")
                                 .section(QLatin1Char(','), 0, 0)
                                 .trimmed();
        if (!full.isEmpty())
            return full;
        if (entry->pw_name)
            return QString::fromLocal8Bit(entry->pw_name);
    }
    return qEnvironmentVariable("USER");
#endif
}

QString rememberedOperator(const QString& iniPath) {
    const QString name = readRecordsConfig(iniPath).operatorName.trimmed();
    return name.isEmpty() ? systemOperatorName() : name;
}

bool rememberOperator(const QString& iniPath, const QString& name, QString* error) {
    QByteArray old;
    if (QFile current(iniPath); current.exists()) {
        if (!current.open(QIODevice::ReadOnly)) {
            // Writing now would throw away the server line the file may hold.
            *error = current.errorString();
            return false;
        }
        old = current.readAll();
    } // closed before the new file replaces it: Windows refuses to replace a file that is open
    QSaveFile file(iniPath);
    const QByteArray bytes = withOperator(old, name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace records
