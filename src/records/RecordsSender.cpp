#include "records/RecordsSender.h"

#include "records/PostgresStore.h"
#include "records/SqliteStore.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

namespace records {

namespace {
constexpr int SendBatch = 500;
// The plant's records are written into the local file in transactions of this many; the record button on
// the GUI thread waits for such a transaction, so it stays at a few tens of milliseconds.
constexpr int PullBatch = 200;
constexpr int FirstRetryMs = 2000;
constexpr int LongestRetryMs = 60000;
// With everything sent, the other PCs' records are looked for this often.
constexpr int PullIntervalMs = 60000;

ServerStatus statusOf(Outbox& outbox, ServerStatus::State state, const QString& reason) {
    return {state, outbox.pendingCount(), reason.isEmpty() ? QString() : shortServerReason(reason),
            outbox.refused()};
}

ServerStatus failed(PostgresStore& server, Outbox& outbox, const QString& error) {
    switch (server.failure()) {
    case ServerFailure::LoginRefused:
        return statusOf(outbox, ServerStatus::State::LoginRefused, error);
    case ServerFailure::Unreachable:
        return statusOf(outbox, ServerStatus::State::Unreachable, error);
    default: // the server answered: a full disk, a lock it waited for too long, a newer schema
        return statusOf(outbox, ServerStatus::State::Waiting, error);
    }
}

// Sends the items and marks them sent. When the server refuses the batch for what it holds, the batch is
// halved until the refused items are found; they are set aside and everything else is sent, so that one
// item the server will never take cannot hold up the queue.
bool sendSettingAside(Outbox& outbox, PostgresStore& server, const QList<OutboxItem>& items, QString* error,
                      const std::atomic<bool>& stop) {
    if (stop)
        return true;
    if (server.send(items, error)) {
        QList<qint64> seqs;
        for (const OutboxItem& item : items)
            seqs << item.seq;
        // Should this fail, the items go again and the server skips them.
        return outbox.markSent(seqs, error);
    }
    if (server.failure() != ServerFailure::DataRefused)
        return false;
    if (items.size() == 1)
        return outbox.setAside(items[0].seq, shortServerReason(*error), error);
    const qsizetype half = items.size() / 2; // the records stay before the notes
    return sendSettingAside(outbox, server, items.first(half), error, stop) &&
           sendSettingAside(outbox, server, items.sliced(half), error, stop);
}
} // namespace

RoundResult sendAndPull(Outbox& outbox, PostgresStore& server, const std::atomic<bool>& stop,
                        const std::function<void(const ServerStatus&)>& sending) {
    RoundResult result;
    QString error;
    if (!server.open(&error))
        return {failed(server, outbox, error), false};
    for (bool first = true; !stop; first = false) {
        const QList<OutboxItem> items = outbox.pending(SendBatch, server.takesCycles());
        if (items.isEmpty())
            break;
        // The count stays in view while a send is under way, however long the server takes.
        if (first && sending)
            sending(statusOf(outbox, ServerStatus::State::Waiting, {}));
        if (!sendSettingAside(outbox, server, items, &error, stop))
            return {failed(server, outbox, error), false};
    }
    while (!stop) {
        Pulled pulled;
        const qint64 position = outbox.serverPosition();
        if (!server.pull(position, PullBatch, &pulled, &error))
            return {failed(server, outbox, error), result.arrived};
        if (pulled.position == position)
            break;
        if (!outbox.keepFromServer(pulled.records, pulled.notes, &error) ||
            !outbox.setServerPosition(pulled.position, &error))
            return {statusOf(outbox, ServerStatus::State::Waiting, error), result.arrived};
        result.arrived = true;
    }
    result.status = statusOf(outbox, ServerStatus::State::Waiting, {});
    if (result.status.waiting == 0)
        result.status.state = ServerStatus::State::Sent;
    else if (!server.takesCycles() && !stop) // what waits is the clamp watch's, for tables the server lacks
        result.status.reason = QStringLiteral("the server has no tables for clamps yet (records-server.md)");
    return result;
}

NextRound nextRound(ServerStatus::State state, int retryMs) {
    if (state == ServerStatus::State::Sent)
        return {PullIntervalMs, 0};
    const int wait = retryMs == 0 ? FirstRetryMs : std::min(retryMs * 2, LongestRetryMs);
    return {wait, wait};
}

// Lives on the sender's thread: everything that touches the network or the database happens here.
class RecordsWorker : public QObject {
    Q_OBJECT
public:
    RecordsWorker(const QString& conninfo, RecordsSender::OutboxFactory openOutbox,
                  std::shared_ptr<std::atomic<bool>> stop)
        : conninfo_(conninfo), openOutbox_(std::move(openOutbox)), stop_(std::move(stop)) {}

