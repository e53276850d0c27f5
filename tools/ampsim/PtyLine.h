#pragma once
// A pseudo-terminal as the device's end of a serial line, linked as a port name (ports/COM2, or com2 in
// a Wine prefix's dosdevices). The program opens the slave side, this class holds the master.

#include "DeviceLine.h"

namespace ampsim {

class PtyLine : public DeviceLine {
public:
    explicit PtyLine(std::string linkPath) : linkPath_(std::move(linkPath)) {}
    ~PtyLine() override { remove(); }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;

    bool plugIn(int baud, std::string& error) override;
    void pullOut() override;
    void remove() override;
    bool isPlugged() const override { return masterFd_ >= 0; }
    std::string deviceName() const override { return slavePath_; }
    std::vector<std::uint8_t> read(int waitMs) override;
    std::size_t write(const std::vector<std::uint8_t>& bytes) override;
    int programQueued() override;
    void waitDelivered(int queuedBefore, std::size_t written, int maxMs) override;
    bool runsAt(int baud) override;

    const std::string& linkPath() const { return linkPath_; }
    int masterFd() const { return masterFd_; }

private:
    bool openPty(int baud, std::string& error);
    bool pointLink(std::string& error);

    std::string linkPath_;
    std::string slavePath_;
    int masterFd_ = -1;
    int slaveFd_ = -1;
    bool linked_ = false;
};

} // namespace ampsim
