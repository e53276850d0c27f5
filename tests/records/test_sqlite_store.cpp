// The records database of the working folder: what goes in comes back, in order, once; notes beside the
// values; the queue for the server; damaged, newer and full files; two writers; a kill after the insert.
#include "TestWindow.h"
#include "records/RecordsConfig.h"
#include "records/SqliteStore.h"

#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QUuid>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace records;

namespace {
const QString Db = QStringLiteral("Vantoria.db");

Record sample(int hour, const QString& machine = QStringLiteral("Press 7"), const QString& comment = {}) {
    Record r;
    r.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    r.takenAt = QDateTime(QDate(2026, 3, 1), QTime(8, 0, 0, 125), Qt::UTC).addSecs(3600 * hour);
    r.machine = machine;
    r.comment = comment;
    r.channels = {101.5, -2.25, std::nullopt, 0.0};
    return r;
}

std::unique_ptr<SqliteStore> openDb(const QString& path = Db, OpenReport* report = nullptr) {
    auto store = SqliteStore::open(path, report);
    if (!store)
        qFatal("cannot open %s", qPrintable(path));
    return store;
}

// A child process running `work`; its exit status is 0 when work returned true.
pid_t child(const std::function<bool()>& work) {
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work() ? 0 : 1);
    return pid;
}
int exitOf(pid_t pid) {
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
} // namespace

class TestSqliteStore : public QObject {
    Q_OBJECT
private slots:
    void init() {
        for (const QString& name : QDir().entryList({"Vantoria.db*"}, QDir::Files))
            QFile::remove(name);
    }

    void everyFieldComesBackVerbatimAndADuplicateIsStoredOnce() {
        auto store = openDb();
        Record full = sample(1, "Presse \"Süd\"; 3", "'; DROP TABLE records; --");
        full.utcOffsetMin = -330;
        full.sensors = {1, std::nullopt, 3, 4, 5, 6, 7, -8.125};
        full.mainValue = 1e-9, full.totalKn = 4321.5, full.totalTons = 440.6, full.deviation = 12.5;
        full.tolerance = 10, full.withinTolerance = false, full.kFactor = 2.05, full.eModulus = 210000;
        full.barDiameter = 120, full.note = QStringLiteral("line 1\r\nline 2\n").repeated(667) + "x";
        full.serialNr = "S/N 'a'", full.operatorName = "Anna", full.amplifier = "QT34", full.port = "COM2";
        full.unit = "µm/m", full.program = "Vantoria 4.0.3", full.host = "pc-1";
        Record bare;
        bare.id = "bare", bare.takenAt = full.takenAt.addDays(-1);
        qint64 number = 0;
        QString error;
        QVERIFY(store->insert(bare, &error, &number) && number == 1);
        QVERIFY2(store->insert(full, &error, &number), qPrintable(error));
        QCOMPARE(number, 2);
        QVERIFY(store->insert(full, &error, &number) && number == 2);
        QCOMPARE(store->count({}), 2);
        store = openDb();
        QCOMPARE(store->find(full.id), full);
        QCOMPARE(store->find(bare.id), bare);
        QCOMPARE(store->latest(), full);
    }

