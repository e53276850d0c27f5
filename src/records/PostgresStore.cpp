#include "records/PostgresStore.h"

#include "records/ServerCycles.h"
#include "records/SqliteStore.h"

#include <QAtomicInteger>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <cctype>
#include <optional>

namespace records {

namespace {

// The schema version of docs/records-server.sql that this program writes. Version 2 only added columns
// that the server fills in itself, so the program writes both alike; version 3 added the units of tons and
// sensors and when the amplifier was zeroed, which a version 1 or 2 server goes without (readers then take
// them as fillOlderUnits() does); version 4 added the tables of the clamp watch, whose rows wait on the PC
// while the server has none.
constexpr int KnownVersion = 4;

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

// The units of tons and sensors, where the server has them: after seq, so that seq stays where it was.
const QString UnitColumns = QStringLiteral(", tons_unit, sensor_unit, zeroed_at");

Record recordAt(const QSqlQuery& query, bool withUnits) {
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
    if (withUnits) {
        r.tonsUnit = query.value(++c).toString();
        r.sensorUnit = query.value(++c).toString();
        if (const QVariant zeroed = query.value(++c); !zeroed.isNull())
            r.zeroedAt = zeroed.toString().isEmpty() ? QDateTime() : utcFrom(zeroed.toString());
    }
    fillOlderUnits(r);
    return r;
}

QVariantList recordValues(const Record& r, bool withUnits) {
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
    if (withUnits)
        values << r.tonsUnit << r.sensorUnit
               << (!r.zeroedAt             ? QVariant(QMetaType::fromType<QString>())
                   : r.zeroedAt->isValid() ? QVariant(utcText(*r.zeroedAt))
                                           : QVariant(QString()));
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

QString PostgresStore::recordColumns() const {
    return RecordColumns + (withUnits() ? UnitColumns : QString());
}
QString PostgresStore::selectColumns() const {
    return SelectColumns + (withUnits() ? UnitColumns : QString());
}

ServerFailure classifyServerMessage(const QString& message) {
    const QString text = message.toLower();
    // Only a server that answered can refuse a login, in its own language; libpq itself says
    // "no password supplied" when it has none to offer.
    for (const char* word : {"password", "authentication", "role \"", "pg_hba.conf", "passwort",
                             "authentifizierung", "rolle", "autenticazione", "ruolo"})
        if (text.contains(QLatin1String(word)))
            return ServerFailure::LoginRefused;
    // Any other FATAL came from a server that answered: a database that is not there, too many clients.
    if (text.contains(QLatin1String("fatal:")) || text.contains(QLatin1String("fatale:")))
        return ServerFailure::Other;
    return ServerFailure::Unreachable;
}

QString shortServerReason(const QString& message) {
    QString line = withoutPasswords(message).trimmed().section(QLatin1Char('\n'), 0, 0).trimmed();
    const qsizetype failed = line.indexOf(QLatin1String("failed: "));
    if (failed >= 0)
        line = line.mid(failed + 8);
    for (const char* severity : {"FATAL:", "ERROR:", "FEHLER:", "ERRORE:", "FATALE:"})
        if (line.startsWith(QLatin1String(severity)))
            return line.mid(qstrlen(severity)).trimmed();
    return line;
}

namespace {

using Options = QList<std::pair<QString, QString>>;

void setOption(Options& options, const QString& key, const QString& value) {
    for (auto& [name, old] : options)
        if (name == key)
            return void(old = value);
    options.append({key, value});
}

QString optionIn(const Options& options, const QString& key) {
    for (const auto& [name, value] : options)
        if (name == key)
            return value;
    return {};
}

// A part of a URI as libpq decodes it; %00 and broken escapes are refused, as libpq refuses them. The part
// itself is not quoted in the reason: it may be the password.
std::optional<QString> percentDecoded(const QString& part, QString* error) {
    const QByteArray in = part.toUtf8();
    QByteArray out;
    const auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
        } else if (i + 2 < in.size() && hex(in[i + 1]) && hex(in[i + 2]) && in.mid(i + 1, 2) != "00") {
            out += char(in.mid(i + 1, 2).toInt(nullptr, 16));
            i += 2;
        } else {
            *error = QStringLiteral("the server line's URI has a broken %-escape");
            return std::nullopt;
        }
    }
    return QString::fromUtf8(out);
}

// postgresql://[user[:password]@][host][:port][,...][/dbname][?name=value&...], read as libpq reads it.
std::optional<Options> fromUri(const QString& uri, qsizetype start, QString* error) {
    Options options;
    const auto store = [&](const QString& key, const QString& raw, bool whenEmpty = false) {
        const std::optional<QString> value = percentDecoded(raw, error);
        if (value && (whenEmpty || !value->isEmpty()))
            setOption(options, key, *value);
        return value.has_value();
    };
    QString rest = uri.mid(start);
    const qsizetype at = rest.indexOf(QLatin1Char('@')), slash = rest.indexOf(QLatin1Char('/'));
    if (at >= 0 && (slash < 0 || at < slash)) {
        const QString user = rest.left(at);
        const qsizetype colon = user.indexOf(QLatin1Char(':'));
        if (!store(QStringLiteral("user"), user.left(colon)) ||
            (colon >= 0 && !store(QStringLiteral("password"), user.mid(colon + 1))))
            return std::nullopt;
        rest = rest.mid(at + 1);
    }
    qsizetype end = 0; // of the hosts: '/' or '?' outside an IPv6 address
    for (bool inBrackets = false; end < rest.size(); ++end) {
        const QChar c = rest[end];
        inBrackets = c == QLatin1Char('[') || (inBrackets && c != QLatin1Char(']'));
        if (!inBrackets && (c == QLatin1Char('/') || c == QLatin1Char('?')))
            break;
    }
    QStringList hosts, ports;
    for (const QString& hostPort : rest.left(end).split(QLatin1Char(','))) {
        const bool v6 = hostPort.startsWith(QLatin1Char('['));
        const qsizetype close = v6 ? hostPort.indexOf(QLatin1Char(']')) : 0;
        const qsizetype colon = hostPort.indexOf(QLatin1Char(':'), close);
        if (v6 && (close < 2 || (close + 1 < hostPort.size() && colon != close + 1))) {
            *error = QStringLiteral("the server line's URI has a broken IPv6 address");
            return std::nullopt;
        }
        hosts << (v6 ? hostPort.mid(1, close - 1) : hostPort.left(colon));
        ports << (colon < 0 ? QString() : hostPort.mid(colon + 1));
    }
    if (!store(QStringLiteral("host"), hosts.join(QLatin1Char(','))) ||
        !store(QStringLiteral("port"), ports.join(QLatin1Char(','))))
        return std::nullopt;
    QString tail = rest.mid(end);
    if (tail.startsWith(QLatin1Char('/'))) {
        const qsizetype query = tail.indexOf(QLatin1Char('?'));
        if (!store(QStringLiteral("dbname"), tail.mid(1, query < 0 ? -1 : query - 1)))
            return std::nullopt;
        tail = query < 0 ? QString() : tail.mid(query);
    }
    for (const QString& parameter : tail.mid(1).split(QLatin1Char('&'), Qt::SkipEmptyParts)) {
        const QStringList pair = parameter.split(QLatin1Char('='));
        const std::optional<QString> key = percentDecoded(pair.value(0), error);
        if (pair.size() != 2 || !key) {
            if (pair.size() != 2)
                *error = QStringLiteral("a parameter of the server line's URI is not name=value");
            return std::nullopt;
        }
        const bool ssl = *key == QLatin1String("ssl") && pair[1] == QLatin1String("true"); // JDBC's way
        if (!store(ssl ? QStringLiteral("sslmode") : *key, ssl ? QStringLiteral("require") : pair[1], true))
            return std::nullopt;
    }
    return options;
}

// key=value pairs, a value in single quotes where it holds spaces, with backslash escapes: libpq's own form.
std::optional<Options> fromKeywords(QString text, QString* error) {
    // Qt's driver turns every ';' into a space before libpq reads the string: a line reads as it always did.
    text.replace(QLatin1Char(';'), QLatin1Char(' '));
    Options options;
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto skipSpace = [&] {
        while (i < n && text[i].isSpace())
            ++i;
    };
    for (skipSpace(); i < n; skipSpace()) {
        const qsizetype keyStart = i;
        while (i < n && text[i] != QLatin1Char('=') && !text[i].isSpace())
            ++i;
        const QString key = text.mid(keyStart, i - keyStart);
        skipSpace();
        if (i >= n || text[i] != QLatin1Char('=')) {
            *error = QStringLiteral("missing \"=\" after \"%1\" in the server line").arg(key);
            return std::nullopt;
        }
        ++i;
        skipSpace();
        QString value;
        const bool quoted = i < n && text[i] == QLatin1Char('\'');
        for (i += quoted; quoted || (i < n && !text[i].isSpace()); ++i) {
            if (i >= n) {
                *error = QStringLiteral("a quoted value in the server line has no closing quote");
                return std::nullopt;
            }
            if (quoted && text[i] == QLatin1Char('\'')) {
                ++i;
                break;
            }
            if (text[i] == QLatin1Char('\\') && ++i >= n)
                break;
            value += text[i];
        }
        setOption(options, key, value);
    }
    return options;
}

std::optional<Options> optionsOf(const QString& conninfo, QString* error) {
    const QString text = conninfo.trimmed();
    for (const char* scheme : {"postgresql://", "postgres://"})
        if (text.startsWith(QLatin1String(scheme)))
            return fromUri(text, qstrlen(scheme), error);
    return fromKeywords(text, error);
}

QString quoted(QString value) {
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

// A session that waits longer than this for another PC's writer lock, runs a statement longer, or sits in a
// transaction without a word (a PC frozen halfway through a send, holding the lock), is ended by the server.
// Sending a batch takes well under a second; the limits are far above that and far below "hangs".
const char* const SessionLimits =
    "SELECT set_config(name, value, false) FROM (VALUES ('lock_timeout', '10s'), "
    "('statement_timeout', '60s'), ('idle_in_transaction_session_timeout', '30s')) "
    "AS limits (name, value) WHERE current_setting(name) = '0'";

// What kind of failure an answer to a query was. A failure without an SQLSTATE is libpq's own: the
// connection broke.
ServerFailure failureOf(const QSqlError& error) {
    const QString state = error.nativeErrorCode();
    if (state.size() != 5)
        return classifyServerMessage(messageOf(error));
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return ServerFailure::Unreachable; // the connection, or the server shutting down
    if (state.startsWith(QLatin1String("28")))
        return ServerFailure::LoginRefused;
    for (const char* data : {"22", "23", "54"}) // data exception, integrity constraint, a value too large
        if (state.startsWith(QLatin1String(data)))
            return ServerFailure::DataRefused;
    return ServerFailure::Other;
}

} // namespace

QString withConnectDefaults(const QString& conninfo, QString* error) {
    QString unused;
    std::optional<Options> options = optionsOf(conninfo, error ? error : &unused);
    if (!options)
        return {};
    // A server that vanishes without a word (power, a firewall dropping the connection) is noticed within
    // about half a minute, not after the system's TCP timeouts of many minutes.
    static const char* const Defaults[][2] = {
        {"connect_timeout", "5"},  {"keepalives_idle", "10"},     {"keepalives_interval", "5"},
        {"keepalives_count", "3"}, {"tcp_user_timeout", "30000"}, {"application_name", "Vantoria"}};
    for (const auto& [key, value] : Defaults)
        if (optionIn(*options, QLatin1String(key)).isEmpty())
            setOption(*options, QLatin1String(key), QLatin1String(value));
    QStringList pairs;
    for (const auto& [key, value] : *options) {
        // No quoting protects it from Qt's driver, which makes it a space.
        if (value.contains(QLatin1Char(';'))) {
            if (error)
                *error =
                    QStringLiteral("the server line's %1 holds a ';', which Qt's PostgreSQL driver cannot "
                                   "pass on")
                        .arg(key);
            return {};
        }
        pairs << key + QLatin1Char('=') + quoted(value);
    }
    return pairs.join(QLatin1Char(' '));
}

QString withoutPasswords(const QString& text) {
    static const QRegularExpression userInfo(QStringLiteral(R"((postgres(?:ql)?://[^\s:/@]*:)[^\s@]*@)"));
    static const QRegularExpression parameter(QStringLiteral(R"(([?&]password=)[^\s&]*)"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression keyword(
        QStringLiteral(R"((?<![?&])(password\s*=\s*)('(?:[^'\\]|\\.)*'?|\S*))"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(text)
        .replace(userInfo, QStringLiteral("\\1***@"))
        .replace(parameter, QStringLiteral("\\1***"))
        .replace(keyword, QStringLiteral("\\1***"));
}

PostgresStore::PostgresStore(const QString& conninfo) : conninfo_(conninfo) {
    QString unused;
    password_ = optionIn(optionsOf(conninfo, &unused).value_or(Options{}), QStringLiteral("password"));
    static QAtomicInteger<quint64> made;
    connectionName_ = QStringLiteral("vantoria-records-server-%1").arg(++made);
}

PostgresStore::~PostgresStore() {
    close();
    QSqlDatabase::removeDatabase(connectionName_);
}

QString PostgresStore::unavailableReason() {
    if (QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return {};
#ifdef _WIN32
    // Qt's PostgreSQL driver needs libpq, which the Windows build does not bring along yet.
    return QStringLiteral("the records server is not in the Windows build yet");
#else
    return QStringLiteral("the PostgreSQL driver of Qt (QPSQL) is not installed");
#endif
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
    if (const QString reason = unavailableReason(); !reason.isEmpty()) {
        failure_ = ServerFailure::Other;
        return fail(reason, error);
    }
    QSqlDatabase db = QSqlDatabase::contains(connectionName_)
                          ? QSqlDatabase::database(connectionName_, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName_);
    // With no host, database or user set, QPSQL hands the options to libpq as they are: the whole
    // connection string, read by libpq as psql would read it.
    QString reason;
    const QString options = withConnectDefaults(conninfo_, &reason);
    if (options.isEmpty()) {
        failure_ = ServerFailure::Other;
        return fail(reason, error);
    }
    db.setConnectOptions(options);
    if (!db.open()) {
        const QString message = messageOf(db.lastError());
        failure_ = classifyServerMessage(message);
        return fail(message, error);
    }
    QSqlQuery query(db);
    if (!query.exec(QLatin1String(SessionLimits))) {
        failure_ = failureOf(query.lastError());
        const QString message = messageOf(query.lastError());
        close();
        return fail(message, error);
    }
    if (!query.exec(QStringLiteral("SELECT max(version) FROM schema_version")) || !query.next() ||
        query.value(0).isNull()) {
        const QString message = messageOf(query.lastError());
        close();
        failure_ = ServerFailure::Other;
        return fail(
            QStringLiteral("the server has no records tables (docs/records-server.md): %1").arg(message),
            error);
    }
    version_ = query.value(0).toInt();
    readOnly_ = version_ > KnownVersion;
    return true;
}

bool PostgresStore::fail(const QString& message, QString* error) {
    if (error) {
        *error = withoutPasswords(message);
        // libpq may quote the password on its own, outside any "password=": a short one would hide half the
        // message when replaced, and says nothing when shown.
        if (password_.size() >= 4)
            error->replace(password_, QStringLiteral("***"));
    }
    return false;
}

bool PostgresStore::inTransaction(const std::function<bool(QSqlError*)>& work, QString* error) {
    if (!open(error))
        return false;
    if (readOnly_) {
        failure_ = ServerFailure::Other;
        return fail(QStringLiteral("the server's records tables are of a newer version"), error);
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    QSqlQuery lock(db);
    QSqlError reason;
    if (!db.transaction()) {
        reason = db.lastError();
    } else {
        if (!run(lock, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {WriterLock}))
            reason = lock.lastError();
        else if (work(&reason) && db.commit())
            return failure_ = ServerFailure::None, true;
        else if (!reason.isValid())
            reason = db.lastError();
        db.rollback();
    }
    // Whatever broke, the next attempt starts on a fresh connection.
    failure_ = failureOf(reason);
    close();
    return fail(messageOf(reason), error);
}

// Many rows in one statement with one bound parameter: a batch costs one round trip, not one per record.
bool PostgresStore::insertRows(const QString& table, const QString& columns, const QList<QVariantList>& rows,
                               QSqlError* error, const QString& key) {
    const QStringList names = columns.split(QStringLiteral(", "));
    QJsonArray array;
    for (const QVariantList& row : rows) {
        QJsonObject object;
        for (int i = 0; i < names.size(); ++i) {
            // PostgreSQL keeps no NUL in a text, and would refuse the whole record for it. A NUL comes only
            // from pasted or damaged input; the PC's own file keeps the text as it was typed.
            if (row[i].isNull()) // bound as none, unlike a null QString
                object.insert(names[i], QJsonValue());
            else if (row[i].typeId() == QMetaType::QString)
                object.insert(names[i], QString(row[i].toString()).remove(QChar(0))); // null QString: ""
            else
                object.insert(names[i], QJsonValue::fromVariant(row[i]));
        }
        array << object;
    }
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    if (!run(query,
             QStringLiteral(
                 "INSERT INTO %1 (%2) SELECT %2 FROM json_populate_recordset(NULL::%1, CAST(? AS json)) "
                 "ON CONFLICT (%3) DO NOTHING")
                 .arg(table, columns, key),
             {QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact))}))
        return *error = query.lastError(), false;
    return true;
}

bool PostgresStore::send(const QList<OutboxItem>& items, QString* error) {
    // An item may name one of an earlier kind in the same batch (a note its record, an alarm its clamp): the
    // kinds go in their order.
    constexpr int Kinds = int(OutboxItem::Kind::Ack) + 1;
    QList<QVariantList> rows[Kinds];
    for (const OutboxItem& item : items) {
        if (item.isClampWatch() && !takesCycles()) {
            failure_ = ServerFailure::Other;
            return fail(QStringLiteral("the server has no tables for clamps yet (records-server.md)"), error);
        }
        rows[int(item.kind)] << (item.kind == OutboxItem::Kind::Record
                                     ? recordValues(item.record, withUnits())
                                 : item.kind == OutboxItem::Kind::Note ? noteValues(item.note)
                                                                       : server_cycles::valuesOf(item));
    }
    return inTransaction(
        [&](QSqlError* reason) {
            for (int kind = 0; kind < Kinds; ++kind) {
                if (rows[kind].isEmpty())
                    continue;
                const auto k = static_cast<OutboxItem::Kind>(kind);
                const server_cycles::Table table =
                    k == OutboxItem::Kind::Record
                        ? server_cycles::Table{QStringLiteral("records"), recordColumns(),
                                               QStringLiteral("id")}
                    : k == OutboxItem::Kind::Note ? server_cycles::Table{QStringLiteral("record_notes"),
                                                                         NoteColumns, QStringLiteral("id")}
                                                  : server_cycles::tableOf(k);
                if (!insertRows(table.name, table.columns, rows[kind], reason, table.key))
                    return false;
            }
            return true;
        },
        error);
}

bool PostgresStore::insert(const Record& record, QString* error, qint64* number) {
    return inTransaction(
        [&](QSqlError* reason) {
            QSqlQuery query(QSqlDatabase::database(connectionName_, false));
            if (!insertRows(QStringLiteral("records"), recordColumns(), {recordValues(record, withUnits())},
                            reason))
                return false;
            if (!number)
                return true;
            if (!run(query, QStringLiteral("SELECT seq FROM records WHERE id = CAST(? AS uuid)"),
                     {record.id}) ||
                !query.next())
                return *reason = query.lastError(), false;
            *number = query.value(0).toLongLong();
            return true;
        },
        error);
}

bool PostgresStore::addNote(const QString& id, const QString& author, const QString& text, QString* error) {
    const Note note{QUuid::createUuid().toString(QUuid::WithoutBraces), id, QDateTime::currentDateTimeUtc(),
                    author, text};
    return inTransaction(
        [&](QSqlError* reason) {
            return insertRows(QStringLiteral("record_notes"), NoteColumns, {noteValues(note)}, reason);
        },
        error);
}

bool PostgresStore::pull(qint64 position, int limit, Pulled* out, QString* error) {
    *out = Pulled{{}, {}, position};
    if (!open(error))
        return false;
    failure_ = ServerFailure::None;
    QSqlQuery query(QSqlDatabase::database(connectionName_, false));
    auto broken = [&] {
        failure_ = failureOf(query.lastError());
        const QString reason = messageOf(query.lastError());
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
                 .arg(selectColumns()),
             {position, upto}))
        return broken();
    while (query.next())
        out->records << recordAt(query, withUnits());
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
        // A note's author is searched as on the PCs, so that the plant's list finds what each PC's does.
        fields << QStringLiteral(
            "EXISTS (SELECT 1 FROM record_notes n WHERE n.record_id = records.id AND "
            "(strpos(lower(n.text), lower(?)) > 0 OR strpos(lower(n.author), lower(?)) > 0))");
        *values << filter.search << filter.search;
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
    if (!run(query, QStringLiteral("SELECT %1 FROM records%2%3").arg(selectColumns(), where, tail), values)) {
        close();
        return records;
    }
    while (query.next()) {
        records << recordAt(query, withUnits());
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
    // The last one the server received: a PC whose clock runs years ahead cannot make its records the last.
    const QList<Record> found = select({}, {}, QStringLiteral(" ORDER BY seq DESC LIMIT 1"), true);
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
