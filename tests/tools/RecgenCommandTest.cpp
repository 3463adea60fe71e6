// The tavro-recgen command as the demo script and people use it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

namespace fs = std::filesystem;

class RecgenCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("recgen-cmd-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs tavro-recgen with `args`; returns its exit status.
    static int Run(const std::string& args) {
        const int status = std::system((std::string(TAVRO_RECGEN) + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path dir_;
};

TEST_F(RecgenCommandTest, WritesARecordingWithTheRequestedStreams) {
    const fs::path out = dir_ / "two.mp4";
    ASSERT_EQ(Run("recording --duration 1 --video 640x360 --video 320x180 --audio --telemetry json --fps 15 " +
                  out.string()),
              0);
    AVFormatContext* ic = nullptr;
    ASSERT_EQ(avformat_open_input(&ic, out.c_str(), nullptr, nullptr), 0);
    ASSERT_GE(avformat_find_stream_info(ic, nullptr), 0);
    ASSERT_EQ(ic->nb_streams, 4u);
    EXPECT_EQ(ic->streams[0]->codecpar->width, 640);
    EXPECT_EQ(ic->streams[1]->codecpar->width, 320);
    EXPECT_EQ(ic->streams[2]->codecpar->codec_type, AVMEDIA_TYPE_AUDIO);
    EXPECT_EQ(ic->streams[3]->codecpar->codec_type, AVMEDIA_TYPE_SUBTITLE);
    EXPECT_EQ(ic->streams[0]->avg_frame_rate.num / ic->streams[0]->avg_frame_rate.den, 15);
    avformat_close_input(&ic);
}

TEST_F(RecgenCommandTest, RefusesBadArguments) {
    const std::string out = (dir_ / "bad.mp4").string();
    const std::string cases[] = {
        "",
        "unknown",
        "recording",
        "recording --video 64x64 --video 64x64 --video 64x64 " + out,
        "recording --video 64 " + out,
        "recording --telemetry xml " + out,
        "recording --fps 0 " + out,
        "recording --no-video --video 64x64 " + out,
        "recording --colour " + out,
        "recording --colours bt2020 " + out,
        "card --model VRAN3 x",
        "card --model KOTR4",
    };
    for (const std::string& args : cases) EXPECT_EQ(Run(args), 2) << args;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(Run("recording --video 65x65 " + out), 1) << "the encoder refuses an odd size";
    EXPECT_EQ(Run("recording --pixel-format yuv420p-ish " + out), 1) << "no such pixel format";
    EXPECT_EQ(Run("recording --codec mjpeg --pixel-format yuv420p10le --container avi " + out), 1)
        << "the encoder refuses the format";
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(RecgenCommandTest, WritesTheDemoCardOfAModel) {
    ASSERT_EQ(Run("card --model VRAN-2X " + (dir_ / "card").string()), 0);
    std::set<std::string> folders;
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "card")) {
        if (e.is_directory()) {
            folders.insert(e.path().filename());
            continue;
        }
        ++files;
        const std::string name = e.path().filename();
        const std::string folder = e.path().parent_path().filename();
        const std::string suffix = name.substr(name.rfind('_') + 1);
        EXPECT_EQ(suffix, folder == "ory_rec" ? "N.mp4" : folder == "evt_rec" ? "E.mp4" : "U.mp4") << name;
    }
    EXPECT_EQ(folders, (std::set<std::string>{"ory_rec", "evt_rec", "usr_rec"}));
    EXPECT_GE(files, 3);
}

TEST_F(RecgenCommandTest, PrintsTheScriptedTexts) {
    const fs::path out = dir_ / "texts.txt";
    ASSERT_EQ(std::system((std::string(TAVRO_RECGEN) + " texts --telemetry json --count 3 > " + out.string()).c_str()),
              0);
    FILE* f = std::fopen(out.c_str(), "r");
    ASSERT_TRUE(f);
    char line[2048];
    int lines = 0;
    while (std::fgets(line, sizeof line, f)) {
        ++lines;
        EXPECT_EQ(line[0], '{');
        EXPECT_GE(std::string(line).size(), 81u);  // 80 bytes and the line break
    }
    std::fclose(f);
    EXPECT_EQ(lines, 3);
}

}  // namespace
