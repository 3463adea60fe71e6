// tavro-bench: plays a recording at a given speed into two pane-sized X11 windows and prints
// what it cost, next to what plain decoding of the same streams costs in the same run. It
// measures only; run it under xvfb-run.
//
//   tavro-bench [--speed N] [--front WxH] [--rear WxH|none] [--seconds S] [--fps F]
//               [--renderer NAME] [--textured] [--b-frames N] [FILE]
//   tavro-bench --matrix [--seconds S] [--renderer NAME] [--viewer PATH]
//
// --matrix plays one generated recording of each video load level (1280x720; 1280x720 with a
// 640x360 second camera; 1920x1080 with a 1280x720 second camera) at 1x and at the level's
// highest offered speed (4x, 3x, 2x), all with the textured picture, and prints one table.
// "allowed" is how many pictures the display could show in the wall time (the display's refresh
// rate, 60 Hz where it reports none, as Xvfb does), at most all of them; "of allowed" is the share
// of those that were shown. With --viewer, the whole viewer at PATH (its panels and map, and the
// web engine's processes) is then timed on level 1: once idle and once playing the recording
// given on its command line, each for the recording's length plus 5 s from its start.
//
// --renderer picks an SDL render driver by name (opengl, opengles2, software); by default SDL
// chooses, as the viewer does.
//
// Without FILE a recording of the given shape (with sound and telemetry) is generated first;
// --textured gives it the moving road scene instead of flat colour, --b-frames N that many
// B-frames between reference pictures.
//
//   tavro-bench --first-picture RUNS [--front WxH] [--rear WxH|none] [--seconds S] [FILE]
//
// times how long a playback takes to show its first picture, alternately without and with the
// telemetry scan the viewer starts beside it, and prints the medians of both. The generated
// recording then has no sound, so the clock is the first video's, set as its first picture
// shows: the first position reported is that moment.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "EngineGlobals.h"
#include "PaneWindows.h"
#include "Player.h"
#include "RecordingGenerator.h"
#include "TrackScanner.h"

#include <algorithm>
#include <vector>

