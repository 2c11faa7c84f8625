// The built torven following a remote rotctld with --follow, read from the screen: a bridge (torven
// serving the simulator's bearing) lost and found again without a click, and Hamlib's own rotctld
// with its dummy rotator turning.

#include "Rotctl.h"
#include "Torven.h"

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace torven::e2e {
namespace {

class Following : public ::testing::Test {
protected:
    void TearDown() override {
        if (HasFailure())
            std::cerr << "Output of the programs:\n" << work.LogText();
    }

    bool LampShows(Torven& torven, Rgb colour, milliseconds limit = kPatience) {
        return WaitFor([&] { return torven.Shot().At(torven.ConnectionLampCentre()) == colour; },
                       limit);
    }
    bool ShowsLamps(Torven& torven, const std::vector<int>& lamps) {
        return torven.WaitForShot([&](const Image& s) { return torven.LitLamps(s) == lamps; });
    }
    static std::string Loopback(int port) { return "127.0.0.1:" + std::to_string(port); }

    Desktop desktop;
    Workspace work;
};

TEST_F(Following, ABridgeLostAndBackIsFollowedAgainWithoutAClick) {
    const int port = FreeTcpPort();
    std::optional<Simulator> sim(std::in_place, work, 1, std::vector<std::string>{"fixed", "256"});
    std::optional<Bridge> bridge(std::in_place, desktop, work, port);
    Torven follower(desktop, work, {"--follow", Loopback(port)}, "TORVEN");
    follower.ClickMenu(kConnect);
    ASSERT_TRUE(LampShows(follower, kGreen));
    ASSERT_TRUE(ShowsLamps(follower, {13})) << "0256 is 180 degrees";

    bridge.reset();
    ASSERT_TRUE(LampShows(follower, kRed)) << "the bridge is gone, the lamp still green";
    EXPECT_EQ(follower.LitLamps(follower.Shot()), std::vector<int>{13}) << "the last bearing stays";

    sim.emplace(work, 1, std::vector<std::string>{"fixed", "128"}); // 90 degrees
    bridge.emplace(desktop, work, port);
    EXPECT_TRUE(LampShows(follower, kGreen, milliseconds(5000))) << "not back within 5 s";
    EXPECT_TRUE(ShowsLamps(follower, {7}));
    follower.ClickMenu(kExit);
    EXPECT_EQ(follower.Proc().WaitExit(kPatience), 0);
}

// Hamlib's dummy rotator starts at 0 and turns about 6 degrees a second toward a target set with
// rotctl; the follower's lamps walk along, and what it serves is what it shows.
TEST_F(Following, HamlibsDummyRotatorWalksTheLampsToEastAndBackToNorth) {
    ASSERT_TRUE(RotctlFound()) << "Hamlib is missing: scripts/bootstrap installs libhamlib-utils";
    const int hamlib = FreeTcpPort();
    const int served = FreeTcpPort();
    Process rotctld({TORVEN_ROTCTLD, "-m", "1", "-T", "127.0.0.1", "-t", std::to_string(hamlib)},
                    EnvironmentWithout({}), work.Log());
    Torven follower(desktop, work,
                    {"--follow", Loopback(hamlib), "--rotctld", std::to_string(served)}, "TORVEN");
    follower.ClickMenu(kConnect);
    ASSERT_TRUE(LampShows(follower, kGreen));
    ASSERT_TRUE(ShowsLamps(follower, {1})) << "the dummy's 0 is north";

    const ClientRun east = Rotctl(hamlib, "set_pos 90 0");
    ASSERT_TRUE(east.succeeded) << east.out;
    // Each lamp alone, in turn (a shot taken while a step is drawn may show two).
    std::vector<int> walk{1};
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto lit = follower.LitLamps(follower.Shot());
            if (lit.size() == 1 && lit[0] != walk.back())
                walk.push_back(lit[0]);
            return lit == std::vector<int>{7};
        },
        milliseconds(40000)));
    EXPECT_EQ(walk, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_TRUE(WaitFor([&] { return Azimuth(served) == "90.00"; }));

    const ClientRun north = Rotctl(hamlib, "set_pos 0 0");
    ASSERT_TRUE(north.succeeded) << north.out;
    EXPECT_TRUE(WaitFor([&] { return follower.LitLamps(follower.Shot()) == std::vector<int>{1}; },
                        milliseconds(40000)));
    EXPECT_TRUE(WaitFor([&] { return Azimuth(served) == "360.00"; })) << "north reads 360";
}

} // namespace
} // namespace torven::e2e
