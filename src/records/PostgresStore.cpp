#include "records/PostgresStore.h"

#include "records/SqliteStore.h"

#include <QAtomicInteger>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

namespace records {

namespace {

// The schema version of docs/records-server.sql that this program writes.
constexpr int KnownVersion = 1;

// Every writer holds this lock until it commits. Numbers from the shared sequence are thus taken in commit
// order, and a PC that has pulled up to number N can never later find a committed row below N.
constexpr qint64 WriterLock = 0x56616e746f726961; // "Vantoria"

const QString RecordColumns = QStringLiteral(
    "id, taken_at, utc_offset_min, machine, serial_nr, comment, operator, amplifier, port, unit, "
    "channel1, channel2, channel3, channel4, sensor11, sensor12, sensor21, sensor22, sensor31, sensor32, "
    "sensor41, sensor42, main_value, total_kn, total_tons, deviation, tolerance, within_tolerance, "
    "k_factor, e_modulus, bar_diameter, program, host, note");

const QString NoteColumns = QStringLiteral("id, record_id, added_at, author, text");

// The same columns as read back: ids and times as text, so that nothing depends on the session's settings.
const QString SelectColumns = QStringLiteral(
    "id::text, to_char(taken_at AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), utc_offset_min, "
    "machine, serial_nr, comment, operator, amplifier, port, unit, channel1, channel2, channel3, channel4, "
    "sensor11, sensor12, sensor21, sensor22, sensor31, sensor32, sensor41, sensor42, main_value, total_kn, "
    "total_tons, deviation, tolerance, within_tolerance, k_factor, e_modulus, bar_diameter, program, host, "
    "note, seq");

QVariant bindable(const Number& number) {
    return number ? QVariant(*number) : QVariant(QMetaType::fromType<double>());
}
Number numberAt(const QSqlQuery& query, int column) {
    const QVariant value = query.value(column);
    return value.isNull() ? Number{} : Number{value.toDouble()};
}
QString utcText(const QDateTime& time) { return time.toUTC().toString(Qt::ISODateWithMs); }
QDateTime utcFrom(const QString& text) { return QDateTime::fromString(text, Qt::ISODateWithMs).toUTC(); }

Record recordAt(const QSqlQuery& query) {
    Record r;
    int c = 0;
    r.id = query.value(c++).toString();
    r.takenAt = utcFrom(query.value(c++).toString());
    r.utcOffsetMin = query.value(c++).toInt();
    for (QString* text :
         {&r.machine, &r.serialNr, &r.comment, &r.operatorName, &r.amplifier, &r.port, &r.unit})
        *text = query.value(c++).toString();
    for (Number& n : r.channels)
        n = numberAt(query, c++);
    for (Number& n : r.sensors)
        n = numberAt(query, c++);
    for (Number* n : {&r.mainValue, &r.totalKn, &r.totalTons, &r.deviation, &r.tolerance})
        *n = numberAt(query, c++);
    const QVariant within = query.value(c++);
    r.withinTolerance = within.isNull() ? std::optional<bool>{} : std::optional<bool>{within.toBool()};
    for (Number* n : {&r.kFactor, &r.eModulus, &r.barDiameter})
        *n = numberAt(query, c++);
    for (QString* text : {&r.program, &r.host, &r.note})
        *text = query.value(c++).toString();
    return r;
}

QVariantList recordValues(const Record& r) {
    QVariantList values{r.id, utcText(r.takenAt), r.utcOffsetMin};
    for (const QString* text :
         {&r.machine, &r.serialNr, &r.comment, &r.operatorName, &r.amplifier, &r.port, &r.unit})
        values << *text;
    for (const Number& n : r.channels)
        values << bindable(n);
    for (const Number& n : r.sensors)
        values << bindable(n);
    for (const Number* n : {&r.mainValue, &r.totalKn, &r.totalTons, &r.deviation, &r.tolerance})
        values << bindable(*n);
    values << (r.withinTolerance ? QVariant(*r.withinTolerance) : QVariant(QMetaType::fromType<bool>()));
    for (const Number* n : {&r.kFactor, &r.eModulus, &r.barDiameter})
        values << bindable(*n);
    for (const QString* text : {&r.program, &r.host, &r.note})
        values << *text;
    return values;
}

QVariantList noteValues(const Note& note) {
    return {note.id, note.recordId, utcText(note.addedAt), note.author, note.text};
}

bool run(QSqlQuery& query, const QString& sql, const QVariantList& values) {
    if (!query.prepare(sql))
        return false;
    for (const QVariant& value : values)
        query.addBindValue(value);
    return query.exec();
}

QString messageOf(const QSqlError& error) {
    return error.databaseText().isEmpty() ? error.text() : error.databaseText();
}

} // namespace

ServerFailure classifyServerMessage(const QString& message) {
    const QString text = message.toLower();
    // Only a server that answered can refuse a login, in its own language; libpq itself says
    // "no password supplied" when it has none to offer.
    for (const char* word : {"password", "authentication", "role \"", "pg_hba.conf", "passwort",
                             "authentifizierung", "rolle", "autenticazione", "ruolo"})
        if (text.contains(QLatin1String(word)))
            return ServerFailure::LoginRefused;
    return ServerFailure::Unreachable;
}

QString shortServerReason(const QString& message) {
    QString line = message.trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    const qsizetype failed = line.indexOf(QLatin1String("failed: "));
    if (failed >= 0)
        line = line.mid(failed + 8);
    if (line.startsWith(QLatin1String("FATAL:")))
        line = line.mid(6).trimmed();
    return line;
}

QString withConnectDefaults(const QString& conninfo) {
    // A server that vanishes without a word (power, a firewall dropping the connection) is noticed within
    // about half a minute, not after the system's TCP timeouts of many minutes.
    static const char* const Defaults[][2] = {
        {"connect_timeout", "5"},  {"keepalives_idle", "10"},     {"keepalives_interval", "5"},
        {"keepalives_count", "3"}, {"tcp_user_timeout", "30000"}, {"application_name", "Vantoria"}};
    QString result = conninfo.trimmed();
    for (const auto& [key, value] : Defaults)
        if (!result.contains(QLatin1String(key)))
            result += QStringLiteral(" %1=%2").arg(QLatin1String(key), QLatin1String(value));
    return result;
}

PostgresStore::PostgresStore(const QString& conninfo) : conninfo_(conninfo) {
    static QAtomicInteger<quint64> made;
    connectionName_ = QStringLiteral("vantoria-records-server-%1").arg(++made);
}

PostgresStore::~PostgresStore() {
    close();
    QSqlDatabase::removeDatabase(connectionName_);
}

bool PostgresStore::isOpen() const {
    return QSqlDatabase::contains(connectionName_) && QSqlDatabase::database(connectionName_, false).isOpen();
}

void PostgresStore::close() {
    if (QSqlDatabase::contains(connectionName_))
        QSqlDatabase::database(connectionName_, false).close();
}

bool PostgresStore::open(QString* error) {
    if (isOpen())
        return true;
    failure_ = ServerFailure::None;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        failure_ = ServerFailure::Other;
        return fail(QStringLiteral("the PostgreSQL driver of Qt (QPSQL) is not installed"), error);
    }
    QSqlDatabase db = QSqlDatabase::contains(connectionName_)
                          ? QSqlDatabase::database(connectionName_, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
    // With no host, database or user set, QPSQL hands the options to libpq as they are: the whole
    // connection string, read by libpq exactly as psql would read it.
    db.setConnectOptions(withConnectDefaults(conninfo_));
    if (!db.open()) {
        const QString message = messageOf(db.lastError());
        failure_ = classifyServerMessage(message);
        return fail(message, error);
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT max(version) FROM schema_version")) || !query.next() ||
        query.value(0).isNull()) {
        const QString message = messageOf(query.lastError());
        close();
        failure_ = ServerFailure::Other;
        return fail(
            QStringLiteral("the server has no records tables (docs/records-server.md): %1").arg(message),
            error);
    }
    readOnly_ = query.value(0).toInt() > KnownVersion;
    return true;
}

bool PostgresStore::fail(const QString& message, QString* error) {
    if (error)
        *error = message;
    return false;
}

bool PostgresStore::inTransaction(const std::function<bool(QString*)>& work, QString* error) {
    if (!open(error))
        return false;
    if (readOnly_) {
        failure_ = ServerFailure::Other;
        return fail(QStringLiteral("the server's records tables are of a newer version"), error);
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    QSqlQuery lock(db);
    QString reason;
    if (db.transaction()) {
        if (run(lock, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {WriterLock}) && work(&reason)) {
            if (db.commit())
                return true;
            reason = messageOf(db.lastError());
        } else if (reason.isEmpty()) {
            reason = messageOf(lock.lastError());
        }
        db.rollback();
    } else {
        reason = messageOf(db.lastError());
    }
    // Whatever broke, the next attempt starts on a fresh connection.
    failure_ = classifyServerMessage(reason);
    close();
    return fail(reason, error);
}

// Many rows in one statement with one bound parameter: a batch costs one round trip, not one per record.
bool PostgresStore::insertRows(const QString& table, const QString& columns, const QList<QVariantList>& rows,
                               QString* error) {
    const QStringList names = columns.split(QStringLiteral(", "));
    QJsonArray array;
    for (const QVariantList& row : rows) {
        QJsonObject object;
        for (int i = 0; i < names.size(); ++i)
            object.insert(names[i], row[i].isNull()
                                        ? QJsonValue()
                                        : QJsonValue::fromVariant(row[i])); // a null QString is "" here
        array << object;
    }
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    if (!run(query,
             QStringLiteral(
                 "INSERT INTO %1 (%2) SELECT %2 FROM json_populate_recordset(NULL::%1, CAST(? AS json)) "
                 "ON CONFLICT (id) DO NOTHING")
                 .arg(table, columns),
             {QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact))}))
        return fail(messageOf(query.lastError()), error);
    return true;
}

