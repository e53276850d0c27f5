#include "SimulatedRig.h"

#include "ProgramState.h"

#include <QTest>
#include <QTimer>

QString SimulatedRig::deviceName(const QString& type) {
    const QStringList names = {"AMP4-E", "AMP4-S", "AMP4-L", "AMP4-P", "AMP4-PX"};
    return names.value(type.right(1).toInt() - 1);
}

SimulatedRig::SimulatedRig(const RigOptions& options) {
    sim_ = std::make_unique<ampsim::PtyAmplifier>(options.type.toStdString(), options.com);
    if (!sim_->start())
        qFatal("simulated amplifier: %s", sim_->lastError().c_str());
    QStringList lines = settingsLayout();
    lines[5] = options.singleValues ? QStringLiteral("YES") : QStringLiteral("NO");
    lines[7] = options.manualPort ? QStringLiteral("Manual") : QStringLiteral("Auto");
    lines[9] = QString::number(options.com);
    lines[25] = deviceName(options.type);
    for (const auto& [line, text] : options.settings)
        lines[line] = text;
    writeSettingsFile(lines);
    window_ = std::make_unique<TestWindow>();
}

SimulatedRig::~SimulatedRig() {
    window_.reset();
    sim_.reset();
}

void SimulatedRig::tick(int count) {
    for (int i = 0; i < count; ++i) {
        window_->window->timerDeviceComTimer();
        nowMs_ += static_cast<std::uint64_t>(window_->window->timerDeviceCom().interval());
        window_->monotonicMs = static_cast<std::int64_t>(nowMs_);
        // A command went out on the first tick of a step: give it time to reach the amplifier.
        const ProgramState& s = state();
        const bool sent = s.stateTick == 1 && s.sessionState != StateConnect && s.sessionState != StateIdle;
        if (sim_->isConnected())
            sim_->pump(nowMs_, sent ? 500 : 0);
    }
}

bool SimulatedRig::tickUntil(const std::function<bool()>& condition, int maxTicks) {
    for (int i = 0; i < maxTicks; ++i) {
        if (condition())
            return true;
        tick();
    }
    return condition();
}

bool SimulatedRig::connect() {
    return tickUntil([this] { return state().sessionState == StateReadSettings; }, 400);
}

QStringList SimulatedRig::commands() const {
    QStringList result;
    for (const ampsim::LogEntry& entry : sim_->log())
        if (entry.toDevice && !entry.bytes.empty())
            result.append(QString::fromStdString(ampsim::formatBytes(entry.bytes)));
    return result;
}
