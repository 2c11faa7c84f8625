#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torven {

// Hamlib's return codes, as they appear after "RPRT " (negated).
enum class RotctlError {
    InvalidParameter = 1, // a command torven does not know, or a target out of range
    IoError = 6,          // no live bearing to report
    ProtocolError = 8,    // a line too long to be a command
    NotAvailable = 11,    // a command that would move or reset the rotator
};

// A client's request about the target: turn to `azimuth` (0 to 360 degrees), or, without one,
// stop (no target any more).
struct TargetRequest {
    std::optional<double> azimuth;

    friend bool operator==(const TargetRequest&, const TargetRequest&) = default;
};

// What a reply may say about the rotator.
struct RotctlState {
    // The live bearing in whole degrees (a decoded reading's liveBearing); empty while there is
    // none (port closed, device lost, no reading since the port opened, junk).
    std::optional<int> azimuth;
    // What get_info answers; line breaks and other control characters become blanks.
    std::string info = "torven";
    // Whether set_pos and stop are taken as a target for the operator and its end; otherwise
    // they are refused like every command that would move the rotator.
    bool takesTargets = false;
};

// One client's conversation in the rotctld protocol: bytes in, reply bytes out, and the targets
// taken.
//
// Commands end with LF or CR LF and may arrive split across reads or several to a read. A line
// longer than kMaxLineLength bytes is dropped whole and answered with a protocol error. Once a
// client has asked to quit, nothing more it sent is answered.
class RotctlSession {
public:
    static constexpr std::size_t kMaxLineLength = 256;

    // A command answered with an error, for the log: the line as it came (without its line end;
    // the first kMaxLineLength bytes of an overlong one) and the answer.
    struct Refusal {
        std::string line;
        std::string reply;
    };

    struct Output {
        std::string reply;                  // everything to send back for this read, in order
        bool close = false;                 // the client asked to quit: send the reply, then close
        std::vector<TargetRequest> targets; // the targets and stops taken, in order
        std::vector<Refusal> refusals;      // the commands refused or failed, in order
    };

    Output receive(std::string_view bytes, const RotctlState& state);

private:
    void answerLine(std::string_view line, const RotctlState& state, Output& out);

    std::string m_pending;     // the start of a line whose end has not arrived yet
    bool m_discarding = false; // inside an overlong line: drop up to its end
    bool m_closed = false;
};

// What one command line (without its line end) is answered.
struct RotctlReply {
    std::string text;                    // in the default or extended form; empty for no command
    std::optional<RotctlError> error;    // the command was refused or failed, and why
    bool quit = false;                   // the line asks to close the connection
    std::optional<TargetRequest> target; // the target or stop taken
};
RotctlReply rotctlReply(std::string_view line, const RotctlState& state);

// A number in the protocol's form, "%f" with a full stop whatever the locale: 180.000000.
std::string rotctlNumber(double value);

} // namespace torven
