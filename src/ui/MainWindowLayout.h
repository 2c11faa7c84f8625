#pragma once

#include "Twips.h"

#include <array>

namespace torven::main_window_layout {

// Places in the main window's client area.
using Box = TwipsBox;

inline constexpr int kClientWidth = 2784;
inline constexpr int kClientHeight = 2424;

inline constexpr Box kConsole{120, 120, 735, 375};
inline constexpr Box kReadout{840, 960, 1092, 510};
inline constexpr Box kConnectionLamp{0, 2280, 252, 132};
inline constexpr Box kReceiveLamp{2520, 2280, 252, 132}; // the dark and lit faces alike
inline constexpr Box kStatusLine{1845, 75, 855, 195};
inline constexpr Box kNorthMark{1245, 30, 255, 375};   // north, "C"
inline constexpr Box kSouthMark{1245, 2070, 255, 375}; // south, "Ю"
inline constexpr Box kWestMark{150, 1035, 255, 375};   // west, "З"
inline constexpr Box kEastMark{2415, 1065, 255, 375};  // east, "В"

// The 24 sector lamps, from north (object name Shape1) clockwise on a diamond around the readout.
inline constexpr std::array<Box, 24> kLamps{{
    {1185, 330, 375, 255},  {1485, 510, 255, 135},  {1605, 630, 255, 135},  {1725, 750, 255, 135},
    {1845, 870, 255, 135},  {1965, 990, 255, 135},  {2085, 1110, 375, 255}, {1965, 1350, 255, 135},
    {1845, 1470, 255, 135}, {1725, 1590, 255, 135}, {1605, 1710, 255, 135}, {1485, 1830, 255, 135},
    {1185, 1875, 375, 255}, {1005, 1830, 255, 135}, {885, 1710, 255, 135},  {765, 1590, 255, 135},
    {645, 1470, 255, 135},  {525, 1350, 255, 135},  {300, 1110, 375, 255},  {525, 990, 255, 135},
    {645, 870, 255, 135},   {765, 750, 255, 135},   {885, 630, 255, 135},   {1005, 510, 255, 135},
}};

// Font sizes in points.
inline constexpr double kReadoutPoints = 23.4;
inline constexpr double kCompassPoints = 13.2;

} // namespace torven::main_window_layout