bool PostgresStore::send(const QList<OutboxItem>& items, QString* error) {
    // A note may belong to a record of the same batch: the records go first.
    QList<QVariantList> recordRows, noteRows;
    for (const OutboxItem& item : items) {
        if (item.kind == OutboxItem::Kind::Record)
            recordRows << recordValues(item.record);
        else
            noteRows << noteValues(item.note);
    }
    return inTransaction(
        [&](QString* reason) {
            return (recordRows.isEmpty() ||
                    insertRows(QStringLiteral("records"), RecordColumns, recordRows, reason)) &&
                   (noteRows.isEmpty() ||
                    insertRows(QStringLiteral("record_notes"), NoteColumns, noteRows, reason));
        },
        error);
}

bool PostgresStore::insert(const Record& record, QString* error, qint64* number) {
    return inTransaction(
        [&](QString* reason) {
            QSqlQuery query(QSqlDatabase::database(connectionName_, false));
            if (!insertRows(QStringLiteral("records"), RecordColumns, {recordValues(record)}, reason))
                return false;
            if (!number)
                return true;
            if (!run(query, QStringLiteral("SELECT seq FROM records WHERE id = CAST(? AS uuid)"),
                     {record.id}) ||
                !query.next())
                return fail(messageOf(query.lastError()), reason);
            *number = query.value(0).toLongLong();
            return true;
        },
        error);
}

