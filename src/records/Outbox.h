#pragma once
// What the local database still owes the plant server, and what it keeps of the server's records. The
// sending queue works through it on its own thread, with its own connection to the local database.

#include "cycles/Cycle.h"
#include "records/Record.h"
#include "records/ServerStatus.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace records {

// A note added to a record later. Notes are only ever inserted, on this PC and on the server.
struct Note {
    QString id;        // UUID, lower case, without braces
    QString recordId;  // the record it belongs to
    QDateTime addedAt; // UTC
    QString author;
    QString text;

    bool operator==(const Note&) const = default;
};

// One thing to send: a record, a note, or a clamp, a reference, an alarm or an acknowledgement of the clamp
// watch, in the order they were stored.
struct OutboxItem {
    qint64 seq = 0;
    // In the order they go: each kind may name one of the kinds before it, never one after it.
    enum class Kind { Record, Note, Cycle, Reference, Alarm, Ack } kind = Kind::Record;
    Record record; // for Kind::Record
    Note note;     // for Kind::Note
    cycles::CycleRow cycle;
    cycles::CycleReference reference;
    cycles::CycleAlarm alarm;
    cycles::AlarmAck ack;

    bool isClampWatch() const { return kind >= Kind::Cycle; }
};

class Outbox {
public:
    virtual ~Outbox() = default;
    // Up to `limit` items neither acknowledged by the server nor refused by it, a kind at a time in the order
    // of OutboxItem::Kind, since what an item names must be there first (a record stored before the server
    // was named is queued after notes added to it later), each kind oldest first. Without `clampWatch`, only
    // records and notes: for a server that has no tables for the rest yet.
    virtual QList<OutboxItem> pending(int limit, bool clampWatch = true) = 0;
    // Those still to be sent; not counting the refused ones.
    virtual int pendingCount() = 0;
    // The server has them: they stay, marked sent, so that what the server has is known.
    virtual bool markSent(const QList<qint64>& seqs, QString* error) = 0;
    // The server refused the item for what it holds: it is set aside with the server's reason and the rest
    // goes on. requeue() tries it once more.
    virtual bool setAside(qint64 seq, const QString& reason, QString* error) = 0;
    virtual Refused refused() = 0;
    // Once when sending starts: every record, note and row of the clamp watch of this PC's own that was never
    // queued is queued (those stored before Records.ini named a server), and the refused ones go once more.
    virtual bool requeue(QString* error) = 0;
    // Records and notes of the whole plant, as the server gave them: kept here so that the history shows
    // them without the network; already known ids are skipped. Never queued for sending.
    virtual bool keepFromServer(const QList<Record>& records, const QList<Note>& notes, QString* error) = 0;
    // Where the last pull from the server ended (the server's own sequence); 0 before the first.
    virtual qint64 serverPosition() = 0;
    virtual bool setServerPosition(qint64 position, QString* error) = 0;
};

} // namespace records