    void pagesAreNewestFirstAndTheSearchTakesTextAsTyped() {
        auto store = openDb();
        QList<Record> all;
        for (int i : {5, 0, 9, 3, 7, 1, 8, 2, 6, 4}) // stored out of time order
            all << sample(i, i % 2 ? "press 1" : "Press 2", i == 3 ? "50% load" : i == 6 ? "a_b" : "axb 500");
        for (const Record& r : all)
            QVERIFY(store->insert(r, nullptr));
        std::sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.takenAt > b.takenAt; });
        QCOMPARE(store->page({}, 0, 4) + store->page({}, 4, 4) + store->page({}, 8, 4), all);
        QCOMPARE(store->page({"Press 2", {}}, 1, 2), (QList{all[3], all[5]}));
        QCOMPARE(store->page({{}, "0%"}, 0, 10), QList{all[6]});
        QCOMPARE(store->page({{}, "A_B"}, 0, 10), QList{all[3]});
        QCOMPARE(store->count({"press 1", "PRESS"}), 5);
        const QList<Record> trend = store->trend("Press 2", 3);
        QCOMPARE(trend.size(), 3);
        for (int i : {0, 1, 2})
            QVERIFY(trend[i].id == all[5 - 2 * i].id && trend[i].takenAt == all[5 - 2 * i].takenAt);
        QCOMPARE(store->machines(), (QStringList{"press 1", "Press 2"}));
    }

    void notesAreAddedBesideAndTheQueueHoldsWhatTheServerLacks() {
        auto store = openDb();
        store->setQueueForServer(true);
        const Record r = sample(1, "P", "taken with it");
        Record mine = sample(2), theirs = sample(3);
        mine.note = "own";
        QVERIFY(store->insert(r, nullptr) && store->insert(mine, nullptr));
        QString error;
        QVERIFY(store->addNote(mine.id, "Bea", "bolt 3\nretightened", &error));
        QVERIFY(store->addNote(mine.id, "Carl", "ok", &error));
        QVERIFY(!store->addNote("unknown", "Bea", "x", &error) && error.contains("unknown"));
        const Record read = *store->find(mine.id);
        QVERIFY2(
            QRegularExpression("^own\n2\\d\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d UTC, Bea: bolt 3\nretightened\n"
                               "2\\d\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d UTC, Carl: ok$")
                .match(read.note)
                .hasMatch(),
            qPrintable(read.note));
        Record values = read;
        values.note = mine.note;
        QCOMPARE(values, mine);
        QCOMPARE(store->page({{}, "retight"}, 0, 5), QList{read});
        QList<OutboxItem> items = store->pending(10);
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[1].record, mine); // its own note only: the added ones travel on their own
        QCOMPARE(items[3].note.text, "ok");
        QVERIFY(items[0].seq < items[1].seq && items[2].kind == OutboxItem::Kind::Note);
        QVERIFY(store->markSent({items[0].seq, items[2].seq}, &error));
        QCOMPARE(store->pendingCount(), 2);
        QCOMPARE(store->pending(1).value(0).record, mine);

        Record changed = r;
        changed.comment = "the server's copy";
        const Note note{"n1", theirs.id, theirs.takenAt, "Dora", "from the plant"};
        QVERIFY(store->keepFromServer({changed, theirs}, {note, note}, &error));
        QCOMPARE(store->find(r.id), r);
        QCOMPARE(store->find(theirs.id)->note, SqliteStore::noteLine(note));
        QCOMPARE(store->pendingCount(), 2);
        QCOMPARE(store->serverPosition(), 0);
        QVERIFY(store->setServerPosition(42, &error) && openDb()->serverPosition() == 42);
    }

    void aDamagedFileIsKeptAndNeverOverwritten() {
        writeFile(Db, "Vantoria records\n");
        OpenReport report;
        auto store = openDb(Db, &report);
        QCOMPARE(report.damagedKeptAs, Db + ".damaged");
        for (int i = 0; i < 300; ++i)
            QVERIFY(store->insert(sample(i), nullptr));
        store.reset();
        QByteArray bytes = readFile(Db);
        bytes.replace(2 * 4096, 2000, QByteArray(2000, 'x')); // a page of the tables, not the file header
        writeFile(Db, bytes);
        store = openDb(Db, &report);
        QCOMPARE(report.damagedKeptAs, Db + ".damaged.2");
        QCOMPARE(readFile(Db + ".damaged"), QByteArray("Vantoria records\n"));
        QCOMPARE(readFile(report.damagedKeptAs), bytes);
        QCOMPARE(store->count({}), 0);
        QVERIFY(store->insert(sample(1), nullptr));
        store = openDb(Db, &report);
        QVERIFY(report.damagedKeptAs.isEmpty() && !report.newerSchema && !store->readOnly());
    }

    void aNewerSchemaIsReadButNeverChanged() {
        const Record r = sample(1);
        QVERIFY(openDb()->insert(r, nullptr));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
            db.setDatabaseName(Db);
            QVERIFY(db.open() && QSqlQuery(db).exec("UPDATE schema_version SET version = version + 1"));
        }
        QSqlDatabase::removeDatabase("raw");
        const QByteArray before = readFile(Db);
        OpenReport report;
        auto store = openDb(Db, &report);
        QVERIFY(report.newerSchema && store->readOnly());
        QString error;
        QVERIFY(!store->insert(sample(2), &error) && !error.isEmpty());
        QVERIFY(!store->addNote(r.id, "A", "n", &error) && !store->setServerPosition(3, &error));
        QCOMPARE(store->find(r.id), r);
        store.reset();
        QCOMPARE(readFile(Db), before);
    }

    void aFullDiskRefusesTheRecordWithTheSystemsReason() {
        QVERIFY(QDir().mkpath("small"));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", "small"}) != 0)
            QSKIP("a small file system cannot be mounted here");
        const auto unmount = qScopeGuard([] { QProcess::execute("umount", {"small"}); });
        auto store = openDb("small/" + Db);
        QVERIFY(store->insert(sample(0), nullptr));
        QFile filler("small/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'f')) > 0 && filler.flush()) {
        }
        const Record lost = sample(1, "P", QString(3000, 'c'));
        QString error;
        const bool stored = store->insert(lost, &error);
        filler.close();
        QFile::remove("small/filler");
        QVERIFY(!stored && error.contains("No space left on device"));
        QVERIFY(!store->find(lost.id));
        QVERIFY2(store->insert(sample(2), &error), qPrintable(error));
        store.reset();
        QCOMPARE(openDb("small/" + Db)->count({}), 2);
    }

    void twoProcessesWritingAtOnceLoseNothing() {
        int gate[2];
        QVERIFY(pipe(gate) == 0);
        const auto writer = [&] {
            char go;
            if (read(gate[0], &go, 1) != 1)
                return false;
            auto store = SqliteStore::open(Db);
            for (int i = 0; store && i < 200; ++i)
                if (!store->insert(sample(i), nullptr))
                    return false;
            return bool(store);
        };
        const pid_t a = child(writer), b = child(writer);
        QCOMPARE(write(gate[1], "gg", 2), 2);
        QCOMPARE(exitOf(a) + exitOf(b), 0);
        QCOMPARE(openDb()->count({}), 400);
    }

    void aRecordSurvivesAKillRightAfterItWasStored() {
        const Record r = sample(1);
        int told[2];
        QVERIFY(pipe(told) == 0);
        const pid_t pid = child([&] {
            auto store = openDb();
            if (!store->insert(r, nullptr) || write(told[1], "s", 1) != 1)
                return false;
            for (;;)
                pause();
        });
        close(told[1]);
        char stored = 0;
        QCOMPARE(read(told[0], &stored, 1), 1);
        kill(pid, SIGKILL);
        QCOMPARE(exitOf(pid), 128 + SIGKILL);
        QCOMPARE(openDb()->find(r.id), r);
    }

    void recordsIniIsReadAsPeopleWriteIt() {
        const RecordsConfig config = parseRecordsConfig(
            "\xEF\xBB\xBF# plant\r\n Server = host=db port=5432 \r\nOPERATOR=Zoë\r\noperator=x");
        QCOMPARE(config.server, "host=db port=5432");
        QCOMPARE(config.operatorName, "Zoë");
        QCOMPARE(withOperator("a=1\noperator=x\nb\nOperator = y", " Li Wei"),
                 "a=1\r\noperator=Li Wei\r\nb\r\n");
    }
};

QTEST_GUILESS_MAIN(TestSqliteStore)
#include "test_sqlite_store.moc"
