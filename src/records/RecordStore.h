#pragma once
// Where records are kept: the SQLite database of the working folder, and a PostgreSQL server of the plant.
// Records are only ever inserted; a note is added beside a record, never written into it.

#include "records/Record.h"

#include <QList>
#include <QtGlobal>
#include <QString>
#include <QStringList>

#include <optional>

namespace records {

// Which records a list shows. Empty members select everything.
struct Filter {
    QString machine; // exactly this machine
    QString search;  // contained (case-insensitive) in machine, serial number, comment, operator or note
};

class RecordStore {
public:
    virtual ~RecordStore() = default;

    // Stores a new record. False with the reason in *error when it was not stored; a record is never claimed
    // stored that is not. A record whose id is already there counts as stored, and is stored once. *number,
    // when given, receives the record's running number in this store ("Record 17 stored").
    virtual bool insert(const Record& record, QString* error, qint64* number = nullptr) = 0;
    // Adds a note to a stored record, with its time and author; false with the reason when it could not.
    virtual bool addNote(const QString& id, const QString& author, const QString& text, QString* error) = 0;

    virtual int count(const Filter& filter) = 0;
    // Up to `limit` records from `offset`, newest first.
    virtual QList<Record> page(const Filter& filter, int offset, int limit) = 0;
    virtual std::optional<Record> find(const QString& id) = 0;
    virtual std::optional<Record> latest() = 0;
    // Every machine name that has a record, sorted.
    virtual QStringList machines() = 0;
    // The last `limit` records of a machine, oldest first: the trend. Only what a trend draws is filled in
    // (id, time and offset, machine, unit, channels, main value, totals, deviation, tolerance and whether
    // within it), so that thousands of points come quickly; find() gives a whole record.
    virtual QList<Record> trend(const QString& machine, int limit) = 0;

    // True when the store may not be changed (a newer schema): insert and addNote then refuse.
    virtual bool readOnly() const = 0;
};

} // namespace records
