#include "records/RecordText.h"

#include "evaluation/ReadingConversion.h"

#include <algorithm>

namespace records {

QString shownNumber(const Number& number) {
    if (!number)
        return {};
    // Values were read from a display with at most a few decimals; six keep them and hide binary noise.
    QString text = QString::number(*number, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString shownDeviation(const Number& deviation) {
    return overRange(deviation) ? QStringLiteral("> 99") : shownNumber(deviation);
}

QDateTime localTime(const Record& record) { return record.takenAt.toOffsetFromUtc(record.utcOffsetMin * 60); }

QString shownTimeFormat(const QString& languageCode) {
    if (languageCode == QLatin1String("DE"))
        return QStringLiteral("dd.MM.yyyy HH:mm");
    if (languageCode == QLatin1String("IT"))
        return QStringLiteral("dd/MM/yyyy HH:mm");
    return QStringLiteral("yyyy-MM-dd HH:mm");
}

QString shownTime(const Record& record, const QString& format) { return localTime(record).toString(format); }

QString cutText(const QString& text, int length) {
    qsizetype end = text.indexOf(QLatin1Char('\n'));
    const qsizetype cr = text.indexOf(QLatin1Char('\r'));
    if (cr >= 0 && (end < 0 || cr < end))
        end = cr;
    QString first = end < 0 ? text : text.left(end);
    const bool more = end >= 0 || first.size() > length;
    if (first.size() > length)
        first.truncate(length);
    return more ? first.trimmed() + QChar(0x2026) : first;
}

QString shownUnit(const QString& unit) {
    return unit == QString::fromUtf8("\u00b5m/m") ? QString::fromUtf8("\u00b5\u03b5") : unit;
}

void fillOlderUnits(Record& record) {
    if (record.unit.isEmpty())
        return; // a unit the program did not know: nothing to go by
    const bool usTons = record.unit == QLatin1String("US t");
    if (record.tonsUnit.isEmpty())
        record.tonsUnit = usTons ? record.unit : QStringLiteral("t");
    if (record.sensorUnit.isEmpty())
        record.sensorUnit = usTons ? QStringLiteral("t") : record.unit;
}

std::optional<double> kiloNewtonsPer(const QString& unit) {
    if (unit == QLatin1String("kN"))
        return 1.0;
    if (unit == QLatin1String("t"))
        return reading::KiloNewtonPerTon;
    if (unit == QLatin1String("US t"))
        return reading::KiloNewtonPerTon / reading::TonsToUsTons;
    return std::nullopt;
}

bool offTheScale(double deviation, double tolerance) {
    return deviation > (tolerance > 0 ? std::min(tolerance * 4, 99.0) : 99.0);
}

QString toleranceMark(const std::optional<bool>& within) {
    if (!within)
        return QStringLiteral("\u2013");
    return *within ? QStringLiteral("\u2713") : QStringLiteral("\u2717");
}

} // namespace records
