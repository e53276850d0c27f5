#pragma once
// Requests of RemoteLine to the line helper (vantoria-ampsim --serve-lines) and its answers, over a serial
// line of their own. A request: operation (one byte), port number and payload length (32 bits each, low
// byte first), payload. An answer: 0 for done or 1 for failed, payload length, payload.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ampsim::line {

enum class Op : std::uint8_t {
    PlugIn = 'P',        // baud -> the device name, or failed with the reason
    PullOut = 'O',       // -> nothing
    Remove = 'X',        // -> nothing
    Read = 'R',          // wait ms -> the bytes
    Write = 'W',         // bytes -> how many were taken
    Queued = 'Q',        // -> bytes queued on the program's side (-1 unknown)
    WaitDelivered = 'D', // queued before, written, max ms -> nothing
    RunsAt = 'S',        // baud -> 1 or 0
};

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kHeaderSize = 9; // a request's; an answer's is 5

inline void put32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

inline Bytes request(Op op, int port, const Bytes& payload = {}) {
    Bytes out{static_cast<std::uint8_t>(op)};
    put32(out, static_cast<std::uint32_t>(port));
    put32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

inline Bytes answer(bool done, const Bytes& payload = {}) {
    Bytes out{static_cast<std::uint8_t>(done ? 0 : 1)};
    put32(out, static_cast<std::uint32_t>(payload.size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

struct Request {
    Op op;
    int port;
    Bytes payload;
};

// Takes the first complete request off the front of buffer; none while it is incomplete.
inline std::optional<Request> takeRequest(Bytes& buffer) {
    if (buffer.size() < kHeaderSize)
        return std::nullopt;
    const std::uint32_t size = get32(buffer.data() + 5);
    if (buffer.size() - kHeaderSize < size)
        return std::nullopt;
    Request r{static_cast<Op>(buffer[0]), static_cast<int>(get32(buffer.data() + 1)),
              Bytes(buffer.begin() + kHeaderSize, buffer.begin() + kHeaderSize + size)};
    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(kHeaderSize + size));
    return r;
}

} // namespace ampsim::line
