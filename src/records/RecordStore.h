#pragma once
// Where records are kept: the SQLite database of the working folder, and a PostgreSQL server of the plant.
// Records are only ever inserted; a note is added beside a record, never written into it.

#include "records/Record.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace records {

// Which records a list shows. Empty members select everything.
struct Filter {
    QString machine; // exactly this machine
    QString search;  // contained in machine, serial number, comment, operator or note, whatever the case;
                     // on this PC also whether ß and umlauts are written as ss, ae, oe, ue
};

// A place in the history's order: newest first by the time taken, then by the store's running number. The
// records after a key are older, or as old and stored earlier; the null key stands before the newest.
struct PageKey {
    QString takenAt;  // as the store keeps it
    qint64 order = 0; // the store's running number
    bool isNull() const { return takenAt.isNull(); }
    bool operator==(const PageKey&) const = default;
};
// True when `a` comes before `b` in that order.
inline bool comesBefore(const PageKey& a, const PageKey& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() && !b.isNull();
    return a.takenAt != b.takenAt ? a.takenAt > b.takenAt : a.order > b.order;
}

// Some of a filter's records, newest first, and where the following ones start.
struct Page {
    QList<Record> records;
    PageKey next;     // the next page starts after this key
    bool end = false; // the filter has no records after `next`
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
    // Up to `limit` records of the filter after `after`, newest first. A page deep down costs what the first
    // one costs: the store continues after the key instead of reading everything before it again.
    virtual Page page(const Filter& filter, const PageKey& after, int limit) = 0;
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
