#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace torven {
class PseudoTerminal;
}

namespace torven::test {

// The CPU time this process has used so far, in milliseconds (all threads).
double ProcessCpuMs();

// The resident memory of this process, in bytes.
std::int64_t ResidentBytes();

// The most resident memory this process has had since the last ResetPeakResident(), in bytes:
// memory taken and given back in between still shows.
std::int64_t PeakResidentBytes();
void ResetPeakResident();

// Serves events for `ms` milliseconds, sleeping in the event loop between them.
void ServeEventsFor(int ms);

// Writes `bytes` to the pty from another thread while this thread serves events until `done`
// says the reader took everything, or `timeoutMs` passes. A write of more than the line
// discipline holds blocks until the program reads, so it cannot run on the event loop's thread.
bool WriteWhileServing(const PseudoTerminal& pty, std::string_view bytes,
                       const std::function<bool()>& done, int timeoutMs);

} // namespace torven::test
