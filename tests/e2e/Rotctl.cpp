#include "Rotctl.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cstdio>
#include <netinet/in.h>
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

} // namespace torven::e2e
