#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// Hamlib's return codes, as they appear after "RPRT " (negated).
enum class RotctlError {
    InvalidParameter = 1, // a command torven does not know
    IoError = 6,          // no live bearing to report
    ProtocolError = 8,    // a line too long to be a command
    NotAvailable = 11,    // a command that would move or reset the rotator
};

// What a reply may say about the rotator.
struct RotctlState {
    // The live bearing in whole degrees; empty while there is none (port closed, device lost, no
    // reading since the port opened). Bearings outside 0 to 360 are not positions and are refused
    // like a missing one.
    std::optional<int> azimuth;
    // What get_info answers; line breaks and other control characters become blanks.
    std::string info = "torven";
};

// One client's conversation in the rotctld protocol, read-only: bytes in, reply bytes out.
//
// Commands end with LF or CR LF and may arrive split across reads or several to a read. A line
// longer than kMaxLineLength bytes is dropped whole and answered with a protocol error. Once a
// client has asked to quit, nothing more it sent is answered.
class RotctlSession {
public:
    static constexpr std::size_t kMaxLineLength = 256;

    struct Output {
        std::string reply;  // everything to send back for this read, in order
        bool close = false; // the client asked to quit: send the reply, then close
    };

    Output receive(std::string_view bytes, const RotctlState& state);

private:
    void answerLine(std::string_view line, const RotctlState& state, Output& out);

    std::string m_pending;     // the start of a line whose end has not arrived yet
    bool m_discarding = false; // inside an overlong line: drop up to its end
    bool m_closed = false;
};

// The reply to one command line (without its line end), in the default or extended form.
// `quit` is set when the line asks to close the connection.
std::string rotctlReply(std::string_view line, const RotctlState& state, bool* quit = nullptr);

// A number in the protocol's form, "%f" with a full stop whatever the locale: 180.000000.
std::string rotctlNumber(double value);

} // namespace torven
