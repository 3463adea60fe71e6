// Whole playbacks under X: pictures read back from real X11 windows, the messages a playback
// posts, stop and pause across playbacks, and sound through SDL's disk driver.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

extern "C" {
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "EngineGlobals.h"
#include "EngineTestSupport.h"
#include "TelemetryScript.h"
#include "TestPicture.h"

namespace {
constexpr recgen::TelemetryForm kNoTelemetry = recgen::TelemetryForm::None;  // before Xlib's None
}

// Xlib last: its macros (None, Bool, Status) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace std::chrono_literals;

namespace {

struct Capture {
  int width = 0, height = 0;
  std::vector<recgen::Rgb> pixels;
  recgen::Rgb at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  recgen::TestPictureReading read() const {
    return recgen::ReadTestPicture(width, height, [this](int x, int y) { return at(x, y); });
  }
  double mean_brightness() const {
    double sum = 0;
    for (const recgen::Rgb& p : pixels) sum += (p.r + p.g + p.b) / 3.0;
    return pixels.empty() ? 0 : sum / pixels.size();
  }
};

// Two plain X11 windows standing in for the panes' video surfaces.
class TestWindows {
public:
  TestWindows() {
    // One connection for the whole process: the X server resets whenever its last client
    // leaves, and refuses connections while it does.
    static Display* shared = XOpenDisplay(nullptr);
    display_ = shared;
    if (!display_) return;
    const int screen = DefaultScreen(display_);
    auto make = [&](int x, int w, int h) {
      Window win = XCreateSimpleWindow(display_, RootWindow(display_, screen), x, 0, w, h, 0, 0,
                                       WhitePixel(display_, screen));
      XMapWindow(display_, win);
      return win;
    };
    front = make(0, 720, 405);
    rear = make(1000, 360, 202);  // clear of the enlarged front window
    XSync(display_, False);
    std::this_thread::sleep_for(100ms);
  }
  ~TestWindows() {
    if (!display_) return;
    XDestroyWindow(display_, front);
    XDestroyWindow(display_, rear);
    XSync(display_, False);
  }
  bool ok() const { return display_ != nullptr; }
  // Paints both windows white, so that a playback that draws nothing cannot pass for one that does.
  void clear() {
    XClearWindow(display_, front);
    XClearWindow(display_, rear);
    XSync(display_, False);
  }
  void resize(Window w, int width, int height) {
    XResizeWindow(display_, w, width, height);
    XSync(display_, False);
  }
  Capture capture(Window w) {
    Capture c;
    XWindowAttributes attrs;
    XGetWindowAttributes(display_, w, &attrs);
    XImage* image = XGetImage(display_, w, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
    if (!image) return c;
    c.width = attrs.width;
    c.height = attrs.height;
    c.pixels.resize(size_t(c.width) * c.height);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        c.pixels[size_t(y) * c.width + x] = {int((p >> 16) & 0xff), int((p >> 8) & 0xff), int(p & 0xff)};
      }
    XDestroyImage(image);
    return c;
  }
  Window front = 0, rear = 0;

private:
  Display* display_ = nullptr;
};

// How long a playback may take to post its first position. Only a wait: in a normal build
// the message comes within a second, a sanitizer build takes several.
constexpr auto kStartWait = 10s;

// Polls until pred holds.
bool eventually(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (pred()) return true;
    std::this_thread::sleep_for(30ms);
  }
  return pred();
}

recgen::RecordingSpec spec_of(std::vector<recgen::VideoSize> videos, bool audio, double seconds) {
  recgen::RecordingSpec spec;
  spec.durationSeconds = seconds;
  spec.videos = std::move(videos);
  spec.audio = audio;
  spec.fps = 10;
  return spec;
}

class PlaybackTest : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    av_log_set_level(AV_LOG_ERROR);
    ASSERT_EQ(player_startup(), 0) << SDL_GetError();
    ASSERT_TRUE(windows.ok());
    PlayerGlobals& g = player_globals;
    g.main_window = &notifier;
    g.video_hwnd = windows.front;
    g.video2_hwnd = windows.rear;
    g.screen_width = 960;
    g.screen_height = 540;
    g.zoom_mode = g.flip_mode = g.fullscreen_video = g.swap_videos = 0;
    g.playback_speed = 1;
    g.requested_volume = 128;
  }
  void TearDown() override {
    stop();
    destroy_windows();
    SDL_Quit();
    player_globals.main_window = nullptr;
  }
  void start(const std::string& path) {
    stop();
    notifier.clear();
    player = std::thread([path] { player_main(nullptr, path); });
    running = true;
  }
  void stop() {
    if (!running) return;
    stop_player();
    player.join();
    running = false;
  }
  bool both_windows_show(int front_camera, int rear_camera, std::chrono::milliseconds timeout = 8s) {
    return eventually(
        [&] {
          const auto f = windows.capture(windows.front).read();
          const auto r = windows.capture(windows.rear).read();
          return f.valid && r.valid && f.camera == front_camera && r.camera == rear_camera;
        },
        timeout);
  }

  TestWindows windows;
  RecordingNotifier notifier;
  std::thread player;
  bool running = false;
};

