#pragma once

#include <string>

// The widgets' object names: the element names of the instrument's original design, by which
// tests, benchmarks and accessibility tools find each widget. Written here once; the C++ names
// of the widgets say what they are.
namespace torven::object_names {

namespace main_window {
inline constexpr char kWindow[] = "Form1";
inline constexpr char kClient[] = "client";
inline constexpr char kConsole[] = "Text2";
inline constexpr char kReceiveLampTimer[] = "tmrRXLED";
inline constexpr char kSerialLine[] = "MSComm1";
inline constexpr char kReadout[] = "Text3";
inline constexpr char kReadoutOverflow[] = "readoutOverflow";
inline constexpr char kSectorLampPrefix[] = "Shape"; // followed by the lamp's number, 1 to 24
inline constexpr char kConnectionLamp[] = "Label4";
inline constexpr char kReceiveLampOff[] = "shpRXOFF";
inline constexpr char kReceiveLampOn[] = "shpRXON";
inline constexpr char kStatusLine[] = "Label7";
inline constexpr char kNorthMark[] = "Label1";
inline constexpr char kSouthMark[] = "Label5";
inline constexpr char kWestMark[] = "Label6";
inline constexpr char kEastMark[] = "Label8";
inline constexpr char kReadingPause[] = "readingPause";
inline constexpr char kMenuBar[] = "menuBar";
inline constexpr char kConnectAction[] = "mnuConnect";
inline constexpr char kSettingsMenu[] = "mnuSetting";
inline constexpr char kSettingsMenuAction[] = "mnuSettingAction";
inline constexpr char kPortSettingsAction[] = "mnuCommunicate";
inline constexpr char kAboutAction[] = "mnuAbout";
inline constexpr char kExitAction[] = "mnuExit";
inline constexpr char kServiceWarning[] = "serviceWarning";
inline constexpr char kFollowNotice[] = "followNotice"; // «Коммуникация» while following

// Sector lamp `number` (1 is north, then clockwise).
inline std::string sectorLamp(int number) {
    return kSectorLampPrefix + std::to_string(number);
}
} // namespace main_window

namespace port_dialog {
inline constexpr char kWindow[] = "frmCommunicate";
inline constexpr char kPortInUseLabel[] = "Label1";
inline constexpr char kPortInUse[] = "Text2";
inline constexpr char kPortChoiceLabel[] = "Label2";
inline constexpr char kPortChoice[] = "Combo1";
inline constexpr char kLineSettingsLabel[] = "Label3";
inline constexpr char kLineSettings[] = "Text1";
inline constexpr char kOkButton[] = "Command1";
inline constexpr char kCancelButton[] = "Command2";
inline constexpr char kWarning[] = "warning";
inline constexpr char kThisRunNote[] = "thisRunNote";
} // namespace port_dialog

namespace about_window {
inline constexpr char kWindow[] = "frmAbout";
inline constexpr char kOkButton[] = "Command1";
inline constexpr char kYear[] = "Label4";
inline constexpr char kMakers[] = "Label3";
inline constexpr char kHomePage[] = "Label2";
inline constexpr char kTitle[] = "Label1";
} // namespace about_window

} // namespace torven::object_names
