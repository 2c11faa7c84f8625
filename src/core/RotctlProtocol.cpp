#include "RotctlProtocol.h"

#include "Blanks.h"
#include "Target.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace torven {

namespace {

enum class Kind { GetPosition, SetPosition, Stop, Refused, Info, DumpState, Quit };

struct Command {
    char shortName; // '\0' when the command has only a long name
    std::string_view longName;
    Kind kind;
};

// Every command torven answers. Those that would move, park or reset the rotator are known so
// that they can be refused as unavailable rather than as unknown; set_pos and stop as well, when
// targets are not taken.
constexpr std::array kCommands{
    Command{'p', "get_pos", Kind::GetPosition}, Command{'P', "set_pos", Kind::SetPosition},
    Command{'S', "stop", Kind::Stop},           Command{'K', "park", Kind::Refused},
    Command{'M', "move", Kind::Refused},        Command{'R', "reset", Kind::Refused},
    Command{'_', "get_info", Kind::Info},       Command{'\0', "dump_state", Kind::DumpState},
    Command{'q', "quit", Kind::Quit},           Command{'Q', "quit", Kind::Quit},
};

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    while (!(text = trimmedBlanks(text)).empty()) {
        std::size_t end = 0;
        while (end < text.size() && !isBlank(text[end]))
            ++end;
        out.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return out;
}

const Command* findCommand(std::string_view name) {
    for (const Command& c : kCommands) {
        const bool match = name.size() > 1 && name.front() == '\\'
                               ? name.substr(1) == c.longName
                               : name.size() == 1 && c.shortName != '\0' && name[0] == c.shortName;
        if (match)
            return &c;
    }
    return nullptr;
}

std::string errorRecord(RotctlError error) {
    return "RPRT -" + std::to_string(static_cast<int>(error));
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            c = ' ';
    }
    return text;
}

// A number in full: digits with an optional decimal mark, whatever torven's locale; nothing else
// around it. The mark is a full stop or, as clients in a locale with a decimal comma send it, a
// comma; never both, and never two.
std::optional<double> protocolNumber(std::string_view word) {
    std::string text(word);
    if (std::count(text.begin(), text.end(), '.') + std::count(text.begin(), text.end(), ',') > 1)
        return std::nullopt;
    std::replace(text.begin(), text.end(), ',', '.');
    double value = 0;
    const auto end =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (end.ec != std::errc() || end.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The azimuth of "set_pos AZ EL", or nothing when either is missing, no number or out of range.
std::optional<double> targetAzimuth(const std::vector<std::string_view>& parts) {
    if (parts.size() != 3)
        return std::nullopt;
    const auto azimuth = protocolNumber(parts[1]);
    const auto elevation = protocolNumber(parts[2]);
    if (!azimuth || !elevation || !(*azimuth >= 0 && *azimuth <= kMaxTargetAzimuth) ||
        !(*elevation >= 0 && *elevation <= kMaxTargetElevation))
        return std::nullopt;
    return azimuth;
}

// One record of a reply. The default form shows "key=value", or the value alone when there is no
// key; the extended form shows "Label: value", and without a label as the default form does.
struct Record {
    std::string_view label;
    std::string_view key;
    std::string value;

    std::string plain() const { return key.empty() ? value : std::string(key) + "=" + value; }
    std::string labelled() const {
        return label.empty() ? plain() : std::string(label) + ": " + value;
    }
};

// The records of a reply, without separators, or its error.
struct Records {
    std::vector<Record> values;
    std::optional<RotctlError> error;
};

Records answer(Kind kind, const std::vector<std::string_view>& parts, const RotctlState& state,
               std::optional<TargetRequest>& target) {
    Records r;
    switch (kind) {
    case Kind::GetPosition:
        if (state.azimuth) {
            r.values.push_back({"Azimuth", {}, rotctlNumber(*state.azimuth)});
            r.values.push_back({"Elevation", {}, rotctlNumber(0)});
        } else {
            r.error = RotctlError::IoError;
        }
        break;
    case Kind::SetPosition:
        if (!state.takesTargets) {
            r.error = RotctlError::NotAvailable;
        } else if (const auto azimuth = targetAzimuth(parts)) {
            target = TargetRequest{azimuth};
        } else {
            r.error = RotctlError::InvalidParameter;
        }
        break;
    case Kind::Stop:
        if (!state.takesTargets)
            r.error = RotctlError::NotAvailable;
        else
            target = TargetRequest{};
        break;
    case Kind::Refused:
        r.error = RotctlError::NotAvailable;
        break;
    case Kind::Info:
        r.values.push_back({"Info", {}, oneLine(state.info)});
        break;
    case Kind::DumpState:
        // Protocol version 1: the model number (not read by clients), then name=value lines up
        // to "done". An azimuth-only rotator over a full turn with no elevation. Loggers find
        // the extended form's lines by the labels Hamlib's rotctld gives them. Taking targets, it
        // says elevations up to 90 degrees may be sent: clients check a target against the range
        // before they send it, and trackers send an elevation.
        r.values = {
            {"rotctld Protocol Ver", {}, "1"},
            {"Rotor Model", {}, "1"},
            {"Minimum Azimuth", "min_az", rotctlNumber(0)},
            {"Maximum Azimuth", "max_az", rotctlNumber(360)},
            {"Minimum Elevation", "min_el", rotctlNumber(0)},
            {"Maximum Elevation", "max_el",
             rotctlNumber(state.takesTargets ? kMaxTargetElevation : 0)},
            {"South Zero", "south_zero", "0"},
            {{}, "rot_type", "Az"},
            {{}, {}, "done"},
        };
        break;
    case Kind::Quit:
        break;
    }
    return r;
}

} // namespace

std::string rotctlNumber(double value) {
    std::array<char, 64> text{};
    const auto end =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 6);
    return std::string(text.data(), end.ptr);
}