const std::string& two_video_recording() {
  static const std::string path = fixture("two.mp4", spec_of({{1280, 720}, {640, 360}}, true, 8.0));
  return path;
}

TEST_F(PlaybackTest, EachCameraInItsWindowExchangedBySwapMirroredByFlip) {
  start(two_video_recording());
  ASSERT_TRUE(both_windows_show(0, 1, 12s)) << "front camera in front, second camera in the rear pane";
  // The rear window is read after the front one: its picture may be later by the frames
  // (100 ms each) that reading took, which is more than one under a sanitizer.
  const auto reading = std::chrono::steady_clock::now();
  const auto front = windows.capture(windows.front);
  const auto rear = windows.capture(windows.rear);
  const int reading_frames = int((std::chrono::steady_clock::now() - reading) / 100ms);
  EXPECT_EQ(front.width, 720);
  const auto f = front.read();
  const auto r = rear.read();
  EXPECT_FALSE(f.mirrored);
  EXPECT_FALSE(r.mirrored);
  EXPECT_GE(r.frame - f.frame, -2) << "the two videos show the same moment";
  EXPECT_LE(r.frame - f.frame, 2 + reading_frames) << "the two videos show the same moment";

  toggle_swap();
  EXPECT_TRUE(both_windows_show(1, 0)) << "swapped";
  toggle_swap();
  EXPECT_TRUE(both_windows_show(0, 1)) << "swapped back";

  toggle_flip();
  EXPECT_TRUE(eventually([&] { return windows.capture(windows.front).read().mirrored; }, 3s));
  const auto rear_after_flip = windows.capture(windows.rear).read();
  EXPECT_TRUE(rear_after_flip.valid);
  EXPECT_FALSE(rear_after_flip.mirrored) << "flip acts on the first window only";
  toggle_flip();
}

// The test picture of camera 0, frame n, as RGB at the source size.
std::vector<recgen::Rgb> expected_picture(int width, int height, int64_t n, int fps) {
  FramePtr yuv(av_frame_alloc());
  yuv->format = AV_PIX_FMT_YUV420P;
  yuv->width = width;
  yuv->height = height;
  av_frame_get_buffer(yuv.get(), 0);
  recgen::DrawTestPicture(yuv.get(), 0, n, fps);
  std::vector<uint8_t> rgb(size_t(width) * height * 3);
  SwsContext* sws = sws_getContext(width, height, AV_PIX_FMT_YUV420P, width, height, AV_PIX_FMT_RGB24,
                                   SWS_POINT, nullptr, nullptr, nullptr);
  uint8_t* dst[] = {rgb.data()};
  int pitch[] = {width * 3};
  sws_scale(sws, yuv->data, yuv->linesize, 0, height, dst, pitch);
  sws_freeContext(sws);
  std::vector<recgen::Rgb> out(size_t(width) * height);
  for (size_t i = 0; i < out.size(); ++i) out[i] = {rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]};
  return out;
}

// Mean colour difference between the capture and the source region (x0, y0, w, h) scaled to it.
double difference(const Capture& c, const std::vector<recgen::Rgb>& src, int src_width, double x0, double y0,
                  double w, double h) {
  double sum = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const int sx = int(x0 + (x + 0.5) * w / c.width);
      const int sy = int(y0 + (y + 0.5) * h / c.height);
      const recgen::Rgb a = c.at(x, y), b = src[size_t(sy) * src_width + sx];
      sum += (std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b)) / 3.0;
    }
  return sum / (double(c.width) * c.height);
}

TEST_F(PlaybackTest, ZoomShowsTheMiddleFortyPercentEnlarged) {
  start(two_video_recording());
  ASSERT_TRUE(both_windows_show(0, 1));
  toggle_zoom();
  std::this_thread::sleep_for(500ms);
  toggle_play_pause();
  ASSERT_TRUE(eventually([] { return player_globals.paused_mirror == 1; }, 2s));
  std::this_thread::sleep_for(300ms);
  const Capture front = windows.capture(windows.front);
  const auto rear = windows.capture(windows.rear).read();
  ASSERT_TRUE(rear.valid) << "the second window is not zoomed";
  // The rear picture tells which moment the paused front one shows.
  const auto src = expected_picture(1280, 720, rear.frame, 10);
  const double zoomed = difference(front, src, 1280, 0.3 * 1280, 0.3 * 720, 0.4 * 1280, 0.4 * 720);
  const double whole = difference(front, src, 1280, 0, 0, 1280, 720);
  EXPECT_LT(zoomed, 20.0);
  EXPECT_LT(zoomed * 2, whole);
  toggle_play_pause();
  toggle_zoom();
}

