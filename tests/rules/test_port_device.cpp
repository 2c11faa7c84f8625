#include "PortDevice.h"

#include <gtest/gtest.h>

namespace {

TEST(PortDevice, UsbAdaptersComeFirstThenOthersInNumberOrder) {
    const std::vector<std::string> listed = {"ttyS10",  "ttyS2", "ttyACM0", "ttyUSB10",
                                             "ttyUSB2", "ttyS0", "ttyAMA0"};
    const std::vector<std::string> expected = {"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyAMA0",
                                               "ttyS0",   "ttyS2",    "ttyS10"};
    EXPECT_EQ(torven::orderedSystemPorts(listed), expected);
}

TEST(PortDevice, PortNumberCountsFromOne) {
    const std::vector<std::string> listed = {"ttyS0", "ttyUSB0"};
    struct Row {
        std::int16_t port;
        std::optional<std::string> device;
    };
    const Row rows[] = {{1, "ttyUSB0"},    {2, "ttyS0"},       {3, std::nullopt},
                        {0, std::nullopt}, {-1, std::nullopt}, {32767, std::nullopt}};
    for (const auto& row : rows)
        EXPECT_EQ(torven::nthSystemPort(row.port, listed), row.device) << row.port;
    EXPECT_EQ(torven::nthSystemPort(1, {}), std::nullopt);
}

} // namespace
