// The plant's records server in a private PostgreSQL cluster set up by docs/records-server.sql: the store,
// the append-only role, and the sending queue across a stopped server, a lost acknowledgement, a refused
// login, two PCs at once, a server that hangs, a lock another session holds, items the server refuses,
// records older than the server line, a URI with a password, and a server of schema version 1.
#include "PgCluster.h"
#include "RecordsTesting.h"
#include "records/PostgresStore.h"
#include "records/RecordsSender.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QTemporaryFile>
#include <QUrl>

namespace records {
char* toString(const ServerStatus& status) { return qstrdup(qPrintable(serverStatusText(status, "EN"))); }
} // namespace records
using namespace records;
using State = ServerStatus::State;

namespace {
// clang-format off
Record sample(const QString& machine, int minute, const QString& comment = {}) {
    const Number none;
    return {QUuid::createUuid().toString(QUuid::WithoutBraces), QDateTime(QDate(2026, 3, 1), QTime(8, minute, 5, 123), Qt::UTC),
            60, machine, "SN-7", comment, "Jörg Weiß", "QT34", "COM2", "kN", "US t", "kN", {101.25, 99.5, none, 1e-300}, {none, -0.1},
            100.1, 400.4, none, 1.5, 5.0, false, 2.05, none, 210.0, "Vantoria 4.0.3", "press-pc",
            QDateTime(QDate(2026, 3, 1), QTime(7, 2, 9, 5), Qt::UTC), ""};
}
// clang-format on
std::unique_ptr<SqliteStore> pcWith(const QString& file, const QString& machine, int records) {
    auto pc = SqliteStore::open(file);
    pc->setQueueForServer(true);
    for (int i = 0; i < records; ++i)
        pc->insert(sample(machine, i % 60), nullptr);
    return pc;
}
ServerStatus sent(Refused refused = {}) { return {State::Sent, 0, {}, refused}; }
QVariant valueOf(QSqlDatabase db, const QString& sql) {
    QSqlQuery query(db);
    return query.exec(sql) && query.next() ? query.value(0) : QVariant();
}
} // namespace

class TestRecordsServer : public QObject {
    Q_OBJECT
    std::unique_ptr<PgCluster> cluster;
    QString writer() const { return cluster->conninfo("vantoria_writer", "vantoria_records"); }
    // The server as its superuser, first used after the tests that stop and start it.
    QVariant onServer(const QString& sql) { return valueOf(QSqlDatabase::database("admin"), sql); }
    std::atomic<bool> running = false;
    // One round of the queue, as the sender's thread runs it.
    ServerStatus round(SqliteStore& pc, PostgresStore& to) { return sendAndPull(pc, to, running).status; }
    bool onRecords(const QString& sql) { return cluster->psql(sql, "vantoria_records"); }

private slots:
    void initTestCase() {
        cluster = std::make_unique<PgCluster>(QStringList{"local all loginrole scram-sha-256"});
        QVERIFY2(cluster->error.isEmpty() && cluster->psqlFile(SERVER_SQL), qPrintable(cluster->error));
        QVERIFY(cluster->psql("CREATE ROLE loginrole LOGIN PASSWORD 'right' IN ROLE vantoria_writer"));
        QSqlDatabase::addDatabase("QPSQL", "admin")
            .setConnectOptions(cluster->conninfo("postgres", "vantoria_records"));
    }
    void init() {
        QVERIFY(onRecords("TRUNCATE record_notes, records, cycle_alarm_acks, cycle_alarms, cycles, "
                          "cycle_references; ALTER TABLE records DROP CONSTRAINT IF EXISTS no_bad"));
    }

