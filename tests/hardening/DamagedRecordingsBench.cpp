// Plays damaged variants of generated recordings through the real engine into real X11
// windows, a few seconds each, then stops: the engine must neither crash nor hang on any of
// them, must say "cannot be opened" (0x419) exactly for the files the demuxer cannot open,
// and must give its memory back.
//
//   tavro-damage-bench [--variants N] [--seconds S] [--first I] [--keep DIR]
//
// Variant i is reproducible on its own: --first i --variants 1. Prints one line per
// variant and the totals; exits 1 on a wrong answer, 2 on a hang (the variant's file is
// kept in --keep, default the working folder). Needs an X display (xvfb-run) and
// SDL_AUDIODRIVER=dummy where there is no sound card.
#include "RecordingDamage.h"

#include "Engine.h"
#include "Player.h"
#include "PlayerNotifier.h"
#include "RecordingGenerator.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kStopLimit = 10s;  // a stop taking longer than this is a hang

class CountingNotifier : public PlayerNotifier {
public:
    void post(PlayerMessage message) override
    {
        if (message.message == kMsgOpenFailed)
            ++openFailed;
        else if (message.message == kMsgEndOfFile)
            ++endOfFile;
        else if (message.message == kMsgTelemetry && message.lparam)
            ++telemetry;
    }
    void set_duration(int64_t) override { ++opened; }
    void SelectRearView(int) override {}
    void Reset() { openFailed = endOfFile = telemetry = opened = 0; }

    std::atomic<int> openFailed{0}, endOfFile{0}, telemetry{0}, opened{0};
};

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

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Whether libavformat opens the file, given at most kStopLimit: a probe that never returns
// must not pass for a hang of the engine.
bool DemuxerOpens(const std::string& path)
{
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return false;
    static Clock::time_point deadline;
    deadline = Clock::now() + kStopLimit;
    context->interrupt_callback.callback = [](void*) { return Clock::now() > deadline ? 1 : 0; };
    if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0)
        return false;  // frees the context
    avformat_close_input(&context);
    return true;
}

struct Base {
    std::string name;
    std::string bytes;
};

// The undamaged recordings the variants start from: both telemetry forms, one and two
// cameras, with and without sound, bare and length-prefixed texts, and tracks of junk texts.
std::vector<Base> MakeBases(const fs::path& dir)
{
    struct Made {
        const char* name;
        recgen::RecordingSpec spec;
    };
    std::vector<Made> made;
    auto spec = [] {
        recgen::RecordingSpec s;
        s.durationSeconds = 3.0;
        s.videos = {recgen::VideoSize{320, 180}};
        return s;
    };
    {
        Made m{"csv-audio", spec()};
        m.spec.audio = true;
        made.push_back(m);
    }
    {
        Made m{"json-two-cameras", spec()};
        m.spec.videos = {recgen::VideoSize{320, 180}, recgen::VideoSize{320, 180}};
        m.spec.form = recgen::TelemetryForm::Json;
        m.spec.audio = true;
        made.push_back(m);
    }
    {
        Made m{"csv-length-prefixed", spec()};
        m.spec.lengthPrefixedTexts = true;
        made.push_back(m);
    }
    for (int seed = 1; seed <= 2; ++seed) {
        Made m{seed == 1 ? "junk-texts-1" : "junk-texts-2", spec()};
        if (seed == 2)
            m.spec.videos.push_back(recgen::VideoSize{320, 180});
        std::mt19937 rng(seed);
        for (int tenth = 0; tenth < 30; ++tenth)
            m.spec.texts.push_back(recgen::TextSample{tenth, hardening::GarbageText(rng)});
        made.push_back(m);
    }
    std::vector<Base> bases;
    for (const Made& m : made) {
        const fs::path path = dir / (std::string(m.name) + ".mp4");
        if (recgen::WriteRecording(path.string(), m.spec) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        bases.push_back(Base{m.name, ReadFile(path)});
    }
    return bases;
}

struct Windows {
    Display* display = nullptr;
    Window front = 0, rear = 0;
};

Windows MakeWindows()
{
    Windows w;
    w.display = XOpenDisplay(nullptr);
    if (!w.display)
        return w;
    const int screen = DefaultScreen(w.display);
    auto make = [&](int x, int width, int height) {
        Window win = XCreateSimpleWindow(w.display, RootWindow(w.display, screen), x, 0, width, height, 0, 0,
                                         BlackPixel(w.display, screen));
        XMapWindow(w.display, win);
        return win;
    };
    w.front = make(0, 720, 405);
    w.rear = make(1000, 360, 202);
    XSync(w.display, False);
    return w;
}

}  // namespace

