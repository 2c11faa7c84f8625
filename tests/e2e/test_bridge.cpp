// The built torven without a window (--headless), a bridge beside a controller started by hand
// with no display in its environment: Hamlib's rotctl reads the bearing across a device that goes
// away and comes back, and the end releases the line.

#include "Rotctl.h"
#include "Torven.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <regex>

namespace torven::e2e {
namespace {

class Bridge : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(RotctlFound()) << "scripts/bootstrap installs rotctl"; }
    void TearDown() override {
        if (HasFailure())
            std::cerr << "Output of the programs:\n" << work.LogText();
    }

    bool Logged(const std::string& part) const {
        return work.LogText().find(part) != std::string::npos;
    }

    Workspace work;
};

TEST_F(Bridge, ServesTheBearingAcrossALostDeviceAndEndsReleasingTheLine) {
    const int port = FreeTcpPort();
    std::optional<Simulator> sim(std::in_place, work, 1,
                                 std::vector<std::string>{"fixed", "256"}); // 180 degrees
    BridgeProcess bridge(work, port, {"--port", "1", "--line-settings", "9600,e,7,1"});
    EXPECT_TRUE(WaitFor([&] { return Azimuth(port) == "180.00"; }));
    EXPECT_TRUE(Logged("torven.serial: line open: \"" + work.Link(1).string()));
    EXPECT_TRUE(Logged(") at 9600,e,7,1\n")) << "the line opened with other settings";

    sim.reset(); // the adapter pulled out
    EXPECT_TRUE(WaitFor([&] {
        RawClient client(port);
        return client.Send("p\n") && client.Read(8) == "RPRT -6\n";
    })) << "the lost device's last bearing is still served";
    EXPECT_TRUE(WaitFor([&] { return Logged("torven.serial: line lost: "); }));
    EXPECT_TRUE(std::regex_search(work.LogText(),
                                  std::regex(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} info )"
                                             R"(torven\.serial: line lost: )")))
        << "the loss is told with its time";

    sim.emplace(work, 1, std::vector<std::string>{"fixed", "128"}); // back, at 90 degrees
    EXPECT_TRUE(WaitFor([&] { return Azimuth(port) == "90.00"; })) << "the bridge gave up";
    EXPECT_TRUE(Logged("torven.serial: line back: "));

    std::string lock = std::filesystem::canonical(work.Link(1)).string().substr(5); // pts/N
    std::replace(lock.begin(), lock.end(), '/', '_');
    ASSERT_EQ(kill(bridge.Proc().Pid(), SIGTERM), 0);
    EXPECT_EQ(bridge.Proc().WaitExit(kPatience), 0);
    for (const char* folder : {"/var/lock/LCK..", "/tmp/LCK.."})
        EXPECT_FALSE(std::filesystem::exists(folder + lock)) << "the lock outlived the bridge";
}

// A fault that cannot pass by itself ends the bridge at once, with status 1 and the reason.
TEST_F(Bridge, ALineThatIsNoSerialLineEndsItWithStatusOne) {
    BridgeProcess bridge(work, FreeTcpPort(), {"--device", work.Program().string()});
    EXPECT_EQ(bridge.Proc().WaitExit(kPatience), 1);
    EXPECT_TRUE(Logged("giving up: \"Не удалось открыть " + work.Program().string()));
}

} // namespace
} // namespace torven::e2e
