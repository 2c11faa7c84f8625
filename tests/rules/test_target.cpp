#include "Rows.h"
#include "Target.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace torven {
namespace {

struct PlaceRow {
    const char* name;
    double azimuth;
    int degrees;
    int lamp;
};
using torven::test::PrintTo;

class TargetPlaces : public testing::TestWithParam<PlaceRow> {};

TEST_P(TargetPlaces, RoundedIntoItsSector) {
    const PlaceRow& row = GetParam();
    EXPECT_EQ(targetDegrees(row.azimuth), row.degrees);
    EXPECT_EQ(targetLamp(targetDegrees(row.azimuth)), row.lamp);
}

INSTANTIATE_TEST_SUITE_P(
    Target, TargetPlaces,
    testing::Values(PlaceRow{"NorthFromZero", 0, 0, 1}, PlaceRow{"NorthFrom360", 360, 360, 1},
                    PlaceRow{"JustBelowZeroRoundsToNorth", 0.4, 0, 1},
                    PlaceRow{"HalfRoundsUp", 352.5, 353, 1},
                    // floor(x + 0.5) rounds this sum up to 1.
                    PlaceRow{"LargestBelowAHalfRoundsDown", 0.49999999999999994, 0, 1},
                    PlaceRow{"LastOfNorthSector", 7.4, 7, 1},
                    PlaceRow{"RoundedIntoTheNextSector", 7.6, 8, 2},
                    PlaceRow{"WestOfNorth", 352.4, 352, 24}, PlaceRow{"East", 90, 90, 7},
                    PlaceRow{"Logger", 245, 245, 17}, PlaceRow{"Tracker", 180.00, 180, 13}),
    torven::test::RowName());

TEST(TargetText, ArrowAndDegrees) {
    EXPECT_EQ(targetStatusText(245), "→ 245°");
    EXPECT_EQ(targetStatusText(0), "→ 0°");
}

// What the operator sees after each step: the target's degrees, or nothing.
enum class Step { Set, Clear, Dismiss };
struct Action {
    Step step;
    double azimuth = 0;
    std::optional<int> shown;
};
struct DisplayRow {
    const char* name;
    std::vector<Action> actions;
};

class TargetDisplays : public testing::TestWithParam<DisplayRow> {};

TEST_P(TargetDisplays, ShowTheLatestUntilClearedOrDismissed) {
    TargetDisplay display;
    int index = 0;
    for (const Action& action : GetParam().actions) {
        switch (action.step) {
        case Step::Set:
            display.set(action.azimuth);
            break;
        case Step::Clear:
            display.clear();
            break;
        case Step::Dismiss:
            display.dismiss();
            break;
        }
        EXPECT_EQ(display.shown(), action.shown) << "step " << index;
        EXPECT_EQ(display.lamp(), action.shown ? targetLamp(*action.shown) : 0) << "step " << index;
        ++index;
    }
}

constexpr auto kSet = Step::Set;
constexpr auto kClear = Step::Clear;
constexpr auto kDismiss = Step::Dismiss;

INSTANTIATE_TEST_SUITE_P(
    Target, TargetDisplays,
    testing::Values(
        DisplayRow{"LatestWins", {{kSet, 59, 59}, {kSet, 245.4, 245}, {kClear, 0, std::nullopt}}},
        // A tracker resends its moving target every second: within the dismissed sector it stays
        // hidden, in the next sector it shows again.
        DisplayRow{"DismissedUntilAnotherSector",
                   {{kSet, 180, 180},
                    {kDismiss, 0, std::nullopt},
                    {kSet, 180, std::nullopt},
                    {kSet, 187.4, std::nullopt},
                    {kSet, 187.6, 188}}},
        DisplayRow{"DismissedUntilAStop",
                   {{kSet, 245, 245},
                    {kDismiss, 0, std::nullopt},
                    {kClear, 0, std::nullopt},
                    {kSet, 245, 245}}},
        // North from 0 and from 360 is one sector.
        DisplayRow{"NorthIsOneSectorForDismissal",
                   {{kSet, 360, 360}, {kDismiss, 0, std::nullopt}, {kSet, 0, std::nullopt}}},
        DisplayRow{"DismissingNothingHidesNoLaterTarget",
                   {{kDismiss, 0, std::nullopt}, {kSet, 90, 90}}}),
    torven::test::RowName());

} // namespace
} // namespace torven
