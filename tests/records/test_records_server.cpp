// The plant's records server in a private PostgreSQL cluster set up by docs/records-server.sql: the store,
// the append-only role, and the sending queue across a stopped server, a lost acknowledgement, a refused
// login, two PCs at once and a server that hangs.
#include "PgCluster.h"
#include "TestWindow.h"
#include "records/PostgresStore.h"
#include "records/RecordButtons.h"
#include "records/RecordsSender.h"
#include "records/SqliteStore.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTest>
#include <QUuid>

using namespace records;
using State = ServerStatus::State;

namespace {
// clang-format off
Record sample(const QString& machine, int minute, const QString& comment = {}) {
    const Number none;
    return {QUuid::createUuid().toString(QUuid::WithoutBraces), QDateTime(QDate(2026, 3, 1), QTime(8, minute, 5, 123), Qt::UTC),
            60, machine, "SN-7", comment, "Jörg Weiß", "QT34", "COM2", "kN", {101.25, 99.5, none, 1e-300}, {none, -0.1},
            100.1, 400.4, none, 1.5, 5.0, false, 2.05, none, 210.0, "Vantoria 4.0.3", "press-pc", ""};
}
// clang-format on
std::unique_ptr<SqliteStore> pcWith(const QString& file, const QString& machine, int records) {
    auto pc = SqliteStore::open(file);
    pc->setQueueForServer(true);
    for (int i = 0; i < records; ++i)
        pc->insert(sample(machine, i % 60), nullptr);
    return pc;
}
} // namespace

class TestRecordsServer : public QObject {
    Q_OBJECT
    std::unique_ptr<PgCluster> cluster;
    QString writer() const { return cluster->conninfo("vantoria_writer", "vantoria_records"); }
    std::atomic<bool> running = false;

private slots:
    void initTestCase() {
        cluster = std::make_unique<PgCluster>(QStringList{"local all loginrole scram-sha-256"});
        QVERIFY2(cluster->error.isEmpty() && cluster->psqlFile(SERVER_SQL), qPrintable(cluster->error));
        QVERIFY(cluster->psql("CREATE ROLE loginrole LOGIN PASSWORD 'right' IN ROLE vantoria_writer"));
    }
    void init() { QVERIFY(cluster->psql("TRUNCATE record_notes, records", "vantoria_records")); }

    void storesFindsAndFilters() {
        PostgresStore store(writer());
        Record full = sample("P-12", 1, "'; DROP TABLE records; --\n\"x\";y"), older = sample("P-12", 0);
        const Record other = sample("A-1", 2);
        qint64 first = 0, again = 0;
        QVERIFY(store.insert(full, nullptr, &first) && store.insert(full, nullptr, &again));
        QVERIFY(store.insert(older, nullptr) && store.insert(other, nullptr) && again == first);
        QCOMPARE(store.find(full.id), full);
        QVERIFY(store.addNote(full.id, "QS", "Checked AGAIN", nullptr));
        QVERIFY(!store.addNote(QUuid::createUuid().toString(QUuid::WithoutBraces), {}, "x", nullptr));
        full.note = store.find(full.id)->note;
        QVERIFY2(full.note.endsWith("UTC, QS: Checked AGAIN"), qPrintable(full.note));
        QCOMPARE(store.page({{}, "again"}, {}, 10).records, QList<Record>{full});
        QCOMPARE(store.page({"P-12", {}}, {}, 10).records, (QList<Record>{full, older}));
        const Page newest = store.page({}, {}, 1), next = store.page({}, newest.next, 1);
        QVERIFY(!newest.end && next.records == QList<Record>{full} &&
                store.count({"P-12", "DROP table"}) == 1);
        QVERIFY(store.trend("P-12", 1) == QList<Record>{full} &&
                store.trend("P-12", 5) == (QList{older, full}));
        QVERIFY(store.latest() == other && store.machines() == QStringList({"A-1", "P-12"}));
    }

