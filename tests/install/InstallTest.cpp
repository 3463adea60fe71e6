// Installs the build into a temporary prefix and checks what a user gets: the program, the
// map pages with Leaflet where the program finds them, the desktop entry and the icon. Then
// starts the installed program on generated recordings under the test display, and removes
// every installed file through the install manifest, as the README tells users to.
#include "RecordingGenerator.h"
#include "TestPicture.h"
#include "ViewerProcess.h"

#include <QImage>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using e2e::WaitFor;

namespace {

// What `command` writes to its standard output and error; its exit code goes to *status.
std::string Output(const std::string& command, int* status = nullptr)
{
    return e2e::Shell(command + " 2>&1", status);
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("tavro-install-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        prefix_ = dir_ / "prefix";
        fs::create_directories(dir_ / "work");
        int status = -1;
        const std::string out =
            Output(std::string(TAVRO_CMAKE) + " --install " + Quote(TAVRO_BUILD_DIR) + " --prefix " + Quote(prefix_), &status);
        ASSERT_EQ(status, 0) << out;
    }

    void TearDown() override
    {
        viewer_.Kill();
        fs::remove_all(dir_);
    }

    // Starts the installed viewer in the work folder, as a desktop launcher would with
    // "Exec=tavro-viewer %F": the files are its arguments.
    void Start(const std::vector<std::string>& files)
    {
        std::ofstream(dir_ / "mountinfo").flush();
        viewer_.Start({.program = prefix_ / "bin" / "tavro-viewer",
                       .args = files,
                       .folder = dir_ / "work",
                       .env = {"TAVRO_MOUNTINFO=" + (dir_ / "mountinfo").string()},  // no drive passes for a card
                       .argv0 = "tavro-viewer"});
    }

    fs::path dir_;
    fs::path prefix_;
    e2e::ViewerProcess viewer_;
};

TEST_F(Install, LaysOutProgramMapPagesDesktopEntryAndIcon)
{
    EXPECT_EQ(access((prefix_ / "bin/tavro-viewer").c_str(), X_OK), 0) << "no executable bin/tavro-viewer";
    EXPECT_EQ(access((prefix_ / "bin/tavro-export").c_str(), X_OK), 0) << "no executable bin/tavro-export beside it";

    const fs::path html = prefix_ / "share/tavro-viewer/html";
    for (const char* page : {"openstreetmap.html", "baidumap.html", "leaflet/leaflet.js", "leaflet/leaflet.css",
                             "leaflet/images/marker-icon.png"})
        EXPECT_TRUE(fs::is_regular_file(html / page)) << "missing " << (html / page);

    // The installed program finds them there: the viewer's own lookup, run from bin/.
    EXPECT_FALSE(fs::exists(prefix_ / "bin/html")) << "map pages belong under share/, not bin/";
    const fs::path probe = prefix_ / "bin" / fs::path(TAVRO_MAP_PAGE_PROBE).filename();
    fs::copy_file(TAVRO_MAP_PAGE_PROBE, probe);
    EXPECT_EQ(fs::path(Output(Quote(probe))).lexically_normal().string(),
              (html / "openstreetmap.html").string() + "\n");
    fs::remove(probe);

    const fs::path desktop = prefix_ / "share/applications/tavro-viewer.desktop";
    const std::string entry = ReadText(desktop);
    ASSERT_FALSE(entry.empty()) << "missing " << desktop;
    for (const char* line : {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=tavro-viewer %F\n",
                             "\nIcon=tavro-viewer\n", "\nTerminal=false\n"})
        EXPECT_NE(entry.find(line), std::string::npos) << "the desktop entry lacks " << line;
    for (const char* type : {"video/mp4;", "video/x-msvideo;"})
        EXPECT_NE(entry.find(type), std::string::npos) << "the desktop entry does not offer " << type;
    if (!Output("command -v desktop-file-validate").empty()) {
        int status = -1;
        const std::string out = Output("desktop-file-validate " + Quote(desktop), &status);
        EXPECT_EQ(status, 0) << out;
    }

    const QImage icon(QString::fromStdString((prefix_ / "share/icons/hicolor/256x256/apps/tavro-viewer.png").string()));
    ASSERT_FALSE(icon.isNull()) << "no icon under share/icons/hicolor/256x256/apps";
    EXPECT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "the icon's corner should be transparent";
    EXPECT_EQ(qAlpha(icon.pixel(128, 128)), 255);
}

// The desktop entry's StartupWMClass, empty when it has none.
std::string StartupWMClass(const std::string& entry)
{
    const std::string key = "\nStartupWMClass=";
    const size_t at = entry.find(key);
    if (at == std::string::npos)
        return {};
    const size_t start = at + key.size();
    return entry.substr(start, entry.find('\n', start) - start);
}

TEST_F(Install, InstalledViewerPlaysTheFirstOfItsFilesUnderTheEntrysWindowClass)
{
    const std::string recording = (dir_ / "20260101_120000_N.mp4").string();
    recgen::RecordingSpec spec;
    spec.durationSeconds = 20.0;
    ASSERT_EQ(recgen::WriteRecording(recording, spec), 0);
    // Named second, a file that cannot be played: opening it would bring up the message.
    const std::string broken = (dir_ / "20260101_120100_N.mp4").string();
    std::ofstream(broken) << std::string(4096, 'x');

    ASSERT_NO_FATAL_FAILURE(Start({recording, broken}));
    e2e::ShownWindow shown;
    ASSERT_TRUE(viewer_.WaitForWindow(1080, 645, &shown));
    const e2e::Rect win = shown.rect;

    // Launchers group the window under the entry by its X11 class (both WM_CLASS strings).
    const std::string wmClass = StartupWMClass(ReadText(prefix_ / "share/applications/tavro-viewer.desktop"));
    EXPECT_EQ(wmClass, "tavro-viewer");
    EXPECT_EQ(Output("xprop -id " + shown.id + " WM_CLASS"),
              "WM_CLASS(STRING) = \"" + wmClass + "\", \"" + wmClass + "\"\n");

    // The file given on the command line plays: the front pane shows its test picture.
    recgen::TestPictureReading reading;
    const bool playing = WaitFor([&] {
        const QImage image = e2e::Screenshot(dir_, "shot");
        if (image.isNull())
            return false;
        reading = recgen::ReadTestPicture(720, 405, [&](int x, int y) {
            const QRgb p = image.pixel(win.x + x, win.y + 42 + y);
            return recgen::Rgb{qRed(p), qGreen(p), qBlue(p)};
        });
        return reading.valid;
    }, 15s);

    EXPECT_TRUE(viewer_.Terminate(10s)) << "the viewer did not end on SIGTERM";

    EXPECT_TRUE(playing) << "the installed viewer did not play the first file given on its command line";
    EXPECT_EQ(reading.camera, 0);
    EXPECT_EQ(viewer_.Errors().find("connot be opened"), std::string::npos) << "it opened the second file";
}

TEST_F(Install, UninstallByTheManifestRemovesEveryInstalledFile)
{
    const std::string manifest = ReadText(fs::path(TAVRO_BUILD_DIR) / "install_manifest.txt");
    std::istringstream lines(manifest);
    std::string file;
    int removed = 0;
    while (std::getline(lines, file))
        if (file.rfind(prefix_.string(), 0) == 0 && fs::remove(file))
            ++removed;
    EXPECT_GT(removed, 5);
    for (const fs::directory_entry& left : fs::recursive_directory_iterator(prefix_))
        EXPECT_TRUE(left.is_directory()) << left.path() << " is not in the install manifest";
}

}  // namespace
