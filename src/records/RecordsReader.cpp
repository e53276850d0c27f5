#include "records/RecordsReader.h"

#include "records/RecordsCsv.h"
#include "records/SqliteStore.h"

#include <QThread>

#include <limits>
#include <optional>

namespace records {

// Lives on the reader's thread with its own connection. One reading and one count at most: a new request
// replaces the one waiting. Work goes in steps, each a queued call of its own, so that a request
// that comes in meanwhile is seen between two steps; the reading goes first, since the table waits for it.
class ReaderWorker : public QObject {
    Q_OBJECT
public:
    struct Reading {
        quint64 ticket;
        Filter filter;
        PageKey cursor;
        PageKey through;
        int wanted;
        bool fromTop; // then reaching the end has counted the filter's records
        int found = 0;
    };
    struct Trend {
        quint64 ticket;
        QString machine;
        int limit;
    };
    struct Counting {
        quint64 ticket;
        Filter filter;
        PageKey cursor;
        int total = 0;
    };

    explicit ReaderWorker(const QString& path) : path_(path) {}

    void setReading(const Reading& reading) {
        reading_ = reading;
        schedule();
    }
    void setCounting(const Counting& counting) {
        counting_ = counting;
        schedule();
    }
    void setTrend(const Trend& trend) {
        trend_ = trend;
        schedule();
    }

signals:
    void rowsRead(quint64 ticket, const records::Page& page, bool done);
    void counted(quint64 ticket, int total);
    void trendRead(quint64 ticket, const QList<records::Record>& records);

private:
    void schedule() {
        if (scheduled_)
            return;
        scheduled_ = true;
        QMetaObject::invokeMethod(this, &ReaderWorker::step, Qt::QueuedConnection);
    }

    void step() {
        scheduled_ = false;
        if (!reading_ && !counting_ && !trend_)
            return;
        if (!store_)
            store_ = SqliteStore::openReader(path_);
        if (!store_) { // nothing to read: the table stays empty rather than waiting
            if (reading_)
                emit rowsRead(reading_->ticket, Page{{}, {}, true}, true);
            if (counting_)
                emit counted(counting_->ticket, 0);
            if (trend_)
                emit trendRead(trend_->ticket, {});
            reading_.reset();
            counting_.reset();
            trend_.reset();
            return;
        }
        if (reading_) {
            readStep(*reading_);
        } else if (trend_) {
            emit trendRead(trend_->ticket, store_->trend(trend_->machine, trend_->limit));
            trend_.reset();
        } else {
            countStep(*counting_);
        }
        if (reading_ || counting_ || trend_)
            schedule();
    }

    void readStep(Reading& r) {
        const bool toThrough = !r.through.isNull();
        const Page page =
            store_->scan(r.filter, r.cursor, toThrough ? std::numeric_limits<int>::max() : r.wanted,
                         RecordsReader::StepRecords, r.through);
        r.cursor = page.next;
        r.found += static_cast<int>(page.records.size());
        bool done = page.end;
        if (toThrough) {
            if (page.next == r.through)
                r.through = {};
            done = done || (r.through.isNull() && r.wanted <= 0);
        } else {
            r.wanted -= static_cast<int>(page.records.size());
            done = done || r.wanted <= 0;
        }
        if (!page.records.isEmpty() || done)
            emit rowsRead(r.ticket, page, done);
        if (!done)
            return;
        // A reading from the top to the end has counted them already.
        if (page.end && r.fromTop && counting_ && counting_->ticket == r.ticket) {
            emit counted(r.ticket, r.found);
            counting_.reset();
        }
        reading_.reset();
    }

    void countStep(Counting& c) {
        bool end = false;
        // Without a search the indexes count at once; a search goes in steps.
        c.total += store_->countWithin(c.filter, &c.cursor,
                                       c.filter.search.isEmpty() ? 0 : RecordsReader::StepRecords, &end);
        if (!end)
            return;
        emit counted(c.ticket, c.total);
        counting_.reset();
    }

    QString path_;
    std::unique_ptr<SqliteStore> store_;
    std::optional<Reading> reading_;
    std::optional<Counting> counting_;
    std::optional<Trend> trend_;
    bool scheduled_ = false;
};

RecordsReader::RecordsReader(const QString& path, QObject* parent)
    : QObject(parent), path_(path), thread_(new QThread(this)), worker_(new ReaderWorker(path)) {
    qRegisterMetaType<records::Page>();
    qRegisterMetaType<QList<records::Record>>();
    worker_->moveToThread(thread_);
    // The worker and its connection end on the thread that used them.
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &ReaderWorker::rowsRead, this, &RecordsReader::rowsRead, Qt::QueuedConnection);
    connect(worker_, &ReaderWorker::counted, this, &RecordsReader::counted, Qt::QueuedConnection);
    connect(worker_, &ReaderWorker::trendRead, this, &RecordsReader::trendRead, Qt::QueuedConnection);
    thread_->start();
}

RecordsReader::~RecordsReader() {
    thread_->quit();
    thread_->wait();
    stopExport_ = true;
    if (exportThread_) {
        exportThread_->wait();
        delete exportThread_;
    }
}

void RecordsReader::read(quint64 ticket, const Filter& filter, const PageKey& after, const PageKey& through,
                         int limit) {
    const ReaderWorker::Reading reading{ticket, filter, after, through, limit, after.isNull()};
    QMetaObject::invokeMethod(
        worker_, [w = worker_, reading] { w->setReading(reading); }, Qt::QueuedConnection);
}

void RecordsReader::count(quint64 ticket, const Filter& filter) {
    const ReaderWorker::Counting counting{ticket, filter, {}};
    QMetaObject::invokeMethod(
        worker_, [w = worker_, counting] { w->setCounting(counting); }, Qt::QueuedConnection);
}

void RecordsReader::trend(quint64 ticket, const QString& machine, int limit) {
    const ReaderWorker::Trend trend{ticket, machine, limit};
    QMetaObject::invokeMethod(
        worker_, [w = worker_, trend] { w->setTrend(trend); }, Qt::QueuedConnection);
}

void RecordsReader::exportCsv(const QString& target, const Filter& filter, const QStringList& header,
                              const QStringList& verdicts, const QString& delimiter) {
    if (exportThread_)
        return;
    stopExport_ = false;
    exportThread_ = QThread::create([this, path = path_, target, filter, header, verdicts, delimiter] {
        int written = 0;
        QString error;
        const std::unique_ptr<SqliteStore> store = SqliteStore::openReader(path);
        if (!store)
            error = QStringLiteral("the records database cannot be read");
        else if (writeRecordsCsv(target, *store, filter, header, verdicts, delimiter, &written, &error,
                                 &stopExport_))
            error.clear();
        QMetaObject::invokeMethod(
            this,
            [this, target, written, error] {
                exportThread_->wait();
                delete exportThread_;
                exportThread_ = nullptr;
                emit exported(target, written, error);
            },
            Qt::QueuedConnection);
    });
    exportThread_->start();
}

} // namespace records

#include "RecordsReader.moc"