bool PostgresStore::addNote(const QString& id, const QString& author, const QString& text, QString* error) {
    const Note note{QUuid::createUuid().toString(QUuid::WithoutBraces), id, QDateTime::currentDateTimeUtc(),
                    author, text};
    return inTransaction(
        [&](QString* reason) {
            return insertRows(QStringLiteral("record_notes"), NoteColumns, {noteValues(note)}, reason);
        },
        error);
}

bool PostgresStore::pull(qint64 position, int limit, Pulled* out, QString* error) {
    *out = Pulled{{}, {}, position};
    if (!open(error))
        return false;
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    auto broken = [&] {
        const QString reason = messageOf(query.lastError());
        failure_ = classifyServerMessage(reason);
        close();
        return fail(reason, error);
    };
    // Records and notes share one sequence: take the first `limit` numbers of both, then everything up to
    // the last of them, so that a note never arrives before its record.
    if (!run(query,
             QStringLiteral(
                 "SELECT max(seq) FROM (SELECT seq FROM (SELECT seq FROM records WHERE seq > ? UNION ALL "
                 "SELECT seq FROM record_notes WHERE seq > ?) s ORDER BY seq LIMIT ?) t"),
             {position, position, limit}) ||
        !query.next())
        return broken();
    if (query.value(0).isNull())
        return true;
    const qint64 upto = query.value(0).toLongLong();
    if (!run(query,
             QStringLiteral("SELECT %1 FROM records WHERE seq > ? AND seq <= ? ORDER BY seq")
                 .arg(SelectColumns),
             {position, upto}))
        return broken();
    while (query.next())
        out->records << recordAt(query);
    if (!run(query,
             QStringLiteral(
                 "SELECT id::text, record_id::text, to_char(added_at AT TIME ZONE 'UTC', "
                 "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), author, text FROM record_notes WHERE seq > ? "
                 "AND seq <= ? ORDER BY seq"),
             {position, upto}))
        return broken();
    while (query.next())
        out->notes << Note{query.value(0).toString(), query.value(1).toString(),
                           utcFrom(query.value(2).toString()), query.value(3).toString(),
                           query.value(4).toString()};
    out->position = upto;
    return true;
}

