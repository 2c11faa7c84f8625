#include "EndSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace torven {

#ifdef Q_OS_UNIX

namespace {

constexpr std::array kEndSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe's two ends: the handler writes to [1], the event loop reads [0]. One pipe serves the
// whole process, as the handlers do.
int signalPipe[2] = {-1, -1};
std::array<struct sigaction, kEndSignals.size()> previousActions{};
std::array<bool, kEndSignals.size()> installedHandlers{};

extern "C" void writeSignalToPipe(int signal) {
    // Only async-signal-safe calls here; errno belongs to the code that was interrupted.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a request to end: one more adds nothing.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

EndSignals::EndSignals(QObject* parent) : QObject(parent) {
    if (signalPipe[0] >= 0)
        return; // another instance owns the signals already
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &EndSignals::readPipe);

    struct sigaction action {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
        struct sigaction previous {};
        if (::sigaction(kEndSignals[i], nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        installedHandlers[i] = ::sigaction(kEndSignals[i], &action, &previousActions[i]) == 0;
    }
}

EndSignals::~EndSignals() {
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < kEndSignals.size(); ++i) {
        if (installedHandlers[i])
            ::sigaction(kEndSignals[i], &previousActions[i], nullptr);
        installedHandlers[i] = false;
    }
    delete m_notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void EndSignals::readPipe() {
    unsigned char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1)
        emit arrived(byte);
}

#else

EndSignals::EndSignals(QObject* parent) : QObject(parent) {}

EndSignals::~EndSignals() = default;

void EndSignals::readPipe() {}

#endif

} // namespace torven
