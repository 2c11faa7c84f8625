#include "link/Connection.h"

#include <gtest/gtest.h>

namespace {

using torven::ConnectionUpdate;

TEST(ConnectCommand, TogglesBetweenOpenAndClose) {
    EXPECT_EQ(torven::PortActionFor(torven::kPortClosed), torven::PortAction::Open);
    EXPECT_EQ(torven::PortActionFor(torven::kPortOpen), torven::PortAction::Close);
}

TEST(ConnectCommand, OutcomesFollowTheStateTable) {
    struct Row {
        const char* name;
        std::int16_t flag;
        bool succeeded;
        ConnectionUpdate expected;
    };
    const Row rows[] = {
        {"OpenSucceeds", 0, true, {-1, 0x00FF00, std::string_view{}}},
        {"OpenFails", 0, false, {0, std::nullopt, "Ошибка!"}},
        {"CloseSucceedsKeepsStatus", -1, true, {0, 0xFF0000, std::nullopt}},
        {"CloseFails", -1, false, {-1, std::nullopt, "Ошибка!"}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(torven::AfterConnectCommand(row.flag, row.succeeded), row.expected) << row.name;
}

TEST(ConnectCommand, SuccessfulOpenEmptiesTheStatusRatherThanLeavingIt) {
    const auto update = torven::AfterConnectCommand(torven::kPortClosed, true);
    ASSERT_TRUE(update.status.has_value());
    EXPECT_TRUE(update.status->empty());
}

TEST(DeviceLost, ClosesAndReportsOnlyWhileOpen) {
    EXPECT_EQ(torven::AfterDeviceLost(torven::kPortOpen),
              (ConnectionUpdate{0, 0xFF0000, "Ошибка!"}));
    EXPECT_EQ(torven::AfterDeviceLost(torven::kPortClosed),
              (ConnectionUpdate{0, std::nullopt, std::nullopt}));
}

} // namespace
