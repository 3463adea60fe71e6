// Installs the build into a temporary prefix and checks what a user gets: the program, the
// map pages with Leaflet where the program finds them, the desktop entry and the icon. Then
// starts the installed program on a generated recording under the test display, and removes
// every installed file through the install manifest, as the README tells users to.
#include "RecordingGenerator.h"
#include "TestPicture.h"

#include <QImage>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string Shell(const std::string& command, int* status = nullptr)
{
    std::string out;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        const int rc = pclose(pipe);
        if (status)
            *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    return out;
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
};

// The largest visible window of `pid`.
std::optional<Rect> FindWindow(pid_t pid)
{
    std::istringstream ids(Shell("xdotool search --onlyvisible --pid " + std::to_string(pid)));
    std::string id;
    std::optional<Rect> best;
    while (ids >> id) {
        if (id.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::istringstream geometry(Shell("xdotool getwindowgeometry --shell " + id));
        Rect r;
        std::string line;
        while (std::getline(geometry, line)) {
            if (line.rfind("X=", 0) == 0) r.x = std::stoi(line.substr(2));
            if (line.rfind("Y=", 0) == 0) r.y = std::stoi(line.substr(2));
            if (line.rfind("WIDTH=", 0) == 0) r.w = std::stoi(line.substr(6));
            if (line.rfind("HEIGHT=", 0) == 0) r.h = std::stoi(line.substr(7));
        }
        if (!best || r.w * r.h > best->w * best->h)
            best = r;
    }
    return best;
}

template <class F>
bool WaitFor(F done, std::chrono::milliseconds limit)
{
    for (auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
        if (done())
            return true;
        std::this_thread::sleep_for(200ms);
    }
    return done();
}

class Install : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("tavro-install-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        prefix_ = dir_ / "prefix";
        fs::create_directories(dir_ / "work");
        fs::create_directories(dir_ / "runtime");
        int status = -1;
        const std::string out =
            Shell(std::string(TAVRO_CMAKE) + " --install " + Quote(TAVRO_BUILD_DIR) + " --prefix " + Quote(prefix_), &status);
        ASSERT_EQ(status, 0) << out;
    }

    void TearDown() override
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        fs::remove_all(dir_);
    }

    // Starts the installed viewer in the work folder, as a desktop launcher would with
    // "Exec=tavro-viewer %f": the file is its one argument.
    void Start(const std::string& file)
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("XDG_RUNTIME_DIR=", 0) != 0)
                env.emplace_back(*e);
        env.push_back("XDG_RUNTIME_DIR=" + (dir_ / "runtime").string());  // its own instance lock
        env.push_back("TAVRO_MESSAGE_BOX_STDERR=1");
        env.push_back("TAVRO_MOUNTINFO=" + (dir_ / "mountinfo").string());  // no drive passes for a card
        env.push_back("QT_QPA_PLATFORM=xcb");
        if (!std::getenv("SDL_AUDIODRIVER"))
            env.push_back("SDL_AUDIODRIVER=dummy");
        std::ofstream(dir_ / "mountinfo").flush();
        std::vector<char*> envp;
        for (std::string& s : env)
            envp.push_back(s.data());
        envp.push_back(nullptr);

        std::string program = "tavro-viewer";
        std::string argument = file;
        std::vector<char*> argv = {program.data(), argument.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string work = (dir_ / "work").string();
        posix_spawn_file_actions_addchdir_np(&actions, work.c_str());
        const int rc = posix_spawn(&pid_, (prefix_ / "bin" / program).c_str(), &actions, nullptr, argv.data(),
                                   envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(rc, 0);
    }

    fs::path dir_;
    fs::path prefix_;
    pid_t pid_ = -1;
};

