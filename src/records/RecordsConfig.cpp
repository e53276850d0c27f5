#include "records/RecordsConfig.h"

#include "settings/TextFile.h"

#include <QFile>

#include <functional>
#include <optional>
#include <utility>

namespace records {
namespace {

// The key of a "key = value" line, lower case, and its value; nothing for a line without '='. Only the
// first '=' separates: a connection string is full of them.
std::optional<std::pair<QString, QString>> entryOf(const QString& line) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return std::nullopt;
    return std::pair{line.left(equals).trimmed().toLower(), line.mid(equals + 1).trimmed()};
}

const QString OperatorKey = QStringLiteral("operator");
const QString NominalKey = QStringLiteral("nominal");

// "3500; KM-350": the force first, as a machine's name may hold any character, a ';' too.
std::optional<std::pair<QString, double>> nominalOf(const QString& value) {
    const qsizetype semicolon = value.indexOf(QLatin1Char(';'));
    bool ok = false;
    const double force = value.left(semicolon).trimmed().toDouble(&ok);
    if (semicolon < 0 || !ok || !(force > 0) || force > 1e6)
        return std::nullopt;
    return std::pair{value.mid(semicolon + 1).trimmed(), force};
}

// "40" or "40; KM-350": the key as RecordsConfig::cycle keeps it and the value; nothing for a value that
// is no positive number of sensible size.
std::optional<std::pair<QString, double>> cycleEntryOf(const QString& key, const QString& value) {
    const qsizetype semicolon = value.indexOf(QLatin1Char(';'));
    bool ok = false;
    const double number = value.left(semicolon).trimmed().toDouble(&ok);
    if (!ok || !(number > 0) || number > 1e6)
        return std::nullopt;
    const QString name = key.mid(6);
    return std::pair{semicolon < 0 ? name : name + QLatin1Char('\n') + value.mid(semicolon + 1).trimmed(),
                     number};
}

// Lines of `key` replaced by `line` (none: removed), the first where it stood; other lines as they were.
QByteArray withLine(const QByteArray& bytes, const std::function<bool(const QString&, const QString&)>& isKey,
                    const std::optional<QString>& line) {
    textfile::Document document = textfile::decode(bytes);
    bool written = !line;
    for (qsizetype i = 0; i < document.lines.size();) {
        const auto entry = entryOf(document.lines[i]);
        if (!entry || !isKey(entry->first, entry->second))
            ++i;
        else if (!std::exchange(written, true))
            document.lines[i++] = *line;
        else
            document.lines.removeAt(i); // a stale second line would come back when the first is removed
    }
    if (!written)
        document.lines << *line;
    // A file that only read as Windows-1252 could read as UTF-8 once its odd line is replaced, and change
    // the rest; UTF-8 with a mark reads back as written.
    if (document.encoding.codec == textfile::Codec::Windows1252)
        document.encoding = {textfile::Codec::Utf8, true};
    return textfile::encode(document.lines, document.encoding);
}

} // namespace

RecordsConfig parseRecordsConfig(const QByteArray& bytes) {
    RecordsConfig config;
    bool server = false, name = false,
         form = false; // the first line of a key counts, as withOperator writes it
    for (const QString& line : textfile::decode(bytes).lines) {
        const auto entry = entryOf(line);
        // A NUL would end the string for libpq, which then reads a shorter line than the one written; it
        // comes only from a damaged file or a text editor's slip, never from a connection string.
        if (entry && entry->first == QLatin1String("server") && !std::exchange(server, true))
            config.server = QString(entry->second).remove(QChar(0));
        else if (entry && entry->first == OperatorKey && !std::exchange(name, true))
            config.operatorName = entry->second;
        else if (entry && entry->first == QLatin1String("form") && !std::exchange(form, true))
            config.form = entry->second;
        else if (const auto nominal =
                     entry && entry->first == NominalKey ? nominalOf(entry->second) : std::nullopt;
                 nominal && !config.nominalKn.contains(nominal->first))
            config.nominalKn.insert(nominal->first, nominal->second);
        else if (const auto cycle = entry && entry->first.startsWith(QLatin1String("cycle_"))
                                        ? cycleEntryOf(entry->first, entry->second)
                                        : std::nullopt;
                 cycle && !config.cycle.contains(cycle->first))
            config.cycle.insert(cycle->first, cycle->second);
    }
    return config;
}

QByteArray withOperator(const QByteArray& bytes, const QString& operatorName) {
    return withLine(
        bytes, [](const QString& key, const QString&) { return key == OperatorKey; },
        OperatorKey + QLatin1Char('=') + operatorName.trimmed());
}

QByteArray withNominal(const QByteArray& bytes, const QString& machine, std::optional<double> kiloNewtons) {
    const QString name = machine.trimmed();
    return withLine(
        bytes,
        [&](const QString& key, const QString& value) {
            const auto nominal = nominalOf(value);
            return key == NominalKey && nominal && nominal->first == name;
        },
        kiloNewtons ? std::optional<QString>(NominalKey + QStringLiteral(" = ") +
                                             QString::number(*kiloNewtons) + QStringLiteral("; ") + name)
                    : std::nullopt);
}

RecordsConfig readRecordsConfig(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? parseRecordsConfig(file.readAll()) : RecordsConfig{};
}

} // namespace records
