// A line that never rests: readings for the middle of each sector in turn, written to a pty as
// fast as the reader takes them. Unlike the simulator it never throws unread bytes away; a full
// line simply holds the writer until the reader catches up.
//   line_feeder LINK              (makes LINK a symlink to the line; runs until SIGTERM or SIGINT)
//   line_feeder LINK line-ends    line ends instead of readings: 20,000 LFs, which fill the
//                                 received-text console to its limit, then backspaces and CRs
//                                 ("\b\r\b\r\r" over and over) that keep it full and changing
#include "PseudoTerminal.h"
#include "Readings.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const char* g_link = nullptr;

// A writer held by a full line is ended from here: remove the link and go.
void Stop(int) {
    unlink(g_link);
    _exit(0);
}

} // namespace

int main(int argc, char* argv[]) {
    const bool lineEnds = argc == 3 && std::string(argv[2]) == "line-ends";
    if (argc != 2 && !lineEnds) {
        std::fprintf(stderr, "usage: line_feeder LINK [line-ends]\n");
        return 2;
    }
    g_link = argv[1];
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    try {
        torven::PseudoTerminal pty;
        pty.LinkAs(argv[1]);
        std::printf("line_feeder: serving %s as %s\n", pty.SlavePath().c_str(), argv[1]);
        std::fflush(stdout);
        std::string turn;
        if (lineEnds) {
            pty.Write(std::string(20000, '\n'));
            // Each "\b\r" takes a character off the console, each lone "\r" adds CR LF.
            for (int i = 0; i < 1000; ++i)
                turn += "\b\r\b\r\r";
        } else {
            // 24 readings in one write, each lighting the next lamp: 0000 is skipped, 0512 is
            // north.
            for (int sector = 1; sector <= torven::sim::kSectorCount; ++sector)
                turn += torven::sim::formatReading(torven::sim::stepsReading(sector)) + "\r\n";
        }
        for (;;)
            pty.Write(turn);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "line_feeder: %s\n", e.what());
        return 1;
    }
}
