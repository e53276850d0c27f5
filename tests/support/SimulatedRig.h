#pragma once
// The real main window talking to the simulated amplifier on a pseudo-terminal, one device tick at a time:
// each tick() runs the window's tick handler, then lets the amplifier answer, with a virtual clock that
// advances by the timer interval.

#include "TestWindow.h"

#include "ampsim/PtyAmplifier.h"

#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

struct RigOptions {
    QString type = QStringLiteral("QT34");
    int com = 2;
    bool manualPort = true;   // settings line 7: "Manual" on COM<com>, else automatic search
    bool singleValues = true; // settings line 5
    std::vector<std::pair<int, QString>> settings = {}; // lines changed last in the settings file
};

class SimulatedRig {
public:
    explicit SimulatedRig(const RigOptions& options = {});
    ~SimulatedRig();

    TestWindow& w() { return *window_; }
    TfrmMain& window() { return *window_->window; }
    ProgramState& state() { return window_->state; }
    ampsim::PtyAmplifier& sim() { return *sim_; }
    std::uint64_t nowMs() const { return nowMs_; }

    void tick(int count = 1);
    // Ticks until the condition holds; false when it did not within maxTicks.
    bool tickUntil(const std::function<bool()>& condition, int maxTicks);
    // From start-up through identification into the polling loop.
    bool connect();
    // Commands the amplifier received since the last clearLog(), as text ("P0", "Ei", "du<03><e7>").
    QStringList commands() const;

    // The device name of a type: language line 16 to 20 of the shipped files.
    static QString deviceName(const QString& type);

private:
    std::unique_ptr<ampsim::PtyAmplifier> sim_;
    std::unique_ptr<TestWindow> window_;
    std::uint64_t nowMs_ = 0;
};
