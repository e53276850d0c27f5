#include "records/SqliteStore.h"

#include "records/SqliteLocks.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>
#include <QUrl>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

// The schema is docs/records-schema.sql, built in; resources of a static library are registered by hand.
static void registerSchemaResource() { Q_INIT_RESOURCE(records); }

namespace records {
namespace {

// Long enough for another writer's commit and a checkpoint, short enough that a stuck lock is reported.
constexpr int BusyTimeoutMs = 5000;
constexpr int SqliteCorrupt = 11, SqliteFull = 13, SqliteCantOpen = 14, SqliteNotADatabase = 26;

// The trend's columns come first: a trend reads only them.
const QStringList ColumnNames =
    QStringLiteral(
        "id taken_at utc_offset_min machine unit channel1 channel2 channel3 channel4 main_value total_kn "
        "total_tons "
        "deviation tolerance within_tolerance serial_nr comment operator amplifier port sensor11 sensor12 "
        "sensor21 "
        "sensor22 sensor31 sensor32 sensor41 sensor42 k_factor e_modulus bar_diameter program host note "
        "tons_unit "
        "sensor_unit zeroed_at")
        .split(QLatin1Char(' '));
constexpr int TrendColumnCount = 15;
const QString Columns = ColumnNames.join(QLatin1String(", "));
const QString TrendColumns = ColumnNames.first(TrendColumnCount).join(QLatin1String(", "));
const QString NewestFirst = QStringLiteral(" ORDER BY taken_at DESC, nr DESC");

int primaryCode(const QSqlError& error) { return error.nativeErrorCode().toInt() & 0xff; }

QString reasonOf(const QSqlError& error) {
    // SQLite says "database or disk is full"; the user is better served by the system's own words.
    if (primaryCode(error) == SqliteFull)
        return QString::fromLocal8Bit(std::strerror(ENOSPC));
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

QString timeText(const QDateTime& time) { return time.toUTC().toString(Qt::ISODateWithMs); }
// Read by hand in the form written here: Qt's general parser would take most of a long trend's time.
QDateTime timeOf(const QVariant& value) {
    const QString text = value.toString();
    if (text.size() != 24 || !text.endsWith(QLatin1Char('Z')))
        return QDateTime::fromString(text, Qt::ISODateWithMs);
    const auto n = [&](int at, int digits) { return QStringView(text).mid(at, digits).toInt(); };
    return QDateTime(QDate(n(0, 4), n(5, 2), n(8, 2)), QTime(n(11, 2), n(14, 2), n(17, 2), n(20, 3)),
                     Qt::UTC);
}

// A null QString would be bound as NULL; the text columns hold '' instead.
QVariant text(const QString& s) { return s.isNull() ? QStringLiteral("") : s; }
QVariant number(const Number& n) { return n ? QVariant(*n) : QVariant(QMetaType::fromType<double>()); }
Number numberOf(const QVariant& v) { return v.isNull() ? Number() : Number(v.toDouble()); }

QVariantList valuesOf(const Record& r) {
    QVariantList v{text(r.id), timeText(r.takenAt), r.utcOffsetMin, text(r.machine), text(r.unit)};
    for (const Number& n : r.channels)
        v << number(n);
    for (const Number& n : {r.mainValue, r.totalKn, r.totalTons, r.deviation, r.tolerance})
        v << number(n);
    v << (r.withinTolerance ? QVariant(int(*r.withinTolerance)) : QVariant(QMetaType::fromType<int>()));
    for (const QString& s : {r.serialNr, r.comment, r.operatorName, r.amplifier, r.port})
        v << text(s);
    for (const Number& n : r.sensors)
        v << number(n);
    for (const Number& n : {r.kFactor, r.eModulus, r.barDiameter})
        v << number(n);
    v << text(r.program) << text(r.host) << text(r.note) << text(r.tonsUnit) << text(r.sensorUnit);
    return v << (!r.zeroedAt             ? QVariant(QMetaType::fromType<QString>())
                 : r.zeroedAt->isValid() ? QVariant(timeText(*r.zeroedAt))
                                         : QVariant(QStringLiteral("")));
}

// The columns of `Columns` in their order, or only the trend's.
Record recordAt(const QSqlQuery& q, bool trendOnly = false) {
    int i = 0;
    const auto next = [&] { return q.value(i++); };
    Record r;
    r.id = next().toString();
    r.takenAt = timeOf(next());
    r.utcOffsetMin = next().toInt();
    r.machine = next().toString();
    r.unit = next().toString();
    for (Number& n : r.channels)
        n = numberOf(next());
    for (Number* n : {&r.mainValue, &r.totalKn, &r.totalTons, &r.deviation, &r.tolerance})
        *n = numberOf(next());
    const QVariant within = next();
    if (!within.isNull())
        r.withinTolerance = within.toInt() != 0;
    if (trendOnly)
        return r;
    for (QString* s : {&r.serialNr, &r.comment, &r.operatorName, &r.amplifier, &r.port})
        *s = next().toString();
    for (Number& n : r.sensors)
        n = numberOf(next());
    for (Number* n : {&r.kFactor, &r.eModulus, &r.barDiameter})
        *n = numberOf(next());
    for (QString* s : {&r.program, &r.host, &r.note, &r.tonsUnit, &r.sensorUnit})
        *s = next().toString();
    if (const QVariant zeroed = next(); !zeroed.isNull())
        r.zeroedAt = zeroed.toString().isEmpty() ? QDateTime() : timeOf(zeroed);
    fillOlderUnits(r);
    return r;
}

const QString NoteSelect = QStringLiteral("SELECT id, record_id, added_at, author, text FROM record_notes");
Note noteAt(const QSqlQuery& q) {
    return {q.value(0).toString(), q.value(1).toString(), timeOf(q.value(2)), q.value(3).toString(),
            q.value(4).toString()};
}

// The terms of a WHERE clause and the values they bind, in their order.
struct Where {
    QStringList terms;
    QVariantList values;
    void add(const QString& term, const QVariantList& bound) {
        terms << term;
        values << bound;
    }
    // Records after the key, and those not after it.
    void after(const PageKey& key) {
        if (!key.isNull())
            add(QStringLiteral("(taken_at, nr) < (?, ?)"), {key.takenAt, key.order});
    }
    void through(const PageKey& key) {
        if (!key.isNull())
            add(QStringLiteral("(taken_at, nr) >= (?, ?)"), {key.takenAt, key.order});
    }
    QString sql() const {
        return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QLatin1String(" AND "));
    }
};

// Text as a search compares it: in lower case, with the German ß, ä, ö and ü written ss, ae, oe and ue, as a
// keyboard without them writes them, so that "weiss" finds "Weiß" and "Müller" finds "Mueller", and the other
// way round. UTF-8 in and out; a byte that starts no character is kept as it is.
void appendFolded(std::string& out, const unsigned char* text, int length) {
    static const auto lower = [] {
        std::array<char, 128> table{};
        for (int c = 0; c < 128; ++c)
            table[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        return table;
    }();
    for (int i = 0; i < length;) {
        const unsigned char lead = text[i];
        if (lead < 0x80) {
            out += lower[lead];
            ++i;
            continue;
        }
        const int size = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        char32_t c = size == 4 ? lead & 0x07 : size == 3 ? lead & 0x0F : lead & 0x1F;
        bool whole = size > 1 && i + size <= length;
        for (int k = 1; whole && k < size; ++k) {
            whole = (text[i + k] & 0xC0) == 0x80;
            c = (c << 6) | (text[i + k] & 0x3F);
        }
        if (!whole) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        i += size;
        switch (c) {
        case U'\u00DF': // ß
        case U'\u1E9E': // capital ẞ
            out += "ss";
            continue;
        case U'\u00E4': // ä
        case U'\u00C4':
            out += "ae";
            continue;
        case U'\u00F6': // ö
        case U'\u00D6':
            out += "oe";
            continue;
        case U'\u00FC': // ü
        case U'\u00DC':
            out += "ue";
            continue;
        }
        c = QChar::toCaseFolded(c);
        if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

QByteArray folded(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    appendFolded(out, reinterpret_cast<const unsigned char*>(utf8.constData()),
                 static_cast<int>(utf8.size()));
    return QByteArray::fromStdString(out);
}

// found(text, folded search): the search in the text as folded above. Called for every column of every
// record a search passes over: the folded text goes into a buffer that stays, so no record allocates.
void foundInSql(sqlite3_context* context, int, sqlite3_value** arguments) {
    const auto* text = sqlite3_value_text(arguments[0]);
    const auto* wanted = reinterpret_cast<const char*>(sqlite3_value_text(arguments[1]));
    if (!text || !wanted) {
        sqlite3_result_int(context, 0);
        return;
    }
    thread_local std::string buffer;
    buffer.clear();
    appendFolded(buffer, text, sqlite3_value_bytes(arguments[0]));
    const std::string_view needle(wanted, static_cast<std::size_t>(sqlite3_value_bytes(arguments[1])));
    sqlite3_result_int(context, std::string_view(buffer).find(needle) != std::string_view::npos);
}

Where whereOf(const Filter& filter) {
    Where where;
    if (!filter.machine.isEmpty())
        where.add(QStringLiteral("machine = ?"), {filter.machine});
    if (!filter.search.isEmpty()) {
        // Bound as bytes: the folded search is compared byte by byte, and SQLite takes a blob's bytes as
        // they are.
        const QByteArray wanted = folded(filter.search);
        QStringList any;
        QVariantList values;
        for (const char* column : {"machine", "serial_nr", "comment", "operator", "note"}) {
            any << QStringLiteral("found(%1, ?)").arg(QLatin1String(column));
            values << wanted;
        }
        // Last, so that it is asked only of the records the columns did not match.
        any << QStringLiteral(
            "id IN (SELECT record_id FROM record_notes WHERE found(text, ?) OR found(author, ?))");
        values << wanted << wanted;
        where.add(QLatin1Char('(') + any.join(QLatin1String(" OR ")) + QLatin1Char(')'), values);
    }
    return where;
}

// The damaged file and its write-ahead log go aside under the first free name, so that an earlier damaged
// file is never overwritten; empty, with the reason in *error, when it could not be moved.
QString keepDamaged(const QString& path, QString* error) {
    for (int n = 1;; ++n) {
        const QString target =
            path + QStringLiteral(".damaged") + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        if (QFileInfo::exists(target))
            continue;
        QFile file(path);
        if (!file.rename(target)) {
            *error = file.errorString();
            return {};
        }
        for (const char* suffix : {"-wal", "-shm"})
            if (QFileInfo::exists(path + QLatin1String(suffix)))
                QFile::rename(path + QLatin1String(suffix), target + QLatin1String(suffix));
        return target;
    }
}

bool onlyComments(const QString& sql) {
    const QStringList lines = sql.split(QLatin1Char('\n'));
    return std::all_of(lines.begin(), lines.end(), [](const QString& line) {
        const QString t = line.trimmed();
        return t.isEmpty() || t.startsWith(QLatin1String("--"));
    });
}

} // namespace

SqliteStore::SqliteStore(const QString& path) {
    sqlite_locks::install();
    static QAtomicInteger<quint64> instances;
    connection_ = QStringLiteral("records-%1").arg(instances.fetchAndAddRelaxed(1));
    db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db_.setDatabaseName(path);
    db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
}

SqliteStore::~SqliteStore() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
}

std::unique_ptr<SqliteStore> SqliteStore::open(const QString& path, OpenReport* report) {
    OpenReport unused;
    OpenReport& r = report ? *report : unused;
    r = {};
    std::unique_ptr<SqliteStore> store(new SqliteStore(path));
    Health health = store->connect(&r);
    if (health == Health::Damaged) {
        store.reset(); // without a checkpoint: the file and its log go aside as they were found
        const QList<page_salvage::Row> saved = salvage(path);
        QString reason;
        r.damagedKeptAs = keepDamaged(path, &reason);
        if (r.damagedKeptAs.isEmpty()) {
            r.error = QStringLiteral("%1 is damaged and could not be renamed: %2").arg(path, reason);
            return nullptr;
        }
        store.reset(new SqliteStore(path));
        health = store->connect(&r);
        if (health == Health::Usable)
            r.salvaged = store->restore(saved);
    }
    if (health != Health::Usable) {
        if (r.error.isEmpty())
            r.error = QStringLiteral("%1 is damaged").arg(path);
        return nullptr;
    }
    return store;
}

SqliteStore::Health SqliteStore::connect(OpenReport* report) {
    const QString path = db_.databaseName();
    const QFileInfo file(path);
    const bool inMemory = path == QLatin1String(":memory:");
    const bool exists = !inMemory && file.exists();
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
    if (exists && !(file.isWritable() && QFileInfo(file.absolutePath()).isWritable())) {
        readOnly_ = notWritable_ = report->notWritable = true;
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        // A log left by a crash holds records the file lacks: it is read through. Without one, the file is
        // read as it stands and nothing is made beside it: a -wal or -shm left in a folder we may not write
        // into, or with the modes of a read-only file, would break the next writer.
        if (QFileInfo(path + QLatin1String("-wal")).size() == 0)
            options += QStringLiteral(";QSQLITE_OPEN_URI");
    }
    const auto open = [&] {
        if (options.contains(QLatin1String("URI")))
            db_.setDatabaseName(QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                                QStringLiteral("?immutable=1"));
        db_.setConnectOptions(options);
        return db_.open() && addSearchFunction();
    };
    if (!open()) {
        report->error = reasonOf(db_.lastError());
        return Health::Failed;
    }
    // Until the file is known to be ours and whole, closing it must not write the log into it.
    checkpointOnClose(false);

    // Only SQLite's own verdict counts as damage: a locked or unreadable file is reported, never moved.
    bool ok = false;
    const auto failed = [&](const QSqlQuery& query) {
        const int code = primaryCode(query.lastError());
        if (code == SqliteCorrupt || code == SqliteNotADatabase)
            return Health::Damaged;
        report->error = lastError_;
        return Health::Failed;
    };
    QSqlQuery header = run(QStringLiteral("PRAGMA application_id"), {}, &ok);
    if (!ok && readOnly_ && !options.contains(QLatin1String("URI")) &&
        primaryCode(header.lastError()) == SqliteCantOpen) {
        // The log's index cannot be made in a folder we may not write into: the file as it stands, then.
        header = QSqlQuery();
        db_.close();
        options += QStringLiteral(";QSQLITE_OPEN_URI");
        if (open())
            header = run(QStringLiteral("PRAGMA application_id"), {}, &ok);
    }
    if (!ok)
        return failed(header);
    const qint64 applicationId = header.next() ? header.value(0).toLongLong() : 0;
    header.finish();
    QSqlQuery names = run(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"), {}, &ok);
    if (!ok)
        return failed(names);
    QStringList tables;
    while (names.next())
        tables << names.value(0).toString();
    names.finish();
    const bool made = tables.contains(QLatin1String("schema_version"));
    // Version 1 files carry no mark but their tables; anything else is another program's and stays as it is.
    if (applicationId != ApplicationId &&
        (applicationId != 0 || (!tables.isEmpty() && !(made && tables.contains(QLatin1String("records")))))) {
        report->error =
            QStringLiteral("%1 is not a records database of this program; it was left as it is").arg(path);
        return Health::Failed;
    }
    // Reading every page at each start takes seconds with a million records; the pages every start needs
    // (the table's first and last leaf, its indexes' ends, the notes and the queue) are read instead, and
    // damage elsewhere is reported by the query that meets it.
    const std::pair<const char*, const char*> probes[] = {
        {"records", "SELECT * FROM records ORDER BY rowid LIMIT 1"},
        {"records", "SELECT * FROM records ORDER BY rowid DESC LIMIT 1"},
        {"records", "SELECT max(nr) FROM records"},
        {"records", "SELECT id FROM records ORDER BY taken_at DESC, nr DESC LIMIT 1"},
        {"record_notes", "SELECT count(*) FROM record_notes"},
        {"outbox", "SELECT * FROM outbox ORDER BY seq DESC LIMIT 1"}};
    for (const auto& [table, probe] : probes) {
        if (!tables.contains(QLatin1String(table)))
            continue;
        QSqlQuery read = run(QString::fromLatin1(probe), {}, &ok);
        while (ok && read.next()) {
        }
        if (!ok || read.lastError().isValid())
            return failed(read);
    }

    // Nothing is written before the version is known: a newer program's file stays as it is, byte for byte.
    int version = 0;
    if (made) {
        QSqlQuery versions = run(QStringLiteral("SELECT max(version) FROM schema_version"), {});
        version = versions.next() ? versions.value(0).toInt() : 0;
        if (version > SchemaVersion)
            readOnly_ = report->newerSchema = true;
    }
    if (readOnly_) {
        run(QStringLiteral("PRAGMA query_only = ON"), {});
        // Read-only connections never write the log into the file, and a newer program's file stays byte
        // for byte as it was.
        return Health::Usable;
    }
    run(QStringLiteral("PRAGMA journal_mode = WAL"), {});
    // A large pull from the server would otherwise leave its log on the disk at full size.
    run(QStringLiteral("PRAGMA journal_size_limit = 4194304"), {});
    run(QStringLiteral("PRAGMA synchronous = FULL"), {}, &ok);
    if (!ok || (!made && !createSchema(&report->error)) ||
        (made && version < SchemaVersion && !upgrade(&report->error))) {
        if (report->error.isEmpty())
            report->error = lastError_;
        return Health::Failed;
    }
    checkpointOnClose(true);
    return Health::Usable;
}

bool SqliteStore::addSearchFunction() {
    const QVariant handle = db_.driver()->handle();
    sqlite3* connection = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                              ? *static_cast<sqlite3* const*>(handle.constData())
                              : nullptr;
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    if (connection && sqlite3_create_function_v2(connection, "found", 2, flags, nullptr, foundInSql, nullptr,
                                                 nullptr, nullptr) == SQLITE_OK)
        return true;
    lastError_ = QStringLiteral("the search function could not be added to SQLite");
    db_.close();
    return false;
}

void SqliteStore::checkpointOnClose(bool on) {
    const QVariant handle = db_.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        if (sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData()))
            sqlite3_db_config(connection, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, on ? 0 : 1, nullptr);
}

QStringList SqliteStore::schemaStatements() {
    static const bool registered = (registerSchemaResource(), true);
    Q_UNUSED(registered);
    QFile file(QStringLiteral(":/records/schema.sql"));
    file.open(QIODevice::ReadOnly);
    QStringList statements;
    for (const QString& statement :
         QString::fromUtf8(file.readAll()).split(QRegularExpression(QStringLiteral(";[ \\t]*\\r?\\n"))))
        if (!onlyComments(statement))
            statements << statement;
    return statements;
}

bool SqliteStore::createSchema(QString* error) {
    return inTransaction(
        [&] {
            bool ok = false;
            QSqlQuery made = run(
                QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'schema_version'"), {}, &ok);
            if (!ok || !made.next())
                return false;
            if (made.value(0).toInt() > 0)
                return true; // another process made it first
            for (const QString& statement : schemaStatements())
                if (run(statement, {}, &ok), !ok)
                    return false;
            return true;
        },
        error);
}

bool SqliteStore::upgrade(QString* error) {
    return inTransaction(
        [&] {
            bool ok = false;
            QSqlQuery versions = run(QStringLiteral("SELECT max(version) FROM schema_version"), {}, &ok);
            if (!ok || !versions.next())
                return false;
            const int version = versions.value(0).toInt();
            versions.finish();
            if (version >= SchemaVersion)
                return true; // another process upgraded it first
            const auto all = [&](const QStringList& steps) {
                for (const QString& step : steps)
                    if (run(step, {}, &ok), !ok)
                        return false;
                return true;
            };
            // Columns added later come last, so rows written before the upgrade stay a prefix of the new
            // ones.
            if (version < 2) {
                if (!all({QStringLiteral(
                              "ALTER TABLE records ADD COLUMN from_server INTEGER NOT NULL DEFAULT 0"),
                          QStringLiteral(
                              "ALTER TABLE record_notes ADD COLUMN from_server INTEGER NOT NULL DEFAULT 0"),
                          QStringLiteral("ALTER TABLE outbox ADD COLUMN sent_at TEXT"),
                          QStringLiteral("ALTER TABLE outbox ADD COLUMN refused TEXT"),
                          QStringLiteral("CREATE INDEX records_own ON records (from_server, nr)"),
                          QStringLiteral("CREATE INDEX outbox_by_ref ON outbox (ref)"),
                          QStringLiteral("CREATE INDEX outbox_waiting ON outbox (seq) WHERE sent_at IS NULL"),
                          QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId)}))
                    return false;
                // Version 1 did not say where a record came from; another host's record in a file that ever
                // pulled from a server came from there.
                if (run(QStringLiteral("UPDATE records SET from_server = 1 WHERE host <> ? AND "
                                       "EXISTS (SELECT 1 FROM server_position)"),
                        {QSysInfo::machineHostName()}, &ok),
                    !ok)
                    return false;
            }
            if (version < 3 &&
                !all({QStringLiteral("ALTER TABLE records ADD COLUMN tons_unit TEXT NOT NULL DEFAULT ''"),
                      QStringLiteral("ALTER TABLE records ADD COLUMN sensor_unit TEXT NOT NULL DEFAULT ''"),
                      QStringLiteral("ALTER TABLE records ADD COLUMN zeroed_at TEXT")}))
                return false;
            return addClampWatch() &&
                   (run(QStringLiteral("UPDATE schema_version SET version = ?"), {SchemaVersion}, &ok), ok);
        },
        error);
}

QSqlQuery SqliteStore::run(const QString& sql, const QVariantList& values, bool* ok) {
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    bool done = query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    done = done && query.exec();
    if (!done)
        lastError_ = reasonOf(query.lastError());
    if (ok)
        *ok = done;
    return query;
}

bool SqliteStore::inTransaction(const std::function<bool()>& work, QString* error) {
    bool ok = false;
    run(QStringLiteral("BEGIN IMMEDIATE"), {}, &ok);
    if (ok && work()) {
        run(QStringLiteral("COMMIT"), {}, &ok);
        if (ok)
            return true;
    }
    const QString reason = lastError_;
    run(QStringLiteral("ROLLBACK"), {});
    if (error)
        *error = reason;
    return false;
}

bool SqliteStore::refuseWhenReadOnly(QString* error) const {
    if (readOnly_ && error)
        *error =
            notWritable_
                ? QStringLiteral("the records database or its folder may not be written; it is only read")
                : QStringLiteral(
                      "the records database was written by a newer program version and is only read");
    return readOnly_;
}

bool SqliteStore::insertRecord(const Record& record, bool queue, qint64* number, bool fromServer) {
    bool ok = false;
    QSqlQuery known = run(QStringLiteral("SELECT nr FROM records WHERE id = ?"), {record.id}, &ok);
    if (!ok)
        return false;
    if (known.next()) {
        if (number)
            *number = known.value(0).toLongLong();
        return true; // sent twice, or already pulled from the server: stored once
    }
    QSqlQuery next = run(QStringLiteral("SELECT coalesce(max(nr), 0) + 1 FROM records"), {}, &ok);
    if (!ok || !next.next())
        return false;
    const qint64 nr = next.value(0).toLongLong();
    if (number)
        *number = nr;
    static const QString insert = QStringLiteral("INSERT INTO records (nr, from_server, %1) VALUES (?, ?%2)")
                                      .arg(Columns, QStringLiteral(", ?").repeated(ColumnNames.size()));
    run(insert, QVariantList{nr, int(fromServer)} + valuesOf(record), &ok);
    if (ok && queue)
        run(QStringLiteral("INSERT INTO outbox (kind, ref) VALUES ('record', ?)"), {record.id}, &ok);
    return ok;
}

bool SqliteStore::insertNote(const Note& note, bool queue, bool fromServer) {
    bool ok = false;
    QSqlQuery added =
        run(QStringLiteral("INSERT OR IGNORE INTO record_notes (id, record_id, added_at, author, "
                           "text, from_server) VALUES (?, ?, ?, ?, ?, ?)"),
            {text(note.id), text(note.recordId), timeText(note.addedAt), text(note.author), text(note.text),
             int(fromServer)},
            &ok);
    if (ok && queue && added.numRowsAffected() > 0)
        run(QStringLiteral("INSERT INTO outbox (kind, ref) VALUES ('note', ?)"), {note.id}, &ok);
    return ok;
}

bool SqliteStore::insert(const Record& record, QString* error, qint64* number) {
    if (refuseWhenReadOnly(error))
        return false;
    if (record.id.isEmpty() || !record.takenAt.isValid()) {
        if (error)
            *error = QStringLiteral("the record has no id or no time");
        return false;
    }
    qint64 nr = 0;
    if (!inTransaction([&] { return insertRecord(record, queue_, &nr); }, error))
        return false;
    if (number)
        *number = nr;
    return true;
}

bool SqliteStore::addNote(const QString& id, const QString& author, const QString& noteText, QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    const Note note{QUuid::createUuid().toString(QUuid::WithoutBraces), id, QDateTime::currentDateTimeUtc(),
                    author, noteText};
    return inTransaction(
        [&] {
            bool ok = false;
            QSqlQuery known = run(QStringLiteral("SELECT 1 FROM records WHERE id = ?"), {id}, &ok);
            if (ok && !known.next()) {
                lastError_ = QStringLiteral("there is no record %1").arg(id);
                return false;
            }
            return ok && insertNote(note, queue_);
        },
        error);
}

QString SqliteStore::noteLine(const Note& note) {
    // What was said first: the history's column shows a note's beginning only.
    return QStringLiteral("%1 (%2, %3 UTC)")
        .arg(note.text, note.author, note.addedAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

QList<Record> SqliteStore::select(const QString& where, const QVariantList& values, const QString& tail,
                                  bool withAddedNotes) {
    QSqlQuery query = run(QStringLiteral("SELECT %1 FROM records%2%3").arg(Columns, where, tail), values);
    QList<Record> records;
    while (query.next())
        records << recordAt(query);
    if (withAddedNotes)
        appendAddedNotes(records);
    return records;
}

void SqliteStore::appendAddedNotes(QList<Record>& records) {
    if (records.isEmpty())
        return;
    QJsonArray ids;
    for (const Record& r : records)
        ids.append(r.id);
    QSqlQuery query =
        run(QStringLiteral("SELECT record_id, added_at, author, text FROM record_notes WHERE "
                           "record_id IN (SELECT value FROM json_each(?)) ORDER BY added_at, rowid"),
            {QString::fromUtf8(QJsonDocument(ids).toJson(QJsonDocument::Compact))});
    QHash<QString, QStringList> lines;
    while (query.next())
        lines[query.value(0).toString()] << noteLine(
            {{}, {}, timeOf(query.value(1)), query.value(2).toString(), query.value(3).toString()});
    for (Record& r : records) {
        for (const QString& line : lines.value(r.id))
            r.note = r.note.isEmpty() ? line : r.note + QLatin1Char('\n') + line;
    }
}

int SqliteStore::count(const Filter& filter) {
    PageKey from;
    bool end = false;
    return countWithin(filter, &from, 0, &end);
}

Page SqliteStore::page(const Filter& filter, const PageKey& after, int limit) {
    return scan(filter, after, limit, 0);
}

std::unique_ptr<SqliteStore> SqliteStore::openReader(const QString& path) {
    // The window's store has made, upgraded, mended or refused the file already; a reader opens it the same
    // way (read-only and made nothing beside it where the file or folder may not be written), and only reads.
    std::unique_ptr<SqliteStore> store(new SqliteStore(path));
    OpenReport report;
    if (store->connect(&report) != Health::Usable)
        return nullptr;
    store->readOnly_ = true;
    store->run(QStringLiteral("PRAGMA query_only = ON"), {});
    return store;
}

PageKey SqliteStore::keyAfter(const QString& machine, const PageKey& after, int n) {
    // Only the index is read: the machine's, or the one of all records.
    Where where;
    if (!machine.isEmpty())
        where.add(QStringLiteral("machine = ?"), {machine});
    where.after(after);
    QSqlQuery query = run(QStringLiteral("SELECT taken_at, nr FROM records") + where.sql() + NewestFirst +
                              QStringLiteral(" LIMIT 1 OFFSET ?"),
                          where.values << n - 1);
    return query.next() ? PageKey{query.value(0).toString(), query.value(1).toLongLong()} : PageKey{};
}

Page SqliteStore::scan(const Filter& filter, const PageKey& after, int limit, int lookAt,
                       const PageKey& through) {
    // Without a search every record looked at is taken, so the limit bounds the work already.
    PageKey lowest = through;
    if (lookAt > 0 && !filter.search.isEmpty()) {
        const PageKey windowEnd = keyAfter(filter.machine, after, lookAt);
        if (!windowEnd.isNull() && (lowest.isNull() || comesBefore(windowEnd, lowest)))
            lowest = windowEnd;
    }
    Where where = whereOf(filter);
    where.after(after);
    where.through(lowest);
    bool ok = false;
    QSqlQuery query = run(QStringLiteral("SELECT %1, nr FROM records").arg(Columns) + where.sql() +
                              NewestFirst + QStringLiteral(" LIMIT ?"),
                          where.values << limit, &ok);
    Page page;
    page.next = after;
    while (query.next()) {
        page.records << recordAt(query);
        page.next = {query.value(1).toString(), query.value(ColumnNames.size()).toLongLong()};
    }
    query.finish();
    appendAddedNotes(page.records);
    if (!ok)
        page.end = true; // an unreadable file has nothing more to give; asking again would not end
    else if (page.records.size() < limit && !lowest.isNull())
        page.next = lowest;
    else
        page.end = page.records.size() < limit;
    return page;
}

int SqliteStore::countWithin(const Filter& filter, PageKey* from, int lookAt, bool* end) {
    const PageKey windowEnd = lookAt > 0 ? keyAfter(filter.machine, *from, lookAt) : PageKey{};
    Where where = whereOf(filter);
    where.after(*from);
    where.through(windowEnd);
    QSqlQuery query = run(QStringLiteral("SELECT count(*) FROM records") + where.sql(), where.values);
    *end = windowEnd.isNull();
    *from = windowEnd;
    return query.next() ? query.value(0).toInt() : 0;
}

std::optional<Record> SqliteStore::find(const QString& id) {
    const QList<Record> found = select(QStringLiteral(" WHERE id = ?"), {id}, {});
    return found.isEmpty() ? std::nullopt : std::optional(found.first());
}

std::optional<Record> SqliteStore::latest() {
    // In this PC's own order of storing: neither another PC's record nor a clock that runs ahead decides.
    const QList<Record> found =
        select(QStringLiteral(" WHERE from_server = 0"), {}, QStringLiteral(" ORDER BY nr DESC LIMIT 1"));
    return found.isEmpty() ? std::nullopt : std::optional(found.first());
}

QStringList SqliteStore::machines() {
    // From one name to the next through the machine index: a few dozen lookups instead of reading the
    // whole index, which takes a third of a second with a million records.
    QSqlQuery query = run(QStringLiteral("WITH RECURSIVE names(machine) AS (SELECT min(machine) FROM records "
                                         "UNION ALL SELECT (SELECT min(machine) FROM records WHERE machine > "
                                         "names.machine) FROM names WHERE names.machine IS NOT NULL) "
                                         "SELECT machine FROM names WHERE machine IS NOT NULL"),
                          {});
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return names;
}

QList<Record> SqliteStore::trend(const QString& machine, int limit) {
    QSqlQuery query = run(
        QStringLiteral("SELECT %1 FROM records WHERE machine = ?%2 LIMIT ?").arg(TrendColumns, NewestFirst),
        {machine, limit});
    QList<Record> records;
    while (query.next())
        records << recordAt(query, true);
    std::reverse(records.begin(), records.end());
    return records;
}

QList<OutboxItem> SqliteStore::pending(int limit, bool clampWatch) {
    if (readOnly_)
        return {}; // a newer program's queue is its own
    // A kind at a time, along the index of what waits: sorting the whole queue by kind would cost a second
    // per batch for a queue of a million.
    using Kind = OutboxItem::Kind;
    static const std::pair<Kind, const char*> Kinds[] = {
        {Kind::Record, "record"},       {Kind::Note, "note"},   {Kind::Cycle, "cycle"},
        {Kind::Reference, "reference"}, {Kind::Alarm, "alarm"}, {Kind::Ack, "ack"}};
    QList<OutboxItem> items;
    QStringList refs;
    for (const auto& [kind, name] : Kinds) {
        if (items.size() >= limit || (!clampWatch && kind >= Kind::Cycle))
            break;
        QSqlQuery query = run(QStringLiteral("SELECT seq, ref FROM outbox INDEXED BY outbox_waiting WHERE "
                                             "sent_at IS NULL AND refused IS NULL AND kind = ? ORDER BY seq "
                                             "LIMIT ?"),
                              {QLatin1String(name), limit - items.size()});
        while (query.next()) {
            OutboxItem item;
            item.seq = query.value(0).toLongLong();
            item.kind = kind;
            items << item;
            refs << query.value(1).toString();
        }
    }
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].kind == OutboxItem::Kind::Note) {
            items[i].note = findNote(refs[i]).value_or(Note{});
        } else if (items[i].kind == OutboxItem::Kind::Record) {
            // The server keeps added notes beside the record, as here: the record goes with its own note
            // only.
            items[i].record = select(QStringLiteral(" WHERE id = ?"), {refs[i]}, {}, false).value(0);
        } else {
            loadClampWatchItem(items[i], refs[i]);
        }
    }
    return items;
}

std::optional<Note> SqliteStore::findNote(const QString& id) {
    QSqlQuery query = run(NoteSelect + QStringLiteral(" WHERE id = ?"), {id});
    return query.next() ? std::optional(noteAt(query)) : std::nullopt;
}

QList<page_salvage::Row> SqliteStore::salvage(const QString& path) {
    QFile file(path), log(path + QLatin1String("-wal"));
    const auto bytesOf = [](QFile& f) {
        if (!f.open(QIODevice::ReadOnly) || f.size() == 0)
            return QByteArrayView();
        const uchar* mapped = f.map(0, f.size());
        return mapped ? QByteArrayView(mapped, f.size()) : QByteArrayView();
    };
    return page_salvage::tableRows(bytesOf(file), bytesOf(log));
}

// Rows are told apart by their shape: the records' 35 columns (36 since from_server, 39 since the units of
// tons and sensors and the zeroing; a row keeps the columns it was written with), the notes' five
// texts (and from_server), the queue's kind and reference. Numbers and ids stay as they were, so "Record 17"
// is still 17 and what waited for the server still waits, in its order.
int SqliteStore::restore(const QList<page_salvage::Row>& rows) {
    const auto columnsOf = [&](const QString& table) {
        QStringList names;
        QSqlQuery info = run(QStringLiteral("PRAGMA table_info(%1)").arg(table), {});
        while (info.next())
            names << info.value(1).toString();
        return names;
    };
    const QStringList recordColumns = columnsOf(QStringLiteral("records"));
    const QStringList noteColumns = columnsOf(QStringLiteral("record_notes"));
    const auto isText = [](const QVariant& v) { return v.typeId() == QMetaType::QString; };
    const auto isTime = [&](const QVariant& v) { return isText(v) && timeOf(v).isValid(); };
    QHash<qint64, QVariantList> queue; // by seq: a later copy of a row (from the log) replaces an earlier one
    int restored = 0;
    const auto insert = [&](const QString& table, const QStringList& columns, const QVariantList& values) {
        const QStringList names = columns.first(values.size());
        bool ok = false;
        QSqlQuery q = run(QStringLiteral("INSERT OR IGNORE INTO %1 (%2) VALUES (?%3)")
                              .arg(table, names.join(QLatin1String(", ")),
                                   QStringLiteral(", ?").repeated(values.size() - 1)),
                          values, &ok);
        return ok ? q.numRowsAffected() : 0;
    };
    inTransaction(
        [&] {
            for (const page_salvage::Row& row : rows) {
                const QVariantList& c = row.columns;
                if (c.size() <= recordColumns.size() && c.size() >= recordColumns.size() - 4 &&
                    isText(c[0]) && c[1].typeId() == QMetaType::LongLong && isTime(c[2]))
                    restored += insert(QStringLiteral("records"), recordColumns, c);
                else if ((c.size() == noteColumns.size() || c.size() == noteColumns.size() - 1) &&
                         std::all_of(c.begin(), c.begin() + 5, isText) && isTime(c[2]))
                    insert(QStringLiteral("record_notes"), noteColumns, c);
                else if ((c.size() == 3 || c.size() == 5) && c[0].isNull() && isText(c[2]) &&
                         (c[1] == QLatin1String("record") || c[1] == QLatin1String("note")))
                    queue.insert(row.rowid, c);
            }
            QList<qint64> order = queue.keys();
            std::sort(order.begin(), order.end());
            for (qint64 seq : order) {
                QVariantList c = queue.value(seq);
                c[0] = seq;
                insert(QStringLiteral("outbox"), {"seq", "kind", "ref", "sent_at", "refused"}, c);
            }
            return true;
        },
        nullptr);
    return restored;
}

int SqliteStore::pendingCount() {
    QSqlQuery query =
        run(QStringLiteral("SELECT count(*) FROM outbox INDEXED BY outbox_waiting WHERE sent_at IS "
                           "NULL AND refused IS NULL"),
            {});
    return !readOnly_ && query.next() ? query.value(0).toInt() : 0;
}

bool SqliteStore::markSent(const QList<qint64>& seqs, QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    const QString now = timeText(QDateTime::currentDateTimeUtc());
    return inTransaction(
        [&] {
            bool ok = true;
            for (qsizetype i = 0; ok && i < seqs.size(); ++i)
                run(QStringLiteral("UPDATE outbox SET sent_at = ? WHERE seq = ?"), {now, seqs[i]}, &ok);
            return ok;
        },
        error);
}

bool SqliteStore::setAside(qint64 seq, const QString& reason, QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    bool ok = false;
    run(QStringLiteral("UPDATE outbox SET refused = ? WHERE seq = ?"), {text(reason), seq}, &ok);
    if (!ok && error)
        *error = lastError_;
    return ok;
}

Refused SqliteStore::refused() {
    // The reason of a record comes before that of a note: a note is mostly refused because its record was.
    static const QString Aside =
        QStringLiteral(" FROM outbox INDEXED BY outbox_waiting WHERE sent_at IS NULL "
                       "AND refused IS NOT NULL");
    QSqlQuery query = run(QStringLiteral("SELECT total(kind = 'record'), total(kind = 'note'), (SELECT "
                                         "refused%1 ORDER BY kind = 'note', seq LIMIT 1)%1")
                              .arg(Aside),
                          {});
    if (readOnly_ || !query.next())
        return {};
    return {query.value(0).toInt(), query.value(1).toInt(), query.value(2).toString()};
}

bool SqliteStore::requeue(QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    bool ok = false;
    run(QStringLiteral("UPDATE outbox SET refused = NULL WHERE sent_at IS NULL AND refused IS NOT NULL"), {},
        &ok);
    // Slices of running numbers, each its own write: when a million records are queued at once, the record
    // button waits for one slice, not for all of them. Where all is queued already, each slice only reads.
    constexpr qint64 Slice = 20000;
    QSqlQuery last = run(QStringLiteral("SELECT coalesce(max(nr), 0) FROM records"), {}, &ok);
    const qint64 end = ok && last.next() ? last.value(0).toLongLong() : 0;
    last.finish();
    for (qint64 from = 0; ok && from < end; from += Slice)
        run(QStringLiteral(
                "INSERT INTO outbox (kind, ref) SELECT 'record', id FROM records WHERE from_server = "
                "0 AND nr > ? AND nr <= ? AND NOT EXISTS (SELECT 1 FROM outbox WHERE ref = "
                "records.id) ORDER BY nr"),
            {from, from + Slice}, &ok);
    if (ok)
        run(QStringLiteral(
                "INSERT INTO outbox (kind, ref) SELECT 'note', id FROM record_notes WHERE from_server = "
                "0 AND NOT EXISTS (SELECT 1 FROM outbox WHERE ref = record_notes.id) ORDER BY rowid"),
            {}, &ok);
    if (ok)
        ok = requeueClampWatch();
    if (!ok && error)
        *error = lastError_;
    return ok;
}

bool SqliteStore::keepFromServer(const QList<Record>& records, const QList<Note>& notes, QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    return inTransaction(
        [&] {
            return std::all_of(records.begin(), records.end(),
                               [&](const Record& r) { return insertRecord(r, false, nullptr, true); }) &&
                   std::all_of(notes.begin(), notes.end(),
                               [&](const Note& n) { return insertNote(n, false, true); });
        },
        error);
}

qint64 SqliteStore::serverPosition() {
    QSqlQuery query = run(QStringLiteral("SELECT position FROM server_position"), {});
    return query.next() ? query.value(0).toLongLong() : 0;
}

bool SqliteStore::setServerPosition(qint64 position, QString* error) {
    if (refuseWhenReadOnly(error))
        return false;
    bool ok = false;
    run(QStringLiteral("INSERT OR REPLACE INTO server_position (single, position) VALUES (1, ?)"), {position},
        &ok);
    if (!ok && error)
        *error = lastError_;
    return ok;
}

} // namespace records
