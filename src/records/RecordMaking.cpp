#include "records/RecordMaking.h"

#include "Controls.h"
#include "evaluation/Deviation.h"

#include <QLocale>
#include <QTimeZone>
#include <QUuid>

#include <algorithm>
#include <cmath>

namespace records {

void stampNow(RecordContext& context) {
    context.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
    const QDateTime local = QDateTime::currentDateTime();
    context.takenAt = local.toUTC();
    context.utcOffsetMin = local.offsetFromUtc() / 60;
}

std::optional<Refusal> whyNotRecordable(const CycleSnapshot& snapshot, bool measuring, bool sensorsPolled) {
    if (!measuring)
        return Refusal::NotMeasuring;
    const auto& t = snapshot.texts;
    // A forgotten cycle is all "E01"; a real one has at least some number.
    if (std::all_of(t.begin(), t.end(), [](const QString& text) { return text == ErrorText; }))
        return Refusal::NoCompleteCycle;
    for (int entry = Reading::FirstChannel; entry <= Reading::MainValue; ++entry)
        if (!numberShown(t[entry]))
            return Refusal::ValueError;
    if (sensorsPolled)
        for (int entry = Reading::FirstSensor; entry < Reading::FirstChannel; ++entry)
            if (!numberShown(t[entry]))
                return Refusal::SensorError;
    return std::nullopt;
}

namespace {
// The four channels as numbers; none unless all four are.
std::optional<std::array<double, 4>> channelsOf(const CycleSnapshot& snapshot) {
    std::array<double, 4> values{};
    for (int n = 0; n < 4; ++n) {
        const Number value = numberShown(snapshot.texts[Reading::FirstChannel + n]);
        if (!value)
            return std::nullopt;
        values[n] = *value;
    }
    return values;
}
} // namespace

bool steady(const CycleSnapshot& earlier, const CycleSnapshot& later) {
    const auto before = channelsOf(earlier);
    const auto now = channelsOf(later);
    if (!before || !now || earlier.unit != later.unit || earlier.inUsTons != later.inUsTons)
        return false;
    for (int n = 0; n < 4; ++n)
        if (std::abs((*now)[n] - (*before)[n]) > std::max(0.01 * std::abs((*before)[n]), 2.0))
            return false;
    return true;
}

bool noLoad(const CycleSnapshot& snapshot) {
    const auto values = channelsOf(snapshot);
    const double band = snapshot.unit == 1 ? 10.0 : 2.0;
    return values &&
           std::all_of(values->begin(), values->end(), [&](double v) { return std::abs(v) <= band; });
}

Number numberShown(const QString& text) {
    QString normalised = text.trimmed();
    if (normalised.isEmpty() || normalised == ErrorText)
        return std::nullopt;
    if (normalised.count(QLatin1Char(',')) == 1 && !normalised.contains(QLatin1Char('.')))
        normalised.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = QLocale::c().toDouble(normalised, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString unitName(int unit, bool usTons) {
    switch (unit) {
    case 1:
        return QString::fromUtf8("\u00b5m/m");
    case 2:
        return QStringLiteral("kN");
    case 3:
        return usTons ? QStringLiteral("US t") : QStringLiteral("t");
    default:
        return {};
    }
}

namespace {
// The deviation as the display shows it (the whole percent) and its verdict, from the cycle's own channel
// values: the display's deviation may already belong to the next cycle. None unless all four are numbers.
void judgeDeviation(const CycleSnapshot& snapshot, const QString& toleranceText, Record& record) {
    std::array<std::int32_t, 4> channels{};
    for (int n = 0; n < 4; ++n) {
        const Number value = numberShown(snapshot.texts[Reading::FirstChannel + n]);
        if (!value)
            return;
        channels[n] = static_cast<std::int32_t>(*value);
    }
    bool ok = false;
    const std::int32_t tolerance = toleranceText.trimmed().toInt(&ok);
    // A tolerance that is no number is judged as the default 10, as the display does.
    const std::int32_t judged = ok ? tolerance : 10;
    const float percent = deviation::percent(channels);
    const deviation::Shown shown = deviation::judge(percent, judged);
    // "> 99" is no number: stored as the over-range mark, never as the 500 % it may have computed.
    const auto whole = static_cast<std::int32_t>(percent);
    record.deviation = whole > 99 ? DeviationOverRange : static_cast<double>(whole);
    record.tolerance = judged;
    record.withinTolerance = shown.background == controls::clLime;
}
} // namespace

Record makeRecord(const CycleSnapshot& snapshot, const RecordContext& context) {
    Record record;
    record.id = context.id;
    record.takenAt = context.takenAt;
    record.utcOffsetMin = context.utcOffsetMin;
    record.machine = context.machine;
    record.serialNr = context.serialNr;
    record.comment = context.comment;
    record.operatorName = context.operatorName;
    record.amplifier = context.amplifier;
    record.port = context.port;
    const auto inUsTons = [&](int entry) { return (snapshot.inUsTons >> entry & 1) != 0; };
    record.unit = unitName(snapshot.unit, inUsTons(Reading::MainValue));
    record.tonsUnit = inUsTons(Reading::TotalTons) ? QStringLiteral("US t") : QStringLiteral("t");
    record.sensorUnit = unitName(snapshot.unit, false);
    for (int n = 0; n < 4; ++n)
        record.channels[n] = numberShown(snapshot.texts[Reading::FirstChannel + n]);
    // Sensors that were not polled hold whatever an earlier cycle left: they are no part of this one.
    if (context.sensorsPolled)
        for (int n = 0; n < 8; ++n)
            record.sensors[n] = numberShown(snapshot.texts[Reading::FirstSensor + n]);
    record.mainValue = numberShown(snapshot.texts[Reading::MainValue]);
    record.totalKn = numberShown(snapshot.texts[Reading::TotalKN]);
    record.totalTons = numberShown(snapshot.texts[Reading::TotalTons]);
    judgeDeviation(snapshot, context.tolerance, record);
    record.kFactor = numberShown(context.kFactor);
    record.eModulus = numberShown(context.eModulus);
    record.barDiameter = numberShown(context.barDiameter);
    record.program = context.program;
    record.host = context.host;
    record.zeroedAt = context.zeroedAt;
    return record;
}

} // namespace records
