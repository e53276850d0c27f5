// The plant's records server against a private PostgreSQL cluster set up by docs/records-server.sql.
#include "PgCluster.h"
#include "records/PostgresStore.h"
#include "records/RecordsSender.h"
#include "records/SqliteStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTest>
#include <QUuid>

#include <memory>

using namespace records;

namespace {
Record makeRecord(const QString& machine, int minute,
                  const QString& comment = QStringLiteral("after mould change")) {
    Record r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.takenAt = QDateTime(QDate(2026, 3, 1), QTime(8, minute, 5, 123), Qt::UTC);
    r.utcOffsetMin = 60;
    r.machine = machine;
    r.serialNr = QStringLiteral("SN-7");
    r.comment = comment;
    r.operatorName = QStringLiteral("Jörg Weiß");
    r.amplifier = QStringLiteral("QT34");
    r.port = QStringLiteral("COM2");
    r.unit = QStringLiteral("kN");
    r.channels = {101.25, 99.5, std::nullopt, 1e-300};
    r.sensors[3] = -0.1;
    r.mainValue = 100.1;
    r.totalKn = 400.4;
    r.withinTolerance = false;
    r.kFactor = 2.05;
    r.program = QStringLiteral("Vantoria 4.0.3");
    r.host = QStringLiteral("press-pc-1");
    return r;
}

// The local database, with a chance for a test to step in before a batch is sent or to lose its
// acknowledgement (a crash after the server's commit).
struct SteppedOutbox : Outbox {
    std::unique_ptr<SqliteStore> real;
    std::function<void()> beforeSend;
    bool loseAck = false;
    explicit SteppedOutbox(const QString& file) : real(SqliteStore::open(file)) {
        real->setQueueForServer(true);
    }
    QList<OutboxItem> pending(int limit) override {
        const QList<OutboxItem> items = real->pending(limit);
        if (beforeSend)
            std::exchange(beforeSend, {})();
        return items;
    }
    int pendingCount() override { return real->pendingCount(); }
    bool markSent(const QList<qint64>& seqs, QString* e) override {
        return !std::exchange(loseAck, false) && real->markSent(seqs, e);
    }
    bool keepFromServer(const QList<Record>& r, const QList<Note>& n, QString* e) override {
        return real->keepFromServer(r, n, e);
    }
    qint64 serverPosition() override { return real->serverPosition(); }
    bool setServerPosition(qint64 p, QString* e) override { return real->setServerPosition(p, e); }
};
using State = ServerStatus::State;
} // namespace

class TestRecordsServer : public QObject {
    Q_OBJECT
    std::unique_ptr<PgCluster> cluster;
    QString writer() const {
        return cluster->conninfo(QStringLiteral("vantoria_writer"), QStringLiteral("vantoria_records"));
    }

private slots:
    void initTestCase() {
        cluster =
            std::make_unique<PgCluster>(QStringList{QStringLiteral("local all loginrole scram-sha-256")});
        QVERIFY2(cluster->ok(), qPrintable(cluster->error()));
        QFile sql(QStringLiteral(SERVER_SQL));
        QVERIFY(sql.open(QIODevice::ReadOnly));
        QString output;
        QVERIFY2(cluster->psql(QString::fromUtf8(sql.readAll()), QStringLiteral("postgres"), &output),
                 qPrintable(output));
        QVERIFY(cluster->psql(
            QStringLiteral("CREATE ROLE loginrole LOGIN PASSWORD 'right' IN ROLE vantoria_writer")));
    }
    void init() {
        QVERIFY(cluster->psql(QStringLiteral("TRUNCATE record_notes, records"),
                              QStringLiteral("vantoria_records")));
    }

