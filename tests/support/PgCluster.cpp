#include "PgCluster.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

namespace {
const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
}

PgCluster::PgCluster(const QStringList& hbaFirst)
    : dir_(QDir::tempPath() + QStringLiteral("/vantoria-pg-XXXXXX")), root_(geteuid() == 0) {
    // The port only names the socket file in our own folder; taking it from the pid keeps the shared-memory
    // keys of clusters in parallel test processes apart.
    static QAtomicInteger<int> made;
    port_ = 20000 + (QCoreApplication::applicationPid() * 7 + made++) % 40000;
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no temporary folder");
        return;
    }
    if (root_) {
        const passwd* postgres = getpwnam("postgres");
        if (!postgres ||
            chown(QFile::encodeName(dir_.path()).constData(), postgres->pw_uid, postgres->pw_gid) != 0) {
            error_ = QStringLiteral("cannot hand the folder to the postgres user");
            return;
        }
    }
    QString output;
    if (!run(Bin + QStringLiteral("initdb"),
             {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"), QStringLiteral("-A"),
              QStringLiteral("trust"), QStringLiteral("-U"), QStringLiteral("postgres"), QStringLiteral("-E"),
              QStringLiteral("UTF8"), QStringLiteral("--locale=C")},
             true, {}, &output)) {
        error_ = QStringLiteral("initdb: ") + output;
        return;
    }
    QFile hba(dir_.path() + QStringLiteral("/data/pg_hba.conf"));
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        hba.write(
            (hbaFirst + QStringList{QStringLiteral("local all all trust")}).join(QLatin1Char('\n')).toUtf8() +
            '\n') < 0) {
        error_ = QStringLiteral("cannot write pg_hba.conf");
        return;
    }
    hba.close();
    if (!start())
        error_ = QStringLiteral("the server did not start");
}

PgCluster::~PgCluster() {
    if (running_)
        run(Bin + QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
            true);
}

QString PgCluster::conninfo(const QString& user, const QString& database) const {
    return QStringLiteral("host=%1 port=%2 user=%3 dbname=%4")
        .arg(dir_.path())
        .arg(port_)
        .arg(user, database);
}

bool PgCluster::start() {
    running_ = run(Bin + QStringLiteral("pg_ctl"),
                   {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"), QStringLiteral("-l"),
                    dir_.path() + QStringLiteral("/log"), QStringLiteral("-w"), QStringLiteral("-o"),
                    QStringLiteral("-k %1 -p %2 -c listen_addresses=''").arg(dir_.path()).arg(port_),
                    QStringLiteral("start")},
                   true);
    return running_;
}

bool PgCluster::stop() {
    const bool stopped =
        run(Bin + QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), dir_.path() + QStringLiteral("/data"), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
            true);
    running_ = running_ && !stopped;
    return stopped;
}

bool PgCluster::psql(const QString& sql, const QString& database, QString* output) {
    return run(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
                QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), dir_.path(), QStringLiteral("-p"),
                QString::number(port_), QStringLiteral("-U"), QStringLiteral("postgres"),
                QStringLiteral("-d"), database, QStringLiteral("-f"), QStringLiteral("-")},
               false, sql.toUtf8(), output);
}

bool PgCluster::run(const QString& program, const QStringList& arguments, bool asServer,
                    const QByteArray& input, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir_.path());
    if (asServer && root_)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                             QStringLiteral("--"), program} +
                                                     arguments);
    else
        process.start(program, arguments);
    if (!process.waitForStarted())
        return false;
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