namespace {

double cpu_seconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class BenchNotifier : public PlayerNotifier {
public:
  void post(PlayerMessage m) override {
    if (m.message == kMsgPosition) positioned = true;
    if (m.message == kMsgEndOfFile) ended = true;
    if (m.message == kMsgOpenFailed) failed = true;
  }
  void set_duration(int64_t us) override { duration_us = us; }
  void SelectRearView(int) override {}
  std::atomic<bool> positioned{false};
  std::atomic<bool> ended{false};
  std::atomic<bool> failed{false};
  std::atomic<int64_t> duration_us{0};
};

// Decodes every audio and video packet of the file, as the engine's decoders would, without
// output. Returns the CPU seconds it took.
double plain_decode_seconds(const std::string& path) {
  const double start = cpu_seconds();
  AVFormatContext* ic = nullptr;
  if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return -1;
  avformat_find_stream_info(ic, nullptr);
  std::vector<AVCodecContext*> codecs(ic->nb_streams, nullptr);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVCodecParameters* par = ic->streams[i]->codecpar;
    if (par->codec_type != AVMEDIA_TYPE_VIDEO && par->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) continue;
    codecs[i] = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(codecs[i], par);
    avcodec_open2(codecs[i], codec, nullptr);
  }
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  while (av_read_frame(ic, pkt) >= 0) {
    if (AVCodecContext* c = codecs[pkt->stream_index]) {
      avcodec_send_packet(c, pkt);
      while (avcodec_receive_frame(c, frame) >= 0) av_frame_unref(frame);
    }
    av_packet_unref(pkt);
  }
  for (AVCodecContext*& c : codecs) {
    if (!c) continue;
    avcodec_send_packet(c, nullptr);
    while (avcodec_receive_frame(c, frame) >= 0) av_frame_unref(frame);
    avcodec_free_context(&c);
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avformat_close_input(&ic);
  return cpu_seconds() - start;
}

// Milliseconds from the start of a playback of `path` to its first picture, with a scan of the
// same file started just before it (as the viewer starts one) when `scanner` is given.
double first_picture_ms(const std::string& path, BenchNotifier& notifier, TrackScanner* scanner) {
  notifier.positioned = false;
  const auto start = std::chrono::steady_clock::now();
  if (scanner) scanner->Scan(path);
  player_globals.player_running = 1;
  std::thread player([&path] { player_main(nullptr, path); });
  while (!notifier.positioned && !notifier.failed) std::this_thread::sleep_for(std::chrono::microseconds(500));
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  stop_player();
  player.join();
  return ms;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool parse_size(const char* text, recgen::VideoSize* size) {
  return std::sscanf(text, "%dx%d", &size->width, &size->height) == 2;
}

struct Shape {
  recgen::VideoSize front{1280, 720};
  recgen::VideoSize rear{640, 360};
  bool with_rear = true;
  double seconds = 30.0;
  int fps = 30;
  bool textured = false;
  int b_frames = 0;
  bool audio = true;
};

// The generated recording of `shape` (with telemetry, and sound unless it is left out), made
// once and kept in the temporary folder. Empty when it cannot be written.
std::string generated_recording(const Shape& shape) {
  recgen::RecordingSpec spec;
  spec.durationSeconds = shape.seconds;
  spec.fps = shape.fps;
  spec.gopFrames = shape.fps;
  spec.audio = shape.audio;
  spec.textured = shape.textured;
  spec.bFrames = shape.b_frames;
  spec.videos = {shape.front};
  if (shape.with_rear) spec.videos.push_back(shape.rear);
  char name[160];
  std::snprintf(name, sizeof name, "tavro-bench-%dx%d-%s-%gs-%dfps%s.mp4", shape.front.width, shape.front.height,
                shape.with_rear ? (std::to_string(shape.rear.width) + "x" + std::to_string(shape.rear.height)).c_str()
                                : "none",
                shape.seconds, shape.fps, (std::string(shape.textured ? "-textured-cbr" : "") + (shape.audio ? "" : "-silent")).c_str());
  if (shape.b_frames > 0) std::snprintf(name + std::strlen(name) - 4, 40, "-%db.mp4", shape.b_frames);
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  if (!std::filesystem::exists(path) && recgen::WriteRecording(path, spec) < 0) {
    std::fprintf(stderr, "cannot generate %s\n", path.c_str());
    return {};
  }
  return path;
}

struct PlayResult {
  bool ok = false;
  double cpu = 0;          // CPU seconds of the whole process while the engine played
  double wall = 0;         // from the player's start to the end of the recording
  double decode = 0;       // CPU seconds of plain decoding of the same file
  int64_t shown = 0;
  int64_t dropped_before_queue = 0;
  int64_t dropped_at_display = 0;
  double content_seconds = 0;
};

// Plays `path` to its end at `speed` and decodes it plainly afterwards.
PlayResult play(BenchNotifier& notifier, const std::string& path, int speed) {
  PlayResult r;
  notifier.ended = false;
  notifier.failed = false;
  set_speed(speed);
  const int64_t shown = engine_globals.total_pictures_shown;
  const int64_t before_queue = engine_globals.total_dropped_before_queue;
  const int64_t at_display = engine_globals.total_dropped_at_display;
  const double cpu_before = cpu_seconds();
  const auto wall_before = std::chrono::steady_clock::now();
  std::thread player([&path] { player_main(nullptr, path); });
  while (!notifier.ended && !notifier.failed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  stop_player();
  player.join();
  r.cpu = cpu_seconds() - cpu_before;
  if (notifier.failed) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return r;
  }
  r.shown = engine_globals.total_pictures_shown - shown;
  r.dropped_before_queue = engine_globals.total_dropped_before_queue - before_queue;
  r.dropped_at_display = engine_globals.total_dropped_at_display - at_display;
  r.content_seconds = notifier.duration_us / 1e6;
  // The median of three: one pass alone varies by up to a fifth on a virtual machine.
  std::vector<double> decodes;
  for (int i = 0; i < 3; ++i) decodes.push_back(plain_decode_seconds(path));
  r.decode = median(decodes);
  r.ok = true;
  return r;
}

// The display's refresh rate in Hz; 60 where it reports none.
int display_rate() {
  SDL_DisplayMode mode;
  if (SDL_GetCurrentDisplayMode(0, &mode) == 0 && mode.refresh_rate > 0) return mode.refresh_rate;
  return 60;
}

// CPU seconds of process `root` and all its descendants, as they stand (from /proc).
double tree_cpu_seconds(pid_t root) {
  std::map<pid_t, std::pair<pid_t, double>> procs;  // pid -> (parent, own CPU seconds)
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "stat");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    const size_t close = text.rfind(')');  // the command name may hold spaces
    if (close == std::string::npos) continue;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    pid_t parent = 0;
    unsigned long long utime = 0, stime = 0;
    fields >> skip >> parent;
    for (int i = 0; i < 9; ++i) fields >> skip;
    fields >> utime >> stime;
    procs[std::stoi(name)] = {parent, (utime + stime) / tick};
  }
  double total = 0;
  for (const auto& [pid, info] : procs) {
    for (pid_t p = pid; p > 1;) {
      if (p == root) {
        total += info.second;
        break;
      }
      const auto it = procs.find(p);
      if (it == procs.end()) break;
      p = it->second.first;
    }
  }
  return total;
}

