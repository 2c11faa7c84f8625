#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torven {

// The controller's end of a serial line: a pseudo-terminal whose slave side is the device a
// listener (torven, or a test's port) opens. Used by the simulator, the tests and the benchmarks.
//
// Our own slave descriptor stays open for the object's life, so the line never hangs up while a
// listener opens and closes it; the slave is in raw mode so bytes pass unchanged even before the
// listener sets its own mode. Both descriptors are close-on-exec, so a program started meanwhile
// does not hold the line open. System failures throw std::system_error.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The device a listener opens.
    const std::string& SlavePath() const { return m_slavePath; }
    // The controller's side; it does not block (-1 once CloseMaster() has run).
    int MasterFd() const { return m_master; }

    // Makes `path` a symbolic link to the slave device, replacing whatever link or file is there.
    void LinkAs(const std::string& path) const;

    // Writes all of `bytes`, waiting for room while the line is full.
    void Write(std::string_view bytes) const;

    // Writes what fits without waiting; returns how many bytes went out (0 when the line is full).
    std::size_t WriteSome(std::string_view bytes) const;

    // Bytes sent but not yet read by a listener.
    std::size_t UnreadBytes() const;

    // Throws away what a listener has not read once more than `limit` bytes wait: a line with
    // nobody listening loses its bytes, and a listener that comes later must see fresh readings,
    // not a backlog. Returns how many bytes went.
    std::size_t DiscardStaleInput(std::size_t limit) const;

    // Reads and ignores whatever the listener sends back, so it cannot pile up.
    void DrainIncoming() const;

    // Closes the controller's side, as when an adapter is pulled out: the line hangs up.
    void CloseMaster();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// A symlink that names a device for as long as the object lives. A symlink already at the path is
// replaced when it names a pseudo-terminal that is gone or is the device itself (one a simulator
// left behind), and any symlink when `takeOver`; anything else there is left alone and the
// constructor throws. A replaced symlink that named no pseudo-terminal (someone's own, such as an
// unplugged adapter's) is put back as it was when the object goes.
class DeviceLink {
public:
    DeviceLink(std::string path, std::string target, bool takeOver = false);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    std::string m_path;
    std::string m_target;
    std::string m_restore; // what the path named before, when that is to be put back
};

} // namespace torven