int main(int argc, char** argv)
{
    int variants = 40;
    int first = 0;
    double seconds = 2.0;
    fs::path keep = fs::current_path();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool value = i + 1 < argc;
        if (arg == "--variants" && value) variants = std::atoi(argv[++i]);
        else if (arg == "--first" && value) first = std::atoi(argv[++i]);
        else if (arg == "--seconds" && value) seconds = std::atof(argv[++i]);
        else if (arg == "--keep" && value) keep = argv[++i];
        else {
            std::fprintf(stderr, "usage: %s [--variants N] [--seconds S] [--first I] [--keep DIR]\n", argv[0]);
            return 2;
        }
    }

    setenv("SDL_AUDIODRIVER", "dummy", 0);
    av_log_set_level(AV_LOG_QUIET);  // the damaged files make FFmpeg talk a lot
    const fs::path dir = fs::temp_directory_path() / ("tavro-damage-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::vector<Base> bases = MakeBases(dir);

    const Windows windows = MakeWindows();
    if (!windows.display) {
        std::fprintf(stderr, "no X display (run under xvfb-run)\n");
        return 2;
    }
    std::string error;
    if (player_startup(&error) != 0) {
        std::fprintf(stderr, "SDL: %s\n", error.c_str());
        return 2;
    }
    CountingNotifier notifier;
    PlayerGlobals& g = player_globals;
    g.main_window = &notifier;
    g.video_hwnd = windows.front;
    g.video2_hwnd = windows.rear;
    g.screen_width = 1920;
    g.screen_height = 1080;

    int wrong = 0, refused = 0, played = 0, ended = 0, gaveUp = 0;
    long rssAt10 = 0, rssAtHalf = 0;
    double longestStop = 0;
    const long rssStart = ResidentKiB();
    for (int i = first; i < first + variants; ++i) {
        std::mt19937 rng(static_cast<unsigned>(i));
        const Base& base = bases[static_cast<std::size_t>(i) % bases.size()];
        const auto damage = static_cast<hardening::Damage>((i / bases.size()) % 4);
        const std::string bytes = hardening::Damaged(base.bytes, damage, rng);
        const fs::path path = dir / "variant.mp4";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const bool opens = DemuxerOpens(path.string());

        notifier.Reset();
        std::atomic<bool> finished{false};
        std::thread player([&] {
            player_main(nullptr, path.string());
            finished = true;
        });
        for (auto end = Clock::now() + std::chrono::duration<double>(seconds); Clock::now() < end && !finished;)
            std::this_thread::sleep_for(20ms);
        const bool endedByItself = finished;

        // Stop on a helper thread, so that a stop that never returns is caught.
        const auto stopStart = Clock::now();
        std::mutex m;
        std::condition_variable cv;
        bool stopped = false;
        std::thread stopper([&] {
            stop_player();
            std::lock_guard lock(m);
            stopped = true;
            cv.notify_one();
        });
        {
            std::unique_lock lock(m);
            if (!cv.wait_for(lock, kStopLimit, [&] { return stopped; })) {
                const fs::path kept = keep / ("hang-variant-" + std::to_string(i) + ".mp4");
                fs::copy_file(path, kept, fs::copy_options::overwrite_existing);
                std::printf("variant %d (%s, %s): HANG, the stop did not return within %lld s; kept as %s\n", i,
                            base.name.c_str(), hardening::DamageName(damage),
                            static_cast<long long>(kStopLimit.count()), kept.c_str());
                std::fflush(stdout);
                std::_Exit(2);
            }
        }
        stopper.join();
        player.join();
        const double stopSeconds = std::chrono::duration<double>(Clock::now() - stopStart).count();
        longestStop = std::max(longestStop, stopSeconds);

        const bool saidCorrupted = notifier.openFailed > 0;
        const bool right = saidCorrupted == !opens && notifier.openFailed <= 1;
        if (!right) {
            ++wrong;
            const fs::path kept = keep / ("wrong-variant-" + std::to_string(i) + ".mp4");
            fs::copy_file(path, kept, fs::copy_options::overwrite_existing);
        }
        refused += saidCorrupted;
        played += notifier.opened > 0;
        ended += notifier.endOfFile > 0;
        gaveUp += endedByItself;
        std::printf("variant %3d %-20s %-13s %7zu bytes: %s%s%s, %d texts, stop %.2f s, %ld KiB%s\n", i, base.name.c_str(),
                    hardening::DamageName(damage), bytes.size(),
                    saidCorrupted ? "cannot be opened" : (notifier.opened ? "played" : "no stream"),
                    notifier.endOfFile ? ", to the end" : "", endedByItself ? ", engine ended" : "",
                    notifier.telemetry.load(), stopSeconds, ResidentKiB(),
                    right ? "" : (opens ? "  WRONG: 0x419 for a file the demuxer opens"
                                        : "  WRONG: no 0x419 for a file the demuxer refuses"));
        std::fflush(stdout);
        if (i - first + 1 == 10)
            rssAt10 = ResidentKiB();
        if (i - first + 1 == (variants + 1) / 2)
            rssAtHalf = ResidentKiB();
    }
    const long rssEnd = ResidentKiB();
    destroy_windows();
    SDL_Quit();
    g.main_window = nullptr;
    fs::remove_all(dir);

    std::printf("\n%d variants, %.1f s each: %d played, %d answered \"cannot be opened\", %d played to the end, "
                "%d ended by the engine itself, %d wrong answers, 0 crashes, 0 hangs; longest stop %.2f s\n",
                variants, seconds, played, refused, ended, gaveUp, wrong, longestStop);
    // The allocators and the GL driver settle during the first few dozen playbacks; a leak
    // shows as growth over the second half.
    std::printf("resident memory: %ld KiB at start, %ld KiB after variant 10, %ld KiB halfway, %ld KiB at the end "
                "(second half: %+ld KiB)\n",
                rssStart, rssAt10, rssAtHalf, rssEnd, rssEnd - rssAtHalf);
    return wrong ? 1 : 0;
}
