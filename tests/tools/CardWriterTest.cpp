// Card naming and folder trees.
#include "CardWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
using recgen::CardModel;
using recgen::FileCode;

// Every file below root, as "folder/name".
std::set<std::string> Tree(const fs::path& root) {
    std::set<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        files.insert(fs::relative(e.path(), root).generic_string() + (e.is_directory() ? "/" : ""));
    return files;
}

recgen::RecordingSpec Tiny() {
    recgen::RecordingSpec spec;
    spec.durationSeconds = 0.2;
    spec.videos = {{160, 90}};
    return spec;
}

class CardWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() /
                ("recgen-card-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                 std::to_string(::getpid()));
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST(CardNaming, CodesFoldersAndNames) {
    struct Case {
        FileCode code;
        const char* folder;
        const char* name;
    };
    const Case cases[] = {
        {FileCode::N, "ory_rec", "20260314_083000_N.mp4"},
        {FileCode::E, "evt_rec", "20260314_083000_E.mp4"},
        {FileCode::U, "usr_rec", "20260314_083000_U.mp4"},
        {FileCode::NOR, "NOR", "20260314_083000_NOR.mp4"},
        {FileCode::EVT, "EVT", "20260314_083000_EVT.mp4"},
        {FileCode::DRO, "DSM", "20260314_083000_DRO.mp4"},
        {FileCode::DIS, "DSM", "20260314_083000_DIS.mp4"},
        {FileCode::PHO, "DSM", "20260314_083000_PHO.mp4"},
        {FileCode::SMO, "DSM", "20260314_083000_SMO.mp4"},
        {FileCode::YAW, "DSM", "20260314_083000_YAW.mp4"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(recgen::KindFolder(c.code), c.folder) << c.name;
        EXPECT_EQ(recgen::RecordingFileName(recgen::TimeStamp(0), c.code), c.name);
    }
    EXPECT_EQ(recgen::RecordingFileName("x", FileCode::N, ".avi"), "x_N.avi");
    EXPECT_EQ(recgen::TimeStamp(3600 + 61), "20260314_093101");
    EXPECT_EQ(recgen::TimeStamp(16 * 3600), "20260314_003000") << "stays on one day";

    EXPECT_STREQ(recgen::VolumeLabel(CardModel::Vran3), "VRAN-3");
    EXPECT_STREQ(recgen::VolumeLabel(CardModel::Vran2x), "VRAN-2X");
    EXPECT_STREQ(recgen::VolumeLabel(CardModel::Kotr4), "KOTR4");
}

TEST_F(CardWriterTest, LaysOutEitherLayoutWithAllThreeKindFolders) {
    recgen::CardSpec assistance;
    assistance.files = {
        {FileCode::N, Tiny(), {}, {}},
        {FileCode::E, Tiny(), {}, {}},
        {FileCode::E, Tiny(), "misplaced_E.mp4", "ory_rec"},  // an event recording in the normal folder
    };
    ASSERT_EQ(recgen::WriteCard(root_ / "vran", assistance), 0);
    EXPECT_EQ(Tree(root_ / "vran"), (std::set<std::string>{
                                        "ory_rec/",
                                        "ory_rec/20260314_083000_N.mp4",
                                        "ory_rec/misplaced_E.mp4",
                                        "evt_rec/",
                                        "evt_rec/20260314_083100_E.mp4",
                                        "usr_rec/",
                                    }));

    recgen::CardSpec monitor;
    monitor.layout = recgen::CardLayout::DriverMonitor;
    monitor.files = {
        {FileCode::NOR, Tiny(), {}, {}},
        {FileCode::YAW, Tiny(), {}, {}},
        {FileCode::NOR, Tiny(), ".hidden_NOR.mp4", {}},
    };
    ASSERT_EQ(recgen::WriteCard(root_ / "kotr", monitor), 0);
    EXPECT_EQ(Tree(root_ / "kotr"), (std::set<std::string>{
                                        "NOR/",
                                        "NOR/20260314_083000_NOR.mp4",
                                        "NOR/.hidden_NOR.mp4",
                                        "EVT/",
                                        "DSM/",
                                        "DSM/20260314_083100_YAW.mp4",
                                    }));
    EXPECT_GT(fs::file_size(root_ / "kotr" / "DSM" / "20260314_083100_YAW.mp4"), 1000u);
}

TEST_F(CardWriterTest, FailsWhenTheRootCannotBeMade) {
    fs::create_directories(root_);
    {
        std::ofstream(root_ / "file") << "x";
    }
    recgen::CardSpec card;
    card.files = {{FileCode::N, Tiny(), {}, {}}};
    EXPECT_LT(recgen::WriteCard(root_ / "file" / "card", card), 0);
}

// The demo cards are what a person looks at first: every kind, both stream counts, the
// model's own telemetry form, and each driver-state recording showing its state.
TEST(DemoCard, HoldsEveryKindAndShowsEachDriverState) {
    struct Case {
        CardModel model;
        std::set<FileCode> codes;
        recgen::TelemetryForm form;
        int codeLow, codeHigh;
    };
    const Case cases[] = {
        {CardModel::Vran3, {FileCode::N, FileCode::E, FileCode::U}, recgen::TelemetryForm::Csv, 0x90, 0x9F},
        {CardModel::Vran2x, {FileCode::N, FileCode::E, FileCode::U}, recgen::TelemetryForm::Csv, 0x50, 0x5F},
        {CardModel::Kotr4,
         {FileCode::NOR, FileCode::EVT, FileCode::DRO, FileCode::DIS, FileCode::PHO, FileCode::SMO, FileCode::YAW},
         recgen::TelemetryForm::Json, 0, 0xFF},
    };
    // The bits that make the panel show each driver state.
    const std::map<FileCode, std::pair<int, int>> stateBits = {
        {FileCode::DRO, {0x60, 0}}, {FileCode::DIS, {0xC, 0}},  {FileCode::YAW, {0x400, 0}},
        {FileCode::PHO, {0, 0x2}},  {FileCode::SMO, {0, 0x4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(recgen::VolumeLabel(c.model));
        const recgen::CardSpec card = recgen::DemoCard(c.model);
        EXPECT_EQ(card.layout, recgen::LayoutOf(c.model));
        std::set<FileCode> codes;
        std::set<std::size_t> videoCounts;
        bool audio = false, silent = false;
        double seconds = 0;
        for (const recgen::CardFile& f : card.files) {
            codes.insert(f.code);
            videoCounts.insert(f.recording.videos.size());
            (f.recording.audio ? audio : silent) = true;
            seconds += f.recording.durationSeconds;
            EXPECT_EQ(f.recording.form, c.form);
            if (c.form == recgen::TelemetryForm::Csv) {
                EXPECT_GE(f.recording.script.deviceCode, c.codeLow);
                EXPECT_LE(f.recording.script.deviceCode, c.codeHigh);
            }
            const auto bits = stateBits.find(f.code);
            if (bits == stateBits.end()) continue;
            bool shown = false;
            for (int tenth = 0; tenth < f.recording.durationSeconds * 10; ++tenth) {
                const recgen::DriveState s =
                    recgen::DriveAt(f.recording.script, f.recording.script.startSeconds + tenth / 10.0);
                shown |= (s.pfid & bits->second.first) || (s.psr & bits->second.second);
            }
            EXPECT_TRUE(shown) << recgen::CodeText(f.code);
        }
        EXPECT_EQ(codes, c.codes);
        EXPECT_TRUE(videoCounts.count(1) && videoCounts.count(2)) << "one and two cameras";
        EXPECT_TRUE(audio && silent);
        EXPECT_LE(seconds, 40) << "small enough to generate in a few seconds";
    }
}

}  // namespace
