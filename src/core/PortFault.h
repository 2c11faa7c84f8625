#pragma once

#include <optional>
#include <string>
#include <utility>

namespace torven {

// Why the port could not be opened, kept open or set up, as the status line's tooltip explains
// it. The serial line only classifies what went wrong and passes on the system's words;
// the wording, and what the user can do about it, are chosen here.
struct PortFault {
    enum class Kind {
        NoDevice,         // the port number reaches no device at all
        DeviceMissing,    // it names a device that is not there (an unplugged adapter)
        PermissionDenied, // the user may not open the device
        Busy,             // another program holds the device
        Vanished,         // the open port's device went away or failed
        SettingsInvalid,  // the line settings text cannot be read
        SettingsRefused,  // the device does not take the line settings
        Unsupported,      // no serial line (a file, a folder, another kind of device), or one that
                          // cannot take the line settings: nothing that passes by itself
        Other,
    };

    // Busy: whether the program named in the lock file still runs.
    enum class Holder {
        Unknown, // no program named, or one on another computer
        Running,
        Gone, // the lock outlived its program: nothing holds the device but the file
    };

    PortFault() = default;
    PortFault(Kind kind, int port, std::string systemWords = {})
        : kind(kind), port(port), systemWords(std::move(systemWords)) {}

    Kind kind = Kind::Other;
    int port = 0;            // the port number; 0 for a device named by its path
    std::string device;      // the device tried, when one was reached
    std::string settings;    // the line settings text, for the two settings faults
    std::string lockFile;    // Busy: the lock file that holds the device, when one was found
    long long lockPid = 0;   // Busy: the process named in that lock file, when it names one
    std::string lockProgram; // Busy: that process's program, when the lock file says
    Holder holder = Holder::Unknown;
    std::string lockOwner;   // Busy: the lock file's owner, when this user may not remove it
    std::string systemWords; // the system's own report, untranslated; may be empty
};

// What a port operation came to: done, or the fault that stopped it. The caller must look.
class [[nodiscard]] PortResult {
public:
    PortResult() = default; // done
    PortResult(PortFault fault) : m_fault(std::move(fault)) {}

    bool succeeded() const { return !m_fault.has_value(); }
    // Why it failed; only for a result that did not succeed.
    const PortFault& fault() const { return *m_fault; }

private:
    std::optional<PortFault> m_fault;
};

// Whose terms the advice is given in: device names, groups and folders differ. The io layer says
// which system it runs on (explainPortFault).
enum class AdvicePlatform { Posix, Windows };

// The whole explanation, in Russian: the port, what went wrong, what to do, and the system's own
// words at the end in brackets, so that they can still be looked up.
std::string portFaultText(const PortFault& fault, AdvicePlatform platform);

// What went wrong and the system's own words, without the advice, which speaks of the window's
// commands: for a log.
std::string portFaultReason(const PortFault& fault);

// Whether the fault may pass without anyone changing anything: a device that comes back, a
// program that lets go of it, a permission that the system grants a moment after the device
// appears. A line that is no serial line, or that refuses its settings, stays so.
bool faultMayPass(const PortFault& fault);

} // namespace torven