// Mean colour of the 5 x 5 pixels around (x, y).
recgen::Rgb patch_colour(const Capture& c, int x, int y) {
  int r = 0, g = 0, b = 0;
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      const recgen::Rgb p = c.at(x + dx, y + dy);
      r += p.r, g += p.g, b += p.b;
    }
  return {r / 25, g / 25, b / 25};
}

TEST_F(PlaybackTest, EveryPictureFormatShowsTheTestPictureInItsColours) {
  using recgen::ColourMatrix;
  const struct {
    const char* name;
    const char* codec;
    const char* pixel_format;
    ColourMatrix matrix;
    const char* container;
    recgen::VideoSize front;
  } cases[] = {
      {"yuvj420p", "libx264", "yuvj420p", ColourMatrix::Untagged, "mp4", {640, 360}},
      {"yuv422p", "libx264", "yuv422p", ColourMatrix::Untagged, "mp4", {640, 360}},
      {"yuv444p", "libx264", "yuv444p", ColourMatrix::Untagged, "mp4", {640, 360}},
      {"yuv420p10le", "libx264", "yuv420p10le", ColourMatrix::Untagged, "mp4", {640, 360}},
      {"mjpeg-avi", "mjpeg", "yuvj422p", ColourMatrix::Untagged, "avi", {640, 360}},
      {"bt709-hd", "libx264", "yuv420p", ColourMatrix::Bt709, "mp4", {1280, 720}},
  };
  const recgen::Rgb white{235, 235, 235}, black{0, 0, 0}, grey{50, 50, 50};
  constexpr int kTolerance = 12;
  const auto near = [](recgen::Rgb got, recgen::Rgb want) {
    return std::abs(got.r - want.r) <= kTolerance && std::abs(got.g - want.g) <= kTolerance &&
           std::abs(got.b - want.b) <= kTolerance;
  };
  const auto text = [](recgen::Rgb c) {
    return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    recgen::RecordingSpec spec = spec_of({c.front, {c.front.width / 2, c.front.height / 2}}, false, 4.0);
    spec.videoCodec = c.codec;
    spec.pixelFormat = c.pixel_format;
    spec.colourMatrix = c.matrix;
    spec.container = c.container;
    // Only mp4 keeps the text track's time base.
    if (spec.container != "mp4") spec.form = kNoTelemetry;
    const std::string path = fixture(std::string("format-") + c.name + "." + c.container, spec);
    stop();
    windows.clear();
    start(path);
    if (!both_windows_show(0, 1)) {
      ADD_FAILURE() << "no test picture in the panes";
      continue;
    }
    // Both panes: the first video through the first scaler and texture, the second through the others.
    for (const Window w : {windows.front, windows.rear}) {
      const Capture shot = windows.capture(w);
      const recgen::TestPictureReading reading = shot.read();
      const int camera = w == windows.front ? 0 : 1;
      const recgen::Rgb band = patch_colour(shot, shot.width / 2, shot.height / 12);
      const recgen::Rgb background = patch_colour(shot, shot.width / 4, shot.height / 4);
      const recgen::Rgb first_cell = patch_colour(shot, shot.width / 36, 5 * shot.height / 12);
      const recgen::Rgb last_cell = patch_colour(shot, 35 * shot.width / 36, 5 * shot.height / 12);
      const std::string figures = std::string(c.name) + (camera == 0 ? " front" : " rear") + ": band " + text(band) +
                                  ", grey " + text(background) + ", white " + text(first_cell) + ", black " +
                                  text(last_cell) + ", frame " + std::to_string(reading.frame);
      std::printf("%s\n", figures.c_str());
      EXPECT_TRUE(reading.valid) << figures;
      EXPECT_EQ(reading.camera, camera) << figures;
      EXPECT_FALSE(reading.mirrored) << figures;
      EXPECT_GE(reading.frame, 0) << figures;
      EXPECT_LT(reading.frame, 40) << figures;
      EXPECT_TRUE(near(band, recgen::CameraColour(camera))) << figures;
      EXPECT_TRUE(near(background, grey)) << figures;
      EXPECT_TRUE(near(first_cell, white)) << figures;
      EXPECT_TRUE(near(last_cell, black)) << figures;
    }
  }
}

