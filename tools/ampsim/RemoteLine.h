#pragma once
// Under Wine a Windows program cannot make a pseudo-terminal, but a program of the host can and Wine maps
// it to a COM port. RemoteLine has the line helper on the host (vantoria-ampsim --serve-lines N, started
// with the Wine prefix's dosdevices as its ports folder) hold the device's end of COM<n> for it, and talks
// to the helper over COM<N>: N from VANTORIA_LINE_HELPER_PORT, 20 when it is not set.

#include "DeviceLine.h"

namespace ampsim {

class RemoteLine : public DeviceLine {
public:
    explicit RemoteLine(int port) : port_(port) {}
    ~RemoteLine() override { remove(); }
    RemoteLine(const RemoteLine&) = delete;
    RemoteLine& operator=(const RemoteLine&) = delete;

    bool plugIn(int baud, std::string& error) override;
    void pullOut() override;
    void remove() override;
    bool isPlugged() const override { return plugged_; }
    std::string deviceName() const override { return deviceName_; }
    std::vector<std::uint8_t> read(int waitMs) override;
    std::size_t write(const std::vector<std::uint8_t>& bytes) override;
    int programQueued() override;
    void waitDelivered(int queuedBefore, std::size_t written, int maxMs) override;
    bool runsAt(int baud) override;

private:
    int port_;
    bool plugged_ = false;
    bool linked_ = false;
    std::string deviceName_;
};

} // namespace ampsim
