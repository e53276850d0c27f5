#include "graph/GraphSampling.h"

#include "ProgramState.h"

namespace graph_sampling {

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

} // namespace graph_sampling
