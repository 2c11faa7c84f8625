#pragma once

#include <string>
#include <string_view>

namespace torven::test {

// A pseudo-terminal that plays the controller: tests write to its master side, and torven opens
// the slave side as its serial port, usually through a comN link.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& SlavePath() const { return m_slavePath; }

    // Creates a symbolic link at `path` to the slave device.
    void LinkAs(const std::string& path) const;

    // Writes `bytes` in one write to the master side.
    void Write(std::string_view bytes) const;

    // Closes the controller's side, as when an adapter is pulled out: the line hangs up.
    void CloseMaster();

    int MasterFd() const { return m_master; }

private:
    int m_master = -1;
    int m_slave = -1; // held open by the test so that the line never hangs up by itself
    std::string m_slavePath;
};

} // namespace torven::test
