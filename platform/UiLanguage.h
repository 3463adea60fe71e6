// The user's interface language as a Windows language identifier, taken from
// the locale environment.
#pragma once

#include <cstdint>

inline constexpr std::uint16_t kLangKorean = 1042;
inline constexpr std::uint16_t kLangJapanese = 1041;
inline constexpr std::uint16_t kLangChinesePrc = 2052;
inline constexpr std::uint16_t kLangEnglish = 1033;

// Maps one locale name ("ko_KR.UTF-8", "ja", "zh_CN", a LANGUAGE list such as
// "ko:en", ...) to 1042, 1041, 2052 or 1033 for anything else.
std::uint16_t UiLanguageFromLocale(const char* locale);

// The first of LANGUAGE, LC_ALL, LC_MESSAGES and LANG that is set and not
// empty, mapped as above; 1033 when none is.
std::uint16_t UserDefaultUiLanguage();