RotctlReply rotctlReply(std::string_view line, const RotctlState& state) {
    RotctlReply reply;
    line = trimmedBlanks(line);
    if (line.empty())
        return reply;

    // A leading '+' asks for the extended form with records on lines of their own; ';', '|' or
    // ',' for the extended form on one line, with that character between records.
    const char first = line.front();
    const bool extended = first == '+' || first == ';' || first == '|' || first == ',';
    const char separator = extended && first != '+' ? first : '\n';
    if (extended)
        line.remove_prefix(1);

    const std::vector<std::string_view> parts = words(line);
    const Command* command = parts.empty() ? nullptr : findCommand(parts.front());
    if (!command) {
        reply.error = RotctlError::InvalidParameter;
        reply.text = errorRecord(*reply.error) + "\n";
        return reply;
    }
    if (command->kind == Kind::Quit) {
        reply.quit = true;
        return reply;
    }

    const Records records = answer(command->kind, parts, state, reply.target);
    reply.error = records.error;
    std::string& out = reply.text;
    if (!extended) {
        if (records.error)
            out = errorRecord(*records.error) + "\n";
        else if (records.values.empty())
            out = "RPRT 0\n"; // a command that sets something says only that it succeeded
        for (const Record& record : records.values)
            out += record.plain() + "\n";
        return reply;
    }

    out += command->longName;
    out += ':';
    for (std::size_t i = 1; i < parts.size(); ++i) {
        out += ' ';
        out += parts[i];
    }
    out += separator;
    for (const Record& record : records.values) {
        out += record.labelled();
        out += separator;
    }
    out += records.error ? errorRecord(*records.error) : std::string("RPRT 0");
    out += '\n';
    return reply;
}

RotctlSession::Output RotctlSession::receive(std::string_view bytes, const RotctlState& state) {
    Output out;
    for (const char c : bytes) {
        if (m_closed)
            break;
        if (c == '\n') {
            if (m_discarding) {
                m_discarding = false;
                continue;
            }
            std::string_view line = m_pending;
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            answerLine(line, state, out);
            m_pending.clear();
            continue;
        }
        if (m_discarding)
            continue;
        m_pending.push_back(c);
        // One byte more than the limit is allowed when it is the CR of a CR LF.
        const bool overlong = m_pending.size() > kMaxLineLength + 1 ||
                              (m_pending.size() == kMaxLineLength + 1 && c != '\r');
        if (overlong) {
            // Answered at once, so that a client sending an endless line hears why nothing else
            // is answered until its end.
            const std::string reply = errorRecord(RotctlError::ProtocolError) + "\n";
            out.refusals.push_back({m_pending.substr(0, kMaxLineLength), reply});
            out.reply += reply;
            m_pending.clear();
            m_discarding = true;
        }
    }
    out.close = m_closed;
    return out;
}

void RotctlSession::answerLine(std::string_view line, const RotctlState& state, Output& out) {
    RotctlReply reply = rotctlReply(line, state);
    if (reply.error)
        out.refusals.push_back({std::string(line), reply.text});
    out.reply += reply.text;
    if (reply.quit)
        m_closed = true;
    if (reply.target)
        out.targets.push_back(*reply.target);
}

} // namespace torven
