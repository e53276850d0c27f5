#pragma once
// The records of this PC, and the clamps its clamp watch saw, in an SQLite database file, normally
// Vantoria.db in the working folder; the schema is docs/records-schema.sql. A stored record is on the disk
// when insert returns (WAL, synchronous=FULL). One instance is one connection and belongs to the thread that
// opened it; another thread (the sending queue) and another process open their own instance of the same file,
// and their writes wait for each other.

#include "cycles/CycleStore.h"
#include "records/Outbox.h"
#include "records/PageSalvage.h"
#include "records/RecordStore.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <functional>
#include <memory>

class QSqlQuery;

namespace records {

// What open() found, for the caller to tell the user once.
struct OpenReport {
    QString damagedKeptAs; // the file found was no usable database: it was renamed to this and a new one made
    int salvaged = 0;      // records that could still be read from the damaged file, now in the new one
    bool newerSchema = false; // written by a newer program: opened read-only, never changed
    bool notWritable = false; // the file or its folder may not be written: opened read-only
    QString error;            // why no store could be opened at all
};

class SqliteStore : public RecordStore, public Outbox, public cycles::CycleStore {
public:
    static constexpr const char* DefaultFileName = "Vantoria.db";
    static constexpr int SchemaVersion = 4;
    // In the file's header: this program's databases are told from other SQLite files by it ("VTOR").
    static constexpr qint32 ApplicationId = 0x56544F52;

    // Null, with the reason in report->error, when the file cannot be opened or made.
    static std::unique_ptr<SqliteStore> open(const QString& path, OpenReport* report = nullptr);
    // Another connection to a file that open() has checked already, for a thread that only reads (the
    // history's searches and exports): it opens the file as open() does and changes nothing in it.
    static std::unique_ptr<SqliteStore> openReader(const QString& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // With a plant server, each record, note and row of the clamp watch inserted from now on is queued for it
    // in the same transaction, so nothing stored is ever left unsent.
    void setQueueForServer(bool queue) { queue_ = queue; }

    bool insert(const Record& record, QString* error, qint64* number = nullptr) override;
    bool addNote(const QString& id, const QString& author, const QString& text, QString* error) override;
    int count(const Filter& filter) override;
    Page page(const Filter& filter, const PageKey& after, int limit) override;
    // As page(), in steps that a reading thread can stop between: looks at no more than `lookAt` records
    // after `after` (all with 0), and at none after `through` when that is given. `next` is where it
    // stopped looking, so a search that finds little costs `lookAt` records a step, not the whole file.
    Page scan(const Filter& filter, const PageKey& after, int limit, int lookAt, const PageKey& through = {});
    // How many records of the filter lie among the next `lookAt` records after *from (all with 0); *from
    // moves to where it stopped looking, *end tells whether that was the last record.
    int countWithin(const Filter& filter, PageKey* from, int lookAt, bool* end);
    std::optional<Record> find(const QString& id) override;
    std::optional<Record> latest() override;
    QStringList machines() override;
    QList<Record> trend(const QString& machine, int limit) override;
    bool readOnly() const override { return readOnly_; }

    QList<OutboxItem> pending(int limit, bool clampWatch = true) override;
    int pendingCount() override;
    bool markSent(const QList<qint64>& seqs, QString* error) override;
    bool setAside(qint64 seq, const QString& reason, QString* error) override;
    Refused refused() override;
    bool requeue(QString* error) override;
    bool keepFromServer(const QList<Record>& records, const QList<Note>& notes, QString* error) override;
    qint64 serverPosition() override;
    bool setServerPosition(qint64 position, QString* error) override;

    // The clamp watch's rows (SqliteCycles.cpp).
    bool insertCycle(const cycles::CycleRow& row, QString* error) override;
    bool insertReference(const cycles::CycleReference& reference, QString* error) override;
    bool insertAlarm(const cycles::CycleAlarm& alarm, QString* error) override;
    bool acknowledge(const QList<cycles::AlarmAck>& acks, QString* error) override;
    std::optional<cycles::CycleReference> reference(const QString& machine) override;
    QList<cycles::CycleRow> lastCycles(const QString& machine, int limit) override;
    QList<cycles::CycleRow> cyclesSince(const QString& machine, const QDateTime& since) override;
    QList<AlarmEntry> alarms(const QString& machine, int limit) override;

    // An added note as it reads in a record's note: "text (Name, 2026-12-07 14:03 UTC)".
    static QString noteLine(const Note& note);
    QString path() const { return db_.databaseName(); }

private:
    enum class Health { Usable, Damaged, Failed };
    explicit SqliteStore(const QString& path);
    Health connect(OpenReport* report);
    bool createSchema(QString* error);
    // The statements of the built-in docs/records-schema.sql, comments aside.
    static QStringList schemaStatements();
    bool upgrade(QString* error);
    // Within upgrade(): the outbox takes the clamp watch's kinds, and its tables are made (SqliteCycles.cpp).
    bool addClampWatch();
    // The search's own comparison (SqliteStore.cpp), on this connection; false, closed, when SQLite refuses.
    bool addSearchFunction();
    void checkpointOnClose(bool on);

    QSqlQuery run(const QString& sql, const QVariantList& values, bool* ok = nullptr);
    // Runs `work` inside BEGIN IMMEDIATE ... COMMIT, so that concurrent writers queue instead of failing.
    bool inTransaction(const std::function<bool()>& work, QString* error);
    bool refuseWhenReadOnly(QString* error) const;
    bool insertRecord(const Record& record, bool queue, qint64* number, bool fromServer = false);
    bool insertNote(const Note& note, bool queue, bool fromServer = false);
    // The key of the `n`th record of the machine (every machine when empty) after `after`; null when there
    // are fewer.
    PageKey keyAfter(const QString& machine, const PageKey& after, int n);
    QList<Record> select(const QString& where, const QVariantList& values, const QString& tail,
                         bool withAddedNotes = true);
    void appendAddedNotes(QList<Record>& records);
    std::optional<Note> findNote(const QString& id);
    // The clamp watch's side of the queue (SqliteCycles.cpp): the row an item names, and queueing those
    // stored before a server was named.
    bool loadClampWatchItem(OutboxItem& item, const QString& ref);
    bool requeueClampWatch();
    // Inserts a row of the clamp watch with `sql` (INSERT OR IGNORE) and queues it when it is new.
    bool insertQueued(const QString& sql, const QVariantList& values, const char* kind, const QString& ref,
                      QString* error);
    // Every row still on a page of the file at `path` or of its log.
    static QList<page_salvage::Row> salvage(const QString& path);
    int restore(const QList<page_salvage::Row>& rows);

    QString connection_;
    QSqlDatabase db_;
    QString lastError_;
    bool readOnly_ = false;
    bool notWritable_ = false;
    bool queue_ = false;
};

} // namespace records
