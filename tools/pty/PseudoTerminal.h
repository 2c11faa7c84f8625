#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace torven::sim {

// The controller's end of a serial line: a pseudo-terminal whose slave side is the device a
// listener opens. Our own slave descriptor stays open for the whole run, so the line never hangs
// up while a listener opens and closes it, and the slave is in raw mode so bytes pass unchanged.
// System failures throw std::system_error.
class SerialPty {
public:
    SerialPty();
    ~SerialPty();
    SerialPty(const SerialPty&) = delete;
    SerialPty& operator=(const SerialPty&) = delete;

    const std::string& DeviceName() const { return deviceName_; }
    int MasterFd() const { return master_; }

    // Bytes sent but not yet read by a listener.
    std::size_t UnreadBytes() const;

    // Throws away what a listener has not read once more than `limit` bytes wait: a line with
    // nobody listening loses its bytes, and a listener that comes later must see fresh readings,
    // not a backlog. Returns how many bytes went.
    std::size_t DiscardStaleInput(std::size_t limit);

    // Reads and ignores whatever the listener sends back, so it cannot pile up.
    void DrainIncoming();

    // Writes without blocking; returns how many bytes went out (0 when the line is full).
    std::size_t Write(std::string_view bytes);

private:
    int master_ = -1;
    int slave_ = -1;
    std::string deviceName_;
};

// A symlink that names the device for as long as the object lives. An existing symlink at the
// path is replaced; anything else there is left alone and the constructor throws.
class DeviceLink {
public:
    DeviceLink(std::string path, std::string target);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

private:
    std::string path_;
    std::string target_;
};

} // namespace torven::sim
