#include "Pty.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace torven::test {

Pty::Pty() {
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    m_slavePath = name;
    // Raw mode: the line discipline must pass bytes through unchanged (no echo, no CR/LF mapping)
    // even before the program under test opens the port and sets its own mode.
    termios mode{};
    tcgetattr(m_slave, &mode);
    cfmakeraw(&mode);
    tcsetattr(m_slave, TCSANOW, &mode);
}

Pty::~Pty() {
    if (m_master >= 0)
        close(m_master);
    if (m_slave >= 0)
        close(m_slave);
}

void Pty::LinkAs(const std::string& path) const {
    unlink(path.c_str());
    if (symlink(m_slavePath.c_str(), path.c_str()) != 0)
        throw std::runtime_error("symlink " + path + ": " + std::strerror(errno));
}

void Pty::Write(std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t n = write(m_master, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void Pty::CloseMaster() {
    if (m_slave >= 0) {
        close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
}

} // namespace torven::test
