#include "Rotctl.h"

#include "Desktop.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace torven::e2e {

bool RotctlFound() {
    return std::string(TORVEN_ROTCTL) != "";
}

int FreeTcpPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("no free TCP port");
    close(fd);
    return ntohs(address.sin_port);
}

ClientRun Rotctl(int port, const std::string& command) {
    const std::string line =
        "timeout 20 " TORVEN_ROTCTL " -m 2 -r 127.0.0.1:" + std::to_string(port) + " " + command +
        " 2>&1; echo \"status=$?\"";
    ClientRun run;
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 256> buffer{};
    while (const std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe))
        run.out.append(buffer.data(), n);
    pclose(pipe);
    const auto status = run.out.rfind("status=");
    run.succeeded = status != std::string::npos && run.out.compare(status, 9, "status=0\n") == 0;
    run.out.erase(std::min(status, run.out.size()));
    return run;
}

std::optional<std::string> Azimuth(int port) {
    const ClientRun run = Rotctl(port, "get_pos");
    if (!run.succeeded)
        return std::nullopt;
    return run.out.substr(0, run.out.find('\n'));
}

RawClient::RawClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd_ < 0 || connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd_ >= 0)
            close(fd_);
        throw std::runtime_error("cannot connect to port " + std::to_string(port));
    }
}

RawClient::~RawClient() {
    close(fd_);
}

bool RawClient::Send(const std::string& bytes) {
    return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

std::string RawClient::Read(std::size_t size) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (got.size() < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        std::array<char, 256> buffer{};
        const ssize_t n = recv(fd_, buffer.data(), std::min(buffer.size(), size - got.size()), 0);
        if (n <= 0)
            break;
        got.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return got;
}

bool RawClient::WaitClosed() {
    return WaitFor([this] {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 0) <= 0)
            return false;
        char c = 0;
        return recv(fd_, &c, 1, MSG_DONTWAIT) <= 0;
    });
}

} // namespace torven::e2e
