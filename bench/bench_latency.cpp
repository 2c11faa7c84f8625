// Serial-to-screen latency inside one process: a pty plays the controller and writes one reading
// at a time at a steady rate; the time from the write until the main window's readout and lamps
// show that reading. A controller sends tens of readings a second: at the default rate each one
// arrives after a quiet spell longer than a frame, which the window shows at once (readings that
// come faster than frames are shown at the next frame). Beside it, in the same run, the floor: the
// time from a write until a bare QSerialPort reports readyRead.
//
// With --follow, the latency of a window following another over rotctld instead: from the write
// at the bridge's line until the follower shows the reading (see Follow below).
//
// Prints one line per figure: "RESULT <name> <median us> <p99 us> <max us> <count> <missed>".
// With --listen DEVICE SECONDS it only reads DEVICE through a bare QSerialPort: the floor of what
// taking a flood costs.
#include "BearingDecoding.h"
#include "Fonts.h"
#include "Lamp.h"
#include "MainWindow.h"
#include "ObjectNames.h"
#include "PortSettingsFile.h"
#include "PseudoTerminal.h"
#include "Readings.h"
#include "RotatorService.h"
#include "RotctlFollower.h"
#include "SerialLine.h"
#include "Utf8.h"
#include "WindowElements.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QStyleFactory>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace names = torven::object_names::main_window;
using Pty = torven::PseudoTerminal;

struct Reading {
    std::string bytes; // what the controller sends
    QString readout;   // what the readout then shows
    int lamp = 0;      // the lamp then lit
};

// One reading for the middle of each sector in turn, so that every reading changes both the
// readout and the lit lamp.
std::vector<Reading> SectorReadings() {
    std::vector<Reading> readings;
    for (int sector = 1; sector <= torven::sim::kSectorCount; ++sector) {
        const std::string text = torven::sim::formatReading(torven::sim::stepsReading(sector));
        const auto decoded = torven::decodeReading(text);
        if (decoded.litLamp != sector) {
            std::fprintf(stderr, "bench_latency: %s lights lamp %d, not %d\n", text.c_str(),
                         decoded.litLamp, sector);
            std::exit(1);
        }
        readings.push_back({text + "\r\n", torven::toQString(decoded.readout), decoded.litLamp});
    }
    return readings;
}

struct Samples {
    std::vector<double> micros;
    int missed = 0; // ticks skipped because the previous reading had not arrived yet
};

// Writes `count` readings at `rate` a second, each once the previous one has arrived, and times
// each from its write until the caller's hook calls arrived(). Serves events until all are done.
// With `jitterMs`, each wait between two writes is longer by a random 0 to `jitterMs`.
class Run {
public:
    Run(const Pty& pty, std::vector<Reading> readings, int count, int rate, int jitterMs = 0)
        : m_pty(pty), m_readings(std::move(readings)), m_count(count),
          m_interval(std::max(1, 1000 / rate)), m_jitter(jitterMs) {
        m_samples.micros.reserve(static_cast<std::size_t>(count));
        m_tick.setTimerType(Qt::PreciseTimer);
        m_tick.setInterval(m_interval);
        QObject::connect(&m_tick, &QTimer::timeout, [this] { Tick(); });
        // A reading lost on the way would stall the run: give up after a generous deadline.
        m_deadline.setSingleShot(true);
        m_deadline.setInterval(count * (m_tick.interval() + jitterMs) * 4 + 10000);
        QObject::connect(&m_deadline, &QTimer::timeout, [] {
            std::fprintf(stderr, "bench_latency: readings stopped arriving\n");
            QCoreApplication::exit(1);
        });
    }

    const Reading& Current() const { return m_readings[m_sent % m_readings.size()]; }
    bool Waiting() const { return m_waiting; }

    // The hook calls this once the current reading shows.
    void arrived() {
        if (!m_waiting)
            return;
        m_samples.micros.push_back(static_cast<double>(m_clock.nsecsElapsed()) / 1000.0);
        m_waiting = false;
        ++m_sent;
        if (static_cast<int>(m_samples.micros.size()) == m_count) {
            m_tick.stop();
            QCoreApplication::exit(0);
        }
    }