TEST_F(PlaybackTest, FullScreenLeavesTheSecondWindowBlackAndPostsNoTelemetry) {
  start(two_video_recording());
  ASSERT_TRUE(both_windows_show(0, 1));
  ASSERT_TRUE(notifier.wait_for_message(kMsgTelemetry, 3s));

  // The main window enlarges the front surface and tells the engine.
  windows.resize(windows.front, 960, 540);
  toggle_fullscreen_video();
  std::this_thread::sleep_for(300ms);
  notifier.clear();
  EXPECT_TRUE(eventually(
      [&] {
        const Capture c = windows.capture(windows.front);
        const auto r = c.read();
        // The picture fills the enlarged surface: its camera band reaches the right edge.
        const recgen::Rgb edge = c.at(c.width - 5, c.height / 12);
        return r.valid && r.camera == 0 && edge.r > 150 && edge.b < 100;
      },
      3s));
  EXPECT_LT(windows.capture(windows.rear).mean_brightness(), 10.0);
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(notifier.messages(kMsgTelemetry).empty());
  EXPECT_TRUE(notifier.messages(kMsgTelemetryMap).empty());

  toggle_fullscreen_video();
  windows.resize(windows.front, 720, 405);
  EXPECT_TRUE(both_windows_show(0, 1));
  EXPECT_TRUE(notifier.wait_for_message(kMsgTelemetry, 3s)) << "telemetry resumes";
}

TEST_F(PlaybackTest, AWholePlaybackPostsItsMessagesInOrder) {
  recgen::RecordingSpec spec = spec_of({{320, 180}}, true, 3.2);
  const std::string path = fixture("messages.mp4", spec);
  start(path);
  ASSERT_TRUE(notifier.wait_for_message(kMsgEndOfFile, 8s));
  std::this_thread::sleep_for(800ms);
  const std::vector<PlayerMessage> all = notifier.messages();
  const std::vector<std::string> seq = notifier.sequence();

  ASSERT_GE(seq.size(), 4u);
  EXPECT_EQ(seq[0], "0x416") << "the vehicle panel is cleared first";
  EXPECT_EQ(all[0].lparam, 0);
  EXPECT_EQ((std::vector<std::string>(seq.begin() + 1, seq.begin() + 4)),
            (std::vector<std::string>{"0x41b", "duration", "rear"}))
      << "load level, then duration, before any position";

  EXPECT_EQ(notifier.messages(kMsgEndOfFile).size(), 1u);

  std::vector<int64_t> seconds;
  for (const PlayerMessage& m : notifier.messages(kMsgElapsed)) seconds.push_back(m.lparam);
  EXPECT_TRUE(std::is_sorted(seconds.begin(), seconds.end()));
  EXPECT_EQ(std::adjacent_find(seconds.begin(), seconds.end()), seconds.end()) << "each second once";
  // (Second 0 is posted only when the previous playback ended elsewhere.)
  for (int64_t s : {1, 2}) EXPECT_NE(std::find(seconds.begin(), seconds.end(), s), seconds.end()) << s;

  const auto positions = notifier.messages(kMsgPosition);
  ASSERT_GE(positions.size(), 8u) << "about every 200 ms";
  for (const PlayerMessage& m : positions) {
    EXPECT_GE(m.wparam, 0);
    EXPECT_LE(m.wparam, 1100);
  }

  // Telemetry: each text goes to the vehicle panel, then the same text to the map, in the order
  // of the recording's tenths.
  std::map<std::string, int64_t> tick_of;
  for (const recgen::TextSample& t : recgen::ScriptedSamples(spec)) tick_of[t.payload] = t.pts;
  std::vector<int64_t> ticks;
  for (size_t i = 0; i < all.size(); ++i) {
    if (all[i].message != kMsgTelemetry || all[i].lparam == 0) continue;
    ASSERT_LT(i + 1, all.size());
    EXPECT_EQ(all[i + 1].message, kMsgTelemetryMap);
    EXPECT_EQ(all[i + 1].text, all[i].text);
    ASSERT_TRUE(tick_of.count(all[i].text)) << all[i].text;
    ticks.push_back(tick_of[all[i].text]);
  }
  EXPECT_GE(ticks.size(), 20u);
  EXPECT_TRUE(std::is_sorted(ticks.begin(), ticks.end()));

  stop();
  EXPECT_EQ(player_globals.player_running, 0);
  EXPECT_EQ(telemetry_size(), 0u);
}

