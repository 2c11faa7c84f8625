// A hostile far end for a window that follows a rotctld, for the benchmarks:
//   far_end PORT MODE
//       listens on 127.0.0.1:PORT and, to each connection in turn (a newcomer replaces the one
//       before), sends as fast as the connection takes it, until it closes:
//         lines    "junk\n" over and over: every question is answered with junk, and the rest
//                  arrives unasked
//         endless  '7' over and over, never a line end: a line that never ends
//       Runs until killed.
#include "Loopback.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    const int fd = torven::loopback::listenOn(port);
    if (fd < 0)
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