    void storesFindsAndFiltersWhatTheWriterMayOnlyAdd() {
        PostgresStore store(writer());
        Record full = fullRecord(), older = sample("P-12", 0);
        full.machine = "P-12", full.comment = "'; DROP TABLE records; --\n\"x\";y";
        full.takenAt = sample("P-12", 1).takenAt;
        const Record other = sample("A-1", 2);
        qint64 first = 0, again = 0;
        QVERIFY(store.insert(full, nullptr, &first) && store.insert(full, nullptr, &again));
        QVERIFY(store.insert(older, nullptr) && store.insert(other, nullptr) && again == first);
        QCOMPARE(store.find(full.id).value_or(Record()), full);
        QVERIFY(store.addNote(full.id, "QS", "Checked AGAIN", nullptr));
        QVERIFY(!store.addNote(QUuid::createUuid().toString(QUuid::WithoutBraces), {}, "x", nullptr));
        full.note = store.find(full.id)->note;
        QVERIFY2(full.note.contains("Checked AGAIN (QS, 20"), qPrintable(full.note));
        // A note, its author, serial nr, operator.
        for (const char* search : {"again", "qs", "sn 47", "EVA R"})
            QCOMPARE(store.page({{}, search}, {}, 10).records, QList<Record>{full});
        QCOMPARE(store.page({"P-12", {}}, {}, 10).records, (QList<Record>{full, older}));
        const Page newest = store.page({}, {}, 1), next = store.page({}, newest.next, 1);
        QVERIFY(!newest.end && next.records == QList<Record>{full} &&
                store.count({"P-12", "DROP table"}) == 1);
        QVERIFY(store.trend("P-12", 1) == QList<Record>{full} &&
                store.trend("P-12", 5) == (QList{older, full}));
        QVERIFY(store.latest() == other && store.machines() == QStringList({"A-1", "P-12"}));
        // The writers' role may only add.
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "writer");
        db.setConnectOptions(writer());
        QSqlQuery query(db.open() ? db : QSqlDatabase());
        for (const char* sql :
             {"UPDATE records SET machine = 'x'", "DELETE FROM records", "TRUNCATE records",
              "UPDATE record_notes SET text = 'x'", "DELETE FROM record_notes", "CREATE TABLE mine (i int)",
              "SELECT setval('record_seq', 1)", "UPDATE cycles SET machine = 'x'", "DELETE FROM cycles",
              "TRUNCATE cycles", "UPDATE cycle_alarms SET value = 0", "DELETE FROM cycle_alarm_acks",
              "DELETE FROM cycle_references"})
            QVERIFY2(!query.exec(sql), sql);
        QVERIFY(
            query.exec("SELECT count(*) FROM records, record_notes, schema_version, cycles, cycle_alarms, "
                       "cycle_alarm_acks, cycle_references"));
        // A PC that freezes halfway through a send cannot hold the writers' lock for long, whatever it runs.
        QVERIFY(query.exec("SHOW idle_in_transaction_session_timeout") && query.next() &&
                query.value(0) != "0");
    }

    void queueAcrossStopCrashAndNotes() {
        auto pc = pcWith("pc.db", "P-1", 2);
        PostgresStore server(writer());
        QVERIFY(cluster->stop());
        const ServerStatus down = round(*pc, server);
        QCOMPARE(down, (ServerStatus{State::Unreachable, 2, down.reason, {}}));
        QVERIFY(cluster->start() && server.open(nullptr) && cluster->stop());
        QVERIFY(!server.send(pc->pending(10), nullptr)); // the server goes away during the send
        QVERIFY(cluster->start());
        const QString id = pc->latest()->id;
        QVERIFY(pc->insert(sample("P-1", 3), nullptr) && pc->addNote(id, "QS", "seen", nullptr));
        QVERIFY(server.send(pc->pending(10), nullptr)); // committed; the acknowledgement is lost
        QCOMPARE(round(*pc, server), sent());
        QVERIFY(server.count({}) == 3 && server.find(id)->note.count("seen") == 1);
        QCOMPARE(pc->find(id)->note, server.find(id)->note);
        // What went stays in the queue, marked, so that it is known what the server has.
        QSqlDatabase file = QSqlDatabase::addDatabase("QSQLITE", "pc.db");
        file.setDatabaseName("pc.db");
        QVERIFY(file.open() && valueOf(file, "SELECT count(*) FROM outbox WHERE sent_at > '2026'") == 4);
    }

    // A login is refused until a password file gives the password, or a URI-form line: the line works,
    // password and all, and the server notes who sent each record and when; a wrong password is refused, a
    // ';' that Qt's driver would make a space is named; the password shows nowhere.
    void aLoginIsRefusedUntilAPasswordFileOrTheLineGivesThePassword() {
        auto pc = pcWith("login.db", "P-2", 1);
        PostgresStore server(cluster->conninfo("loginrole", "vantoria_records"));
        QCOMPARE(round(*pc, server).state, State::LoginRefused);
        QTemporaryFile pgpass;
        QVERIFY(pgpass.open() && pgpass.write("*:*:*:loginrole:right\n") > 0 && pgpass.flush());
        qputenv("PGPASSFILE", pgpass.fileName().toLocal8Bit());
        QCOMPARE(round(*pc, server), sent());
        qunsetenv("PGPASSFILE");
        QCOMPARE(classifyServerMessage("FATAL:  Passwort-Authentifizierung für Benutzer »x« fehlgeschlagen"),
                 ServerFailure::LoginRefused);
        // A server that answers but has no such database is there: the records wait, it is not "not
        // reachable".
        PostgresStore noDatabase(cluster->conninfo("vantoria_writer", "no_such_db"));
        pc->insert(sample("P-2", 1), nullptr);
        const ServerStatus other = round(*pc, noDatabase);
        QVERIFY2(other.state == State::Waiting && other.waiting == 1 && other.reason.contains("no_such_db"),
                 qPrintable(serverStatusText(other, "EN")));

        Record ahead = sample("P-6", 2); // from a PC whose clock runs decades ahead
        ahead.takenAt = ahead.takenAt.addYears(40);
        QVERIFY(pc->insert(ahead, nullptr) && pc->insert(sample("P-6", 3), nullptr));
        const QStringList at = writer().split(' '); // the cluster's socket folder and port
        const QString uri = "postgresql://loginrole:%1@" + QUrl::toPercentEncoding(at[0].mid(5)) + ':' +
                            at[1].mid(5) + "/vantoria_records?application_name=uri";
        PostgresStore right(uri.arg("right"));
        QCOMPARE(round(*pc, right), sent());
        QCOMPARE(onServer("SELECT string_agg(DISTINCT sent_by, ',') FROM records"), "loginrole");
        QCOMPARE(right.latest()->id, pc->latest()->id);

        PostgresStore wrong(uri.arg("Wr0ng-S3cret")), semicolon(uri.arg("Wr0ng%3BS3cret"));
        const ServerStatus refused = round(*pc, wrong);
        QString error;
        QVERIFY(refused.state == State::LoginRefused && !semicolon.open(&error) && error.contains("';'"));
        QVERIFY2(!(toString(refused) + refused.reason + error).contains("S3cret"), qPrintable(error));
        QCOMPARE(
            withoutPasswords("\"postgresql://w:S3cret@h/db\" password = 'S3 \\'cret' x?password=S3cret&y "
                             "PASSWORD=S3cret"),
            "\"postgresql://w:***@h/db\" password = *** x?password=***&y PASSWORD=***");
        QCOMPARE(parseRecordsConfig(QByteArray("server=host=h \0dbname=d\n", 24)).server, "host=h dbname=d");
    }

    // A clamp, its alarm, a clamp-less alarm, the acknowledgement and the reference reach the server, each
    // after what it names; a server without the clamp tables takes the records and lets the rest wait.
    void theClampWatchReachesTheServerInOrder() {
        using namespace cycles;
        auto pc = pcWith("clamps.db", "P-4", 1);
        CycleRow clamp = fullCycle("P-4", 1);
        clamp.mainValue.reset(), clamp.isShort = true, clamp.unit = "US t";
        const CycleAlarm alarm = alarmOf(clamp, AlarmKind::Share), none = alarmOf(clamp, AlarmKind::NoClamp);
        const CycleReference taught = referenceOf("P-4", 0);
        QVERIFY(pc->acknowledge({{alarm.id, "QS", alarm.raisedAt}}, nullptr) == false);
        QVERIFY(pc->insertCycle(clamp, nullptr) && pc->insertAlarm(alarm, nullptr) &&
                pc->insertAlarm(none, nullptr) &&
                pc->acknowledge({{alarm.id, "QS", alarm.raisedAt.addSecs(5)}}, nullptr) &&
                pc->insertReference(taught, nullptr));
        PostgresStore server(writer());
        QVERIFY(onRecords("UPDATE schema_version SET version = 3"));
        const ServerStatus older = round(*pc, server);
        QVERIFY2(older.state == State::Waiting && older.waiting == 5 && older.reason.contains("clamps"),
                 toString(older));
        QCOMPARE(onServer("SELECT count(*) FROM records"), 1);
        server.close();
        QVERIFY(onRecords("UPDATE schema_version SET version = 4"));
        QCOMPARE(round(*pc, server), sent());
        const auto at = [](const QDateTime& t) { return "'" + t.toString(Qt::ISODateWithMs) + "'"; };
        QCOMPARE(
            onServer("SELECT count(*) FROM cycles WHERE id = '" + clamp.id +
                     "' AND machine = 'P-4' AND "
                     "started_at = " +
                     at(clamp.startedAt) + " AND ended_at = " + at(clamp.endedAt) +
                     " AND plateau_ms = 3251 AND snapshots = 13 AND unit = 'US t' AND (channel1, channel2, "
                     "channel3, channel4) = (501.25, 498.5, 1.1, -489.75) AND main_value IS NULL AND "
                     "(total_kn, total_tons, deviation) = (1510.5, 154.0625, 2.5) AND (share1, share2, "
                     "share3, share4) = (25.5, 24.25, 26.125, 24.0625) AND short AND alarm"),
            1);
        QCOMPARE(
            onServer("SELECT string_agg(concat_ws(',', kind, cycle_id IS NULL, bar, value, reference, band, "
                     "limit_value, unit, raised_at = " +
                     at(alarm.raisedAt) +
                     "), ';' ORDER BY kind) FROM "
                     "cycle_alarms"),
            "no_clamp,t,0,1620.5,1500.25,5.5,1582.75,US t,t;share,f,3,1620.5,1500.25,5.5,1582.75,US t,t");
        QCOMPARE(onServer("SELECT concat_ws(',', acknowledged_by, acknowledged_at = " +
                          at(alarm.raisedAt.addSecs(5)) + ") FROM cycle_alarm_acks WHERE alarm_id = '" +
                          alarm.id + "'"),
                 "QS,t");
        QCOMPARE(onServer("SELECT concat_ws(',', machine, taught_at = " + at(taught.taughtAt) +
                          ", operator, unit, clamps, channel4_mean, channel3_sd, share2_mean, share1_sd, "
                          "total_mean, total_sd, cycle_ms) FROM cycle_references"),
                 "P-4,t,Eva Roth,t,20,54.5,0.125,24.75,0.3,212.125,1.75,31250");
    }

    // The count first, the reason last; refused records and notes counted apart. The waits between rounds.
    void statusTextsAndRetries() {
        QCOMPARE(serverStatusText({State::Unreachable, 3, "timeout", {}}, "EN"),
                 "Records server: 3 waiting, not reachable (timeout)");
        QCOMPARE(serverStatusText({State::Waiting, 2, "lock timeout", {1, 0, "too long"}}, "EN"),
                 "Records server: 2 waiting (lock timeout), 1 record refused by the server: too long");
        QCOMPARE(serverStatusText(sent({2, 1, "check"}), "DE"),
                 "Protokollserver: 2 Protokolle und 1 Notiz vom Server abgelehnt: check");
        // After a long outage the waits have grown to a minute; a round that sends everything starts them
        // over.
        QList<int> waits;
        int retry = 0;
        for (State state :
             {State::Unreachable, State::Unreachable, State::LoginRefused, State::Waiting, State::Unreachable,
              State::Unreachable, State::Unreachable, State::Sent, State::Unreachable, State::Sent}) {
            const NextRound next = nextRound(state, retry);
            waits << next.inMs, retry = next.retryMs;
        }
        QCOMPARE(waits, (QList<int>{2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000, 2000, 60000}));
    }

    // The server goes away in the middle of a round: the batch it committed is marked sent, the rest stays
    // queued in its order and is counted; the next round sends exactly the rest.
    void aSendThatFailsMidRoundLeavesTheRestQueuedInOrder() {
        auto pc = pcWith("mid.db", "P-8", 550);
        QVERIFY(pc->insert(sample("CUT", 1), nullptr));
        for (int i = 0; i < 149; ++i)
            QVERIFY(pc->insert(sample("P-9", i % 60), nullptr));
        const auto ids = [](const QList<OutboxItem>& items) {
            QStringList ids;
            for (const OutboxItem& item : items)
                ids << item.record.id;
            return ids;
        };
        const QStringList queued = ids(pc->pending(1000));
        QVERIFY(
            onRecords("CREATE FUNCTION cut() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN PERFORM "
                      "pg_terminate_backend(pg_backend_pid()); RETURN NEW; END$$; CREATE TRIGGER cut BEFORE "
                      "INSERT ON records FOR EACH ROW WHEN (NEW.machine = 'CUT') EXECUTE FUNCTION cut()"));
        PostgresStore server(writer());
        QList<ServerStatus> shown;
        const ServerStatus cut =
            sendAndPull(*pc, server, running, [&](const ServerStatus& status) { shown << status; }).status;
        QCOMPARE(shown, (QList<ServerStatus>{{State::Waiting, 700, {}, {}}}));
        QCOMPARE(cut, (ServerStatus{State::Unreachable, 200, cut.reason, {}}));
        QCOMPARE(onServer("SELECT count(*) FROM records"), 500);
        QCOMPARE(ids(pc->pending(1000)), queued.mid(500));
        QVERIFY(onRecords("DROP TRIGGER cut ON records; DROP FUNCTION cut()"));
        QCOMPARE(round(*pc, server), sent());
        QCOMPARE(onServer("SELECT count(DISTINCT id) FROM records"), 700);
    }

    void twoPcsAtOnceThenEachPullsTheOther() {
        pcWith("a.db", "A", 300);
        pcWith("b.db", "B", 300);
        RecordsSender a(writer(), RecordsSender::sqliteFile("a.db")),
            b(writer(), RecordsSender::sqliteFile("b.db"));
        QSignalSpy statusA(&a, &RecordsSender::statusChanged), statusB(&b, &RecordsSender::statusChanged);
        const QList<QVariant> done{QVariant::fromValue(sent())};
        QTRY_VERIFY_WITH_TIMEOUT(statusA.count(done) == 1 && statusB.count(done) == 1, 60000);
        // While a round sends, its count is shown, never "all sent".
        QCOMPARE(statusA.first().first().value<ServerStatus>(), (ServerStatus{State::Waiting, 300, {}, {}}));
        a.wakeUp(), b.wakeUp(); // the one that finished first has not seen the other's records yet
        QTRY_VERIFY_WITH_TIMEOUT(statusA.count(done) == 2 && statusB.count(done) == 2, 60000);
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

    // The server refuses two records for what they hold (a check the plant added, an id it cannot read) and
    // the notes of records it lacks: they are set aside with its reason and the rest goes, a text with a NUL
    // included. The next start of the sender tries them again, and queues the record taken before
    // Records.ini named the server, ahead of the note added to it since.
    void refusedItemsAreSetAsideAndTriedAgainAtStart() {
        auto pc = SqliteStore::open("aside.db");
        Record older = sample("P-3", 3), bad = sample("BAD", 4), garbled = sample("P-3", 5);
        const Record withNul = sample("P-3", 6, QString("a") + QChar(0) + "b");
        garbled.id = "a record of some other program"; // no UUID
        QVERIFY(pc->insert(older, nullptr) && (pc->setQueueForServer(true), pc->insert(bad, nullptr)) &&
                pc->insert(garbled, nullptr) && pc->insert(withNul, nullptr) &&
                pc->addNote(bad.id, "QS", "bad one", nullptr) &&
                pc->addNote(older.id, "QS", "later", nullptr) &&
                pc->addNote(withNul.id, "QS", QString("n") + QChar(0), nullptr));
        QVERIFY(onRecords("ALTER TABLE records ADD CONSTRAINT no_bad CHECK (machine <> 'BAD')"));
        PostgresStore server(writer());
        const ServerStatus status = round(*pc, server);
        QVERIFY2(status == sent({2, 2, status.refused.reason}) && status.refused.reason.contains("no_bad"),
                 toString(status));
        QVERIFY(server.count({}) == 1 && server.find(withNul.id)->comment == "ab" &&
                server.find(withNul.id)->note.contains("n (QS, 20"));

        QVERIFY(onRecords("ALTER TABLE records DROP CONSTRAINT no_bad"));
        RecordsSender restarted(writer(), RecordsSender::sqliteFile("aside.db"));
        QSignalSpy spy(&restarted, &RecordsSender::statusChanged);
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty() && spy.last()[0].value<ServerStatus>().state == State::Sent,
                                 30000);
        QCOMPARE(spy.last()[0].value<ServerStatus>(), // the id stays unreadable
                 sent({1, 0, "invalid input syntax for type uuid: \"a record of some other program\""}));
        QVERIFY(server.count({}) == 3 && server.find(bad.id)->note.contains("bad one (QS, 20") &&
                server.find(older.id)->note.contains("later (QS, 20"));
    }

    // Another session holds the lock the send needs: the round ends at the session's lock timeout with the
    // items still queued, says so with the count, not "not reachable", and never "all sent" meanwhile.
    void aHeldLockEndsTheRoundInTime() {
        pcWith("locked.db", "P-5", 3);
        QSqlDatabase holder = QSqlDatabase::database("admin");
        QVERIFY(holder.transaction() &&
                QSqlQuery(holder).exec("LOCK TABLE records IN ACCESS EXCLUSIVE MODE"));
        {
            RecordsSender sender(writer() + " options='-c lock_timeout=300'",
                                 RecordsSender::sqliteFile("locked.db"));
            QSignalSpy spy(&sender, &RecordsSender::statusChanged);
            QTRY_VERIFY_WITH_TIMEOUT(spy.size() >= 2, 20000);
            QCOMPARE(spy[0][0].value<ServerStatus>(), (ServerStatus{State::Waiting, 3, {}, {}}));
            const ServerStatus ended = spy[1][0].value<ServerStatus>();
            QVERIFY2(ended.state == State::Waiting && ended.waiting == 3 &&
                         ended.reason.contains("lock timeout"),
                     toString(ended));
        }
        QVERIFY(holder.rollback());
        // Where the connection string sets none, the session has limits of its own.
        PostgresStore store(writer());
        QVERIFY(store.open(nullptr));
        const QStringList sessions = QSqlDatabase::connectionNames().filter("vantoria-records-server");
        QVERIFY(sessions.size() == 1 &&
                valueOf(QSqlDatabase::database(sessions[0]),
                        "SELECT bool_and(setting::int BETWEEN 1 AND 60000) FROM pg_settings "
                        "WHERE name IN ('lock_timeout', 'statement_timeout')")
                    .toBool());
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

    // A server still at schema version 1 takes the records as before; the guide's upgrade brings it to
    // version 2, after which it keeps who sent each row and when.
    void aVersion1ServerAndItsUpgrade() {
        const QString drop = "DROP COLUMN received_at, DROP COLUMN sent_by; ";
        QVERIFY(onRecords("ALTER TABLE records " + drop + "ALTER TABLE record_notes " + drop +
                          "UPDATE schema_version SET version = 1"));
        auto pc = pcWith("v1.db", "P-7", 2);
        PostgresStore server(writer());
        QCOMPARE(round(*pc, server), sent());
        const QString guide = readFile(QString(SERVER_SQL).replace(".sql", ".md"));
        QStringList upgrade; // the indented block after the words
        for (const QString& line : guide.mid(guide.indexOf("a version 1 server")).split('\n').mid(1)) {
            if (line.startsWith("    "))
                upgrade << line.mid(4);
            else if (!upgrade.isEmpty() && !line.trimmed().isEmpty())
                break;
        }
        QVERIFY2(cluster->psql(upgrade.join('\n'), "postgres", &cluster->error), qPrintable(cluster->error));
        QVERIFY(pc->addNote(pc->latest()->id, "QS", "after", nullptr) &&
                pc->insert(sample("P-7", 3), nullptr));
        QCOMPARE(round(*pc, server), sent());
        QCOMPARE(onServer("SELECT count(*) FROM records r JOIN record_notes n ON n.sent_by = r.sent_by WHERE "
                          "r.sent_by = 'vantoria_writer' AND r.received_at > now() - interval '1 minute'"),
                 1);
    }

    // `vantoria --protocol <id>` for a record of another PC: found on the server that Records.ini names when
    // the working folder has no database; an id the server lacks and a stopped server are told.
    void theProtocolOfAnotherPcsRecordComesFromTheServer() {
        Record other = sample("Press 40, hall 3", 0);
        other.deviation = 12, other.tolerance = 10, other.withinTolerance = false;
        QVERIFY(PostgresStore(writer()).insert(other, nullptr)); // no settings here: the shipped German
        QDir().mkpath("plant");
        writeFile("plant/Records.ini", "server=" + writer().toUtf8() + "\n");
        const auto vantoria = [](const QStringList& arguments) {
            return runHeadless(QStringLiteral(VANTORIA_BIN), "plant", arguments);
        };
        QCOMPARE(vantoria({"--protocol", other.id.toUpper(), "other.pdf"}).first, 0);
        const QString text = pdfText("plant/other.pdf");
        QVERIFY2(text.contains(other.machine) && text.contains("NICHT BESTANDEN"), qPrintable(text));
        const auto [code, error] = vantoria({"--protocol", "0a0a0a0a-0000-4000-8000-000000000000", "x.pdf"});
        QVERIFY2(code == 1 && error.contains("0a0a0a0a-0000-4000-8000-000000000000"), qPrintable(error));
        QVERIFY(cluster->stop());
        const auto [downCode, down] = vantoria({"--protocol", other.id, "down.pdf"});
        QVERIFY(cluster->start());
        QVERIFY2(downCode == 1 && down.contains("Protokollserver"), qPrintable(down));
        QCOMPARE(QDir("plant").entryList(QDir::Files), (QStringList{"other.pdf", "Records.ini"}));
    }
};

QTEST_MAIN(TestRecordsServer)
#include "test_records_server.moc"
