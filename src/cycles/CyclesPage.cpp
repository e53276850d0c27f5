#include "cycles/CyclesPage.h"

#include "Views.h"
#include "cycles/AlarmText.h"
#include "cycles/CycleStats.h"
#include "cycles/CycleStore.h"
#include "cycles/CycleWatch.h"
#include "cycles/CyclesChart.h"
#include "settings/Language.h"

#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

namespace cycles {

namespace {
constexpr qint64 ShiftSecs = 8 * 3600;
const char* const TimeFormat = "dd.MM.yyyy HH:mm:ss";
} // namespace

CyclesPage::CyclesPage(const CycleView& view, const CycleWatch& watch, const Language& language)
    : view_(view), watch_(watch), language_(language), chart_(std::make_unique<CyclesChart>(view.chart)) {
    view_.alarms->setColumnCount(6);
    view_.alarms->verticalHeader()->hide();
    view_.alarms->horizontalHeader()->setStretchLastSection(true);
}

CyclesPage::~CyclesPage() = default;

void CyclesPage::setStore(CycleStore* store) {
    store_ = store;
    reload();
}

bool CyclesPage::visible() const { return view_.tabs->currentWidget() == view_.page; }

void CyclesPage::reload() {
    rows_ = store_ ? store_->lastCycles(watch_.machine(), ClampsShown) : QList<CycleRow>{};
    stale_ = true;
    showCapability();
    fillAlarms();
    if (visible())
        draw();
}

void CyclesPage::clampStored(const CycleRow& row) {
    rows_.append(row);
    if (rows_.size() > ClampsShown)
        rows_.remove(0, rows_.size() - ClampsShown);
    stale_ = true;
    showCapability();
    if (visible())
        draw();
}

void CyclesPage::alarmsChanged() { fillAlarms(); }

void CyclesPage::pageShown() {
    if (visible() && stale_)
        draw();
}

void CyclesPage::draw() {
    const QString unit =
        rows_.isEmpty() ? (watch_.reference() ? watch_.reference()->unit : QString()) : rows_.back().unit;
    chart_->setTexts(
        language_.own(OwnText::CycleChartTotal).arg(unit), language_.own(OwnText::CycleChartShares),
        {language_.own(OwnText::ProtocolTieBar).arg(1), language_.own(OwnText::ProtocolTieBar).arg(2),
         language_.own(OwnText::ProtocolTieBar).arg(3), language_.own(OwnText::ProtocolTieBar).arg(4)});
    chart_->show(rows_, watch_.reference(), watch_.settings().limits);
    stale_ = false;
}

void CyclesPage::showCapability() {
    const std::optional<CycleReference>& reference = watch_.reference();
    QList<double> totals;
    if (reference) {
        const QDateTime since = rows_.isEmpty() ? QDateTime() : rows_.back().startedAt.addSecs(-ShiftSecs);
        for (const CycleRow& row : std::as_const(rows_))
            if (row.unit == reference->unit && !row.isShort && row.startedAt >= since)
                totals.append(row.total());
    }
    std::optional<Capability> found;
    if (reference) {
        const double band = std::abs(reference->totalMean) * watch_.settings().limits.totalBandPct / 100;
        found = capability(totals, reference->totalMean - band, reference->totalMean + band);
    }
    const QString code = language_.code();
    view_.capability->setText(found ? language_.own(OwnText::CycleCapability)
                                          .arg(number(found->cp, 2, code), number(found->cpk, 2, code))
                                          .arg(totals.size())
                                    : language_.own(OwnText::CycleNoCapability).arg(totals.size()));
}

void CyclesPage::fillAlarms() {
    const QList<CycleStore::AlarmEntry> entries =
        store_ ? store_->alarms(watch_.machine(), AlarmsShown) : QList<CycleStore::AlarmEntry>{};
    const QStringList kinds = language_.own(OwnText::CycleAlarmKinds).split(QLatin1Char('|'));
    const QString code = language_.code();
    view_.alarms->setRowCount(static_cast<int>(entries.size()));
    for (int r = 0; r < entries.size(); ++r) {
        const CycleAlarm& alarm = entries[r].alarm;
        const auto unit = [&]() -> QString {
            switch (alarm.kind) {
            case AlarmKind::Total:
                return QLatin1Char(' ') + alarm.unit;
            case AlarmKind::NoClamp:
                return QStringLiteral(" s");
            default:
                return QStringLiteral(" %");
            }
        }();
        const int places = alarm.kind == AlarmKind::Share   ? 1
                           : alarm.kind == AlarmKind::Total ? totalDecimals(alarm.unit)
                                                            : 0;
        const QString ack = entries[r].ack
                                ? entries[r].ack->by + QStringLiteral(", ") +
                                      entries[r].ack->at.toLocalTime().toString(QLatin1String(TimeFormat))
                                : QString();
        const QStringList cells = {alarm.raisedAt.toLocalTime().toString(QLatin1String(TimeFormat)),
                                   kinds.value(static_cast<int>(alarm.kind)),
                                   alarm.bar > 0 ? QString::number(alarm.bar) : QString(),
                                   number(alarm.value, places, code) + unit,
                                   number(alarm.limit, places, code) + unit,
                                   ack};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(alarmText(alarm, code));
            if (!entries[r].ack)
                item->setForeground(QColor(200, 0, 0));
            view_.alarms->setItem(r, c, item);
        }
    }
    view_.alarms->resizeColumnsToContents();
}

void CyclesPage::applyLanguage(const Language& language) {
    view_.alarms->setHorizontalHeaderLabels(language.own(OwnText::CycleAlarmColumns).split(QLatin1Char('|')));
    showCapability();
    fillAlarms();
    stale_ = true;
    if (visible())
        draw();
}

} // namespace cycles
