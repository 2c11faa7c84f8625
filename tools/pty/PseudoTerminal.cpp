#include "SerialPty.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace torven::sim {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void SetFlag(int fd, int getCommand, int setCommand, int flag, const char* what) {
    const int flags = fcntl(fd, getCommand);
    if (flags < 0 || fcntl(fd, setCommand, flags | flag) < 0)
        ThrowErrno(what);
}

} // namespace

SerialPty::SerialPty() {
    char name[PATH_MAX] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) < 0)
        ThrowErrno("openpty");
    deviceName_ = name;
    try {
        termios settings{};
        if (tcgetattr(slave_, &settings) < 0)
            ThrowErrno("tcgetattr " + deviceName_);
        cfmakeraw(&settings);
        if (tcsetattr(slave_, TCSANOW, &settings) < 0)
            ThrowErrno("tcsetattr " + deviceName_);
        SetFlag(master_, F_GETFL, F_SETFL, O_NONBLOCK, "fcntl");
        SetFlag(master_, F_GETFD, F_SETFD, FD_CLOEXEC, "fcntl");
        SetFlag(slave_, F_GETFD, F_SETFD, FD_CLOEXEC, "fcntl");
    } catch (...) {
        close(master_);
        close(slave_);
        throw;
    }
}

SerialPty::~SerialPty() {
    close(master_);
    close(slave_);
}

std::size_t SerialPty::UnreadBytes() const {
    int waiting = 0;
    if (ioctl(slave_, FIONREAD, &waiting) < 0)
        ThrowErrno("FIONREAD " + deviceName_);
    return waiting > 0 ? static_cast<std::size_t>(waiting) : 0;
}

std::size_t SerialPty::DiscardStaleInput(std::size_t limit) {
    const std::size_t waiting = UnreadBytes();
    if (waiting <= limit)
        return 0;
    if (tcflush(slave_, TCIFLUSH) < 0)
        ThrowErrno("tcflush " + deviceName_);
    return waiting;
}

void SerialPty::DrainIncoming() {
    // A bounded number of reads, so that a chatty listener cannot hold up the readings.
    char buffer[1024];
    for (int reads = 0; reads < 64; ++reads) {
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        // EAGAIN: nothing more for now. Anything else (EIO while no slave is open) is no
        // reason to stop sending; the next poll tries again.
        if (n <= 0)
            return;
    }
}

std::size_t SerialPty::Write(std::string_view bytes) {
    for (;;) {
        const ssize_t n = write(master_, bytes.data(), bytes.size());
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        ThrowErrno("write " + deviceName_);
    }
}

DeviceLink::DeviceLink(std::string path, std::string target)
    : path_(std::move(path)), target_(std::move(target)) {
    struct stat existing {};
    if (lstat(path_.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode))
        throw std::runtime_error(path_ + " exists and is not a symlink; not replacing it");
    // Make the link under a temporary name and rename it into place, so a listener never finds
    // the path missing or half-made while an old link is replaced.
    const std::string temporary = path_ + ".torven-sim-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target_.c_str(), temporary.c_str()) < 0)
        ThrowErrno("symlink " + temporary);
    if (rename(temporary.c_str(), path_.c_str()) < 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw std::system_error(error, std::generic_category(), "rename to " + path_);
    }
}

DeviceLink::~DeviceLink() {
    // Remove the link only while it is still ours: another simulator may have taken the name.
    char current[PATH_MAX];
    const ssize_t n = readlink(path_.c_str(), current, sizeof current);
    if (n >= 0 && std::string_view(current, static_cast<std::size_t>(n)) == target_)
        unlink(path_.c_str());
}

} // namespace torven::sim
