#include "UiLanguage.h"
#include "ViewerConfig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

const char* const kVariables[] = {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};

// Sets the four locale variables for one case and puts the old ones back.
class LocaleEnvironment {
public:
    LocaleEnvironment()
    {
        for (int i = 0; i < 4; ++i)
            if (const char* v = std::getenv(kVariables[i]))
                saved_[i] = v;
    }
    ~LocaleEnvironment()
    {
        for (int i = 0; i < 4; ++i)
            Set(i, saved_[i] ? saved_[i]->c_str() : nullptr);
    }
    void Set(int i, const char* value)
    {
        if (value)
            setenv(kVariables[i], value, 1);
        else
            unsetenv(kVariables[i]);
    }

private:
    std::optional<std::string> saved_[4];
};

TEST(UiLanguage, LocaleNamesMapToLanguageIds)
{
    struct Case {
        const char* locale;
        std::uint16_t expected;
    };
    const Case cases[] = {
        {"ko", 1042},          {"ko_KR", 1042},       {"ko_KR.UTF-8", 1042}, {"ko:en_US", 1042},
        {"ja_JP.UTF-8", 1041}, {"ja", 1041},          {"zh_CN", 2052},       {"zh_CN.GB18030", 2052},
        {"zh_CN.UTF-8@x", 2052}, {"zh", 1033},        {"zh_TW.UTF-8", 1033}, {"zh_SG", 1033},
        {"en_US.UTF-8", 1033}, {"de_DE", 1033},       {"kok_IN", 1033},      {"jam", 1033},
        {"C", 1033},           {"C.UTF-8", 1033},     {"POSIX", 1033},       {"", 1033},
        {"en:ko", 1033},       {nullptr, 1033},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UiLanguageFromLocale(c.locale), c.expected) << (c.locale ? c.locale : "(null)");
}

TEST(UiLanguage, ChooseUiLanguageFollowsTheFirstSetVariable)
{
    struct Case {
        const char* values[4];  // LANGUAGE, LC_ALL, LC_MESSAGES, LANG; null = unset
        std::uint16_t language;
        bool koreanTabs;
    };
    const Case cases[] = {
        {{nullptr, nullptr, nullptr, "ko_KR.UTF-8"}, 1042, true},
        {{nullptr, nullptr, nullptr, "ja_JP.UTF-8"}, 1041, false},
        {{nullptr, nullptr, nullptr, "zh_CN.UTF-8"}, 2052, false},
        {{nullptr, nullptr, nullptr, "fr_FR.UTF-8"}, 1033, false},
        {{nullptr, nullptr, nullptr, nullptr}, 1033, false},
        {{"ko:en", "en_US.UTF-8", nullptr, "en_US.UTF-8"}, 1042, true},
        {{"", "ja_JP.UTF-8", nullptr, "ko_KR.UTF-8"}, 1041, false},  // empty counts as unset
        {{nullptr, "C", "ko_KR.UTF-8", "ko_KR.UTF-8"}, 1033, false},
        {{nullptr, "", "ko_KR.UTF-8", "en_US.UTF-8"}, 1042, true},
        {{nullptr, nullptr, "", "zh_CN.UTF-8"}, 2052, false},
    };
    LocaleEnvironment environment;
    for (const Case& c : cases) {
        for (int i = 0; i < 4; ++i)
            environment.Set(i, c.values[i]);
        TabImageIds tabs{};
        ui_language = 0;
        ChooseUiLanguage(tabs);
        EXPECT_EQ(ui_language, c.language);
        EXPECT_EQ(tabs, c.koreanTabs ? kKoreanTabImages : kEnglishTabImages) << ui_language;
    }
}

}  // namespace
