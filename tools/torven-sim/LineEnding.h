#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torven::sim {

// What follows each reading on the line.
enum class LineEnding { CrLf, Cr, Lf, None };

// "crlf", "cr", "lf" or "none"; nothing for any other word.
std::optional<LineEnding> parseLineEnding(std::string_view word);

std::string_view lineEndingBytes(LineEnding ending);

// The writes that put one reading on the line: the payload and its line ending as a single
// write, or, when `split` is set, the first two bytes and then the rest, so that a receiver sees
// the reading arrive in two blocks. Empty pieces are left out.
std::vector<std::string> readingWrites(std::string_view payload, LineEnding ending, bool split);

// Cuts script input into lines as it arrives. A line ends at "\n"; a "\r" just before it belongs
// to the file's own line ending (a script saved with CRLF endings) and is dropped as well.
class LineSplitter {
public:
    void append(std::string_view chunk) { m_pending.append(chunk); }

    // The next complete line, without its ending; nothing until one has fully arrived.
    std::optional<std::string> nextLine();

    // At the end of input: the last line when it had no ending of its own.
    std::optional<std::string> rest();

private:
    std::string m_pending;
};

} // namespace torven::sim
