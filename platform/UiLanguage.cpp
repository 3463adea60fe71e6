#include "UiLanguage.h"

#include <cstdlib>
#include <string_view>

std::uint16_t UiLanguageFromLocale(const char* locale)
{
    if (!locale)
        return kLangEnglish;
    std::string_view name(locale);
    name = name.substr(0, name.find(':'));  // LANGUAGE lists preferences; the first counts
    name = name.substr(0, name.find_first_of(".@"));  // codeset and modifier do not matter
    std::string_view language = name.substr(0, name.find('_'));
    std::string_view territory =
        language.size() < name.size() ? name.substr(language.size() + 1) : std::string_view();
    if (language == "ko")
        return kLangKorean;
    if (language == "ja")
        return kLangJapanese;
    if (language == "zh" && territory == "CN")
        return kLangChinesePrc;
    return kLangEnglish;
}

std::uint16_t UserDefaultUiLanguage()
{
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return UiLanguageFromLocale(value);
    }
    return kLangEnglish;
}