    void storesFindsAndFilters() {
        PostgresStore store(writer());
        Record full =
            makeRecord(QStringLiteral("P-12"), 1, QStringLiteral("'; DROP TABLE records; --\n\"x\";y"));
        const Record older = makeRecord(QStringLiteral("P-12"), 0),
                     other = makeRecord(QStringLiteral("A-1"), 2);
        QString error;
        qint64 first = 0, again = 0;
        QVERIFY2(store.insert(full, &error, &first), qPrintable(error));
        QVERIFY(store.insert(full, &error, &again) && store.insert(older, &error) &&
                store.insert(other, &error));
        QCOMPARE(again, first);
        QCOMPARE(store.count({}), 3);
        QCOMPARE(store.find(full.id), full);
        QVERIFY(store.addNote(full.id, QStringLiteral("QS"), QStringLiteral("Checked AGAIN"), &error));
        QVERIFY(!store.addNote(QUuid::createUuid().toString(QUuid::WithoutBraces), {}, QStringLiteral("x"),
                               &error));
        full.note = store.find(full.id)->note;
        QVERIFY2(full.note.endsWith(QStringLiteral("UTC, QS: Checked AGAIN")), qPrintable(full.note));
        QCOMPARE(store.page({QString(), QStringLiteral("again")}, 0, 10), QList<Record>{full});
        QCOMPARE(store.page({QStringLiteral("P-12"), QString()}, 0, 10), (QList<Record>{full, older}));
        QCOMPARE(store.page({}, 1, 1), QList<Record>{full});
        QCOMPARE(store.count({QStringLiteral("P-12"), QStringLiteral("DROP table")}), 1);
        QCOMPARE(store.trend(QStringLiteral("P-12"), 1), QList<Record>{full});
        QCOMPARE(store.latest(), other);
        QCOMPARE(store.machines(), (QStringList{QStringLiteral("A-1"), QStringLiteral("P-12")}));
    }

