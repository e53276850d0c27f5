// The records database of the working folder: what goes in comes back, in order, once; notes beside the
// values; the queue for the server; damaged, newer and full files; two writers and a kill after the insert.
#include "RecordsTesting.h"

#include <QRegularExpression>
#include <QSqlDatabase>

#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace records;

namespace {
QString db() { return QString::fromLatin1(QTest::currentTestFunction()) + ".db"; } // each test its own

Record sample(int hour, const QString& machine = QStringLiteral("Press 7"), const QString& comment = {}) {
    Record r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces), r.machine = machine, r.comment = comment;
    r.takenAt = QDateTime(QDate(2026, 3, 1), QTime(8, 0, 0, 125), Qt::UTC).addSecs(3600 * hour);
    return r;
}

// Null only where a test fails anyway.
auto openDb(const QString& path = db(), OpenReport* report = {}) { return SqliteStore::open(path, report); }

// One value of a statement run on the test's database past the store; the file is closed again after it.
QVariant direct(const QString& sql, const QString& path = db()) {
    QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", path);
    raw.setDatabaseName(path);
    QVariant value;
    if (QSqlQuery query(raw.open() ? raw : QSqlDatabase()); query.exec(sql))
        value = query.next() ? query.value(0) : true;
    raw.close();
    return value;
}

// Runs `work` in a child process, which exits with 0 when it returned true. A store it released is never
// closed, as after a crash.
pid_t child(const std::function<bool()>& work) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work() ? 0 : 1);
    return pid;
}
int statusOf(pid_t pid) { return waitpid(pid, &pid, 0) > 0 ? pid : -1; }

// A version 3 file as that program made it: no clamp tables, an outbox for records and notes only.
void downToVersion3(const QString& path = db()) {
    for (const QString& step :
         QString(
             "DROP TABLE cycle_alarm_acks; DROP TABLE cycle_alarms; DROP TABLE cycle_references; DROP TABLE "
             "cycles; DROP INDEX outbox_by_ref; DROP INDEX outbox_waiting; ALTER TABLE outbox RENAME TO o; "
             "CREATE TABLE outbox (seq INTEGER PRIMARY KEY AUTOINCREMENT, kind TEXT NOT NULL CHECK (kind "
             "IN ('record', 'note')), ref TEXT NOT NULL, sent_at TEXT, refused TEXT); INSERT INTO outbox "
             "SELECT * FROM o; DROP TABLE o; CREATE INDEX outbox_by_ref ON outbox (ref); CREATE INDEX "
             "outbox_waiting ON outbox (seq) WHERE sent_at IS NULL; UPDATE schema_version SET version = 3")
             .split("; "))
        QVERIFY2(direct(step, path).isValid(), qPrintable(step));
}
} // namespace
using namespace cycles;

class TestSqliteStore : public QObject {
    Q_OBJECT
private slots:
    void everyFieldComesBackVerbatimAndADuplicateIsStoredOnce() {
        auto store = openDb();
        Record full = fullRecord();
        full.machine = "Presse \"Süd\"; 3", full.comment = "'; DROP TABLE records; --",
        full.utcOffsetMin = -330;
        full.channels[2].reset(), full.sensors[1].reset(), full.mainValue = 1e-9;
        full.note = QStringLiteral("line 1\r\nline 2\n").repeated(667) + "x";
        Record bare; // texts and numbers all empty
        bare.id = "bare", bare.takenAt = full.takenAt.addDays(-1), bare.zeroedAt = QDateTime(); // not zeroed
        qint64 number = 0, again = 0;
        QVERIFY(store->insert(bare, nullptr, &number) && number == 1);
        QVERIFY(store->insert(full, nullptr, &number) && store->insert(full, nullptr, &again));
        QVERIFY(number == 2 && again == 2 && store->count({}) == 2);
        QCOMPARE(store->find(full.id).value_or(Record()), full);
        QCOMPARE(store->find(bare.id).value_or(Record()), bare);
        QCOMPARE(store->latest().value_or(Record()), full);
    }

