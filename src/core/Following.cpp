#include "Following.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace torven {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<int> portNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    int port = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// A host as typed: printable, no blanks, no brackets.
bool plausibleHost(std::string_view host) {
    return !host.empty() && std::none_of(host.begin(), host.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u <= ' ' || u == 0x7F || c == '[' || c == ']' || c == '/';
    });
}

constexpr std::size_t kShownAnswerLength = 64;

// The far end's text for the tooltip: control bytes as \xNN, at most kShownAnswerLength bytes of
// it (never cutting a UTF-8 character in two), then "…".
std::string shownAnswer(std::string_view text) {
    bool cut = false;
    if (text.size() > kShownAnswerLength) {
        std::size_t end = kShownAnswerLength;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        text = text.substr(0, end);
        cut = true;
    }
    std::string shown;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", u);
            shown += escape;
        } else {
            shown += c;
        }
    }
    return cut ? shown + "…" : shown;
}

std::string seconds(std::chrono::milliseconds interval) {
    return std::to_string(interval.count() / 1000) + " с";
}

} // namespace

std::optional<RemoteAddress> parseRemoteAddress(std::string_view text) {
    std::string_view host;
    std::string_view port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos || text.substr(close + 1, 1) != ":")
            return std::nullopt;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        if (host.find(':') == std::string_view::npos)
            return std::nullopt; // brackets are for IPv6 addresses
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return std::nullopt; // an IPv6 address needs its brackets to be told from the port
    }
    const auto number = portNumber(port);
    if (!number || !plausibleHost(host))
        return std::nullopt;
    return RemoteAddress{std::string(host), *number};
}

std::string remoteAddressText(const RemoteAddress& address) {
    // Appended piece by piece, as GCC 12 at -O3 warns of "[" + std::string(…) (-Wrestrict).
    const bool ipv6 = address.host.find(':') != std::string::npos;
    std::string text;
    if (ipv6)
        text += '[';
    text += address.host;
    if (ipv6)
        text += ']';
    text += ':';
    text += std::to_string(address.port);
    return text;
}

std::optional<double> parseAzimuth(std::string_view line) {
    line = trimmed(line);
    // Longer than any degrees with a fraction a server would print.
    if (line.empty() || line.size() > 32)
        return std::nullopt;
    // from_chars takes no plus sign.
    const bool plus = line.front() == '+';
    if (plus)
        line.remove_prefix(1);
    std::string number(line);
    std::size_t i = !plus && !number.empty() && number[0] == '-' ? 1 : 0;
    const std::size_t intStart = i;
    while (i < number.size() && isDigit(number[i]))
        ++i;
    if (i == intStart)
        return std::nullopt; // no digit before the mark
    if (i < number.size()) {
        if (number[i] != '.' && number[i] != ',')
            return std::nullopt;
        number[i] = '.';
        const std::size_t fracStart = ++i;
        while (i < number.size() && isDigit(number[i]))
            ++i;
        if (i == fracStart || i != number.size())
            return std::nullopt; // a mark with no digits after it, or more text
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    if (value < -360.0 || value > 720.0)
        return std::nullopt;
    return value;
}

PositionAnswerReader::Step PositionAnswerReader::take(std::string_view bytes) {
    Step step;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (m_line.size() + piece.size() > kMaxLineLength) {
            clear();
            step.kind = Step::Kind::Overlong;
            return step;
        }
        m_line.append(piece);
        if (end == std::string_view::npos)
            return step;
        bytes.remove_prefix(end + 1);
        std::string line = std::move(m_line);
        m_line.clear();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (m_azimuthLine) {
            // The elevation line: the answer is whole. Whatever came after it was not asked for.
            step.kind = Step::Kind::Answered;
            step.answer = std::move(*m_azimuthLine);
            clear();
            return step;
        }
        PositionAnswer answer;
        answer.azimuth = line.starts_with("RPRT") ? std::nullopt : parseAzimuth(line);
        answer.firstLine = std::move(line);
        if (answer.azimuth) {
            m_azimuthLine = std::move(answer);
            continue;
        }
        step.kind = Step::Kind::Answered;
        step.answer = std::move(answer);
        clear();
        return step;
    }
    return step;
}

void PositionAnswerReader::clear() {
    m_line.clear();
    m_azimuthLine.reset();
}

std::string followFaultText(const FollowFault& f) {
    using Kind = FollowFault::Kind;
    const std::string where = "rotctld на " + remoteAddressText(f.address);
    std::string text;
    switch (f.kind) {
    case Kind::Refused:
        text = "Нет связи с " + where +
               ": там никто не слушает. Запустите на том компьютере torven --rotctld " +
               std::to_string(f.address.port) +
               " (или rotctld) либо проверьте адрес и порт в "
               "--follow.";
        break;
    case Kind::HostNotFound:
        text = "Нет связи с " + where + ": имя «" + f.address.host +
               "» не найдено. Проверьте адрес в --follow.";
        break;
    case Kind::NoConnection:
        text = "Нет связи с " + where +
               ": компьютер не отвечает. Проверьте, что он включён и доступен по сети.";
        break;
    case Kind::NoAnswer:
        text = where + " не ответил на запрос положения за " + seconds(kFollowAnswerLimit) + ".";
        break;
    case Kind::Closed:
        text = where + " закрыл соединение.";
        break;
    case Kind::Overlong:
        text = where + " прислал строку длиннее " +
               std::to_string(PositionAnswerReader::kMaxLineLength) +
               " байт: это не ответ rotctld. Соединение закрыто.";
        break;
    case Kind::Unasked:
        text = where + " присылает данные, о которых его не спрашивали: это не rotctld. "
                       "Соединение закрыто.";
        break;
    case Kind::Other:
        text = "Нет связи с " + where + ".";
        break;
    }
    text += " torven пробует снова каждые " + seconds(kFollowRetryInterval) + ".";
    if (!f.systemWords.empty())
        text += " (" + f.systemWords + ")";
    return text;
}

std::string noAzimuthText(const RemoteAddress& address, std::string_view answered) {
    const std::string what = "«" + shownAnswer(answered) + "»";
    const std::string where = "rotctld на " + remoteAddressText(address);
    if (answered.starts_with("RPRT"))
        return "Нет азимута: " + where + " ответил ошибкой " + what +
               ": у него самого нет положения антенны. Показано последнее известное направление.";
    return "Нет азимута: " + where + " ответил " + what +
           ", а это не азимут от −360 до 720 градусов. Показано последнее известное направление.";
}

std::string followRemark(const RemoteAddress& address) {
    return "Направление берётся с rotctld на " + remoteAddressText(address) + " (--follow).";
}

std::string followInsteadOfPortText(const RemoteAddress& address) {
    return "Направление берётся не с последовательного порта, а по сети: с rotctld на " +
           remoteAddressText(address) +
           " (параметр --follow). Порт и параметры линии в этом запуске не используются. "
           "«Связь» включает и выключает слежение.";
}

} // namespace torven
