#pragma once
// The sending queue: records and notes stored on this PC go to the plant's server, and the other PCs'
// records come back, on a thread of its own, so that the window never waits for the network.
//
// Exactly once: an item leaves the local queue only after the server has committed it, and the server
// skips ids it already has, so an item sent again after a crash between the two is stored once.

#include "records/Outbox.h"
#include "records/ServerStatus.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace records {

class PostgresStore;

// One round of the queue: send everything pending in batches, then pull what the server has after this
// PC's last position. Stops between steps when *stop turns true. `sending` hears the count when the first
// batch goes. Used by the sender's thread; a test or a tool may call it on its own stores.
struct RoundResult {
    ServerStatus status;
    bool arrived = false; // the pull brought records or notes
};
RoundResult sendAndPull(Outbox& outbox, PostgresStore& server, const std::atomic<bool>& stop,
                        const std::function<void(const ServerStatus&)>& sending = {});

// When the queue's next round starts after one that ended in `state`, and the wait a further failure
// doubles: while the server fails, 2 s, 4 s, ... up to a minute; once a round has sent everything, the
// other PCs' records are looked for every minute and the next failure starts again at 2 s.
struct NextRound {
    int inMs;
    int retryMs; // 0 after a round that sent everything
};
NextRound nextRound(ServerStatus::State state, int retryMs);

class RecordsWorker;

class RecordsSender : public QObject {
    Q_OBJECT
public:
    // Opens this PC's database for the queue, on the sender's thread (a second connection to the file);
    // null when it cannot.
    using OutboxFactory = std::function<std::unique_ptr<Outbox>()>;
    // The usual one: the SQLite database file the window stores into.
    static OutboxFactory sqliteFile(const QString& path);

    // conninfo: the libpq connection string of Records.ini's "server=". The first round starts at once.
    RecordsSender(const QString& conninfo, OutboxFactory openOutbox, QObject* parent = nullptr);
    // Returns within about 50 ms. A connection attempt or query still running then ends on its own (libpq's
    // connect timeout) and its thread cleans up after itself.
    ~RecordsSender() override;

public slots:
    // A record or note was stored on this PC: send it now rather than at the next retry.
    void wakeUp();

signals:
    void statusChanged(const records::ServerStatus& status);
    // Records or notes of the plant were added to this PC's database.
    void recordsArrived();

private:
    std::shared_ptr<std::atomic<bool>> stop_;
    QThread* thread_;
    RecordsWorker* worker_;
};

} // namespace records
