#include "PrivateProfile.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace {

struct ReadCase {
    const char* name;
    std::string contents;
    std::string expected;  // for section "Settings", key "Model", default "dflt"
};

TEST(PrivateProfileRead, FindsKeysAsTheProfileFunctionsDo)
{
    const ReadCase cases[] = {
        {"plain", "[Settings]\nModel=KOTR4\n", "KOTR4"},
        {"crlf", "[Settings]\r\nModel=KOTR4\r\n", "KOTR4"},
        {"no final line break", "[Settings]\nModel=KOTR4", "KOTR4"},
        {"names ignore case", "[settings]\nMODEL=VRAN2X\n", "VRAN2X"},
        {"blanks around names and value", "  [ Settings ]  \n\t Model \t=  VRAN2X  \n", "VRAN2X"},
        {"blanks inside the value stay", "[Settings]\nModel=VRAN 3 x\n", "VRAN 3 x"},
        {"double quotes dropped", "[Settings]\nModel=\" KOTR4 \"\n", " KOTR4 "},
        {"single quotes dropped", "[Settings]\nModel='KOTR4'\n", "KOTR4"},
        {"unmatched quote kept", "[Settings]\nModel=\"KOTR4\n", "\"KOTR4"},
        {"empty value is a value", "[Settings]\nModel=\n", ""},
        {"first of two keys", "[Settings]\nModel=VRAN2X\nModel=KOTR4\n", "VRAN2X"},
        {"key only in another section", "[Other]\nModel=KOTR4\n[Settings]\nDebug=On\n", "dflt"},
        {"key of the section after", "[Settings]\nDebug=On\n[Other]\nModel=KOTR4\n", "dflt"},
        {"section repeated later", "[Settings]\nDebug=On\n[Other]\nA=1\n[Settings]\nModel=KOTR4\n", "KOTR4"},
        {"commented key", "[Settings]\n;Model=KOTR4\n  ; Model=VRAN2X\n", "dflt"},
        {"prefix of the key name", "[Settings]\nModels=KOTR4\nModel2=VRAN2X\n", "dflt"},
        {"utf-8 byte order mark", "\xEF\xBB\xBF[Settings]\nModel=KOTR4\n", "KOTR4"},
        {"keys before any section", "Model=KOTR4\n[Settings]\n", "dflt"},
        {"empty file", "", "dflt"},
    };
    TempDir dir;
    for (const ReadCase& c : cases) {
        WriteFile(dir / "Config.ini", c.contents);
        EXPECT_EQ(ReadPrivateProfileString(dir / "Config.ini", "Settings", "Model", "dflt"), c.expected) << c.name;
    }
}

TEST(PrivateProfileRead, CutsValueAndDefaultToTheBuffer)
{
    TempDir dir;
    std::string longValue(300, 'V');
    WriteFile(dir / "Config.ini", "[Settings]\nModel=" + longValue + "\n");
    EXPECT_EQ(ReadPrivateProfileString(dir / "Config.ini", "Settings", "Model", ""), std::string(259, 'V'));
    EXPECT_EQ(ReadPrivateProfileString(dir / "Config.ini", "Settings", "Model", "", 6), "VVVVV");
    EXPECT_EQ(ReadPrivateProfileString(dir / "Config.ini", "Settings", "Missing", longValue), std::string(259, 'V'));
    EXPECT_EQ(ReadPrivateProfileString(dir / "Config.ini", "Settings", "Model", "", 0), "");
}

TEST(PrivateProfileRead, MissingFileGivesTheDefaultAndStaysMissing)
{
    TempDir dir;
    EXPECT_EQ(ReadPrivateProfileString(dir / "Config.ini", "Settings", "Model", "dflt"), "dflt");
    EXPECT_FALSE(std::filesystem::exists(dir / "Config.ini"));
    // A directory where the file should be cannot be read either.
    std::filesystem::create_directory(dir / "Dir.ini");
    EXPECT_EQ(ReadPrivateProfileString(dir / "Dir.ini", "Settings", "Model", "dflt"), "dflt");
}

struct WriteCase {
    const char* name;
    bool exists;
    std::string before;
    std::string after;  // after writing Model=KOTR4 to [Settings]
};

