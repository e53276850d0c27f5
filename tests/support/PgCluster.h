#pragma once
// A private PostgreSQL 15 cluster for one test: a temporary folder, reached only through a Unix socket in
// that folder (no network address), stopped and removed when the object goes. As root the server runs as
// the `postgres` user, since PostgreSQL refuses to run as root.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class PgCluster {
public:
    // hbaFirst: pg_hba.conf lines put before the one that trusts every local login.
    explicit PgCluster(const QStringList& hbaFirst = {});
    ~PgCluster();
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    QString socketDir() const { return dir_.path(); }
    int port() const { return port_; }
    // A libpq connection string to this cluster.
    QString conninfo(const QString& user, const QString& database) const;

    bool stop();
    bool start();
    // Runs SQL (a file's text, psql meta-commands allowed) as the superuser; false with psql's output in
    // *output on an error.
    bool psql(const QString& sql, const QString& database = QStringLiteral("postgres"),
              QString* output = nullptr);

private:
    bool run(const QString& program, const QStringList& arguments, bool asServer,
             const QByteArray& input = {}, QString* output = nullptr);

    QTemporaryDir dir_;
    int port_ = 0;
    bool root_ = false;
    bool running_ = false;
    QString error_;
};
