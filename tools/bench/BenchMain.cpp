// tavro-bench: plays a recording at a given speed into two pane-sized X11 windows and prints
// what it cost, next to what plain decoding of the same streams costs in the same run. It
// measures only; run it under xvfb-run.
//
//   tavro-bench [--speed N] [--front WxH] [--rear WxH|none] [--seconds S] [--fps F]
//               [--renderer NAME] [FILE]
//
// --renderer picks an SDL render driver by name (opengl, opengles2, software); by default SDL
// chooses, as the viewer does.
//
// Without FILE a recording of the given shape (with sound and telemetry) is generated first.
//
//   tavro-bench --first-picture RUNS [--front WxH] [--rear WxH|none] [--seconds S] [FILE]
//
// times how long a playback takes to show its first picture, alternately without and with the
// telemetry scan the viewer starts beside it, and prints the medians of both. The generated
// recording then has no sound, so the clock is the first video's, set as its first picture
// shows: the first position reported is that moment.

#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

}  // namespace

int main(int argc, char** argv) {
  int speed = 1;
  int fps = 30;
  double seconds = 30.0;
  recgen::VideoSize front{1280, 720};
  recgen::VideoSize rear{640, 360};
  bool with_rear = true;
  std::string path;
  std::string renderer;
  int first_picture_runs = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--speed" && has_value) {
      speed = std::atoi(argv[++i]);
    } else if (arg == "--fps" && has_value) {
      fps = std::atoi(argv[++i]);
    } else if (arg == "--seconds" && has_value) {
      seconds = std::atof(argv[++i]);
    } else if (arg == "--front" && has_value) {
      if (!parse_size(argv[++i], &front)) return 2;
    } else if (arg == "--rear" && has_value) {
      ++i;
      with_rear = std::strcmp(argv[i], "none") != 0;
      if (with_rear && !parse_size(argv[i], &rear)) return 2;
    } else if (arg == "--first-picture" && has_value) {
      first_picture_runs = std::max(1, std::atoi(argv[++i]));
    } else if (arg == "--renderer" && has_value) {
      renderer = argv[++i];
    } else if (arg[0] != '-') {
      path = arg;
    } else {
      std::fprintf(stderr, "usage: %s [--speed N] [--front WxH] [--rear WxH|none] [--seconds S] [--fps F] [--renderer NAME] [FILE]\n",
                   argv[0]);
      return 2;
    }
  }
  av_log_set_level(AV_LOG_ERROR);
  setenv("SDL_AUDIODRIVER", "dummy", 0);  // machines without a sound card (Xvfb)

  if (path.empty()) {
    recgen::RecordingSpec spec;
    spec.durationSeconds = seconds;
    spec.fps = fps;
    spec.gopFrames = fps;
    spec.audio = first_picture_runs == 0;
    spec.videos = {front};
    if (with_rear) spec.videos.push_back(rear);
    char name[128];
    std::snprintf(name, sizeof name, "tavro-bench-%dx%d-%s-%gs-%dfps%s.mp4", front.width, front.height,
                  with_rear ? (std::to_string(rear.width) + "x" + std::to_string(rear.height)).c_str() : "none",
                  seconds, fps, spec.audio ? "" : "-silent");
    path = (std::filesystem::temp_directory_path() / name).string();
    if (!std::filesystem::exists(path) && recgen::WriteRecording(path, spec) < 0) {
      std::fprintf(stderr, "cannot generate %s\n", path.c_str());
      return 1;
    }
  }

  PaneWindows windows(false);
  BenchNotifier notifier;
  if (!StartEngine(windows, notifier)) return 1;
  set_speed(speed);
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

  const double cpu_before = cpu_seconds();
  const auto wall_before = std::chrono::steady_clock::now();
  std::thread player([&path] { player_main(nullptr, path); });
  while (!notifier.ended && !notifier.failed) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  stop_player();
  player.join();
  const double cpu_play = cpu_seconds() - cpu_before;
  if (notifier.failed) {
    std::fprintf(stderr, "cannot open %s\n", path.c_str());
    return 1;
  }
  const double decode = plain_decode_seconds(path);

  std::printf("recording: %s at %dx, renderer %s\n", path.c_str(), speed,
              renderer.empty() ? "chosen by SDL" : renderer.c_str());
  std::printf("content seconds played: %.1f (in %.1f s wall)\n", notifier.duration_us / 1e6, wall);
  std::printf("viewer CPU seconds: %.2f\n", cpu_play);
  std::printf("plain decode CPU seconds: %.2f\n", decode);
  std::printf("ratio viewer / plain decode: %.2f\n", decode > 0 ? cpu_play / decode : 0.0);
  std::printf("pictures dropped before queueing: %lld\n",
              static_cast<long long>(engine_globals.total_dropped_before_queue.load()));
  std::printf("pictures dropped at display: %lld\n",
              static_cast<long long>(engine_globals.total_dropped_at_display.load()));
  player_globals.main_window = nullptr;
  return 0;
}