    void pagesAreNewestFirstAndTheSearchTakesTextAsTyped() {
        auto store = openDb();
        QList<Record> all;
        const QMap<int, QString> comments{{3, "50% load"}, {6, "a_b"}, {8, "Prüfung"}};
        for (int i : {5, 0, 9, 3, 7, 1, 8, 2, 6, 4}) { // stored out of time order
            all << sample(i, i % 2 ? "press 1" : "Press 2", comments.value(i, "axb 500"));
            QVERIFY(store->insert(all.last(), nullptr));
        }
        std::sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.takenAt > b.takenAt; });
        const Page first = store->page({}, {}, 4), second = store->page({}, first.next, 4);
        const Page third = store->page({}, second.next, 4);
        QVERIFY(!second.end && third.end);
        QCOMPARE(first.records + second.records + third.records, all);
        QCOMPARE(store->page({"Press 2", {}}, store->page({"Press 2", {}}, {}, 1).next, 2).records,
                 (QList{all[3], all[5]}));
        QCOMPARE(store->page({{}, "0%"}, {}, 10).records, QList{all[6]});
        QCOMPARE(store->page({{}, "A_B"}, {}, 10).records, QList{all[3]});
        QVERIFY(store->count({"press 1", "PRESS"}) == 5 && store->count({{}, "PRÜF"}) == 1);
        const QList<Record> trend = store->trend("Press 2", 3);
        QVERIFY(trend.size() == 3 && trend[0].id == all[5].id && trend[2].takenAt == all[1].takenAt);
        QCOMPARE(store->machines(), (QStringList{"press 1", "Press 2"}));
    }

    void notesAreAddedBesideAndTheQueueHoldsWhatTheServerLacks() {
        auto store = openDb();
        store->setQueueForServer(true);
        const Record r = sample(1, "P", "taken with it");
        Record mine = sample(2), theirs = sample(3), changed = r;
        mine.note = "own", changed.comment = "the server's copy";
        QString error;
        QVERIFY(store->insert(r, nullptr) && store->insert(mine, nullptr) &&
                store->addNote(mine.id, "Bea", "bolt 3\nretightened", &error) &&
                store->addNote(mine.id, "Carl", "ok", &error));
        QVERIFY(!store->addNote("unknown", "Bea", "x", &error) && error.contains("unknown"));
        Record read = *store->find(mine.id);
        const QRegularExpression notes(
            "^own\nbolt 3\nretightened \\(Bea, 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d UTC\\)\n"
            "ok \\(Carl, [-0-9 :]{16} UTC\\)$");
        QVERIFY2(read.note.contains(notes), qPrintable(read.note));
        QCOMPARE(store->page({{}, "retight"}, {}, 5).records, QList{read});
        QCOMPARE((read.note = mine.note, read), mine);
        QList<OutboxItem> items = store->pending(10);
        QVERIFY(items.size() == 4 && items[0].seq < items[1].seq && items[2].kind == OutboxItem::Kind::Note &&
                items[3].note.text == "ok");
        QCOMPARE(items[1].record, mine); // its own note only: the added ones travel on their own
        QVERIFY(store->markSent({items[0].seq, items[2].seq}, &error) && store->pendingCount() == 2);
        QCOMPARE(store->pending(1).value(0).record, mine);

        const Note note{"n1", theirs.id, theirs.takenAt, "Dora", "from the plant"};
        QVERIFY(store->keepFromServer({changed, theirs}, {note, note}, &error));
        QVERIFY(store->find(r.id) == r && store->find(theirs.id)->note == SqliteStore::noteLine(note));
        QVERIFY(store->pendingCount() == 2 && store->serverPosition() == 0);
        QVERIFY(store->setServerPosition(42, &error) && openDb()->serverPosition() == 42);
    }

    // Damage SQLite itself cannot read past, or an index that it can: the file and its log go aside byte for
    // byte beside an earlier damaged file, every record whose page survived comes back whole, and the queue
    // for the server stays as the server left it.
    void damagedFilesAreKeptAsFoundAndTheirRecordsRecovered_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("header zeroed") << "header";
        QTest::newRow("the table's root page zeroed, a note in the pending log") << "root";
        QTest::newRow("cut in half") << "half";
        QTest::newRow("an index overwritten, the records whole") << "index";
    }
    void damagedFilesAreKeptAsFoundAndTheirRecordsRecovered() {
        QFETCH(QString, damage);
        const QString path = damage + ".db";
        QList<Record> all;
        for (int i = 0; i < 1200; ++i) {
            Record r = sample(i, QStringLiteral("Press %1").arg(i % 7), QString(i % 300, QChar(0xe4)));
            r.channels = {i * 0.5, -1.25, std::nullopt, 1e6 + i},
            r.note = QString(i % 7 ? i % 100 : 5000 + i, 'n');
            all << r;
        }
        auto store = openDb(path);
        store->setQueueForServer(true);
        const Record sentOne = sample(-3), refusedOne = sample(-2), waiting = sample(-1);
        QVERIFY(store->insert(sentOne, nullptr) && store->insert(refusedOne, nullptr) &&
                store->insert(waiting, nullptr));
        const QList<OutboxItem> queued = store->pending(3);
        QVERIFY(store->markSent({queued[0].seq}, nullptr) &&
                store->setAside(queued[1].seq, "check", nullptr));
        QVERIFY(store->keepFromServer(all, {}, nullptr));
        store.reset(); // closed: the log is written into the file
        all << sentOne << refusedOne << waiting;
        const QString table = damage == "index" ? "records_newest" : "records";
        const int root =
            direct("SELECT rootpage FROM sqlite_master WHERE name = '" + table + "'", path).toInt();
        // A note added just before a crash is only in the log.
        QCOMPARE(statusOf(child(
                     [&] { return openDb(path).release()->addNote(all[7].id, "Eva", "late", nullptr); })),
                 0);
        QByteArray bytes = readFile(path);
        if (damage == "header")
            bytes.replace(0, 100, QByteArray(100, '\0'));
        else if (damage == "root")
            bytes.replace((root - 1) * 4096, 4096, QByteArray(4096, '\0'));
        else if (damage == "half")
            bytes.truncate(bytes.size() / 2);
        else
            bytes.replace((root - 1) * 4096, 2000, QByteArray(2000, 'x'));
        writeFile(path, bytes);
        writeFile(path + ".damaged", "Vantoria records\n");
        const QByteArray log = readFile(path + "-wal");
        QVERIFY(!log.isEmpty());
        OpenReport report;
        store = openDb(path, &report);
        QVERIFY2(store && report.damagedKeptAs == path + ".damaged.2", qPrintable(report.error));
        QVERIFY(readFile(report.damagedKeptAs) == bytes && readFile(report.damagedKeptAs + "-wal") == log);
        QCOMPARE(readFile(path + ".damaged"), "Vantoria records\n");
        QVERIFY2(report.salvaged == (damage == "half" ? report.salvaged : 1203) && report.salvaged > 300,
                 qPrintable(QString::number(report.salvaged)));
        const QList<OutboxItem> left = store->pending(10);
        QVERIFY(left.size() == 1 && left[0].seq == queued[2].seq && left[0].record == waiting);
        QCOMPARE(store->refused(), (Refused{1, 0, "check"}));
        QCOMPARE(store->count({}), report.salvaged);
        for (Record r : all)
            if (const auto found = store->find(r.id))
                QCOMPARE(*found, r.id == all[7].id ? (r.note += found->note.mid(r.note.size()), r) : r);
        QVERIFY(store->find(all[7].id)->note.contains("late (Eva, 20"));
        store = openDb(path, &report);
        QVERIFY(report.damagedKeptAs.isEmpty() && !report.newerSchema && !store->readOnly());
    }

    // Another program's database under our name, mid-write with its log pending, is refused and untouched.
    void anotherProgramsDatabaseIsNeverChanged() {
        const pid_t other = child([] {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "other");
            raw.setDatabaseName(db());
            QSqlQuery q(raw.open() ? raw : QSqlDatabase());
            return q.exec("PRAGMA journal_mode = WAL") && q.exec("CREATE TABLE parts (name TEXT)") &&
                   q.exec("INSERT INTO parts VALUES ('bolt')");
        });
        QCOMPARE(statusOf(other), 0);
        const QByteArray file = readFile(db()), log = readFile(db() + "-wal");
        OpenReport report;
        QVERIFY(!openDb(db(), &report) && report.error.contains("not a records database"));
        QVERIFY(report.damagedKeptAs.isEmpty() && !log.isEmpty());
        QVERIFY(readFile(db()) == file && readFile(db() + "-wal") == log);
    }

    // A folder that may not be written, with a clean file and with a log left by a crash.
    void aReadOnlyFolderIsReadAndLeftAsItIs() {
        const SmallFileSystem disk("ro", "size=4m");
        QVERIFY(disk.mounted());
        const Record kept = sample(1), pending = sample(2);
        QVERIFY(openDb("ro/clean.db")->insert(kept, nullptr));
        QCOMPARE(statusOf(child([&] { return openDb("ro/crashed.db").release()->insert(pending, nullptr); })),
                 0);
        const QStringList before = QDir("ro").entryList(QDir::Files);
        QCOMPARE(QProcess::execute("mount", {"-o", "remount,bind,ro", "ro"}), 0);
        for (const auto& [file, record] : {std::pair{"ro/clean.db", kept}, {"ro/crashed.db", pending}}) {
            OpenReport report;
            auto store = openDb(file, &report);
            QVERIFY2(store && report.notWritable && store->readOnly(), qPrintable(report.error));
            QCOMPARE(store->latest(), record);
            QString error;
            QVERIFY(!store->insert(sample(3), &error) && error.contains("may not be written"));
        }
        QCOMPARE(QDir("ro").entryList(QDir::Files), before);
    }

    // A file of the first version: upgraded in place; "the last record" is this PC's newest by its own order
    // of storing, not another PC's whose clock runs years ahead. A newer program's file is read, never
    // changed.
    void olderFilesAreUpgradedAndTheLastRecordIsThisPcsOwn() {
        Record mine = sample(1), theirs = sample(2), older = sample(0);
        mine.host = older.host = QSysInfo::machineHostName(), theirs.host = "pc-9";
        mine.unit = "US t", mine.tonsUnit = "US t", mine.sensorUnit = "t"; // as older files are read
        theirs.takenAt = theirs.takenAt.addYears(10);
        auto store = openDb();
        QVERIFY(store->insert(older, nullptr) && store->insert(mine, nullptr) &&
                store->keepFromServer({theirs}, {}, nullptr) && store->setServerPosition(5, nullptr));
        QCOMPARE(store->latest(), mine);
        store.reset();
        downToVersion3();
        // Back to version 2, where the columns added since are missing; the same again, then to version 1.
        const auto downTo = [](const QString& last) {
            const QString added = "ALTER TABLE records DROP COLUMN tons_unit; ALTER TABLE records DROP "
                                  "COLUMN sensor_unit; ALTER TABLE records DROP COLUMN zeroed_at; ";
            for (const QString& step : QString(added + last).split("; "))
                QVERIFY2(direct(step).isValid(), qPrintable(step));
        };
        downTo("UPDATE schema_version SET version = 2");
        QCOMPARE(openDb()->latest(), mine);
        downToVersion3();
        downTo("DROP INDEX records_own; DROP INDEX outbox_waiting; DROP INDEX outbox_by_ref; "
               "ALTER TABLE records DROP COLUMN from_server; ALTER TABLE record_notes DROP COLUMN "
               "from_server; ALTER TABLE outbox DROP COLUMN sent_at; ALTER TABLE outbox DROP COLUMN "
               "refused; UPDATE schema_version SET version = 1; PRAGMA application_id = 0");
        OpenReport report;
        store = openDb(db(), &report);
        QVERIFY2(store && !store->readOnly(), qPrintable(report.error));
        QCOMPARE(store->latest(), mine);
        QCOMPARE(store->page({}, {}, 1).records.value(0), theirs);
        QCOMPARE(direct("PRAGMA application_id").toLongLong(), 0x56544F52);
        store.reset();
        QVERIFY(direct("UPDATE schema_version SET version = version + 1").toBool());
        const QByteArray before = readFile(db());
        store = openDb(db(), &report);
        QString error;
        QVERIFY(report.newerSchema && store->readOnly() && store->find(mine.id) == mine);
        QVERIFY(!store->insert(sample(3), &error) && !error.isEmpty() &&
                !store->addNote(mine.id, "A", "n", &error) && !store->setServerPosition(3, &error));
        store.reset();
        QCOMPARE(readFile(db()), before);
    }

    // Clamps, references, alarms and acknowledgements as another connection to the file reads them.
    void theClampWatchsRowsComeBackThroughAnotherConnection() {
        auto store = openDb(), reader = openDb();
        CycleRow first = fullCycle("P-1", 1), second = fullCycle("P-1", 2), third = fullCycle("P-1", 3);
        second.mainValue.reset(), second.totalKn.reset(), second.deviation.reset();
        second.isShort = true, second.alarm = false, second.unit = "US t", second.snapshots = 1;
        const CycleRow other = fullCycle("P-2", 4);
        QString error;
        for (const CycleRow& row : {third, first, other, second, third}) // out of order, one twice
            QVERIFY2(store->insertCycle(row, &error), qPrintable(error));
        QCOMPARE(reader->lastCycles("P-1", 10), (QList{first, second, third}));
        QCOMPARE(reader->lastCycles("P-1", 2), (QList{second, third}));
        QCOMPARE(reader->cyclesSince("P-1", second.startedAt), (QList{second, third}));
        QCOMPARE(reader->cyclesSince("P-1", second.startedAt.addMSecs(1)), QList{third});

        CycleReference taught = referenceOf("P-1", 30), older = referenceOf("P-1", 10);
        QVERIFY(!reader->reference("P-1") && store->insertReference(taught, &error) &&
                store->insertReference(older, &error) &&
                store->insertReference(referenceOf("P-2", 40), &error));
        QCOMPARE(reader->reference("P-1"), taught);

        const CycleAlarm total = alarmOf(first, AlarmKind::Total), share = alarmOf(third, AlarmKind::Share);
        CycleAlarm none = alarmOf(third, AlarmKind::NoClamp);
        none.raisedAt = none.raisedAt.addSecs(60), none.unit = "s";
        const AlarmAck ack{total.id, "Eva Roth", total.raisedAt.addSecs(30)};
        QVERIFY(store->insertAlarm(none, &error) && store->insertAlarm(total, &error) &&
                store->insertAlarm(share, &error) &&
                store->insertAlarm(alarmOf(other, AlarmKind::Deviation), &error));
        QVERIFY(store->acknowledge({ack}, &error) &&
                store->acknowledge({{total.id, "Later", ack.at.addSecs(9)}}, &error));
        QVERIFY(!store->acknowledge({{share.id, "Eva", ack.at}, {"no such alarm", "Eva", ack.at}}, &error) &&
                error.contains("no such alarm"));
        const QList<CycleStore::AlarmEntry> alarms = reader->alarms("P-1", 10);
        QCOMPARE(alarms.size(), 3);
        QVERIFY(alarms[0].alarm == none && !alarms[0].ack && alarms[1].alarm == share && !alarms[1].ack);
        QVERIFY(alarms[2].alarm == total && alarms[2].ack == ack);
        QCOMPARE(reader->alarms("P-1", 1).value(0).alarm, none);
        QVERIFY(direct("SELECT cycle_id IS NULL FROM cycle_alarms WHERE kind = 'no_clamp'").toBool());
    }

    // Queued with the insert when a server is named, a kind at a time so that what an item names goes
    // first; stored before it was named, queued at the next start of the sending.
    void theClampWatchIsQueuedInTheOrderTheServerNeeds() {
        auto store = openDb();
        const CycleRow before = fullCycle("P", 1), clamp = fullCycle("P", 2), later = fullCycle("P", 3);
        const CycleAlarm alarm = alarmOf(clamp, AlarmKind::Total);
        const CycleReference taught = referenceOf("P", 0);
        QVERIFY(store->insertCycle(before, nullptr));
        store->setQueueForServer(true);
        const Record record = sample(1);
        QVERIFY(store->insertCycle(clamp, nullptr) && store->insertAlarm(alarm, nullptr) &&
                store->acknowledge({{alarm.id, "QS", alarm.raisedAt}}, nullptr) &&
                store->insertReference(taught, nullptr) && store->insertCycle(later, nullptr) &&
                store->insertCycle(clamp, nullptr) && store->insert(record, nullptr));
        QCOMPARE(store->pendingCount(), 6);
        QVERIFY(store->requeue(nullptr) && store->pendingCount() == 7);
        const QList<OutboxItem> items = store->pending(10);
        using Kind = OutboxItem::Kind;
        QList<Kind> kinds;
        for (const OutboxItem& item : items)
            kinds << item.kind;
        QCOMPARE(kinds, (QList{Kind::Record, Kind::Cycle, Kind::Cycle, Kind::Cycle, Kind::Reference,
                               Kind::Alarm, Kind::Ack}));
        QVERIFY(items[1].cycle == clamp && items[2].cycle == later && items[3].cycle == before);
        QVERIFY(items[4].reference == taught && items[5].alarm == alarm && items[6].ack.by == "QS");
        QCOMPARE(store->pending(10, false).size(), 1);
    }

    // A version 3 file: its records and its queue as the server left it stay, numbers are never handed out
    // again, and the clamp tables are there.
    void aVersion3FileGetsTheClampTablesAndKeepsItsQueue() {
        auto store = openDb();
        store->setQueueForServer(true);
        const Record waiting = sample(1), refused = sample(2), sent = sample(3);
        QVERIFY(store->insert(waiting, nullptr) && store->insert(refused, nullptr) &&
                store->insert(sent, nullptr) && store->insert(sample(4), nullptr));
        const QList<OutboxItem> queued = store->pending(4);
        QVERIFY(store->setAside(queued[1].seq, "check", nullptr) &&
                store->markSent({queued[2].seq, queued[3].seq}, nullptr));
        store.reset();
        downToVersion3();
        // As a version 1 file left it: the row the server acknowledged last is gone, its number is not free.
        QVERIFY(direct(QString("DELETE FROM outbox WHERE seq = %1").arg(queued[3].seq)).isValid());
        OpenReport report;
        store = openDb(db(), &report);
        QVERIFY2(store && !store->readOnly(), qPrintable(report.error));
        QVERIFY(store->find(sent.id) == sent && store->count({}) == 4);
        QCOMPARE(store->refused(), (Refused{1, 0, "check"}));
        QCOMPARE(direct("SELECT max(version) FROM schema_version").toInt(), SqliteStore::SchemaVersion);
        store->setQueueForServer(true);
        const CycleRow clamp = fullCycle("P", 1);
        QVERIFY(store->insertCycle(clamp, nullptr) && openDb()->lastCycles("P", 1) == QList{clamp});
        const QList<OutboxItem> left = store->pending(10);
        QVERIFY(left.size() == 2 && left[0].record == waiting && left[1].cycle == clamp);
        QCOMPARE_GT(left[1].seq, queued[3].seq);
    }

    // Half a million clamps a year per press: a row with its indexes stays small.
    void aClampTakesLittleOfTheFile() {
        auto store = openDb();
        const auto bytes = [] {
            return direct("SELECT page_count * page_size FROM pragma_page_count(), pragma_page_size()")
                .toLongLong();
        };
        const qint64 before = bytes();
        for (int i = 0; i < 2000; ++i) {
            CycleRow row = fullCycle("KM-350 Halle 2", 0);
            row.startedAt = row.startedAt.addSecs(31 * i), row.endedAt = row.startedAt.addMSecs(4875);
            QVERIFY(store->insertCycle(row, nullptr));
        }
        const double perRow = (bytes() - before) / 2000.0;
        qInfo("%.1f bytes per clamp", perRow);
        QCOMPARE_LT(perRow, 300);
    }

    void aFullDiskRefusesTheRecordWithTheSystemsReason() {
        const SmallFileSystem disk("small", "size=256k");
        QVERIFY(disk.mounted());
        auto store = openDb("small/" + db());
        QFile filler("small/filler");
        QVERIFY(store->insert(sample(0), nullptr) && filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
        }
        const Record lost = sample(1, "P", QString(3000, 'c'));
        QString error;
        const bool stored = store->insert(lost, &error);
        filler.close(), filler.remove();
        QVERIFY2(!stored && error.contains("No space left on device"), qPrintable(error));
        QVERIFY(!store->find(lost.id) && store->insert(sample(2), &error) && store->count({}) == 2);
    }

    // One writer is killed the moment its last insert returned, its database still open.
    void twoWritersAtOnceAndAKillAfterTheInsertLoseNothing() {
        int gate[2], told[2];
        QVERIFY(pipe(gate) == 0 && pipe(told) == 0);
        const auto writer = [&](bool killed) {
            char go;
            auto store = read(gate[0], &go, 1) == 1 ? openDb() : nullptr;
            for (int i = 0; store && i < 200; ++i)
                if (!store->insert(sample(i), nullptr))
                    return false;
            while (killed && store && write(told[1], "s", 1) == 1)
                pause();
            return bool(store);
        };
        const pid_t a = child([&] { return writer(false); }), b = child([&] { return writer(true); });
        close(told[1]);
        char stored = 0;
        QVERIFY(write(gate[1], "gg", 2) == 2 && read(told[0], &stored, 1) == 1);
        kill(b, SIGKILL);
        QVERIFY(statusOf(a) == 0 && statusOf(b) == SIGKILL);
        QCOMPARE(openDb()->count({}), 400);
    }

    // A file dialog of the window opens and closes the database's files on its own; then another program
    // reads the database and ends. A record stored after that must still be on the disk when the window is
    // killed.
    void anotherDescriptorOfTheProcessAndAnotherReaderCostNoRecord() {
        const auto count = [] {
            QProcess reader;
            reader.start("sqlite3", {db(), "SELECT count(*) FROM records"});
            return reader.waitForFinished(10000) ? reader.readAllStandardOutput().trimmed() : "no answer";
        };
        int step[2], done[2];
        QVERIFY(pipe(step) == 0 && pipe(done) == 0);
        const pid_t window = child([&] {
            auto store = openDb();
            char go = 0;
            if (!store || !store->insert(sample(1), nullptr))
                return false;
            for (const char* suffix : {"", "-wal", "-shm"})
                ::close(::open(qPrintable(db() + suffix), O_RDONLY));
            if (write(done[1], "1", 1) != 1 || read(step[0], &go, 1) != 1 ||
                !store->insert(sample(2), nullptr))
                return false;
            while (write(done[1], "2", 1) == 1)
                pause();
            return true;
        });
        auto end = qScopeGuard([&] { kill(window, SIGKILL), statusOf(window); }); // on a failed check
        close(done[1]);
        char stored = 0;
        QVERIFY(read(done[0], &stored, 1) == 1);
        QCOMPARE(count(), "1");
        QVERIFY(write(step[1], "g", 1) == 1 && read(done[0], &stored, 1) == 1 && stored == '2');
        kill(window, SIGKILL);
        QCOMPARE(statusOf(window), SIGKILL);
        end.dismiss();
        QCOMPARE(count(), "2");
    }
};

QTEST_GUILESS_MAIN(TestSqliteStore)
#include "test_sqlite_store.moc"
