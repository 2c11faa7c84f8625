#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace torven {

// Following a remote rotctld (another torven with --rotctld, Hamlib's rotctld, …): the window
// asks it for the position instead of reading a serial line. It only ever asks ("p"), and never
// has more than one question outstanding.
inline constexpr std::chrono::milliseconds kFollowPollInterval{250};
// No whole answer this long after a question (or after the connection was begun): the far end
// counts as unreachable, and the connection is closed.
inline constexpr std::chrono::milliseconds kFollowAnswerLimit{2000};
// After a failed connection, the next attempt; following goes on until the user stops it.
inline constexpr std::chrono::milliseconds kFollowRetryInterval{2000};

// The far end, as --follow names it: a host name or address, and a TCP port.
struct RemoteAddress {
    std::string host; // a name, an IPv4 address or an IPv6 address without brackets
    int port = 0;     // 1 to 65535

    friend bool operator==(const RemoteAddress&, const RemoteAddress&) = default;
};

// Reads "HOST:PORT", or "[IPV6]:PORT" for an IPv6 address; nothing for any other text (an IPv6
// address without brackets, an empty host, blanks, a port outside 1 to 65535).
std::optional<RemoteAddress> parseRemoteAddress(std::string_view text);

// "HOST:PORT" as the user reads it, an IPv6 address in brackets.
std::string remoteAddressText(const RemoteAddress& address);

// The azimuth of an answer's first line: a decimal number, strictly (an optional sign, digits,
// at most one decimal mark, which may be a full stop or a comma as a server in a Russian locale
// writes it, then digits; blanks around it), from −360 to 720 degrees; nothing for anything else.
std::optional<double> parseAzimuth(std::string_view line);

// One whole answer to "p".
struct PositionAnswer {
    // The azimuth in degrees; none when the far end has no position (it answered "RPRT n") or
    // answered something that is not an azimuth.
    std::optional<double> azimuth;
    std::string firstLine; // what the far end answered first, without its line end

    friend bool operator==(const PositionAnswer&, const PositionAnswer&) = default;
};

// Reads the answer to one "p" out of the bytes as they arrive: an azimuth line and an elevation
// line (the elevation is not used, but the answer is whole only with it), or one line that is not
// an azimuth (an "RPRT n" error, or junk). Lines end with LF, or CR LF.
//
// The text kept while a line's end has not arrived is bounded: a line longer than kMaxLineLength
// bytes is no answer, and the reader says so instead of keeping more of it.
class PositionAnswerReader {
public:
    static constexpr std::size_t kMaxLineLength = 256;

    struct Step {
        enum class Kind {
            Waiting,  // the answer is not whole yet
            Answered, // `answer` is whole; what came after it was dropped
            Overlong, // a line grew past kMaxLineLength: the far end speaks no rotctld
        };
        Kind kind = Kind::Waiting;
        PositionAnswer answer;
    };

    // Takes the next bytes of the answer.
    Step take(std::string_view bytes);
    // Forgets the answer begun: a new question, or a new connection, follows.
    void clear();
    // The bytes kept now (a line's CR included), never more than kMaxLineLength.
    std::size_t pendingSize() const { return m_line.size(); }

private:
    std::string m_line;                          // the current line, its end not yet arrived
    std::optional<PositionAnswer> m_azimuthLine; // taken; the elevation line is awaited
};

// Why following does not work now, as the status line's tooltip explains it.
struct FollowFault {
    enum class Kind {
        Refused,      // nothing listens at that port (or a firewall refuses)
        HostNotFound, // the host's name is not known
        NoConnection, // the connection was not made in time, or the network says no route
        NoAnswer,     // connected, but no whole answer in time
        Closed,       // the far end closed the connection
        Overlong,     // the far end sent a line longer than any answer
        Unasked,      // the far end sends more than a line without being asked
        Other,
    };
    Kind kind = Kind::Other;
    RemoteAddress address;
    std::string systemWords; // the system's own report, untranslated; may be empty
};

// The whole explanation, in Russian: what went wrong with which far end, what to do, that torven
// keeps trying, and the system's own words at the end in brackets.
std::string followFaultText(const FollowFault& fault);

// Why the status line says «Нет азимута»: the far end and what it answered (its text shown
// escaped, control bytes as \xNN, and cut short when long).
std::string noAzimuthText(const RemoteAddress& address, std::string_view answered);

// The standing remark under the status line: where the bearing comes from.
std::string followRemark(const RemoteAddress& address);

// What «Коммуникация» says while the window follows a rotctld: the bearing comes from there, and
// no serial port is read in this run.
std::string followInsteadOfPortText(const RemoteAddress& address);

} // namespace torven