// Runs the viewer at `viewer` (with `recording` on its command line unless empty) in a scratch
// working directory and runtime directory, and returns the CPU seconds its process tree used
// in its first `seconds`; -1 when it could not be started.
double viewer_cpu_seconds(const std::string& viewer, const std::string& recording, double seconds) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tavro-bench-viewer-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    setpgid(0, 0);
    if (chdir(dir.c_str()) != 0) _exit(127);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    const int null = open("/dev/null", O_WRONLY);  // its stream listing would break up the table
    dup2(null, 1);
    dup2(null, 2);
    if (recording.empty())
      execl(viewer.c_str(), viewer.c_str(), static_cast<char*>(nullptr));
    else
      execl(viewer.c_str(), viewer.c_str(), recording.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double cpu = tree_cpu_seconds(pid);
  kill(-pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  std::filesystem::remove_all(dir);
  // The web engine's helpers notice the end of their parent on their own: let them go before
  // anything else is timed.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  return WIFEXITED(status) && WEXITSTATUS(status) == 127 ? -1 : cpu;
}

void print_loadavg(const char* when) {
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) == 3) std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}

int run_matrix(BenchNotifier& notifier, double seconds, const std::string& renderer, const std::string& viewer) {
  struct Level {
    int level;
    Shape shape;
    int top_speed;
  };
  const Level levels[] = {
      {0, {{1280, 720}, {}, false, seconds, 30, true}, 4},
      {1, {{1280, 720}, {640, 360}, true, seconds, 30, true}, 3},
      {2, {{1920, 1080}, {1280, 720}, true, seconds, 30, true}, 2},
  };
  // What a process does once (SDL's video and GL set-up, the renderers) is not any level's cost.
  if (const std::string first = generated_recording(levels[0].shape); first.empty() ||
      first_picture_ms(first, notifier, nullptr) < 0)
    return 1;
  print_loadavg("before");
  const int rate = display_rate();
  std::printf("renderer %s; %g s textured recordings at 30 fps; display %d Hz\n",
              renderer.empty() ? "chosen by the engine" : renderer.c_str(), seconds, rate);
  std::printf("%-5s %-20s %5s %8s %8s %6s %6s %8s %8s %7s %8s %10s\n", "level", "videos", "speed", "engine", "decode",
              "ratio", "shown", "drop-q", "drop-d", "wall", "allowed", "of allowed");
  for (const Level& l : levels) {
    const std::string path = generated_recording(l.shape);
    if (path.empty()) return 1;
    char videos[64];
    std::snprintf(videos, sizeof videos, "%dx%d%s", l.shape.front.width, l.shape.front.height,
                  l.shape.with_rear ? ("+" + std::to_string(l.shape.rear.width) + "x" + std::to_string(l.shape.rear.height)).c_str() : "");
    for (const int speed : {1, l.top_speed}) {
      const PlayResult r = play(notifier, path, speed);
      if (!r.ok) return 1;
      const int64_t pictures = std::llround(r.content_seconds * l.shape.fps);
      const int64_t allowed = std::min<int64_t>(pictures, std::llround(rate * r.wall));
      std::printf("%-5d %-20s %4dx %8.2f %8.2f %6.2f %6lld %8lld %8lld %7.1f %8lld %9.0f%%\n", l.level, videos, speed,
                  r.cpu, r.decode, r.decode > 0 ? r.cpu / r.decode : 0.0, static_cast<long long>(r.shown),
                  static_cast<long long>(r.dropped_before_queue), static_cast<long long>(r.dropped_at_display), r.wall,
                  static_cast<long long>(allowed), allowed > 0 ? 100.0 * std::min(r.shown, allowed) / allowed : 0.0);
      std::fflush(stdout);
    }
  }
  print_loadavg("after");
  if (viewer.empty()) return 0;
  const std::string recording = generated_recording(levels[1].shape);
  const double window = seconds + 5;
  const double idle = viewer_cpu_seconds(viewer, "", window);
  const double playing = viewer_cpu_seconds(viewer, recording, window);
  if (idle < 0 || playing < 0) {
    std::fprintf(stderr, "cannot start %s\n", viewer.c_str());
    return 1;
  }
  std::printf("whole viewer, first %.0f s, CPU seconds (process tree): idle %.2f, playing level 1 at 1x %.2f, "
              "difference %.2f\n",
              window, idle, playing, playing - idle);
  print_loadavg("after the viewer");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int speed = 1;
  bool matrix = false;
  Shape shape;
  bool seconds_given = false;
  std::string path;
  std::string renderer;
  std::string viewer;
  int first_picture_runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--speed" && has_value) {
      speed = std::atoi(argv[++i]);
    } else if (arg == "--matrix") {
      matrix = true;
    } else if (arg == "--textured") {
      shape.textured = true;
    } else if (arg == "--b-frames" && has_value) {
      shape.b_frames = std::atoi(argv[++i]);
    } else if (arg == "--fps" && has_value) {
      shape.fps = std::atoi(argv[++i]);
    } else if (arg == "--seconds" && has_value) {
      shape.seconds = std::atof(argv[++i]);
      seconds_given = true;
    } else if (arg == "--front" && has_value) {
      if (!parse_size(argv[++i], &shape.front)) return 2;
    } else if (arg == "--rear" && has_value) {
      ++i;
      shape.with_rear = std::strcmp(argv[i], "none") != 0;
      if (shape.with_rear && !parse_size(argv[i], &shape.rear)) return 2;
    } else if (arg == "--first-picture" && has_value) {
      first_picture_runs = std::max(1, std::atoi(argv[++i]));
      shape.audio = false;
    } else if (arg == "--renderer" && has_value) {
      renderer = argv[++i];
    } else if (arg == "--viewer" && has_value) {
      viewer = std::filesystem::absolute(argv[++i]).string();
    } else if (arg[0] != '-') {
      path = arg;
    } else {
      std::fprintf(stderr,
                   "usage: %s [--speed N] [--front WxH] [--rear WxH|none] [--seconds S] [--fps F] [--renderer NAME] "
                   "[--textured] [--b-frames N] [FILE]\n       %s --matrix [--seconds S] [--renderer NAME] [--viewer PATH]\n"
                   "       %s --first-picture RUNS [--front WxH] [--rear WxH|none] [--seconds S] [FILE]\n",
                   argv[0], argv[0], argv[0]);
      return 2;
    }
  }
  av_log_set_level(AV_LOG_ERROR);
  setenv("SDL_AUDIODRIVER", "dummy", 0);  // machines without a sound card (Xvfb)

  if (!matrix && path.empty() && (path = generated_recording(shape)).empty()) return 1;

  PaneWindows windows(false);
  BenchNotifier notifier;
  if (!StartEngine(windows, notifier)) return 1;
  for (int i = 0; !renderer.empty() && i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && renderer == info.name) player_globals.render_driver_index = i;
  }

  if (first_picture_runs > 0) {
    TrackScanner scanner([](int, ScanResult, TelemetryTrack) {});
    std::vector<double> plain, scanned;
    for (int r = 0; r < first_picture_runs; ++r) {
      // Alternating, so that neither variant always comes first.
      for (int variant = 0; variant < 2; ++variant) {
        const bool scan = (variant + r) % 2 == 1;
        (scan ? scanned : plain).push_back(first_picture_ms(path, notifier, scan ? &scanner : nullptr));
      }
    }
    player_globals.main_window = nullptr;
    if (notifier.failed) {
      std::fprintf(stderr, "cannot open %s\n", path.c_str());
      return 1;
    }
    std::printf("recording: %s, %d runs each\n", path.c_str(), first_picture_runs);
    std::printf("first picture, median ms: %.1f without the scan, %.1f with it\n", median(plain), median(scanned));
    return 0;
  }

  int status = 0;
  if (matrix) {
    status = run_matrix(notifier, seconds_given ? shape.seconds : 10.0, renderer, viewer);
  } else {
    const PlayResult r = play(notifier, path, speed);
    if (!r.ok) return 1;
    std::printf("recording: %s at %dx, renderer %s\n", path.c_str(), speed,
                renderer.empty() ? "chosen by the engine" : renderer.c_str());
    std::printf("content seconds played: %.1f (in %.1f s wall)\n", r.content_seconds, r.wall);
    std::printf("viewer CPU seconds: %.2f\n", r.cpu);
    std::printf("plain decode CPU seconds: %.2f\n", r.decode);
    std::printf("ratio viewer / plain decode: %.2f\n", r.decode > 0 ? r.cpu / r.decode : 0.0);
    std::printf("pictures shown: %lld\n", static_cast<long long>(r.shown));
    std::printf("pictures dropped before queueing: %lld\n", static_cast<long long>(r.dropped_before_queue));
    std::printf("pictures dropped at display: %lld\n", static_cast<long long>(r.dropped_at_display));
  }
  player_globals.main_window = nullptr;
  return status;
}