    Samples Go() {
        m_tick.start();
        m_deadline.start();
        if (QCoreApplication::exec() != 0)
            std::exit(1);
        return m_samples;
    }

private:
    void Tick() {
        if (m_jitter > 0)
            m_tick.setInterval(m_interval + QRandomGenerator::global()->bounded(m_jitter));
        if (m_waiting) {
            ++m_samples.missed;
            return;
        }
        m_waiting = true;
        m_clock.start();
        m_pty.Write(Current().bytes);
    }

    const Pty& m_pty;
    std::vector<Reading> m_readings;
    int m_count;
    int m_interval;
    int m_jitter;
    std::size_t m_sent = 0;
    bool m_waiting = false;
    QTimer m_tick;
    QTimer m_deadline;
    QElapsedTimer m_clock;
    Samples m_samples;
};

void Report(const char* name, Samples samples) {
    auto& v = samples.micros;
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) {
        const auto i = static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5);
        return v[std::min(i, v.size() - 1)];
    };
    std::printf("RESULT %s %.1f %.1f %.1f %zu %d\n", name, at(0.5), at(0.99), v.back(), v.size(),
                samples.missed);
    std::fflush(stdout);
}

Samples Floor(int count, int rate) {
    Pty pty;
    QSerialPort port;
    port.setPortName(QString::fromStdString(pty.SlavePath()));
    if (!port.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_latency: %s\n", qPrintable(port.errorString()));
        std::exit(1);
    }
    Run run(pty, SectorReadings(), count, rate);
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        // Count a reading once all of it is there, as the window would need it.
        if (port.bytesAvailable() >= static_cast<qint64>(run.Current().bytes.size())) {
            port.readAll();
            run.arrived();
        }
    });
    return run.Go();
}

// A check to run after the window's own handler: once the window's readout and all 24 lamps show
// the reading the run waits for (not what the handler meant to show), that reading has arrived.
std::function<void()> whenShown(QWidget& form, Run& run) {
    auto* readout = form.findChild<QLineEdit*>(torven::nameOf(names::kReadout));
    std::vector<torven::Lamp*> lamps;
    for (int k = 1; k <= 24; ++k)
        lamps.push_back(form.findChild<torven::Lamp*>(torven::toQString(names::sectorLamp(k))));
    return [readout, lamps, &run] {
        static const QColor lit(0xFF, 0x00, 0xFF);
        if (!run.Waiting())
            return;
        const Reading& r = run.Current();
        if (readout->text() != r.readout)
            return;
        for (int k = 1; k <= 24; ++k) {
            if ((lamps[static_cast<std::size_t>(k - 1)]->backColor() == lit) != (k == r.lamp))
                return;
        }
        run.arrived();
    };
}

// The window alone, or sharing its bearing with a rotctld client that polls it as a tracker does
// (a "p" every 250 ms on one connection kept open).
Samples Window(int count, int rate, bool shareBearing = false) {
    QTemporaryDir dir;
    if (!dir.isValid())
        std::exit(1);
    torven::MainWindow form(
        torven::PortSettingsFile(dir.path(), dir.path() + QStringLiteral("/user")));
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.centreOnScreen();
    form.show();

    torven::RotatorService service;
    QTcpSocket tracker;
    QTimer poll;
    if (shareBearing) {
        if (!service.listen(QHostAddress(QHostAddress::LocalHost), 0)) {
            std::fprintf(stderr, "bench_latency: %s\n", qPrintable(service.failureReason()));
            std::exit(1);
        }
        form.shareBearingWith(&service);
        tracker.connectToHost(QHostAddress(QHostAddress::LocalHost), service.serverPort());
        QObject::connect(&tracker, &QTcpSocket::readyRead, [&] { tracker.readAll(); });
        QObject::connect(&poll, &QTimer::timeout, [&] { tracker.write("p\n"); });
        poll.start(250);
    }

    Pty pty;
    pty.LinkAs((dir.path() + QStringLiteral("/com1")).toStdString());
    form.toggleConnection();
    if (!form.isPortOpen()) {
        std::fprintf(stderr, "bench_latency: the window did not connect\n");
        std::exit(1);
    }

    auto* readout = form.findChild<QLineEdit*>(torven::nameOf(names::kReadout));

    Run run(pty, SectorReadings(), count, rate);
    // Connected after the window's own handler, so it runs right after the window has taken the
    // block; it looks at what the window shows, not at what the handler meant to do.
    const auto shows = whenShown(form, run);
    QObject::connect(&form.serialLine(), &torven::SerialLine::blockReceived, shows);
    // A reading that comes while a paint waits for its frame reaches the readout at that frame.
    QObject::connect(readout, &QLineEdit::textChanged, shows);
    return run.Go();
}