TEST(PrivateProfileWrite, ChangesOnlyTheModelLine)
{
    const WriteCase cases[] = {
        {"no file", false, "", "[Settings]\nModel=KOTR4\n"},
        {"empty file", true, "", "[Settings]\nModel=KOTR4\n"},
        {"value replaced, crlf, comments and other sections kept", true,
         "; viewer settings\r\n[Other]\r\nModel=VRAN2X\r\n\r\n[Settings]\r\nDebug=On\r\n  Model = VRAN2X  \r\nExtra=1\r\n[Tail]\r\nX=2",
         "; viewer settings\r\n[Other]\r\nModel=VRAN2X\r\n\r\n[Settings]\r\nDebug=On\r\n  Model = KOTR4\r\nExtra=1\r\n[Tail]\r\nX=2"},
        {"key spelling kept", true, "[SETTINGS]\nmodel=VRAN3\n", "[SETTINGS]\nmodel=KOTR4\n"},
        {"empty value filled", true, "[Settings]\nModel=\nDebug=On\n", "[Settings]\nModel=KOTR4\nDebug=On\n"},
        {"key without '='", true, "[Settings]\nModel\n", "[Settings]\nModel=KOTR4\n"},
        {"key added after the section's last entry", true, "[Settings]\nDebug=On\n\n; next\n[Other]\nA=1\n",
         "[Settings]\nDebug=On\nModel=KOTR4\n\n; next\n[Other]\nA=1\n"},
        {"key added to a header at the end without line break", true, "[Other]\nA=1\n[Settings]",
         "[Other]\nA=1\n[Settings]\nModel=KOTR4"},
        {"key added after a last line without line break", true, "[Settings]\r\nDebug=On",
         "[Settings]\r\nDebug=On\r\nModel=KOTR4"},
        {"section added, key only in another section", true, "[Other]\nModel=VRAN2X\n",
         "[Other]\nModel=VRAN2X\n[Settings]\nModel=KOTR4\n"},
        {"section added after a last line without line break", true, "[Other]\r\nA=1",
         "[Other]\r\nA=1\r\n[Settings]\r\nModel=KOTR4\r\n"},
        {"commented key is not the key", true, "[Settings]\n;Model=VRAN2X\n",
         "[Settings]\nModel=KOTR4\n;Model=VRAN2X\n"},
        {"key in a repeated section is replaced there", true, "[Settings]\nDebug=On\n[Other]\n[Settings]\nModel=VRAN2X\n",
         "[Settings]\nDebug=On\n[Other]\n[Settings]\nModel=KOTR4\n"},
        {"quoted value replaced whole", true, "[Settings]\nModel=\"VRAN2X\" ; old\n", "[Settings]\nModel=KOTR4\n"},
    };
    for (const WriteCase& c : cases) {
        TempDir dir;
        if (c.exists)
            WriteFile(dir / "Config.ini", c.before);
        ASSERT_TRUE(WritePrivateProfileString(dir / "Config.ini", "Settings", "Model", "KOTR4")) << c.name;
        EXPECT_EQ(ReadFile(dir / "Config.ini"), c.after) << c.name;
        EXPECT_EQ(ReadPrivateProfileString(dir / "Config.ini", "Settings", "Model", ""), "KOTR4") << c.name;
        // Nothing but the file itself is left in the directory.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << c.name;
    }
}

TEST(PrivateProfileWrite, KeepsPermissionsAndFailsWhereItCannotWrite)
{
    TempDir dir;
    WriteFile(dir / "Config.ini", "[Settings]\nModel=VRAN3\n");
    chmod((dir / "Config.ini").c_str(), 0640);
    ASSERT_TRUE(WritePrivateProfileString(dir / "Config.ini", "Settings", "Model", "VRAN2X"));
    struct stat st {};
    ASSERT_EQ(stat((dir / "Config.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    EXPECT_FALSE(WritePrivateProfileString(dir / "missing/Config.ini", "Settings", "Model", "KOTR4"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(PrivateProfileWrite, WritesThroughASymlink)
{
    TempDir dir;
    WriteFile(dir / "real.ini", "[Settings]\nModel=VRAN3\n");
    std::filesystem::create_symlink(dir / "real.ini", dir / "Config.ini");
    ASSERT_TRUE(WritePrivateProfileString(dir / "Config.ini", "Settings", "Model", "KOTR4"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "Config.ini"));
    EXPECT_EQ(ReadFile(dir / "real.ini"), "[Settings]\nModel=KOTR4\n");
}

}  // namespace
