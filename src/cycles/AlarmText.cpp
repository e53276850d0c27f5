#include "cycles/AlarmText.h"

#include "settings/OwnTexts.h"

#include <QLocale>

namespace cycles {

QString number(double value, int decimals, const QString& languageCode) {
    const QLocale locale = languageCode == QLatin1String("DE") ? QLocale(QLocale::German, QLocale::Germany)
                           : languageCode == QLatin1String("IT")
                               ? QLocale(QLocale::Italian, QLocale::Italy)
                               : QLocale(QLocale::English, QLocale::UnitedStates);
    QString text = locale.toString(value, 'f', decimals);
    // No thousands separators: a value on a banner is read, not parsed, and 1.250 would mean 1,25 to some.
    text.remove(locale.groupSeparator());
    return text;
}

int totalDecimals(const QString& unit) {
    return unit == QLatin1String("t") || unit == QLatin1String("US t") ? 1 : 0;
}

QString alarmText(const CycleAlarm& alarm, const QString& languageCode) {
    const auto own = [&](OwnText text) { return ownText(text, languageCode); };
    // A band of whole points reads "± 2", one of halves "± 1,5".
    const auto band = [&](double value) {
        return number(value, value == static_cast<long long>(value) ? 0 : 1, languageCode);
    };
    switch (alarm.kind) {
    case AlarmKind::Share:
        return own(OwnText::CycleAlarmShare)
            .arg(alarm.bar)
            .arg(number(alarm.value, 1, languageCode), number(alarm.reference, 1, languageCode),
                 band(alarm.band));
    case AlarmKind::Total: {
        const int places = totalDecimals(alarm.unit);
        return own(OwnText::CycleAlarmTotal)
            .arg(number(alarm.value, places, languageCode), alarm.unit,
                 number(alarm.reference, places, languageCode), band(alarm.band));
    }
    case AlarmKind::Deviation:
        return own(OwnText::CycleAlarmDeviation)
            .arg(number(alarm.value, 0, languageCode), number(alarm.reference, 0, languageCode));
    case AlarmKind::NoClamp:
        return own(OwnText::CycleAlarmNoClamp)
            .arg(number(alarm.value, 0, languageCode), number(alarm.reference, 0, languageCode));
    }
    return {};
}

QString bannerText(const QList<CycleAlarm>& alarms, const QString& languageCode) {
    if (alarms.isEmpty())
        return {};
    QString text = alarmText(alarms.front(), languageCode);
    if (alarms.size() > 1)
        text += QLatin1Char(' ') + ownText(OwnText::CycleAlarmMore, languageCode).arg(alarms.size() - 1);
    return text;
}

} // namespace cycles
