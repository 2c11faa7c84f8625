// The reading framer under arbitrary pieces and pauses. The input is a list of steps: a step byte,
// whose top bit makes it the pause timer firing and whose low bits are milliseconds passing,
// then for a piece of text a length byte and that many bytes. Nothing is lost but the late line
// end of a reading that the pause ended, at the start of the piece right after it.
#include "Check.h"
#include "ReadingFramer.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

// A line end may stand only at a reading's end: a CR LF, an LF or a CR.
bool LineEndsOnlyAtTheEnd(std::string_view r) {
    std::string_view body = r;
    if (body.ends_with("\r\n"))
        body.remove_suffix(2);
    else if (body.ends_with('\n') || body.ends_with('\r'))
        body.remove_suffix(1);
    return body.find_first_of("\r\n") == std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using torven::ReadingFramer;
    ReadingFramer framer;
    auto now = ReadingFramer::Clock::time_point{} + std::chrono::hours(1);
    std::string sent; // what came, without the late line ends dropped
    std::string handedOn;
    // Whether the next piece may start with a late line end: the pause ended a reading, or the
    // piece before was the CR of one.
    bool lateLineEndMayCome = false;

    for (std::size_t pos = 0; pos < size;) {
        const std::uint8_t step = data[pos++];
        now += std::chrono::milliseconds(step & 0x3F);
        if (step & 0x80) {
            const auto due = framer.dueAt();
            framer.takeDue(now, [&](std::string_view r) {
                // Only text that waited its whole pause, cut nowhere but at its end.
                TORVEN_FUZZ_CHECK(due && now >= *due);
                TORVEN_FUZZ_CHECK(!r.empty() && r.size() < ReadingFramer::kCapacity);
                TORVEN_FUZZ_CHECK(LineEndsOnlyAtTheEnd(r));
                handedOn.append(r);
                lateLineEndMayCome = true;
            });
            continue;
        }
        if (pos >= size)
            break;
        const std::size_t length = std::min<std::size_t>(data[pos], size - pos - 1);
        const std::string_view piece(reinterpret_cast<const char*>(data) + pos + 1, length);
        pos += 1 + length;
        const std::size_t before = handedOn.size() + framer.waiting().size();
        framer.take(piece, now, [&](std::string_view r) {
            TORVEN_FUZZ_CHECK(!r.empty());
            TORVEN_FUZZ_CHECK(LineEndsOnlyAtTheEnd(r));
            // A reading without a line end is one cut at the receive buffer's size.
            const char last = r.back();
            TORVEN_FUZZ_CHECK(last == '\n' || last == '\r' || r.size() == ReadingFramer::kCapacity);
            handedOn.append(r);
        });
        const std::size_t dropped =
            piece.size() - (handedOn.size() + framer.waiting().size() - before);
        TORVEN_FUZZ_CHECK(dropped == 0 || lateLineEndMayCome);
        TORVEN_FUZZ_CHECK(dropped <= 2);
        TORVEN_FUZZ_CHECK(piece.substr(0, dropped).find_first_not_of("\r\n") ==
                          std::string_view::npos);
        sent.append(piece.substr(dropped));
        if (!piece.empty())
            lateLineEndMayCome = piece == "\r" && dropped == 1;
        TORVEN_FUZZ_CHECK(framer.waiting().size() < ReadingFramer::kCapacity);
        TORVEN_FUZZ_CHECK(framer.waiting().empty() == !framer.dueAt());
    }
    // Nothing else lost, doubled or reordered: what was handed on and what still waits is what
    // came.
    TORVEN_FUZZ_CHECK(handedOn + std::string(framer.waiting()) == sent);
    return 0;
}