    void appendOnlyRole() {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "writer");
        db.setConnectOptions(writer());
        QSqlQuery query(db.open() ? db : QSqlDatabase());
        for (const char* sql : {"UPDATE records SET machine = 'x'", "DELETE FROM records", "TRUNCATE records",
                                "UPDATE record_notes SET text = 'x'", "DELETE FROM record_notes",
                                "CREATE TABLE mine (i int)", "SELECT setval('record_seq', 1)"})
            QVERIFY2(!query.exec(sql), sql);
        QVERIFY(query.exec("SELECT count(*) FROM records, record_notes, schema_version"));
    }

    void queueAcrossStopCrashAndNotes() {
        auto pc = pcWith("pc.db", "P-1", 2);
        PostgresStore server(writer());
        QVERIFY(cluster->stop());
        const ServerStatus down = sendAndPull(*pc, server, running).status;
        QCOMPARE(down, (ServerStatus{State::Unreachable, 2, down.reason}));
        QVERIFY(cluster->start() && server.open(nullptr) && cluster->stop());
        QVERIFY(!server.send(pc->pending(10), nullptr)); // the server goes away during the send
        QVERIFY(cluster->start());
        const QString id = pc->latest()->id;
        QVERIFY(pc->insert(sample("P-1", 3), nullptr) && pc->addNote(id, "QS", "seen", nullptr));
        QVERIFY(server.send(pc->pending(10), nullptr)); // committed; the acknowledgement is lost
        QCOMPARE(sendAndPull(*pc, server, running).status, (ServerStatus{State::Sent, 0, {}}));
        QVERIFY(server.count({}) == 3 && server.find(id)->note.count("seen") == 1);
        QCOMPARE(pc->find(id)->note, server.find(id)->note);
    }

    void loginRefusedUntilPasswordFile() {
        auto pc = pcWith("refused.db", "P-2", 1);
        PostgresStore server(cluster->conninfo("loginrole", "vantoria_records"));
        QCOMPARE(sendAndPull(*pc, server, running).status.state, State::LoginRefused);
        QTemporaryFile pgpass;
        QVERIFY(pgpass.open() && pgpass.write("*:*:*:loginrole:right\n") > 0 && pgpass.flush());
        qputenv("PGPASSFILE", pgpass.fileName().toLocal8Bit());
        QCOMPARE(sendAndPull(*pc, server, running).status, (ServerStatus{State::Sent, 0, {}}));
        qunsetenv("PGPASSFILE");
        QCOMPARE(classifyServerMessage("FATAL:  Passwort-Authentifizierung für Benutzer »x« fehlgeschlagen"),
                 ServerFailure::LoginRefused);
        QCOMPARE(serverStatusText({State::Unreachable, 3, "timeout"}, "EN"),
                 "Records server: not reachable (timeout), 3 waiting");
    }

    void twoPcsAtOnceThenEachPullsTheOther() {
        pcWith("a.db", "A", 300);
        pcWith("b.db", "B", 300);
        RecordsSender a(writer(), RecordsSender::sqliteFile("a.db")),
            b(writer(), RecordsSender::sqliteFile("b.db"));
        QSignalSpy statusA(&a, &RecordsSender::statusChanged), statusB(&b, &RecordsSender::statusChanged);
        QTRY_VERIFY_WITH_TIMEOUT(statusA.size() == 1 && statusB.size() == 1, 60000);
        a.wakeUp(), b.wakeUp(); // the one that finished first has not seen the other's records yet
        QTRY_VERIFY_WITH_TIMEOUT(statusA.size() == 2 && statusB.size() == 2, 60000);
        QCOMPARE(statusA.last().first().value<ServerStatus>(), (ServerStatus{State::Sent, 0, {}}));
        QCOMPARE(PostgresStore(writer()).count({}), 600);
        QCOMPARE(SqliteStore::open("a.db")->count({}) + SqliteStore::open("b.db")->count({}), 1200);
    }

    void stopsAtOnceWhileTheServerHangs() {
        QLocalServer silent; // accepts the connection and never answers
        QVERIFY(silent.listen(cluster->dir() + "/.s.PGSQL.1"));
        QElapsedTimer destroying;
        {
            RecordsSender sender(QString("host=%1 port=1 connect_timeout=600").arg(cluster->dir()),
                                 RecordsSender::sqliteFile("hang.db"));
            QVERIFY(silent.waitForNewConnection(30000));
            destroying.start();
        }
        QCOMPARE_LT(destroying.elapsed(), 1000);
    }

    // The window with Records.ini naming the server: what it stores is queued and sent, and the status line
    // says so; a note added on the history page follows.
    void theWindowSendsWhatItStores() {
        writeFile("Records.ini", "operator=QS\nserver=" + writer().toUtf8() + "\n");
        TestWindow w;
        const Record record = sample("W-1", 3);
        QVERIFY(w.window->recordStore()->insert(record, nullptr));
        emit w.window->recordButtons().recordStored(record.id);
        PostgresStore server(writer());
        QTRY_VERIFY_WITH_TIMEOUT(server.find(record.id).has_value(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(w.statusLine(3), "Protokollserver: alles gesendet", 30000);
    }
};

QTEST_MAIN(TestRecordsServer)
#include "test_records_server.moc"
