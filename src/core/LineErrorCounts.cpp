#include "LineErrorCounts.h"

namespace torven {

namespace {

// Whether a running count grew, across a wrap-around too: growth is a step of less than half the
// counter's range forward; a step back (a restart) is not growth.
bool grew(std::uint32_t before, std::uint32_t after) {
    const std::uint32_t step = after - before;
    return step != 0 && step < 0x8000'0000u;
}

} // namespace

std::vector<LineEvent> lineErrorEvents(const LineErrorCounts& before,
                                       const LineErrorCounts& after) {
    const struct {
        std::uint32_t LineErrorCounts::*count;
        LineEvent code;
    } kinds[] = {
        {&LineErrorCounts::breaks, LineEvent::Break},
        {&LineErrorCounts::frame, LineEvent::Frame},
        {&LineErrorCounts::overrun, LineEvent::Overrun},
        {&LineErrorCounts::bufferOverrun, LineEvent::ReceiveOverflow},
        {&LineErrorCounts::parity, LineEvent::Parity},
    };
    std::vector<LineEvent> events;
    for (const auto& kind : kinds) {
        if (grew(before.*kind.count, after.*kind.count))
            events.push_back(kind.code);
    }
    return events;
}

LineErrorCounts tallyCommErrors(LineErrorCounts tally, std::uint32_t flags) {
    const struct {
        std::uint32_t LineErrorCounts::*count;
        std::uint32_t flag;
    } kinds[] = {
        {&LineErrorCounts::breaks, comm_error_flag::kBreak},
        {&LineErrorCounts::frame, comm_error_flag::kFrame},
        {&LineErrorCounts::overrun, comm_error_flag::kOverrun},
        {&LineErrorCounts::bufferOverrun, comm_error_flag::kReceiveOverflow},
        {&LineErrorCounts::parity, comm_error_flag::kParity},
    };
    for (const auto& kind : kinds) {
        if ((flags & kind.flag) != 0)
            ++(tally.*kind.count);
    }
    return tally;
}

} // namespace torven
