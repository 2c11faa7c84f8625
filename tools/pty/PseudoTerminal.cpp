#include "PseudoTerminal.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace torven {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void SetFlag(int fd, int getCommand, int setCommand, int flag) {
    const int flags = fcntl(fd, getCommand);
    if (flags < 0 || fcntl(fd, setCommand, flags | flag) < 0)
        ThrowErrno("fcntl");
}

// Makes `path` a symlink to `target` under a temporary name and renames it into place, so a
// listener never finds the path missing or half-made while an old one is replaced.
void PlaceSymlink(const std::string& target, const std::string& path) {
    const std::string temporary = path + ".torven-link-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) < 0)
        ThrowErrno("symlink " + path); // the name asked for: the temporary one is ours alone
    if (rename(temporary.c_str(), path.c_str()) < 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category(), "rename to " + path);
    }
}

// What the symlink at `path` names, as written in it.
std::string LinkTarget(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

// A simulator's own links name a pseudo-terminal; anything else is someone's (an adapter's
// by-id name, say, while it is unplugged).
bool NamesAPseudoTerminal(const std::string& target) {
    return target.starts_with("/dev/pts/");
}

} // namespace

PseudoTerminal::PseudoTerminal() {
    char name[PATH_MAX] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) < 0)
        ThrowErrno("openpty");
    m_slavePath = name;
    try {
        termios settings{};
        if (tcgetattr(m_slave, &settings) < 0)
            ThrowErrno("tcgetattr " + m_slavePath);
        cfmakeraw(&settings);
        if (tcsetattr(m_slave, TCSANOW, &settings) < 0)
            ThrowErrno("tcsetattr " + m_slavePath);
        SetFlag(m_master, F_GETFL, F_SETFL, O_NONBLOCK);
        SetFlag(m_master, F_GETFD, F_SETFD, FD_CLOEXEC);
        SetFlag(m_slave, F_GETFD, F_SETFD, FD_CLOEXEC);
    } catch (...) {
        close(m_master);
        close(m_slave);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() {
    CloseMaster();
}

void PseudoTerminal::LinkAs(const std::string& path) const {
    PlaceSymlink(m_slavePath, path);
}

void PseudoTerminal::Write(std::string_view bytes) const {
    while (!bytes.empty()) {
        bytes.remove_prefix(WriteSome(bytes));
        if (bytes.empty())
            break;
        // The line is full: wait until the listener has taken some. A hung-up line reports
        // POLLHUP or POLLERR, and the next write says why.
        pollfd room{m_master, POLLOUT, 0};
        if (poll(&room, 1, -1) < 0 && errno != EINTR)
            ThrowErrno("poll " + m_slavePath);
    }
}

std::size_t PseudoTerminal::WriteSome(std::string_view bytes) const {
    for (;;) {
        const ssize_t n = write(m_master, bytes.data(), bytes.size());
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        ThrowErrno("write " + m_slavePath);
    }
}

std::size_t PseudoTerminal::UnreadBytes() const {
    int waiting = 0;
    if (ioctl(m_slave, FIONREAD, &waiting) < 0)
        ThrowErrno("FIONREAD " + m_slavePath);
    return waiting > 0 ? static_cast<std::size_t>(waiting) : 0;
}

std::size_t PseudoTerminal::DiscardStaleInput(std::size_t limit) const {
    const std::size_t waiting = UnreadBytes();
    if (waiting <= limit)
        return 0;
    if (tcflush(m_slave, TCIFLUSH) < 0)
        ThrowErrno("tcflush " + m_slavePath);
    return waiting;
}

void PseudoTerminal::DrainIncoming() const {
    // A bounded number of reads, so that a chatty listener cannot hold up the readings.
    char buffer[1024];
    for (int reads = 0; reads < 64; ++reads) {
        const ssize_t n = read(m_master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: nothing more for now. Anything else (EIO while no slave is open) is no
        // reason to stop sending; the next poll tries again.
        if (n <= 0)
            return;
    }
}

void PseudoTerminal::CloseMaster() {
    if (m_slave >= 0) {
        close(m_slave);
        m_slave = -1;
    }
    if (m_master >= 0) {
        close(m_master);
        m_master = -1;
    }
}

DeviceLink::DeviceLink(std::string path, std::string target, bool takeOver)
    : m_path(std::move(path)), m_target(std::move(target)) {
    struct stat existing {};
    if (lstat(m_path.c_str(), &existing) != 0) {
        PlaceSymlink(m_target, m_path);
        return;
    }
    if (!S_ISLNK(existing.st_mode))
        throw std::runtime_error(m_path + " exists and is not a symlink; not replacing it");
    const std::string current = LinkTarget(m_path);
    // A link to a pseudo-terminal that is there names a line in use: another simulator's (its
    // device goes with it). Only one that dangles is left over, or one left by a simulator that
    // was killed and whose pseudo-terminal's number has since come back to us: it names our own
    // device.
    struct stat device {};
    struct stat ours {};
    const bool inUse = stat(m_path.c_str(), &device) == 0;
    const bool namesOurs = inUse && stat(m_target.c_str(), &ours) == 0 &&
                           ours.st_dev == device.st_dev && ours.st_ino == device.st_ino;
    const bool simulators = NamesAPseudoTerminal(current);
    if (!takeOver && simulators && inUse && !namesOurs)
        throw std::runtime_error(m_path + " already names " + current +
                                 ", which is there (another simulator may be serving it); "
                                 "--force takes the name over");
    if (!takeOver && !simulators)
        throw std::runtime_error(m_path + " names " + current +
                                 ", which is not a simulator's pseudo-terminal; --force replaces "
                                 "it while the simulator runs and puts it back at the end");
    if (!simulators)
        m_restore = current;
    PlaceSymlink(m_target, m_path);
}

DeviceLink::~DeviceLink() {
    // Undone only while the link is still ours: another simulator may have taken the name.
    if (LinkTarget(m_path) != m_target)
        return;
    if (m_restore.empty()) {
        unlink(m_path.c_str());
        return;
    }
    try {
        PlaceSymlink(m_restore, m_path);
    } catch (const std::system_error&) {
        // The folder refuses a new entry: the link stays ours rather than going altogether.
    }
}

} // namespace torven
