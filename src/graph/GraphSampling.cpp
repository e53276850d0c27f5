#include "graph/GraphSampling.h"

#include "ProgramState.h"

#include <QRegularExpression>

#include <algorithm>

namespace graph_sampling {

bool SampleSchedule::due(std::int64_t nowMs, std::uint32_t intervalMs, bool sampling) {
    if (!lastDueMs_) {
        lastDueMs_ = nowMs;
        return false;
    }
    const std::int64_t elapsed = nowMs - *lastDueMs_;
    if (!sampling || intervalMs == 0 || elapsed < std::int64_t(intervalMs))
        return false;
    *lastDueMs_ += elapsed / intervalMs * intervalMs;
    return true;
}

std::int64_t SampleSchedule::msUntilDue(std::int64_t nowMs, std::uint32_t intervalMs) const {
    if (!lastDueMs_)
        return 0;
    return std::max<std::int64_t>(0, *lastDueMs_ + intervalMs - nowMs);
}

TimeUnit unitOf(const QString& entry) {
    if (entry == QLatin1String("ms"))
        return TimeUnit::Milliseconds;
    if (entry == QLatin1String("s"))
        return TimeUnit::Seconds;
    if (entry == QLatin1String("min"))
        return TimeUnit::Minutes;
    return TimeUnit::None;
}

QString axisSuffix(TimeUnit unit) {
    switch (unit) {
    case TimeUnit::Milliseconds:
        return QStringLiteral(" [ms]");
    case TimeUnit::Seconds:
        return QStringLiteral(" [s]");
    case TimeUnit::Minutes:
        return QStringLiteral(" [min]");
    case TimeUnit::None:
        break;
    }
    return {};
}

std::uint32_t xOf(std::uint32_t sampleCount, std::uint32_t samplingMs, TimeUnit unit) {
    const std::uint32_t ms = sampleCount * samplingMs;
    switch (unit) {
    case TimeUnit::Milliseconds:
        return ms;
    case TimeUnit::Seconds:
        return ms / 1000;
    case TimeUnit::Minutes:
        return ms / 60000;
    case TimeUnit::None:
        break;
    }
    return 0;
}

Interval samplingInterval(const QString& text, std::uint32_t minimum) {
    bool ok = false;
    const int typed = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return {1000, QStringLiteral("1000")};
    const auto ms = static_cast<std::uint32_t>(typed);
    if (ms > 9999)
        return {9999, QStringLiteral("9999")};
    if (ms < minimum)
        return {minimum, QString::number(minimum)};
    return {ms, QString()};
}

std::optional<int> pointOf(const QString& channelText) {
    if (channelText.isEmpty() || channelText == ErrorText)
        return std::nullopt;
    return channelText.toInt();
}

int limitOf(const QString& text, int fallback) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

std::optional<RecoveredRow> recoveredRow(const QString& row) {
    static const QRegularExpression end(
        QStringLiteral("(\\d\\d:\\d\\d:\\d\\d)(\\D+)(\\d\\d\\.\\d\\d\\.\\d{4})$"));
    const QRegularExpressionMatch match = end.match(row);
    if (!match.hasMatch())
        return std::nullopt;
    RecoveredRow recovered;
    recovered.time = QDateTime::fromString(match.captured(3) + QLatin1Char(' ') + match.captured(1),
                                           QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    const QStringList fields = row.split(match.captured(2));
    if (!recovered.time.isValid() || fields.size() < 7)
        return std::nullopt;
    for (int n = 0; n < 4; ++n) {
        bool ok = false;
        const int value = fields[1 + n].toInt(&ok);
        if (ok)
            recovered.channels[n] = value;
    }
    return recovered;
}

std::uint32_t xAfter(const QDateTime& first, const QDateTime& time, TimeUnit unit, std::uint32_t index) {
    const qint64 ms = std::max<qint64>(0, first.msecsTo(time));
    const qint64 x = unit == TimeUnit::Milliseconds ? ms
                     : unit == TimeUnit::Seconds    ? ms / 1000
                     : unit == TimeUnit::Minutes    ? ms / 60000
                                                    : qint64(index);
    return std::uint32_t(std::min<qint64>(x, 0xFFFFFFFF));
}

} // namespace graph_sampling
