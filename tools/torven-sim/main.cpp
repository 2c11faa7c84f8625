// torven-sim: an antenna controller on a pseudo-terminal, for trying torven without hardware.

#include "PseudoTerminal.h"
#include "SimOptions.h"
#include "Simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/signalfd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace torven::sim {
namespace {

[[noreturn]] void throwErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

int serve(const Options& options) {
    // Stop signals arrive through a descriptor, so all the work happens in the main loop.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) < 0)
        throwErrno("sigprocmask");
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK);
    if (signalFd < 0)
        throwErrno("signalfd");
    std::signal(SIGPIPE, SIG_IGN); // a closed stdout or stderr is no reason to die

    int scriptFd = -1;
    if (options.pattern == Pattern::Script) {
        if (options.scriptPath.empty() || options.scriptPath == "-") {
            scriptFd = STDIN_FILENO;
        } else {
            scriptFd = open(options.scriptPath.c_str(), O_RDONLY | O_CLOEXEC);
            if (scriptFd < 0)
                throwErrno(options.scriptPath);
        }
    }

    PseudoTerminal pty;
    std::unique_ptr<DeviceLink> link;
    if (!options.linkPath.empty())
        link = std::make_unique<DeviceLink>(options.linkPath, pty.SlavePath(), options.force);

    std::printf("torven-sim: serving %s%s%s\n", pty.SlavePath().c_str(),
                options.linkPath.empty() ? "" : " as ", options.linkPath.c_str());
    std::fflush(stdout);

    Simulator(options, pty, signalFd, scriptFd).run();
    return 0;
}

} // namespace
} // namespace torven::sim

int main(int argc, char** argv) {
    using namespace torven::sim;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = parseArguments(args);
    if (!parsed.options) {
        std::fprintf(stderr, "torven-sim: %s\nTry 'torven-sim --help'.\n", parsed.error.c_str());
        return 2;
    }
    if (parsed.options->help) {
        std::fputs(usageText().data(), stdout);
        return 0;
    }
    try {
        return serve(*parsed.options);
    } catch (const ScriptError& e) {
        std::fprintf(stderr, "torven-sim: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torven-sim: %s\n", e.what());
        return 1;
    }
}