// While paused, each step shows the next or the previous picture of both cameras and hands
// over that picture's telemetry; a step back decodes forward from the keyframe before it, also
// across a keyframe.
TEST_F(PlaybackTest, FrameStepShowsTheNextAndThePreviousPictureOfBothCameras) {
  start(two_video_recording());
  ASSERT_TRUE(both_windows_show(0, 1, 12s));
  ASSERT_TRUE(eventually([&] { return windows.capture(windows.front).read().frame >= 15; }, 8s));
  toggle_play_pause();
  ASSERT_TRUE(eventually([] { return player_globals.paused_mirror == 1; }, 2s));
  std::this_thread::sleep_for(300ms);
  int64_t frame = windows.capture(windows.front).read().frame;
  ASSERT_GE(frame, 12);
  // Back to the picture before a keyframe, so that the last step back crosses one.
  std::vector<int> steps = {+1, -1};
  for (int64_t n = frame; n % 10 != 9; --n) steps.push_back(-1);
  const recgen::RecordingSpec spec = spec_of({{1280, 720}, {640, 360}}, true, 8.0);
  for (const int step : steps) {
    frame += step;
    SCOPED_TRACE(testing::Message() << "step " << step << " to frame " << frame);
    notifier.clear();
    step_frame(step);
    EXPECT_TRUE(eventually(
        [&] {
          const auto f = windows.capture(windows.front).read();
          const auto r = windows.capture(windows.rear).read();
          return f.frame == frame && r.frame == frame && f.camera == 0 && r.camera == 1;
        },
        5s))
        << "front shows " << windows.capture(windows.front).read().frame << ", rear "
        << windows.capture(windows.rear).read().frame;
    const std::string text = recgen::ScriptedText(spec.script, recgen::TelemetryForm::Csv, int(frame));
    EXPECT_TRUE(notifier.wait_for(
        [&](const std::vector<PlayerMessage>& ms) {
          return std::any_of(ms.begin(), ms.end(),
                             [&](auto& m) { return m.message == kMsgTelemetry && m.text == text; });
        },
        3s))
        << "the vehicle panel gets the picture's telemetry";
    EXPECT_TRUE(eventually([] { return player_globals.paused_mirror == 1; }, 2s)) << "paused again";
    EXPECT_NEAR(player_globals.picture_time, frame / 10.0, 0.001);
  }
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(windows.capture(windows.front).read().frame, frame) << "stays on the picture";
  toggle_play_pause();
}

TEST_F(PlaybackTest, StopWhilePausedLeavesTheNextPlaybackPaused) {
  const std::string path = fixture("pause.mp4", spec_of({{320, 180}}, true, 4.0));
  start(path);
  ASSERT_TRUE(notifier.wait_for_message(kMsgPosition, kStartWait));
  toggle_play_pause();
  ASSERT_TRUE(eventually([] { return player_globals.paused_mirror == 1; }, 2s));
  stop();

  start(path);
  std::this_thread::sleep_for(1500ms);
  for (const PlayerMessage& m : notifier.messages(kMsgElapsed)) EXPECT_LE(m.lparam, 0) << "still paused";
  toggle_play_pause();
  EXPECT_TRUE(notifier.wait_for(
      [](const std::vector<PlayerMessage>& ms) {
        return std::any_of(ms.begin(), ms.end(), [](auto& m) { return m.message == kMsgElapsed && m.lparam >= 1; });
      },
      4s));
}

TEST_F(PlaybackTest, AnUnplayableRecordingEndsOnlyItsOwnPlayback) {
  const std::string textonly = fixture("textonly.mp4", spec_of({}, false, 1.0));
  auto done = std::async(std::launch::async, [&] { return player_main(nullptr, textonly); });
  ASSERT_EQ(done.wait_for(5s), std::future_status::ready) << "the playback ends by itself";
  EXPECT_EQ(player_globals.player_running, 0);
  start(two_video_recording());
  EXPECT_TRUE(both_windows_show(0, 1)) << "the next recording still plays";
}

TEST_F(PlaybackTest, SeekingWorksAfterAnMpegTsRecording) {
  player_globals.byte_seeking = -1;  // decide per file
  // MPEG-TS is sought by bytes; it cannot carry the telemetry track.
  recgen::RecordingSpec ts = spec_of({{160, 90}}, true, 2.0);
  ts.container = "mpegts";
  ts.form = kNoTelemetry;
  start(fixture("earlier.ts", ts));
  ASSERT_TRUE(notifier.wait_for_message(kMsgPosition, kStartWait));
  stop();
  EXPECT_EQ(player_globals.byte_seeking, -1) << "the option stays the user's choice";

  // An mp4 cannot be sought by bytes: it must be sought by time. Long enough that playing
  // cannot reach the target while the test waits.
  start(fixture("later.mp4", spec_of({{160, 90}}, false, 60.0)));
  ASSERT_TRUE(notifier.wait_for_message(kMsgPosition, kStartWait));
  seek_to_permille(900);
  EXPECT_TRUE(notifier.wait_for(
      [](const std::vector<PlayerMessage>& ms) {
        return std::any_of(ms.begin(), ms.end(), [](auto& m) { return m.message == kMsgElapsed && m.lparam >= 50; });
      },
      10s))
      << "the seek to 54 s did not happen";
}

