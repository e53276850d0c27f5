#pragma once
// The device's end of the serial line a program opens as a port: on Linux a pseudo-terminal of this
// process, under Wine one that a helper on the host holds for the process (see RemoteLine.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ampsim {

class DeviceLine {
public:
    virtual ~DeviceLine() = default;

    // A new line, raw at baud, reachable under the port's name; false with a reason in error.
    virtual bool plugIn(int baud, std::string& error) = 0;
    // The cable is pulled: the line closes and the port's name dangles.
    virtual void pullOut() = 0;
    // Closes the line and removes the port's name if it still names this line.
    virtual void remove() = 0;
    virtual bool isPlugged() const = 0;
    virtual std::string deviceName() const = 0; // /dev/pts/N (the last one after pullOut)

    // Everything the program has sent, waiting up to waitMs for the first byte when nothing is there.
    virtual std::vector<std::uint8_t> read(int waitMs) = 0;
    // Writes without blocking; returns how much the program's side took (a full queue drops the rest).
    virtual std::size_t write(const std::vector<std::uint8_t>& bytes) = 0;
    // Bytes waiting on the program's side to be read; -1 when unknown.
    virtual int programQueued() = 0;
    // Until written bytes beyond queuedBefore are readable on the program's side, or maxMs passed.
    virtual void waitDelivered(int queuedBefore, std::size_t written, int maxMs) = 0;
    // Whether the program set the line to this speed.
    virtual bool runsAt(int baud) = 0;
};

} // namespace ampsim