TEST_F(Install, LaysOutProgramMapPagesDesktopEntryAndIcon)
{
    EXPECT_EQ(access((prefix_ / "bin/tavro-viewer").c_str(), X_OK), 0) << "no executable bin/tavro-viewer";

    const fs::path html = prefix_ / "share/tavro-viewer/html";
    for (const char* page : {"openstreetmap.html", "baidumap.html", "leaflet/leaflet.js", "leaflet/leaflet.css",
                             "leaflet/images/marker-icon.png"})
        EXPECT_TRUE(fs::is_regular_file(html / page)) << "missing " << (html / page);

    // The installed program finds them there: the viewer's own lookup, run from bin/.
    EXPECT_FALSE(fs::exists(prefix_ / "bin/html")) << "map pages belong under share/, not bin/";
    const fs::path probe = prefix_ / "bin" / fs::path(TAVRO_MAP_PAGE_PROBE).filename();
    fs::copy_file(TAVRO_MAP_PAGE_PROBE, probe);
    EXPECT_EQ(fs::path(Shell(Quote(probe))).lexically_normal().string(),
              (html / "openstreetmap.html").string() + "\n");
    fs::remove(probe);

    const fs::path desktop = prefix_ / "share/applications/tavro-viewer.desktop";
    const std::string entry = ReadText(desktop);
    ASSERT_FALSE(entry.empty()) << "missing " << desktop;
    for (const char* line : {"[Desktop Entry]\n", "\nType=Application\n", "\nExec=tavro-viewer %f\n",
                             "\nIcon=tavro-viewer\n", "\nTerminal=false\n"})
        EXPECT_NE(entry.find(line), std::string::npos) << "the desktop entry lacks " << line;
    for (const char* type : {"video/mp4;", "video/x-msvideo;"})
        EXPECT_NE(entry.find(type), std::string::npos) << "the desktop entry does not offer " << type;
    if (!Shell("command -v desktop-file-validate").empty()) {
        int status = -1;
        const std::string out = Shell("desktop-file-validate " + Quote(desktop), &status);
        EXPECT_EQ(status, 0) << out;
    }

    const QImage icon(QString::fromStdString((prefix_ / "share/icons/hicolor/256x256/apps/tavro-viewer.png").string()));
    ASSERT_FALSE(icon.isNull()) << "no icon under share/icons/hicolor/256x256/apps";
    EXPECT_EQ(icon.size(), QSize(256, 256));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "the icon's corner should be transparent";
    EXPECT_EQ(qAlpha(icon.pixel(128, 128)), 255);
}

TEST_F(Install, InstalledViewerStartsOnARecording)
{
    const std::string recording = (dir_ / "20260101_120000_N.mp4").string();
    recgen::RecordingSpec spec;
    spec.durationSeconds = 20.0;
    ASSERT_EQ(recgen::WriteRecording(recording, spec), 0);

    Start(recording);
    std::optional<Rect> win;
    ASSERT_TRUE(WaitFor([&] { return (win = FindWindow(pid_)) && win->w == 1080 && win->h == 645; }, 20s))
        << "the installed viewer showed no 1080 x 645 window";

    // The file given on the command line plays: the front pane shows its test picture.
    const fs::path shot = dir_ / "shot.png";
    recgen::TestPictureReading reading;
    const bool playing = WaitFor([&] {
        Shell("import -window root " + Quote(shot));
        const QImage image = QImage(QString::fromStdString(shot.string())).convertToFormat(QImage::Format_RGB32);
        if (image.isNull())
            return false;
        reading = recgen::ReadTestPicture(720, 405, [&](int x, int y) {
            const QRgb p = image.pixel(win->x + x, win->y + 42 + y);
            return recgen::Rgb{qRed(p), qGreen(p), qBlue(p)};
        });
        return reading.valid;
    }, 15s);

    kill(pid_, SIGTERM);
    int status = 0;
    if (WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 10s))
        pid_ = -1;
    else
        ADD_FAILURE() << "the viewer did not end on SIGTERM";

    EXPECT_TRUE(playing) << "the installed viewer did not play the file given on its command line";
    EXPECT_EQ(reading.camera, 0);
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
