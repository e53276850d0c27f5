#include "PgCluster.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

// The port only names the socket file in our own folder; taken from the pid, it keeps the shared-memory
// keys of clusters in parallel test processes apart.
PgCluster::PgCluster(const QStringList& hbaFirst)
    : port_(20000 + QCoreApplication::applicationPid() % 40000) {
    const passwd* postgres = getpwnam("postgres");
    QFile hba(dir() + QStringLiteral("/data/pg_hba.conf"));
    if (geteuid() == 0 &&
        (!postgres || chown(QFile::encodeName(dir()), postgres->pw_uid, postgres->pw_gid) != 0))
        error = QStringLiteral("cannot hand the folder to the postgres user");
    else if (!run(QStringLiteral("initdb -D %1/data -A trust -U postgres -E UTF8 --locale=C").arg(dir()),
                  true, {}, &error))
        error.prepend(QStringLiteral("initdb: "));
    else if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
             hba.write(
                 (hbaFirst.join(QLatin1Char('\n')) + QStringLiteral("\nlocal all all trust\n")).toUtf8()) < 0)
        error = QStringLiteral("cannot write pg_hba.conf");
    else if (hba.close(), !start())
        error = QStringLiteral("the server did not start");
    else
        error.clear();
}

QString PgCluster::conninfo(const QString& user, const QString& database) const {
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4").arg(dir()).arg(port_).arg(user, database);
}

bool PgCluster::start() {
    return run(
        QStringLiteral("pg_ctl -D %1/data -l %1/log -w -o \"-k %1 -p %2 -c listen_addresses=''\" start")
            .arg(dir())
            .arg(port_),
        true);
}

bool PgCluster::stop() {
    return run(QStringLiteral("pg_ctl -D %1/data -m immediate -w stop").arg(dir()), true);
}

bool PgCluster::psql(const QString& sql, const QString& database, QString* output) {
    return run(QStringLiteral("psql -X -q -v ON_ERROR_STOP=1 -h %1 -p %2 -U postgres -d %3 -f -")
                   .arg(dir())
                   .arg(port_)
                   .arg(database),
               false, sql.toUtf8(), output);
}

bool PgCluster::run(const QString& command, bool asServer, const QByteArray& input, QString* output) {
    QStringList arguments = QProcess::splitCommand(command);
    if (asServer)
        arguments[0].prepend(QStringLiteral("/usr/lib/postgresql/15/bin/"));
    if (asServer && geteuid() == 0)
        arguments = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"), QStringLiteral("postgres"),
                                QStringLiteral("--")} +
                    arguments;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir());
    process.start(arguments.takeFirst(), arguments);
    process.write(input);
    process.closeWriteChannel();
    const bool finished = process.waitForFinished(60000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
