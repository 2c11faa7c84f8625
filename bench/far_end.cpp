// A hostile far end for a window that follows a rotctld, for the benchmarks:
//   far_end PORT MODE
//       listens on 127.0.0.1:PORT and, to each connection in turn (a newcomer replaces the one
//       before), sends as fast as the connection takes it, until it closes:
//         lines    "junk\n" over and over: every question is answered with junk, and the rest
//                  arrives unasked
//         endless  '7' over and over, never a line end: a line that never ends
//       Runs until killed.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "far_end: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

int Listen(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 4) != 0)
        Fail("listen");
    return fd;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3 || (std::string(argv[2]) != "lines" && std::string(argv[2]) != "endless")) {
        std::fprintf(stderr, "usage: far_end PORT lines|endless\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::string piece;
    while (piece.size() < 64 * 1024)
        piece += std::string(argv[2]) == "lines" ? "junk\n" : "7777";
    const int server = Listen(std::atoi(argv[1]));
    int client = -1;
    for (;;) {
        pollfd ready[2] = {{server, POLLIN, 0}, {client, POLLOUT, 0}};
        if (poll(ready, client < 0 ? 1 : 2, -1) < 0 && errno != EINTR)
            Fail("poll");
        if (ready[0].revents & POLLIN) {
            if (client >= 0)
                close(client);
            client = accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
            continue;
        }
        if (client >= 0 && (ready[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            if (send(client, piece.data(), piece.size(), MSG_DONTWAIT) < 0 && errno != EAGAIN) {
                close(client);
                client = -1;
            }
        }
    }
}
