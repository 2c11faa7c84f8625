#include "Connection.h"

#include <gtest/gtest.h>

namespace {

using torven::ConnectionUpdate;

TEST(ConnectCommand, OutcomesFollowTheStateTable) {
    struct Row {
        const char* name;
        bool portOpen;
        bool succeeded;
        ConnectionUpdate expected;
    };
    const Row rows[] = {
        {"OpenSucceeds", false, true, {true, 0x00FF00, std::string_view{}}}, // status emptied
        {"OpenFails", false, false, {false, std::nullopt, "Ошибка!"}},
        {"CloseSucceedsKeepsStatus", true, true, {false, 0xFF0000, std::nullopt}},
        {"CloseFails", true, false, {true, std::nullopt, "Ошибка!"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::afterConnectCommand(row.portOpen, row.succeeded), row.expected)
            << row.name;
}

TEST(DeviceLost, ClosesAndReportsOnlyWhileOpen) {
    EXPECT_EQ(torven::afterDeviceLost(true), (ConnectionUpdate{false, 0xFF0000, "Ошибка!"}));
    EXPECT_EQ(torven::afterDeviceLost(false),
              (ConnectionUpdate{false, std::nullopt, std::nullopt}));
}

} // namespace
