#include "ViewerConfig.h"

#include "CFileLog.h"
#include "PrivateProfile.h"
#include "UiLanguage.h"

#include <cstring>
#include <memory>

DeviceModel device_model = VRAN3;
std::uint16_t ui_language = kLangEnglish;

namespace {

// The opened log lives until the process ends.
std::unique_ptr<CFileLog>& FileLog()
{
    static std::unique_ptr<CFileLog> log;
    return log;
}

bool StartsWith(const std::string& value, const char* prefix)
{
    return value.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

const char* DeviceModelName(std::int32_t model)
{
    switch (model) {
    case VRAN2X:
        return "VRAN2X";
    case KOTR4:
        return "KOTR4";
    default:
        return "VRAN3";
    }
}

void LoadViewerConfig()
{
    std::string model = ReadPrivateProfileString(kConfigFile, kConfigSection, "Model", "");
    if (StartsWith(model, "VRAN3"))
        device_model = VRAN3;
    else if (StartsWith(model, "VRAN2X"))
        device_model = VRAN2X;
    else if (StartsWith(model, "KOTR4"))
        device_model = KOTR4;
    else
        device_model = VRAN3;

    std::string debug = ReadPrivateProfileString(kConfigFile, kConfigSection, "Debug", "");
    // A second call replaces the sink; the old one must let go of the file first.
    active_log = nullptr;
    FileLog().reset();
    if (StartsWith(debug, "On")) {
        auto log = std::make_unique<CFileLog>();
        if (log->Open(kLogFile)) {
            active_log = log.get();
            FileLog() = std::move(log);
        }
    }
}

bool SaveViewerModel()
{
    return WritePrivateProfileString(kConfigFile, kConfigSection, "Model", DeviceModelName(device_model));
}

void ChooseUiLanguage(TabImageIds& tabImages)
{
    ui_language = UserDefaultUiLanguage();
    if (ui_language == kLangKorean) {
        tabImages = kKoreanTabImages;
    } else {
        tabImages = kEnglishTabImages;
        if (ui_language != kLangJapanese && ui_language != kLangChinesePrc)
            ui_language = kLangEnglish;
    }
}
