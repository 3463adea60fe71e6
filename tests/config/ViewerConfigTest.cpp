#include "CFileLog.h"
#include "TempDir.h"
#include "ViewerConfig.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>

namespace {

// Each test runs in a fresh working directory, where the viewer keeps
// Config.ini and log.txt.
class ViewerConfigTest : public ::testing::Test {
protected:
    void SetUp() override { dir_.Enter(); }
    void TearDown() override
    {
        // Let go of any log.txt before the directory goes.
        WriteFile("Config.ini", "");
        LoadViewerConfig();
        device_model = VRAN3;
    }
    TempDir dir_;
};

// True when another process, taking the lock as a cooperating program would,
// gets log.txt.
bool AnotherProcessCanLock(const char* path)
{
    pid_t child = fork();
    if (child == 0) {
        int fd = open(path, O_WRONLY);
        _exit(fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(ViewerConfigTest, ModelIsChosenByPrefix)
{
    struct Case {
        std::optional<std::string> file;  // no file when empty
        DeviceModel expected;
    };
    const Case cases[] = {
        {"[Settings]\nModel=VRAN3\n", VRAN3},
        {"[Settings]\nModel=VRAN2X\n", VRAN2X},
        {"[Settings]\nModel=KOTR4\n", KOTR4},
        {"[Settings]\nModel=VRAN2\n", VRAN3},       // five characters of VRAN2X are not enough
        {"[Settings]\nModel=VRAN2Xplus\n", VRAN2X}, // only the prefix counts
        {"[Settings]\nModel=VRAN3X\n", VRAN3},
        {"[Settings]\nModel=KOTR44\n", KOTR4},
        {"[Settings]\nModel=vran2x\n", VRAN3},      // case matters
        {"[Settings]\nModel= KOTR4\n", KOTR4},      // blanks around the value are not part of it
        {"[Settings]\nModel=KOTR\n", VRAN3},
        {"[Settings]\nModel=\n", VRAN3},
        {"[Settings]\nDebug=Off\n", VRAN3},
        {"[Other]\nModel=KOTR4\n", VRAN3},
        {std::nullopt, VRAN3},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("Config.ini");
        if (c.file)
            WriteFile("Config.ini", *c.file);
        device_model = static_cast<DeviceModel>(99);
        LoadViewerConfig();
        EXPECT_EQ(device_model, c.expected) << c.file.value_or("(no file)");
    }
}

TEST_F(ViewerConfigTest, LogFileOpensOnlyWhenDebugStartsWithOn)
{
    struct Case {
        const char* debugLine;
        bool logOpen;
    };
    const Case cases[] = {
        {"Debug=On", true},  {"Debug=Only", true}, {"Debug=On ", true}, {"debug=On", true},
        {"Debug=on", false}, {"Debug=ON", false},  {"Debug=Off", false}, {"Debug=O", false},
        {"Debug= ", false},  {"", false},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("log.txt");
        WriteFile("Config.ini", std::string("[Settings]\nModel=KOTR4\n") + c.debugLine + "\n");
        LoadViewerConfig();
        EXPECT_EQ(device_model, KOTR4) << c.debugLine;
        EXPECT_EQ(active_log != nullptr, c.logOpen) << c.debugLine;
        EXPECT_EQ(std::filesystem::exists("log.txt"), c.logOpen) << c.debugLine;
    }
}

TEST_F(ViewerConfigTest, MissingConfigIsNotCreatedUntilTheModelIsSaved)
{
    device_model = KOTR4;
    LoadViewerConfig();
    EXPECT_EQ(device_model, VRAN3);
    EXPECT_EQ(active_log, nullptr);
    EXPECT_FALSE(std::filesystem::exists("Config.ini"));
    EXPECT_FALSE(std::filesystem::exists("log.txt"));

    device_model = KOTR4;
    ASSERT_TRUE(SaveViewerModel());
    EXPECT_EQ(ReadFile("Config.ini"), "[Settings]\nModel=KOTR4\n");
    LoadViewerConfig();
    EXPECT_EQ(device_model, KOTR4);
}

TEST_F(ViewerConfigTest, SavedModelNamesAndUntouchedNeighbours)
{
    const std::string head = "; kept\r\n[Settings]\r\nDebug=Off\r\nModel=VRAN3\r\n";
    const std::string tail = "[Other]\r\nModel=KOTR4\r\n";
    struct Case {
        std::int32_t model;
        const char* name;
    };
    const Case cases[] = {{VRAN3, "VRAN3"}, {VRAN2X, "VRAN2X"}, {KOTR4, "KOTR4"}, {0, "VRAN3"}, {7, "VRAN3"}};
    for (const Case& c : cases) {
        WriteFile("Config.ini", head + tail);
        device_model = static_cast<DeviceModel>(c.model);
        ASSERT_TRUE(SaveViewerModel());
        EXPECT_EQ(ReadFile("Config.ini"),
                  "; kept\r\n[Settings]\r\nDebug=Off\r\nModel=" + std::string(c.name) + "\r\n" + tail);
    }
}

TEST_F(ViewerConfigTest, FailedSaveKeepsTheModelInMemory)
{
    std::filesystem::create_directory("Config.ini");  // cannot be read or replaced as a file
    device_model = VRAN2X;
    EXPECT_FALSE(SaveViewerModel());
    EXPECT_EQ(device_model, VRAN2X);
    EXPECT_TRUE(std::filesystem::is_directory("Config.ini"));
    LoadViewerConfig();
    EXPECT_EQ(device_model, VRAN3);
}

TEST_F(ViewerConfigTest, LogFileIsEmptiedAndHeldExclusively)
{
    WriteFile("log.txt", "left over from the last run\n");
    WriteFile("Config.ini", "[Settings]\nDebug=On\n");
    LoadViewerConfig();
    ASSERT_NE(active_log, nullptr);
    EXPECT_EQ(ReadFile("log.txt"), "");
    EXPECT_FALSE(AnotherProcessCanLock("log.txt"));

    // A second sink on the same file is turned away and does not empty it.
    active_log->Write("line\n");
    CFileLog second;
    EXPECT_FALSE(second.Open("log.txt"));
    EXPECT_EQ(ReadFile("log.txt"), "line\n");

    // Once logging is off again the file is free.
    WriteFile("Config.ini", "[Settings]\nDebug=Off\n");
    LoadViewerConfig();
    EXPECT_EQ(active_log, nullptr);
    EXPECT_TRUE(AnotherProcessCanLock("log.txt"));
}

TEST_F(ViewerConfigTest, LogHeldByAnotherProcessLeavesLoggingOff)
{
    WriteFile("log.txt", "theirs\n");
    int fd = open("log.txt", O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    WriteFile("Config.ini", "[Settings]\nDebug=On\n");
    LoadViewerConfig();
    EXPECT_EQ(active_log, nullptr);
    EXPECT_EQ(ReadFile("log.txt"), "theirs\n");
    close(fd);
}

TEST_F(ViewerConfigTest, UnopenableLogLeavesLoggingOff)
{
    std::filesystem::create_directory("log.txt");
    WriteFile("Config.ini", "[Settings]\nDebug=On\n");
    LoadViewerConfig();
    EXPECT_EQ(active_log, nullptr);
}

}  // namespace
