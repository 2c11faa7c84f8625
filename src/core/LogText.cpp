#include "LogText.h"

namespace torven {

namespace {

// One character read from UTF-8: its code point and how many bytes it took, or, for a byte that
// starts no well-formed character, that one byte with no code point.
struct Decoded {
    char32_t code = 0;
    std::size_t length = 1;
    bool valid = false;
};

Decoded decodeAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return static_cast<unsigned char>(text[at + i]);
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1, true};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0; // the smallest code point this length may carry: shorter is overlong
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return {};
    }
    if (at + length > text.size())
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return {};
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    return {code, length, true};
}

bool escaped(const Decoded& c) {
    return !c.valid || isControlCharacter(c.code) || c.code == 0x2028 || c.code == 0x2029;
}

void appendHex(std::string& out, unsigned value, int digits) {
    static constexpr std::string_view kDigits = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += kDigits[(value >> shift) & 0xF];
}

} // namespace

bool isControlCharacter(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool needsEscapeForLog(std::string_view utf8) {
    for (std::size_t at = 0; at < utf8.size();) {
        const Decoded c = decodeAt(utf8, at);
        if (escaped(c))
            return true;
        at += c.length;
    }
    return false;
}

std::string escapedForLog(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const Decoded c = decodeAt(utf8, at);
        if (!escaped(c)) {
            out.append(utf8.substr(at, c.length));
        } else if (!c.valid) {
            out += "\\x";
            appendHex(out, static_cast<unsigned char>(utf8[at]), 2);
        } else if (c.code == '\n') {
            out += "\\n";
        } else if (c.code == '\r') {
            out += "\\r";
        } else if (c.code == '\t') {
            out += "\\t";
        } else {
            out += "\\u";
            appendHex(out, static_cast<unsigned>(c.code), 4);
        }
        at += c.length;
    }
    return out;
}

std::string leftOutText(std::uint64_t count) {
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    return "… " + digits + (count == 1 ? " line like this left out" : " lines like these left out");
}

} // namespace torven