// A seek to a moment lands within a second of it however long the recording is, in a file
// sought by time and in one sought by bytes.
TEST_F(PlaybackTest, SeekToSecondsLandsWithinASecondOfTheMoment) {
  player_globals.byte_seeking = -1;  // decide per file
  recgen::RecordingSpec ts = spec_of({{160, 90}}, false, 60.0);
  ts.container = "mpegts";
  ts.form = kNoTelemetry;
  const struct {
    std::string path;
    double target;
  } cases[] = {
      {fixture("later.mp4", spec_of({{160, 90}}, false, 60.0)), 41.3},
      {fixture("long.ts", ts), 37.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    start(c.path);
    ASSERT_TRUE(notifier.wait_for_message(kMsgPosition, kStartWait));
    notifier.clear();
    seek_to_seconds(c.target);
    const int64_t lowest = static_cast<int64_t>(c.target) - 1;
    EXPECT_TRUE(notifier.wait_for(
        [&](const std::vector<PlayerMessage>& ms) {
          return std::any_of(ms.begin(), ms.end(), [&](auto& m) { return m.message == kMsgElapsed && m.lparam >= lowest; });
        },
        10s));
    // Playing on from the start could not get there while the test waits: the seek did.
    int64_t first = -1;
    for (const PlayerMessage& m : notifier.messages(kMsgElapsed))
      if (m.lparam >= lowest && first < 0) first = m.lparam;
    EXPECT_LE(first, static_cast<int64_t>(c.target) + 1) << "the first time shown after the seek";
    stop();
  }
}

TEST_F(PlaybackTest, TelemetryFollowsARecordingWithoutVideoToItsEnd) {
  // Sound and telemetry, no picture: more texts than the text queue holds.
  const recgen::RecordingSpec spec = spec_of({}, true, 4.0);
  std::map<std::string, int64_t> tick_of;
  for (const recgen::TextSample& t : recgen::ScriptedSamples(spec)) tick_of[t.payload] = t.pts;
  start(fixture("sound-and-text.mp4", spec));
  auto last_tick = [&](unsigned id) {
    int64_t last = -1;
    for (const PlayerMessage& m : notifier.messages(id))
      if (m.lparam != 0 && tick_of.count(m.text)) last = std::max(last, tick_of[m.text]);
    return last;
  };
  EXPECT_TRUE(eventually([&] { return last_tick(kMsgTelemetryMap) >= 37; }, 15s))
      << "the map followed up to tick " << last_tick(kMsgTelemetryMap) << " of 39";
  EXPECT_GE(last_tick(kMsgTelemetry), 37) << "the vehicle panel";
}

TEST_F(PlaybackTest, AnExitLeftByAnEndedPlaybackDoesNotStopTheNext) {
  const std::string textonly = fixture("textonly.mp4", spec_of({}, false, 1.0));
  const std::string path = fixture("after-exit.mp4", spec_of({{320, 180}}, true, 4.0));
  // SDL's software renderer: few allocations between playbacks, so a new playback's record
  // gets the address an ended one had, as it does in the viewer after a few recordings.
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, "software") == 0)
      player_globals.render_driver_index = i;
  }
  notifier.clear();
  // Playbacks whose read threads gave up (no sound, no picture) and that were stopped before
  // an event loop took their exits: the exits stay in the queue. Then a playback that must
  // play, on the same player thread.
  player = std::thread([&] {
    for (int i = 1; i <= 3; ++i) {
      prepare_video_output();  // the steps of player_main, so the next playback repeats them
      VideoState* vs = open_player(textonly, nullptr);
      if (!vs) return;
      eventually([i] { return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, kEventExit, kEventExit) >= i; }, 5s);
      close_player(vs);
    }
    player_main(nullptr, path);
  });
  running = true;
  EXPECT_TRUE(notifier.wait_for_message(kMsgPosition, kStartWait)) << "the new playback runs";
  std::this_thread::sleep_for(300ms);
  EXPECT_EQ(player_globals.player_running, 1) << "and keeps running";
  stop();
  player_globals.render_driver_index = -1;
}