    void start() {
        timer_ = new QTimer(this);
        timer_->setSingleShot(true);
        connect(timer_, &QTimer::timeout, this, &RecordsWorker::round);
        round();
    }
    // Wake-ups that come in while a round runs make one more round, not one each.
    void wakeUp() {
        if (wakePending_)
            return;
        wakePending_ = true;
        QMetaObject::invokeMethod(this, &RecordsWorker::round, Qt::QueuedConnection);
    }

signals:
    void statusChanged(const records::ServerStatus& status);
    void recordsArrived();

private:
    void round() {
        wakePending_ = false;
        if (*stop_)
            return;
        if (!outbox_)
            outbox_ = openOutbox_();
        if (!server_)
            server_ = std::make_unique<PostgresStore>(conninfo_);
        QString error = QStringLiteral("no local database");
        // Once per start of the program, before anything is sent: a note must not go before its record.
        requeued_ = requeued_ || (outbox_ && outbox_->requeue(&error));
        const auto sending = [this](const ServerStatus& status) { emit statusChanged(status); };
        const RoundResult result = requeued_
                                       ? sendAndPull(*outbox_, *server_, *stop_, sending)
                                       : RoundResult{{ServerStatus::State::Waiting, 0, error, {}}, false};
        // A connection left idle until the next round could be cut by the network unnoticed; a new one
        // costs milliseconds once a minute.
        server_->close();
        if (*stop_)
            return;
        emit statusChanged(result.status);
        if (result.arrived)
            emit recordsArrived();
        const NextRound next = nextRound(result.status.state, retryMs_);
        retryMs_ = next.retryMs;
        timer_->start(next.inMs);
    }

    QString conninfo_;
    RecordsSender::OutboxFactory openOutbox_;
    std::shared_ptr<std::atomic<bool>> stop_;
    std::unique_ptr<Outbox> outbox_;
    std::unique_ptr<PostgresStore> server_;
    QTimer* timer_ = nullptr;
    int retryMs_ = 0;
    bool wakePending_ = false;
    bool requeued_ = false;
};

RecordsSender::RecordsSender(const QString& conninfo, OutboxFactory openOutbox, QObject* parent)
    : QObject(parent), stop_(std::make_shared<std::atomic<bool>>(false)), thread_(new QThread),
      worker_(new RecordsWorker(conninfo, std::move(openOutbox), stop_)) {
    worker_->moveToThread(thread_);
    connect(thread_, &QThread::started, worker_, &RecordsWorker::start);
    // The worker goes on its own thread, so its database connections close where they were opened.
    connect(thread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &RecordsWorker::statusChanged, this, &RecordsSender::statusChanged,
            Qt::QueuedConnection);
    connect(worker_, &RecordsWorker::recordsArrived, this, &RecordsSender::recordsArrived,
            Qt::QueuedConnection);
    thread_->start();
}

RecordsSender::~RecordsSender() {
    *stop_ = true;
    thread_->quit();
    if (thread_->wait(QDeadlineTimer(50))) {
        delete thread_;
        return;
    }
    // Inside a connection attempt or a query: libpq returns by its connect timeout at the latest, the round
    // sees the stop and the thread ends. The window does not wait for that.
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
}

RecordsSender::OutboxFactory RecordsSender::sqliteFile(const QString& path) {
    return [path] { return std::unique_ptr<Outbox>(SqliteStore::open(path)); };
}

void RecordsSender::wakeUp() {
    QMetaObject::invokeMethod(worker_, &RecordsWorker::wakeUp, Qt::QueuedConnection);
}

} // namespace records

#include "RecordsSender.moc"
