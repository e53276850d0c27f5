#pragma once
// A private PostgreSQL 15 cluster for one test: a temporary folder, reached only through a Unix socket in
// that folder (no network address), stopped and removed when the object goes. As root the server runs as
// the `postgres` user, since PostgreSQL refuses to run as root.

#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class PgCluster {
public:
    // hbaFirst: pg_hba.conf lines put before the one that trusts every local login.
    explicit PgCluster(const QStringList& hbaFirst = {});
    ~PgCluster() { stop(); }

    QString error; // empty while the cluster is usable
    QString dir() const { return dir_.path(); }
    QString conninfo(const QString& user, const QString& database) const;
    bool start();
    bool stop();
    // Runs SQL (psql meta-commands allowed) as the superuser; false with psql's output in *output.
    bool psql(const QString& sql, const QString& database = QStringLiteral("postgres"),
              QString* output = nullptr);
    // Runs the SQL file at `path` as the superuser; false with the reason in `error`.
    bool psqlFile(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return error = file.errorString(), false;
        return psql(QString::fromUtf8(file.readAll()), QStringLiteral("postgres"), &error);
    }

private:
    bool run(const QString& command, bool asServer, const QByteArray& input = {}, QString* output = nullptr);

    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/vantoria-pg-XXXXXX")};
    int port_;
};
