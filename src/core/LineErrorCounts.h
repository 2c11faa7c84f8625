#pragma once

#include "LineEvents.h"

#include <cstdint>
#include <vector>

namespace torven {

// The line errors a serial driver has counted on a port since it was set up. The counts are
// running totals; they may wrap around, and a driver may start them again from 0.
struct LineErrorCounts {
    std::uint32_t breaks = 0;        // break signals received
    std::uint32_t frame = 0;         // framing errors
    std::uint32_t overrun = 0;       // characters lost because the port's receiver was full
    std::uint32_t bufferOverrun = 0; // characters lost because the driver's buffer was full
    std::uint32_t parity = 0;        // parity errors

    bool operator==(const LineErrorCounts&) const = default;
};

// The line errors due between two readings of the counts: one event code for each kind of
// error whose count grew, however much it grew, in the order break (1001), framing (1004), port
// overrun (1006), receive buffer overflow (1008), parity (1009). A burst of noise thus gives a few
// events, not thousands. A count that went down means the driver started again: that
// is no error.
std::vector<LineEvent> lineErrorEvents(const LineErrorCounts& before, const LineErrorCounts& after);

// The error flags Windows' ClearCommError reports, with the values its headers give them
// (CE_RXOVER, CE_OVERRUN, CE_RXPARITY, CE_FRAME, CE_BREAK); other bits are not line errors.
namespace comm_error_flag {
inline constexpr std::uint32_t kReceiveOverflow = 0x0001; // CE_RXOVER
inline constexpr std::uint32_t kOverrun = 0x0002;         // CE_OVERRUN
inline constexpr std::uint32_t kParity = 0x0004;          // CE_RXPARITY
inline constexpr std::uint32_t kFrame = 0x0008;           // CE_FRAME
inline constexpr std::uint32_t kBreak = 0x0010;           // CE_BREAK
} // namespace comm_error_flag

// Windows reports which kinds of error happened since it was last asked, not how many: each
// flag set adds one to its kind's running count, which then wraps as a driver's count does.
LineErrorCounts tallyCommErrors(LineErrorCounts tally, std::uint32_t flags);

} // namespace torven
