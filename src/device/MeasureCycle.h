#pragma once
// The measuring state of the device session: one measurement cycle reads the eight sensor values (when
// they are polled), the four channels, the main value and the two totals, one command per step, then
// reports the cycle complete and returns to the polling loop.

#include "device/DeviceSession.h"

#include <QObject>

#include <cstdint>

class MeasureCycle : public QObject, public SessionStates {
    Q_OBJECT

public:
    explicit MeasureCycle(DeviceSession& session);

    void runState(std::int32_t) override { RunMeasureStep(); }
    void RunMeasureStep();

signals:
    // A reply for an entry of the reading table (0 to 7 sensors, 8 to 11 channels, 12 to 14 main value
    // and totals).
    void readingReceived(int entry, std::int32_t raw);
    // Every value of the cycle has arrived: time to evaluate them.
    void cycleCompleted();

private:
    DeviceSession& session_;
};
