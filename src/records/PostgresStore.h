#pragma once
// The plant's records server: a PostgreSQL database set up by docs/records-server.sql, reached through
// Qt's QPSQL driver with a libpq connection string, so that ~/.pgpass, PGPASSFILE, sslmode and libpq's
// other settings work as libpq documents them. The program only inserts and reads; it never creates,
// changes or deletes anything there.
//
// A store lives on the thread that made it (a Qt SQL connection may not change threads).

#include "records/Outbox.h"
#include "records/RecordStore.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>

#include <functional>

namespace records {

// Why the server could not be used.
enum class ServerFailure {
    None,
    Unreachable,  // no answer: no route, no server, a timeout, the connection broke
    LoginRefused, // the server answered and refused us: password, role, pg_hba.conf
    Other,        // the server was there and let us in, but something else went wrong
    DataRefused,  // the server refused what was sent: a value or a constraint (SQLSTATE 22, 23, 54)
};

// The failure a libpq message describes. The server words its messages in its own language; the
// English, German and Italian words for a refused login are recognised.
ServerFailure classifyServerMessage(const QString& message);
// The part of a libpq message worth showing in a status line: its first line, without the socket address.
QString shortServerReason(const QString& message);
// The connection string as it is handed to libpq, in its key=value form: Qt's driver cannot pass a URI
// ("postgresql://user@host/db") on, so one is turned into that form here. Timeouts are added where none are
// given, so that a server that does not answer cannot hold a connection attempt or a query for minutes.
// Empty, with the reason in *error, for a string that cannot be read.
QString withConnectDefaults(const QString& conninfo, QString* error = nullptr);
// The text with every password of a connection string in it made unreadable: a URI's "user:password@" and
// its "?password=", and "password=..." of the key=value form. Messages that may quote the connection string
// pass through it before the status line, a dialog or the standard error output shows them.
QString withoutPasswords(const QString& text);

// What a pull from the server brought: everything after a position, up to a new one.
struct Pulled {
    QList<Record> records; // `note` holds the note taken with the record; later notes are in `notes`
    QList<Note> notes;
    qint64 position = 0;
};

class PostgresStore : public RecordStore {
public:
    explicit PostgresStore(const QString& conninfo);
    ~PostgresStore() override;
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    // Why no server can be reached from this program at all (no PostgreSQL driver); empty when it can.
    static QString unavailableReason();

    // Connects (if not connected) and checks that the server's tables are there in a version this program
    // knows. False with the reason; failure() then tells what kind of failure it was.
    bool open(QString* error);
    void close();
    bool isOpen() const;
    ServerFailure failure() const { return failure_; }

    // The server has the clamp watch's tables (known once connected); without them its items wait on the PC.
    bool takesCycles() const { return version_ >= 4; }
    // Stores records, notes and the clamp watch's rows in one transaction: all of them or none. Ones already
    // there are skipped, so sending the same items again (after a crash before the acknowledgement) stores
    // each once.
    bool send(const QList<OutboxItem>& items, QString* error);
    // Records and notes stored after `position`, up to about `limit` of them, in the server's order.
    bool pull(qint64 position, int limit, Pulled* out, QString* error);

    bool insert(const Record& record, QString* error, qint64* number = nullptr) override;
    bool addNote(const QString& id, const QString& author, const QString& text, QString* error) override;
    int count(const Filter& filter) override;
    Page page(const Filter& filter, const PageKey& after, int limit) override;
    std::optional<Record> find(const QString& id) override;
    std::optional<Record> latest() override;
    QStringList machines() override;
    QList<Record> trend(const QString& machine, int limit) override;
    bool readOnly() const override { return readOnly_; }

private:
    bool fail(const QString& message, QString* error);
    bool insertRows(const QString& table, const QString& columns, const QList<QVariantList>& rows,
                    QSqlError* error, const QString& key = QStringLiteral("id"));
    bool inTransaction(const std::function<bool(QSqlError*)>& work, QString* error);
    // *last, when given, receives the key of the last record read.
    QList<Record> select(const QString& where, const QVariantList& values, const QString& tail,
                         bool joinNotes, PageKey* last = nullptr);

    QString connectionName_;
    QString conninfo_;
    QString password_; // of the connection string, never shown
    ServerFailure failure_ = ServerFailure::None;
    bool readOnly_ = false;
    int version_ = 0; // of the server's tables, known once connected
    bool withUnits() const { return version_ >= 3; }
    QString recordColumns() const;
    QString selectColumns() const;
};

} // namespace records
