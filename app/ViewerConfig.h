// The viewer's process-wide configuration: the device model it is set up for,
// the interface language, and the Config.ini file in the working directory
// that stores the model and turns the log file on.
#pragma once

#include <array>
#include <cstdint>

enum DeviceModel : std::int32_t {
    VRAN3 = 1,   // forward driver-assistance camera, shown as "VRAN-3"
    VRAN2X = 2,  // forward driver-assistance camera, shown as "VRAN-2X"
    KOTR4 = 3,   // driver-monitoring camera
};

// VRAN3 until LoadViewerConfig, a card or the telemetry says otherwise.
// Only the user-interface thread reads and writes it.
extern DeviceModel device_model;

// 1042 Korean, 1041 Japanese, 2052 Chinese (PRC) or 1033 for every other
// language; set once by ChooseUiLanguage.
extern std::uint16_t ui_language;

inline constexpr const char* kConfigFile = "./Config.ini";
inline constexpr const char* kConfigSection = "Settings";
inline constexpr const char* kLogFile = "log.txt";

// Config.ini's name of a model: "VRAN3", "VRAN2X", "KOTR4"; "VRAN3" for any
// value outside the enumeration.
const char* DeviceModelName(std::int32_t model);

// Reads "Model" into device_model (by prefix: "VRAN3", then "VRAN2X", then
// "KOTR4", else VRAN3) and opens log.txt as active_log when "Debug" starts
// with "On". A missing Config.ini means VRAN3 and no log; it is not created.
void LoadViewerConfig();

// Writes device_model as "Model" in Config.ini, creating the file or the
// section if needed and leaving the rest of the file as it was. A failed
// write is silent; returns whether it succeeded.
bool SaveViewerModel();

// Bitmap identifiers of the list tabs in the main window's order: normal dark,
// normal highlighted, event dark, event highlighted, user dark, user
// highlighted, driver-monitoring dark, driver-monitoring highlighted.
using TabImageIds = std::array<unsigned, 8>;
inline constexpr TabImageIds kKoreanTabImages = {210, 211, 213, 212, 215, 214, 290, 289};
inline constexpr TabImageIds kEnglishTabImages = {230, 228, 235, 232, 243, 239, 290, 289};

// Sets ui_language from the locale environment and gives `tabImages` the
// Korean or the English identifiers.
void ChooseUiLanguage(TabImageIds& tabImages);
