#include "DriverLineErrorCounters.h"

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace torven {

#if defined(Q_OS_WIN)

static_assert(comm_error_flag::kReceiveOverflow == CE_RXOVER &&
              comm_error_flag::kOverrun == CE_OVERRUN && comm_error_flag::kParity == CE_RXPARITY &&
              comm_error_flag::kFrame == CE_FRAME && comm_error_flag::kBreak == CE_BREAK);

std::optional<LineErrorCounts> DriverLineErrorCounters::read(PortHandle handle) {
    DWORD errors = 0;
    if (!ClearCommError(handle, &errors, nullptr))
        return std::nullopt;
    m_tally = tallyCommErrors(m_tally, errors);
    return m_tally;
}

void checkInputParity(PortHandle handle) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (GetCommState(handle, &dcb) && !dcb.fParity) {
        dcb.fParity = TRUE;
        SetCommState(handle, &dcb);
    }
}

#elif defined(Q_OS_LINUX)

std::optional<LineErrorCounts> DriverLineErrorCounters::read(PortHandle handle) {
    serial_icounter_struct counts{};
    if (handle < 0 || ioctl(handle, TIOCGICOUNT, &counts) != 0)
        return std::nullopt;
    // The driver keeps unsigned running totals and hands them over as int: take them back.
    const auto total = [](int count) {
        return static_cast<std::uint32_t>(count);
    };
    return LineErrorCounts{total(counts.brk), total(counts.frame), total(counts.overrun),
                           total(counts.buf_overrun), total(counts.parity)};
}

void checkInputParity(PortHandle handle) {
    termios mode{};
    if (handle < 0 || tcgetattr(handle, &mode) != 0)
        return;
    const tcflag_t wanted = (mode.c_iflag | INPCK | IGNPAR) & ~static_cast<tcflag_t>(PARMRK);
    if (wanted == mode.c_iflag)
        return;
    mode.c_iflag = wanted;
    tcsetattr(handle, TCSANOW, &mode);
}

#else

// Other systems: no counters, and the line settings as Qt leaves them.
std::optional<LineErrorCounts> DriverLineErrorCounters::read(PortHandle) {
    return std::nullopt;
}

void checkInputParity(PortHandle) {}

#endif

} // namespace torven