// The render driver is the user's, or software where GL is; the renderers outlive a playback
// (making them costs up to a few hundred ms at every switch) until the driver to use changes.
TEST_F(PlaybackTest, TheRenderDriverIsTheUsersOrSoftwareWhereGlIsSoftware) {
  // The tests run under Xvfb, whose OpenGL is always Mesa's software rasteriser.
  const std::string path = fixture("driver.mp4", spec_of({{320, 180}, {160, 90}}, false, 4.0));
  int opengl = -1;
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, "opengl") == 0) opengl = i;
  }
  if (opengl < 0) GTEST_SKIP() << "this SDL has no opengl renderer";
  const struct {
    int index;
    const char* environment;  // SDL_RENDER_DRIVER
    const char* expected;
  } cases[] = {{-1, nullptr, "software"}, {opengl, nullptr, "opengl"}, {-1, "opengl", "opengl"}};
  struct Unset {
    ~Unset() { unsetenv("SDL_RENDER_DRIVER"); }
  } unset_at_the_end;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.expected) + (c.environment ? " named in the environment" : ""));
    player_globals.render_driver_index = c.index;
    if (c.environment) setenv("SDL_RENDER_DRIVER", c.environment, 1);
    windows.clear();
    start(path);
    ASSERT_TRUE(both_windows_show(0, 1));
    for (SDL_Renderer* r : {engine_globals.renderer, engine_globals.renderer2}) {
      SDL_RendererInfo info;
      ASSERT_EQ(SDL_GetRendererInfo(r, &info), 0);
      EXPECT_STREQ(info.name, c.expected);
    }
    stop();
    // A draw blend mode the engine never sets marks these renderers; a new one would not have it.
    for (SDL_Renderer* r : {engine_globals.renderer, engine_globals.renderer2})
      SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_ADD);
    windows.clear();
    start(path);
    ASSERT_TRUE(both_windows_show(0, 1)) << "the next recording";
    for (SDL_Renderer* r : {engine_globals.renderer, engine_globals.renderer2}) {
      SDL_BlendMode mode = SDL_BLENDMODE_NONE;
      SDL_GetRenderDrawBlendMode(r, &mode);
      EXPECT_EQ(mode, SDL_BLENDMODE_ADD) << "the renderers of the playback before are kept";
    }
    stop();
  }
  player_globals.render_driver_index = -1;
}

int thread_count() {
  int n = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

TEST_F(PlaybackTest, HundredStartStopCyclesLeaveNothingBehind) {
  const std::string path = fixture("cycles.mp4", spec_of({{320, 180}, {160, 90}}, true, 2.0));
  // SDL's own software renderer: making a GL context per playback is slow on llvmpipe, and
  // what this test watches (threads, windows, memory) does not depend on the driver.
  for (int i = 0; i < SDL_GetNumRenderDrivers(); ++i) {
    SDL_RendererInfo info;
    if (SDL_GetRenderDriverInfo(i, &info) == 0 && std::strcmp(info.name, "software") == 0)
      player_globals.render_driver_index = i;
  }
  start(path);
  ASSERT_TRUE(notifier.wait_for_message(kMsgPosition, kStartWait));
  stop();
  const int threads = thread_count();
  for (int i = 0; i < 100; ++i) {
    start(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(10 * (i % 4)));
    stop();
    ASSERT_EQ(player_globals.player_running, 0) << i;
  }
  EXPECT_EQ(thread_count(), threads);
  EXPECT_EQ(telemetry_size(), 0u);
  player_globals.render_driver_index = -1;
}

// Sound through SDL's disk driver: the bytes the device was given.
class AudioOutputTest : public PlaybackTest {
protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    PlaybackTest::SetUp();
  }
  void TearDown() override {
    PlaybackTest::TearDown();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
  }
};

