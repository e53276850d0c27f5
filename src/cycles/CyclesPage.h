#pragma once
// The cycles page: the control chart of the machine's last clamps, Cp and Cpk of the total over the last
// eight hours (a shift), and the machine's alarms with who acknowledged them. It follows the clamp watch;
// the chart is drawn only while the page is shown, so a running press costs nothing elsewhere.

#include "cycles/Cycle.h"
#include "settings/LanguageParticipant.h"

#include <QList>
#include <QObject>

#include <memory>

struct CycleView;

namespace cycles {

class CycleStore;
class CycleWatch;
class CyclesChart;

class CyclesPage : public QObject, public LanguageParticipant {
    Q_OBJECT

public:
    static constexpr int ClampsShown = 2000; // a shift of clamps every 15 s
    static constexpr int AlarmsShown = 500;

    CyclesPage(const CycleView& view, const CycleWatch& watch, const Language& language);
    ~CyclesPage() override;

    void setStore(CycleStore* store);
    // The watch kept a clamp: it joins the chart.
    void clampStored(const cycles::CycleRow& row);
    // The machine or its reference changed: everything is read again.
    void reload();
    void alarmsChanged();
    // The tab widget showed another page.
    void pageShown();

    void applyLanguage(const Language& language) override;

private:
    bool visible() const;
    void draw();
    void fillAlarms();
    void showCapability();

    const CycleView& view_;
    const CycleWatch& watch_;
    const Language& language_;
    CycleStore* store_ = nullptr;
    std::unique_ptr<CyclesChart> chart_;
    QList<CycleRow> rows_; // oldest first
    bool stale_ = true;    // the chart shows less than rows_
};

} // namespace cycles
