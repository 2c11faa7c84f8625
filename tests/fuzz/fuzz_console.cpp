// The received-text console under arbitrary sequences of blocks. The input is one byte for the
// console's capacity, then blocks: a length byte (0 to 7) and that many bytes.
#include "Check.h"
#include "Console.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kInitialText = "Text2";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t capacity = data[0];
    std::string text(kInitialText);
    const std::size_t limit = std::max(capacity, text.size());
    std::string before;

    for (std::size_t pos = 1; pos < size;) {
        const std::size_t length = std::min<std::size_t>(data[pos] % 8, size - pos - 1);
        const std::string_view block(reinterpret_cast<const char*>(data) + pos + 1, length);
        pos += 1 + length;

        before.assign(text);
        const bool changed =
            torven::applyConsoleEdit(text, torven::consoleEditFor(block), capacity);
        TORVEN_FUZZ_CHECK(changed == (text != before));

        // Only the block's first character counts: a backspace takes one character off the end,
        // a CR or LF adds CR LF when it fits, anything else leaves the console alone.
        const int first = block.empty() ? -1 : static_cast<unsigned char>(block.front());
        if (first == 8 && !before.empty())
            TORVEN_FUZZ_CHECK(text.size() + 1 == before.size() && before.starts_with(text));
        else if ((first == 13 || first == 10) && before.size() + 2 <= capacity)
            TORVEN_FUZZ_CHECK(text.size() == before.size() + 2 && text.starts_with(before) &&
                              text.ends_with("\r\n"));
        else
            TORVEN_FUZZ_CHECK(text == before);

        TORVEN_FUZZ_CHECK(text.size() <= limit);
        // Nothing from a block ever lands in the console but line breaks.
        TORVEN_FUZZ_CHECK(text.find_first_not_of("Text2\r\n") == std::string::npos);
    }
    return 0;
}
