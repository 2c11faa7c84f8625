// torven-screenshot OUTPUT.png [TARGET]: the picture of torven for the README, taken from a real
// run. torven starts on a private X server with the simulator at a fixed reading of 256 (180
// degrees) on its port; after a click on «Связь» the first shot that shows the connection lamp
// green, Shape13 lit and the receive lamp flashing is written out. With TARGET (whole degrees,
// 0 to 360), torven serves rotctld with targets on, a client sets that target, and the shot waits
// for its mark as well.

#include "Rotctl.h"
#include "Target.h"
#include "Torven.h"

#include <QImage>

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

using namespace torven::e2e;

int main(int argc, char* argv[]) {
    std::optional<int> target;
    if (argc == 3) {
        const std::string degrees = argv[2];
        if (degrees.find_first_not_of("0123456789") == std::string::npos && !degrees.empty() &&
            degrees.size() <= 3 && std::stoi(degrees) <= 360)
            target = std::stoi(degrees);
    }
    if (argc < 2 || argc > 3 || (argc == 3 && !target)) {
        std::fprintf(stderr, "usage: torven-screenshot OUTPUT.png [TARGET 0-360]\n");
        return 2;
    }
    try {
        Desktop desktop;
        Workspace work;
        // Slow readings, so that the receive lamp's flash is a state a shot can wait for.
        Simulator sim(work, 1, {"--rate", "2", "fixed", "256"});
        const int port = target ? FreeTcpPort() : 0;
        Torven torven = target ? Torven(desktop, work,
                                        {"--rotctld", std::to_string(port), "--targets"}, "TORVEN")
                               : Torven(desktop, work);
        torven.ClickMenu(kConnect);
        std::vector<int> marked;
        if (target) {
            RawClient client(port);
            client.Send("P " + std::to_string(*target) + " 0\nq\n");
            client.WaitClosed();
            marked = {torven::targetLamp(*target)};
        }
        const Rgb receiveLampLit{0x80, 0xFF, 0x80};
        Image shot;
        const bool ready = torven.WaitForShot([&](const Image& s) {
            shot = s;
            return s.At(torven.ConnectionLampCentre()) == kGreen &&
                   torven.LitLamps(s) == std::vector<int>{13} &&
                   s.At(torven.ReceiveLampBox().Centre()) == receiveLampLit &&
                   torven.MarkedLamps(s) == marked;
        });
        if (!ready) {
            std::fprintf(stderr, "torven-screenshot: torven did not show the reading\n%s",
                         work.LogText().c_str());
            return 1;
        }
        torven.ClickMenu(kExit);
        torven.Proc().WaitExit(kPatience);

        const Rect area = shot.Area();
        QImage image(area.w, area.h, QImage::Format_RGB32);
        for (int y = 0; y < area.h; ++y) {
            for (int x = 0; x < area.w; ++x) {
                const Rgb c = shot.At({area.x + x, area.y + y});
                image.setPixel(x, y, qRgb(c.r, c.g, c.b));
            }
        }
        if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
            std::fprintf(stderr, "torven-screenshot: cannot write %s\n", argv[1]);
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "torven-screenshot: %s\n", e.what());
        return 1;
    }
    return 0;
}
