// Soak: open, play and stop recordings over and over through the viewer's own path (the
// main window's Open handling, which stops the running player through the control panel and
// starts the next one on its player thread), and print the resident memory at cycle 10 and
// at the last cycle.
//
//   tavro-soak-bench [--cycles N] [--play-ms M] [--limit-mb L]
//
// Defaults: 200 cycles, 600 ms of play, no limit. With a limit, a growth above L MB between
// cycle 10 and the last fails the run (exit status 1).
//
// Needs an X display (xvfb-run) and SDL_AUDIODRIVER=dummy where there is no sound card.
#include "CVRANViewerDlg.h"
#include "Player.h"
#include "RecordingGenerator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QString>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

long ResidentKiB()
{
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Bytes the program holds on malloc's heap: separates a real leak from memory malloc keeps.
long HeapInUseKiB()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

void Pump(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Recordings of different shapes, named as a card names them, in one folder. They are encoded
// in a child process: the encoder's threads would otherwise leave this process's heap in a
// state the viewer never sees.
std::vector<std::string> MakeRecordings(const fs::path& dir)
{
    std::vector<recgen::RecordingSpec> specs(4);
    specs[0].videos = {recgen::VideoSize{640, 360}};
    specs[1].videos = {recgen::VideoSize{640, 360}, recgen::VideoSize{320, 180}};
    specs[1].audio = true;
    specs[2].form = recgen::TelemetryForm::Json;
    specs[2].audio = true;
    specs[3].videos = {recgen::VideoSize{1280, 720}};
    specs[3].lengthPrefixedTexts = true;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < specs.size(); ++i) {
        specs[i].durationSeconds = 3.0;
        paths.push_back((dir / ("20260314_0830" + std::to_string(10 + i) + "_N.mp4")).string());
    }
    const pid_t child = fork();
    if (child == 0) {
        for (std::size_t i = 0; i < specs.size(); ++i)
            if (recgen::WriteRecording(paths[i], specs[i]) != 0) {
                std::fprintf(stderr, "cannot write %s\n", paths[i].c_str());
                _exit(1);
            }
        _exit(0);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::exit(1);
    return paths;
}

}  // namespace

int main(int argc, char** argv)
{
    int cycles = 200;
    int playMs = 600;
    double limitMb = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cycles" && i + 1 < argc) cycles = std::atoi(argv[++i]);
        else if (arg == "--play-ms" && i + 1 < argc) playMs = std::atoi(argv[++i]);
        else if (arg == "--limit-mb" && i + 1 < argc) limitMb = std::atof(argv[++i]);
        else {
            std::fprintf(stderr, "usage: %s [--cycles N] [--play-ms M] [--limit-mb L]\n", argv[0]);
            return 2;
        }
    }
    // A private working folder (Config.ini, log.txt) and an empty mount table, so that no
    // drive of this machine passes for a card.
    const fs::path dir = fs::temp_directory_path() / ("tavro-soak-" + std::to_string(getpid()));
    fs::create_directories(dir / "card");
    std::ofstream(dir / "mountinfo").flush();
    setenv("TAVRO_MOUNTINFO", (dir / "mountinfo").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("TAVRO_MESSAGE_BOX_STDERR", "1", 1);  // a message box would stop the run
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);  // Chromium's sandbox refuses root
    fs::current_path(dir);
    const std::vector<std::string> recordings = MakeRecordings(dir / "card");

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);  // the map's web view needs it
    QApplication app(argc, argv);
    int status = 0;
    {
        CVRANViewerDlg window;
        window.OnInitDialog();
        window.show();
        Pump(500);

        long rssAt10 = 0;
        int played = 0;
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            window.OpenRecordingFile(QString::fromStdString(recordings[cycle % recordings.size()]));
            Pump(playMs);
            played += player_globals.playing != 0;
            window.StopRunningPlayer();
            Pump(20);
            if (cycle == 10)
                rssAt10 = ResidentKiB();
            if (cycle % 20 == 0) {
                std::printf("cycle %3d: %ld KiB resident, %ld KiB in use on the heap\n", cycle, ResidentKiB(), HeapInUseKiB());
                std::fflush(stdout);
            }
        }
        const long rssEnd = ResidentKiB();
        std::printf("\n%d open/play/stop cycles over %zu recordings, %d ms of play each, %d playing when stopped\n",
                    cycles, recordings.size(), playMs, played);
        std::printf("resident memory: %ld KiB at cycle 10, %ld KiB at cycle %d: growth %+.1f MB\n", rssAt10, rssEnd,
                    cycles, (rssEnd - rssAt10) / 1024.0);
        if (played != cycles)
            status = 1;
        if (limitMb > 0 && (rssEnd - rssAt10) / 1024.0 > limitMb) {
            std::printf("growth above the limit of %.1f MB\n", limitMb);
            status = 1;
        }
        window.CloseViewer();
        Pump(200);
    }
    fs::current_path("/");
    fs::remove_all(dir);
    return status;
}