// A reading's way from a controller's line through a bridge to a window following it: the bridge
// is a window reading the pty and sharing its bearing over rotctld, the follower a window following
// that service, both in this process. The time runs from the write at the bridge's line until the
// follower's readout and lamps show the reading. The follower asks every 250 ms, so the readings
// come 250 to 500 ms apart, at random moments of its poll.
Samples Follow(int count) {
    QTemporaryDir dir;
    if (!dir.isValid())
        std::exit(1);
    torven::MainWindow bridge(
        torven::PortSettingsFile(dir.path(), dir.path() + QStringLiteral("/user")));
    bridge.setAttribute(Qt::WA_DeleteOnClose, false);
    torven::RotatorService service;
    if (!service.listen(QHostAddress(QHostAddress::LocalHost), 0)) {
        std::fprintf(stderr, "bench_latency: %s\n", qPrintable(service.failureReason()));
        std::exit(1);
    }
    bridge.shareBearingWith(&service);
    Pty pty;
    pty.LinkAs((dir.path() + QStringLiteral("/com1")).toStdString());
    bridge.toggleConnection();
    if (!bridge.isPortOpen()) {
        std::fprintf(stderr, "bench_latency: the bridge did not connect\n");
        std::exit(1);
    }

    torven::MainWindowOptions options;
    options.follow = torven::RemoteAddress{"127.0.0.1", service.serverPort()};
    torven::MainWindow form(
        torven::PortSettingsFile(dir.path(), dir.path() + QStringLiteral("/user")), options);
    form.setAttribute(Qt::WA_DeleteOnClose, false);
    form.centreOnScreen();
    form.show();
    form.toggleConnection();

    auto* readout = form.findChild<QLineEdit*>(torven::nameOf(names::kReadout));

    Run run(pty, SectorReadings(), count, 4, 250);
    const auto shows = whenShown(form, run);
    // After the window's own handler, as in Window().
    QObject::connect(form.findChild<torven::RotctlFollower*>(),
                     &torven::RotctlFollower::azimuthReceived, shows);
    QObject::connect(readout, &QLineEdit::textChanged, shows);
    return run.Go();
}

// The floor of the flood cost: a bare QSerialPort that takes everything on `device` and does
// nothing with it, for `seconds`.
int Listen(const QString& device, int seconds) {
    QSerialPort port;
    port.setPortName(device);
    if (!port.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_latency: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    QObject::connect(&port, &QSerialPort::readyRead, [&] { port.readAll(); });
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::exit(0); });
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(torven::defaultFont());

    if (argc == 4 && std::string(argv[1]) == "--listen")
        return Listen(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));

    if (argc >= 2 && std::string(argv[1]) == "--follow") {
        const int count = argc == 4 ? std::max(1, std::atoi(argv[3])) : 100;
        Report("follow", Follow(count));
        return 0;
    }

    int count = 400;
    int rate = 40;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--count")
            count = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--rate")
            rate = std::clamp(std::atoi(argv[i + 1]), 1, 1000);
    }

    // A few readings first, so that neither figure pays for first-time set-up.
    Floor(50, rate);
    Report("floor", Floor(count, rate));
    Window(50, rate);
    Report("window", Window(count, rate));
    Report("window_service", Window(count, rate, true));
    return 0;
}