namespace {
// The WHERE clause of a filter and the values it binds.
QString whereOf(const Filter& filter, QVariantList* values) {
    QStringList parts;
    if (!filter.machine.isEmpty()) {
        parts << QStringLiteral("machine = ?");
        *values << filter.machine;
    }
    if (!filter.search.isEmpty()) {
        QStringList fields;
        for (const char* column : {"machine", "serial_nr", "comment", "operator", "note"}) {
            fields << QStringLiteral("strpos(lower(%1), lower(?)) > 0").arg(QLatin1String(column));
            *values << filter.search;
        }
        fields << QStringLiteral("EXISTS (SELECT 1 FROM record_notes n WHERE n.record_id = records.id AND "
                                 "strpos(lower(n.text), lower(?)) > 0)");
        *values << filter.search;
        parts << QLatin1Char('(') + fields.join(QLatin1String(" OR ")) + QLatin1Char(')');
    }
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QLatin1String(" AND "));
}
} // namespace

QList<Record> PostgresStore::select(const QString& where, const QVariantList& values, const QString& tail,
                                    bool joinNotes, PageKey* last) {
    QList<Record> records;
    if (!open(nullptr))
        return records;
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    if (!run(query, QStringLiteral("SELECT %1 FROM records%2%3").arg(SelectColumns, where, tail), values)) {
        close();
        return records;
    }
    while (query.next()) {
        records << recordAt(query);
        if (last)
            *last = {query.value(1).toString(), query.value(34).toLongLong()}; // the time as text, seq
    }
    if (!joinNotes || records.isEmpty())
        return records;
    QStringList ids;
    for (const Record& record : records)
        ids << record.id;
    if (!run(query,
             QStringLiteral(
                 "SELECT record_id::text, to_char(added_at AT TIME ZONE 'UTC', "
                 "'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"'), author, text FROM record_notes WHERE record_id = "
                 "ANY (CAST(? AS uuid[])) ORDER BY added_at, seq"),
             {QLatin1Char('{') + ids.join(QLatin1Char(',')) + QLatin1Char('}')}))
        return records;
    // Added notes read as they do on this PC's own database.
    while (query.next()) {
        Record& record = records[ids.indexOf(query.value(0).toString())];
        const QString line = SqliteStore::noteLine({{},
                                                    {},
                                                    utcFrom(query.value(1).toString()),
                                                    query.value(2).toString(),
                                                    query.value(3).toString()});
        record.note = record.note.isEmpty() ? line : record.note + QLatin1Char('\n') + line;
    }
    return records;
}

int PostgresStore::count(const Filter& filter) {
    if (!open(nullptr))
        return 0;
    QVariantList values;
    const QString where = whereOf(filter, &values);
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    if (!run(query, QStringLiteral("SELECT count(*) FROM records") + where, values) || !query.next()) {
        close();
        return 0;
    }
    return query.value(0).toInt();
}

Page PostgresStore::page(const Filter& filter, const PageKey& after, int limit) {
    QVariantList values;
    QString where = whereOf(filter, &values);
    if (!after.isNull()) {
        where += (where.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) +
                 QStringLiteral("(taken_at, seq) < (CAST(? AS timestamptz), ?)");
        values << after.takenAt << after.order;
    }
    values << limit;
    Page page;
    page.next = after;
    page.records =
        select(where, values, QStringLiteral(" ORDER BY taken_at DESC, seq DESC LIMIT ?"), true, &page.next);
    page.end = page.records.size() < limit;
    return page;
}

std::optional<Record> PostgresStore::find(const QString& id) {
    if (QUuid::fromString(id).isNull())
        return std::nullopt;
    const QList<Record> found = select(QStringLiteral(" WHERE id = CAST(? AS uuid)"), {id}, QString(), true);
    return found.isEmpty() ? std::nullopt : std::optional<Record>(found.first());
}

std::optional<Record> PostgresStore::latest() {
    const QList<Record> found = page({}, {}, 1).records;
    return found.isEmpty() ? std::nullopt : std::optional<Record>(found.first());
}

QStringList PostgresStore::machines() {
    QStringList names;
    if (!open(nullptr))
        return names;
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    if (!query.exec(QStringLiteral("SELECT DISTINCT machine FROM records"))) {
        close();
        return names;
    }
    while (query.next())
        names << query.value(0).toString();
    names.sort();
    return names;
}

QList<Record> PostgresStore::trend(const QString& machine, int limit) {
    QList<Record> newest = select(QStringLiteral(" WHERE machine = ?"), {machine, limit},
                                  QStringLiteral(" ORDER BY taken_at DESC, seq DESC LIMIT ?"), true);
    std::reverse(newest.begin(), newest.end());
    return newest;
}

} // namespace records