    void appendOnlyRole() {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("writer"));
        db.setConnectOptions(writer());
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const char* sql : {"UPDATE records SET machine = 'x'", "DELETE FROM records", "TRUNCATE records",
                                "UPDATE record_notes SET text = 'x'", "DELETE FROM record_notes",
                                "CREATE TABLE mine (i int)", "SELECT setval('record_seq', 1)"})
            QVERIFY2(!query.exec(QString::fromLatin1(sql)), sql);
        QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM records, record_notes, schema_version")));
    }

    void queueAcrossStopCrashAndNotes() {
        SteppedOutbox pc(QStringLiteral("pc.db"));
        QString error;
        QVERIFY(pc.real->insert(makeRecord(QStringLiteral("P-1"), 1), &error) &&
                pc.real->insert(makeRecord(QStringLiteral("P-1"), 2), &error));
        PostgresStore server(writer());
        std::atomic<bool> stop = false;
        QVERIFY(cluster->stop());
        const ServerStatus down = sendAndPull(pc, server, stop).status;
        QCOMPARE(down, (ServerStatus{State::Unreachable, 2, down.reason}));
        QVERIFY(cluster->start());
        pc.beforeSend = [&] { cluster->stop(); }; // the server goes while the batch is on its way
        QCOMPARE(sendAndPull(pc, server, stop).status.state, State::Unreachable);
        QVERIFY(cluster->start());
        const QString id = pc.real->latest()->id;
        QVERIFY(pc.real->insert(makeRecord(QStringLiteral("P-1"), 3), &error) &&
                pc.real->addNote(id, QStringLiteral("QS"), QStringLiteral("seen"), &error));
        pc.loseAck = true;
        QCOMPARE(sendAndPull(pc, server, stop).status.state, State::Waiting);
        QCOMPARE(pc.pendingCount(), 4);
        const RoundResult again = sendAndPull(pc, server, stop);
        QCOMPARE(again.status, (ServerStatus{State::Sent, 0, {}}));
        QCOMPARE(server.count({}), 3);
        QCOMPARE(server.find(id)->note.count(QStringLiteral("seen")), 1);
        QCOMPARE(pc.real->find(id)->note, server.find(id)->note);
    }

    void loginRefusedUntilPasswordFile() {
        SteppedOutbox pc(QStringLiteral("refused.db"));
        QString error;
        QVERIFY(pc.real->insert(makeRecord(QStringLiteral("P-2"), 1), &error));
        PostgresStore server(
            cluster->conninfo(QStringLiteral("loginrole"), QStringLiteral("vantoria_records")));
        std::atomic<bool> stop = false;
        QCOMPARE(sendAndPull(pc, server, stop).status.state, State::LoginRefused);
        QCOMPARE(pc.pendingCount(), 1);
        QTemporaryFile pgpass;
        QVERIFY(pgpass.open() && pgpass.write("*:*:*:loginrole:right\n") > 0 && pgpass.flush());
        qputenv("PGPASSFILE", pgpass.fileName().toLocal8Bit());
        QCOMPARE(sendAndPull(pc, server, stop).status.state, State::Sent);
        qunsetenv("PGPASSFILE");
        QCOMPARE(classifyServerMessage(
                     QStringLiteral("FATAL:  Passwort-Authentifizierung für Benutzer »x« fehlgeschlagen")),
                 ServerFailure::LoginRefused);
        QCOMPARE(classifyServerMessage(
                     QStringLiteral("connection to server on socket \"/x\" failed: Connection refused")),
                 ServerFailure::Unreachable);
        QCOMPARE(serverStatusText({State::Unreachable, 3, QStringLiteral("timeout")}, QStringLiteral("EN")),
                 QStringLiteral("Records server: not reachable (timeout), 3 waiting"));
    }

    void twoPcsAtOnceThenEachPullsTheOther() {
        QString error;
        for (const QString& name : {QStringLiteral("a"), QStringLiteral("b")}) {
            auto pc = SqliteStore::open(name + QStringLiteral(".db"));
            pc->setQueueForServer(true);
            for (int i = 0; i < 300; ++i)
                QVERIFY(pc->insert(makeRecord(name, i % 60), &error));
        }
        auto opener = [](QString file) {
            return [file] { return std::unique_ptr<Outbox>(SqliteStore::open(file)); };
        };
        RecordsSender a(writer(), opener(QStringLiteral("a.db"))),
            b(writer(), opener(QStringLiteral("b.db")));
        QSignalSpy sentA(&a, &RecordsSender::statusChanged), sentB(&b, &RecordsSender::statusChanged);
        QTRY_VERIFY_WITH_TIMEOUT(sentA.size() == 1 && sentB.size() == 1, 60000);
        a.wakeUp();
        b.wakeUp();
        QTRY_VERIFY_WITH_TIMEOUT(sentA.size() == 2 && sentB.size() == 2, 60000);
        QCOMPARE(sentA.last().first().value<ServerStatus>(), (ServerStatus{State::Sent, 0, {}}));
        QCOMPARE(sentB.last().first().value<ServerStatus>().state, State::Sent);
        QCOMPARE(PostgresStore(writer()).count({}), 600);
        QCOMPARE(SqliteStore::open(QStringLiteral("a.db"))->count({}), 600);
        QCOMPARE(SqliteStore::open(QStringLiteral("b.db"))->count({}), 600);
    }

    void stopsAtOnceWhileTheServerHangs() {
        QLocalServer silent; // accepts the connection and never answers
        QVERIFY(silent.listen(cluster->socketDir() + QStringLiteral("/.s.PGSQL.1")));
        QElapsedTimer destroyed;
        {
            RecordsSender sender(
                QStringLiteral("host=%1 port=1 connect_timeout=600").arg(cluster->socketDir()),
                [] { return std::unique_ptr<Outbox>(SqliteStore::open(QStringLiteral("hang.db"))); });
            QVERIFY(silent.waitForNewConnection(30000));
            destroyed.start();
        }
        QCOMPARE_LT(destroyed.elapsed(), 1000);
    }
};

QTEST_GUILESS_MAIN(TestRecordsServer)
#include "test_records_server.moc"
