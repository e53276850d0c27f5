#pragma once
// The history's reading off the window's thread. With a million records a search that finds little, its
// count and an export take seconds; they run here, on connections of their own to the records file, and
// their results come back as queued signals, tagged with the request's ticket. A newer read replaces the
// one under way at its next step; what that one had sent already is for the receiver to drop by its ticket.

#include "records/RecordStore.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;

namespace records {

class ReaderWorker;

class RecordsReader : public QObject {
    Q_OBJECT
public:
    // Records a search looks at in one step, some tens of milliseconds of work: how long a superseded
    // search holds up the next one at most.
    static constexpr int StepRecords = 20000;

    // `path`: the records file, opened and checked by the window's store already.
    explicit RecordsReader(const QString& path, QObject* parent = nullptr);
    // Waits for the step under way and for an export's page, some tens of milliseconds; an export that
    // had not finished leaves its target as it was.
    ~RecordsReader() override;

    // Request `ticket`: replaces the reading under way (a request of the same ticket continues it). Reads the
    // filter's records after `after` down to `through` when that is given (a refresh keeps every row it had),
    // then `limit` more. rowsRead brings them a step at a time.
    void read(quint64 ticket, const Filter& filter, const PageKey& after, const PageKey& through, int limit);
    // How many records the filter selects, once the reading of the same ticket is done.
    void count(quint64 ticket, const Filter& filter);
    // The trend of a machine (RecordStore::trend), before any count; a newer one replaces one not begun.
    void trend(quint64 ticket, const QString& machine, int limit);
    // Writes the filter's records to a CSV file on a thread of its own, beside every reading; `verdicts` as
    // csvFields() takes them.
    void exportCsv(const QString& target, const Filter& filter, const QStringList& header,
                   const QStringList& verdicts, const QString& delimiter);
    bool exporting() const { return exportThread_ != nullptr; }

signals:
    // Some records of request `ticket`; `done` with the last of them.
    void rowsRead(quint64 ticket, const records::Page& page, bool done);
    void counted(quint64 ticket, int total);
    void trendRead(quint64 ticket, const QList<records::Record>& records);
    // An export ended: `error` is empty when every record was written.
    void exported(const QString& target, int written, const QString& error);

private:
    QString path_;
    QThread* thread_;
    ReaderWorker* worker_;
    QThread* exportThread_ = nullptr;
    std::atomic<bool> stopExport_ = false;
};

} // namespace records