// The recording's sound decoded and converted to the device format directly with libav*.
std::vector<int16_t> reference_samples(const std::string& path) {
  std::vector<int16_t> out;
  AVFormatContext* ic = nullptr;
  if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return out;
  avformat_find_stream_info(ic, nullptr);
  const int index = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  const AVCodec* codec = avcodec_find_decoder(ic->streams[index]->codecpar->codec_id);
  CodecContextPtr ctx(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(ctx.get(), ic->streams[index]->codecpar);
  avcodec_open2(ctx.get(), codec, nullptr);
  SwrContext* swr = nullptr;
  swr_alloc_set_opts2(&swr, &ctx->ch_layout, AV_SAMPLE_FMT_S16, ctx->sample_rate, &ctx->ch_layout,
                      ctx->sample_fmt, ctx->sample_rate, 0, nullptr);
  swr_init(swr);
  PacketPtr pkt(av_packet_alloc());
  FramePtr frame(av_frame_alloc());
  auto drain = [&] {
    while (avcodec_receive_frame(ctx.get(), frame.get()) >= 0) {
      std::vector<int16_t> buf(size_t(frame->nb_samples + 256) * ctx->ch_layout.nb_channels);
      uint8_t* dst[] = {reinterpret_cast<uint8_t*>(buf.data())};
      const int n = swr_convert(swr, dst, frame->nb_samples + 256, const_cast<const uint8_t**>(frame->extended_data),
                                frame->nb_samples);
      out.insert(out.end(), buf.begin(), buf.begin() + n * ctx->ch_layout.nb_channels);
    }
  };
  while (av_read_frame(ic, pkt.get()) >= 0) {
    if (pkt->stream_index == index) {
      avcodec_send_packet(ctx.get(), pkt.get());
      drain();
    }
    av_packet_unref(pkt.get());
  }
  avcodec_send_packet(ctx.get(), nullptr);
  drain();
  swr_free(&swr);
  avformat_close_input(&ic);
  return out;
}

std::vector<int16_t> read_samples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<int16_t> out(bytes.size() / 2);
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

// Samples from the first to the last non-zero one.
size_t sound_span(const std::vector<int16_t>& s) {
  auto first = std::find_if(s.begin(), s.end(), [](int16_t v) { return v != 0; });
  if (first == s.end()) return 0;
  auto last = std::find_if(s.rbegin(), s.rend(), [](int16_t v) { return v != 0; });
  return size_t(last.base() - first);
}

TEST_F(AudioOutputTest, VolumeMuteAndSpeedShapeTheDeviceOutput) {
  // A small picture too: the end of a playback is told by its first video.
  recgen::RecordingSpec spec = spec_of({{160, 90}}, true, 2.0);
  spec.audioSampleRate = 44100;
  spec.audioChannels = 1;
  const std::string path = fixture("sound.mp4", spec);
  const std::vector<int16_t> reference = reference_samples(path);
  ASSERT_GT(reference.size(), 80000u);

  enum class Expect { Unchanged, Silence, HalfLength };
  const struct {
    const char* name;
    int volume;
    bool mute;
    int speed;
    Expect expect;
  } cases[] = {
      {"full", 128, false, 1, Expect::Unchanged},
      {"zero", 0, false, 1, Expect::Silence},
      {"muted", 128, true, 1, Expect::Silence},
      {"double", 128, false, 2, Expect::HalfLength},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string out = fixture_path(std::string("disk-") + c.name + ".raw");
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    player_globals.requested_volume = c.volume;
    set_speed(c.speed);
    start(path);
    if (c.mute) send_player_key(PlayerKey::M);
    ASSERT_TRUE(notifier.wait_for_message(kMsgEndOfFile, 8s));
    std::this_thread::sleep_for(300ms);
    stop();
    set_speed(1);
    const std::vector<int16_t> got = read_samples(out);
    ASSERT_GT(got.size(), 1000u);
    switch (c.expect) {
      case Expect::Unchanged: {
        // A stretch from the middle of the sound appears in the output sample for sample.
        const auto from = reference.begin() + 20000, to = reference.begin() + 24000;
        EXPECT_NE(std::search(got.begin(), got.end(), from, to), got.end());
        break;
      }
      case Expect::Silence:
        EXPECT_EQ(sound_span(got), 0u);
        break;
      case Expect::HalfLength: {
        const double ratio = double(sound_span(got)) / sound_span(reference);
        EXPECT_NEAR(ratio, 0.5, 0.06);
        break;
      }
    }
  }
}

// Longest run of zero samples between the first and the last sound: a gap in the sound shows
// as one (the device is given silence when no samples are ready).
size_t longest_silence(const std::vector<int16_t>& s) {
  auto first = std::find_if(s.begin(), s.end(), [](int16_t v) { return v != 0; });
  auto last = std::find_if(s.rbegin(), s.rend(), [](int16_t v) { return v != 0; }).base();
  size_t longest = 0, run = 0;
  for (auto it = first; it < last; ++it) {
    run = *it == 0 ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

TEST_F(AudioOutputTest, AtFourTimesTheSoundIsContinuousAndThePositionKeepsPace) {
  // 30 pictures a second, so that 4x asks for 120 a second, more than the display shows.
  recgen::RecordingSpec spec = spec_of({{640, 360}}, true, 12.0);
  spec.fps = 30;
  spec.gopFrames = 30;
  const std::string path = fixture("fast.mp4", spec);
  const std::vector<int16_t> reference = reference_samples(path);
  const std::string out = fixture_path("disk-fast.raw");
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  player_globals.requested_volume = 128;
  set_speed(4);
  start(path);
  ASSERT_TRUE(notifier.wait_for_message(kMsgEndOfFile, 20s));
  std::this_thread::sleep_for(300ms);
  stop();
  set_speed(1);

  const std::vector<int16_t> got = read_samples(out);
  ASSERT_GT(got.size(), 1000u);
  const std::vector<PlayerMessage> positions = notifier.messages(kMsgPosition);
  std::printf("sound span ratio %.3f, longest silence %zu samples, %zu positions\n",
              double(sound_span(got)) / sound_span(reference), longest_silence(got), positions.size());
  // The sound plays at 4x: a quarter of its length, with no gap longer than a few milliseconds.
  EXPECT_NEAR(double(sound_span(got)) / sound_span(reference), 0.25, 0.04);
  EXPECT_LT(longest_silence(got), 200u);
  // The positions posted follow that clock through the whole recording, never backwards.
  ASSERT_FALSE(positions.empty());
  for (size_t i = 1; i < positions.size(); ++i) EXPECT_GE(positions[i].wparam, positions[i - 1].wparam) << i;
  EXPECT_GE(positions.back().wparam, 900);
  // A position every 200 ms of playback: at 4x about 15 over 12 s of recording, not the 60 of 1x.
  EXPECT_LE(positions.size(), 30u);
}

}  // namespace
