#include "LineErrorCounts.h"

#include "reception/CommEvents.h"

namespace torven {

namespace {

// Whether a running count grew, across a wrap-around too: growth is a step of less than half the
// counter's range forward; a step back (a restart) is not growth.
bool Grew(std::uint32_t before, std::uint32_t after) {
    const std::uint32_t step = after - before;
    return step != 0 && step < 0x8000'0000u;
}

} // namespace

std::vector<std::int16_t> LineErrorEvents(const LineErrorCounts& before,
                                          const LineErrorCounts& after) {
    const struct {
        std::uint32_t LineErrorCounts::*count;
        std::int16_t code;
    } kinds[] = {
        {&LineErrorCounts::brk, comm_event::Break},
        {&LineErrorCounts::frame, comm_event::Frame},
        {&LineErrorCounts::overrun, comm_event::Overrun},
        {&LineErrorCounts::bufferOverrun, comm_event::ReceiveOverflow},
        {&LineErrorCounts::parity, comm_event::Parity},
    };
    std::vector<std::int16_t> events;
    for (const auto& kind : kinds) {
        if (Grew(before.*kind.count, after.*kind.count))
            events.push_back(kind.code);
    }
    return events;
}

LineErrorCounts TallyCommErrors(LineErrorCounts tally, std::uint32_t flags) {
    const struct {
        std::uint32_t LineErrorCounts::*count;
        std::uint32_t flag;
    } kinds[] = {
        {&LineErrorCounts::brk, comm_error_flag::Break},
        {&LineErrorCounts::frame, comm_error_flag::Frame},
        {&LineErrorCounts::overrun, comm_error_flag::Overrun},
        {&LineErrorCounts::bufferOverrun, comm_error_flag::ReceiveOverflow},
        {&LineErrorCounts::parity, comm_error_flag::Parity},
    };
    for (const auto& kind : kinds) {
        if ((flags & kind.flag) != 0)
            ++(tally.*kind.count);
    }
    return tally;
}

} // namespace torven
