// Opening recordings, stream choice, the read thread's seeks and end of file, the text rule
// and the telemetry store, and the failure paths, on generated recordings.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "EngineGlobals.h"
#include "ClipExport.h"
#include "EngineTestSupport.h"
#include "TelemetryScript.h"

using namespace std::chrono_literals;

namespace {

recgen::RecordingSpec small_spec(std::vector<recgen::VideoSize> videos, bool audio, double seconds = 1.5) {
  recgen::RecordingSpec spec;
  spec.durationSeconds = seconds;
  spec.videos = std::move(videos);
  spec.audio = audio;
  spec.fps = 10;
  return spec;
}

struct TraceEntry {
  std::string queue;
  DemuxQueue::TraceEvent event;
  bool marker = false;
  bool empty = false;
  int serial = 0;
  int count_after = 0;
};

class EngineOpenTest : public ::testing::Test {
protected:
  void SetUp() override {
    init_sdl_without_video();
    init_flush_marker();
    player_globals.main_window = &notifier;
    player_globals.byte_seeking = -1;
    player_globals.last_telemetry_tick = 0;
    DemuxQueue::trace = [this](const DemuxQueue& q, DemuxQueue::TraceEvent e, const AVPacket* p, int serial) {
      std::lock_guard lock(trace_mutex);
      TraceEntry t{q.name(), e};
      if (p) {
        t.marker = is_flush_marker(p);
        t.empty = !t.marker && !p->data && p->size == 0;
      }
      t.serial = serial;
      t.count_after = q.count();
      trace.push_back(t);
    };
  }
  void TearDown() override {
    if (vs) close_player(vs);
    DemuxQueue::trace = nullptr;
    player_globals.main_window = nullptr;
    telemetry_clear();
  }
  VideoState* open(const std::string& path) {
    vs = open_player(path, nullptr);
    EXPECT_NE(vs, nullptr);
    return vs;
  }
  bool wait_opened() {
    return notifier.wait_for([this](auto&) { return !notifier.rear_views().empty() && vs->display_mode != -1; }, 5s);
  }
  std::vector<TraceEntry> trace_of(const std::string& queue) {
    std::lock_guard lock(trace_mutex);
    std::vector<TraceEntry> out;
    for (const TraceEntry& t : trace)
      if (t.queue == queue) out.push_back(t);
    return out;
  }
  int empty_packets(const std::string& queue) {
    int n = 0;
    for (const TraceEntry& t : trace_of(queue)) n += t.event == DemuxQueue::TraceEvent::Put && t.empty;
    return n;
  }

  RecordingNotifier notifier;
  VideoState* vs = nullptr;
  std::mutex trace_mutex;
  std::vector<TraceEntry> trace;
};

TEST_F(EngineOpenTest, ChoosesStreamsAndPostsLoadLevelBeforeDuration) {
  const struct {
    const char* name;
    std::vector<recgen::VideoSize> videos;
    bool audio;
    int video, video2, audio_index, text, level, rear, display_mode;
  } cases[] = {
      {"v1280.mp4", {{1280, 720}}, false, 0, -1, -1, 1, 0, 0, 0},
      {"v1920a.mp4", {{1920, 1080}}, true, 0, -1, 1, 2, 1, 0, 0},
      {"v1280v640a.mp4", {{1280, 720}, {640, 360}}, true, 0, 1, 2, 3, 1, 1, 0},
      {"v1920v640.mp4", {{1920, 1080}, {640, 360}}, false, 0, 1, -1, 2, 2, 1, 0},
      {"audio.mp4", {}, true, -1, -1, 0, 1, 0, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    notifier.clear();
    open(fixture(c.name, small_spec(c.videos, c.audio, 1.0)));
    ASSERT_TRUE(wait_opened());
    EXPECT_EQ(vs->video_index, c.video);
    EXPECT_EQ(vs->video2_index, c.video2);
    EXPECT_EQ(vs->audio_index, c.audio_index);
    EXPECT_EQ(vs->text_index, c.text);
    EXPECT_EQ(vs->display_mode, c.display_mode);
    auto levels = notifier.messages(kMsgLoadLevel);
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0].wparam, c.level);
    EXPECT_EQ(notifier.rear_views(), std::vector<int>{c.rear});
    ASSERT_EQ(notifier.durations().size(), 1u);
    EXPECT_NEAR(notifier.durations()[0] / 1e6, 1.0, 0.15);
    const std::vector<std::string> order{"0x41b", "duration", "rear"};
    EXPECT_EQ(notifier.sequence(), order);
    close_player(vs);
    vs = nullptr;
  }
}

TEST_F(EngineOpenTest, TelemetryMapHoldsEveryTextKeyedByTenths) {
  const struct {
    const char* name;
    recgen::TelemetryForm form;
    bool prefixed;
  } cases[] = {
      {"csv.mp4", recgen::TelemetryForm::Csv, false},
      {"json.mp4", recgen::TelemetryForm::Json, false},
      {"csv-prefixed.mp4", recgen::TelemetryForm::Csv, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    recgen::RecordingSpec spec = small_spec({{320, 180}}, false, 1.5);
    spec.form = c.form;
    spec.lengthPrefixedTexts = c.prefixed;
    const std::vector<recgen::TextSample> texts = recgen::ScriptedSamples(spec);
    open(fixture(c.name, spec));
    ASSERT_TRUE(wait_opened());
    ASSERT_TRUE(pump(vs, [&] { return telemetry_size() == texts.size(); }, 6s)) << telemetry_size();
    {
      std::lock_guard lock(engine_globals.telemetry_mutex);
      for (const recgen::TextSample& t : texts) {
        // The stored text never carries the length prefix.
        const std::string expected =
            c.prefixed ? recgen::ScriptedText(spec.script, spec.form, int(t.pts)) : t.payload;
        EXPECT_EQ(engine_globals.telemetry_map[int32_t(t.pts)], expected) << t.pts;
      }
    }
    close_player(vs);
    vs = nullptr;
    telemetry_clear();
  }
}

TEST_F(EngineOpenTest, TextPacketsShorterThan80BytesAreDropped) {
  recgen::RecordingSpec spec = small_spec({{320, 180}}, false, 1.0);
  spec.texts = {{0, std::string(79, 'a')}, {1, std::string(80, 'b')}, {2, std::string(150, 'c')},
                {3, std::string(2, 'd')},  {5, std::string(81, 'e')}};
  open(fixture("textrule.mp4", spec));
  ASSERT_TRUE(wait_opened());
  pump(vs, [&] { return vs->end_of_play.load() != 0; }, 5s);
  std::lock_guard lock(engine_globals.telemetry_mutex);
  const std::map<int32_t, std::string> expected{
      {1, std::string(80, 'b')}, {2, std::string(150, 'c')}, {5, std::string(81, 'e')}};
  EXPECT_EQ(engine_globals.telemetry_map, expected);
}

TEST_F(EngineOpenTest, SeekPutsExactlyTheFlushMarkerInEveryOpenQueue) {
  open(fixture("seek.mp4", small_spec({{320, 180}, {160, 90}}, true, 3.0)));
  ASSERT_TRUE(wait_opened());
  pump(vs, [] { return false; }, 300ms);
  std::map<std::string, int> serial_before;
  for (DemuxQueue* q : {&vs->audio_packets, &vs->video_packets, &vs->video2_packets, &vs->text_packets})
    serial_before[q->name()] = q->serial();
  {
    std::lock_guard lock(trace_mutex);
    trace.clear();
  }
  request_seek(vs, 2000000, 2000000, false);
  ASSERT_TRUE(pump(vs, [&] { return vs->seek_pending == 0; }, 3s));

  for (const auto& [name, before] : serial_before) {
    SCOPED_TRACE(name);
    const std::vector<TraceEntry> t = trace_of(name);
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[0].event, DemuxQueue::TraceEvent::Flush);
    EXPECT_EQ(t[1].event, DemuxQueue::TraceEvent::Put);
    EXPECT_TRUE(t[1].marker);
    EXPECT_EQ(t[1].count_after, 1) << "the marker is alone in the queue";
    EXPECT_EQ(t[1].serial, before + 1);
  }
  // After the seek the pictures come from the new position.
  ASSERT_TRUE(pump(vs, [&] { return vs->clock_video.serial() == vs->video_packets.serial(); }, 3s));
  EXPECT_GE(vs->clock_video.pts(), 1.5);
}

TEST_F(EngineOpenTest, EndOfFileSendsOneEmptyPacketPerOpenQueueAgainOnlyAfterASeek) {
  open(fixture("eof.mp4", small_spec({{320, 180}, {160, 90}}, true, 1.0)));
  ASSERT_TRUE(wait_opened());
  ASSERT_TRUE(pump(vs, [&] { return vs->end_of_play.load() != 0; }, 6s));
  pump(vs, [] { return false; }, 200ms);
  for (const char* q : {"video", "video2", "audio", "text"}) EXPECT_EQ(empty_packets(q), 1) << q;
  EXPECT_EQ(vs->at_end_of_file, 1);
  EXPECT_TRUE(vs->reader_thread.joinable()) << "the read thread keeps running at the end";

  request_seek(vs, 0, 0, false);
  ASSERT_TRUE(pump(vs, [&] { return empty_packets("video") == 2; }, 6s));
  pump(vs, [] { return false; }, 200ms);
  for (const char* q : {"video", "video2", "audio", "text"}) EXPECT_EQ(empty_packets(q), 2) << q;
}

TEST_F(EngineOpenTest, MissingFilePostsOpenFailure) {
  open(fixture_path("does-not-exist.mp4"));
  ASSERT_TRUE(notifier.wait_for_message(kMsgOpenFailed, 3s));
  const auto failed = notifier.messages(kMsgOpenFailed);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_EQ(failed[0].wparam, 1);
  EXPECT_EQ(failed[0].lparam, 0);
  EXPECT_TRUE(notifier.messages(kMsgLoadLevel).empty());
  // Commands on a recording that never opened change nothing and do not crash.
  pump(vs, [] { return false; }, 50ms);
}

// The read thread opens a FIFO and waits in the opening until the FIFO gets a writer: once a
// writer could open it, the opening is under way.
int writer_of(const std::string& fifo, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  int fd = -1;
  while ((fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK)) < 0 && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(5ms);
  return fd;
}

TEST_F(EngineOpenTest, AnOpeningCutShortByAStopPostsNoFailure) {
  const struct {
    const char* name;
    bool stopped;
    size_t failures;
  } cases[] = {
      {"stopped.mp4", true, 0},  // the user moved on, or the viewer closes
      {"empty.mp4", false, 1},   // the file really cannot be opened
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string fifo = fixture_path(c.name);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    notifier.clear();
    open(fifo);
    const int fd = writer_of(fifo, 5s);
    ASSERT_GE(fd, 0) << "the read thread never began opening";
    if (c.stopped) vs->abort_all = 1;  // what a stop does first; the opening then gives up
    ::close(fd);                         // no bytes: the opening fails either way
    if (!c.stopped) {
      ASSERT_TRUE(notifier.wait_for_message(kMsgOpenFailed, 5s));
    }
    close_player(vs);  // joins the read thread: whatever it posts has been posted
    vs = nullptr;
    EXPECT_EQ(notifier.messages(kMsgOpenFailed).size(), c.failures);
  }
}

bool exit_event_for(VideoState* vs, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, kEventExit, kEventExit) > 0)
      if (e.user.code == vs->generation) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

TEST_F(EngineOpenTest, RecordingWithoutAudioAndVideoPushesTheExitEvent) {
  recgen::RecordingSpec spec = small_spec({}, false, 1.0);
  open(fixture("textonly.mp4", spec));
  EXPECT_TRUE(exit_event_for(vs, 3s));
  EXPECT_TRUE(notifier.rear_views().empty()) << "no duration or rear view for an unplayable file";
}

TEST_F(EngineOpenTest, DamagedFilesEndCleanly) {
  const std::string good = fixture("good.mp4", small_spec({{320, 180}}, true, 2.0));
  const auto size = std::filesystem::file_size(good);
  const std::string truncated = fixture_path("truncated.mp4");
  std::filesystem::copy_file(good, truncated, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(truncated, size / 2);
  const std::string random = fixture_path("random.mp4");
  {
    std::mt19937 gen(1234);
    std::ofstream out(random, std::ios::binary);
    for (int i = 0; i < 200000; ++i) out.put(char(gen() & 0xff));
  }
  // Keep the header, scramble the middle: the streams open, the packets are garbage.
  const std::string scrambled = fixture_path("scrambled.mp4");
  {
    std::ifstream in(good, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::mt19937 gen(99);
    for (size_t i = bytes.size() / 4; i < bytes.size() * 3 / 4; ++i) bytes[i] = char(gen() & 0xff);
    std::ofstream(scrambled, std::ios::binary) << bytes;
  }
  for (const std::string& path : {truncated, random, scrambled}) {
    SCOPED_TRACE(path);
    notifier.clear();
    open(path);
    notifier.wait_for([](auto& ms) { return !ms.empty(); }, 2s);
    pump(vs, [] { return false; }, 500ms);
    close_player(vs);
    vs = nullptr;
  }
}

TEST_F(EngineOpenTest, OpensAndClosesTheSameRecording50Times) {
  const std::string path = fixture("cycle.mp4", small_spec({{320, 180}, {160, 90}}, true, 1.0));
  for (int i = 0; i < 50; ++i) {
    open(path);
    if (i % 2) {
      ASSERT_TRUE(wait_opened()) << i;  // close both during and after the opening
    }
    close_player(vs);
    vs = nullptr;
    notifier.clear();
  }
}

}  // namespace

namespace {

// A clip cut by the exporter plays like a recording of the camera: both videos, the sound
// and the telemetry, whose texts are the recording's of the same moments.
TEST_F(EngineOpenTest, AnExportedClipOpensWithEveryStreamAndItsTelemetry) {
  recgen::RecordingSpec spec = small_spec({{320, 180}, {160, 90}}, true, 5.0);
  const std::string source = fixture("clip-source.mp4", spec);
  const std::string clip = fixture_path("clip.mp4");
  const ClipResult cut = ExportClip(source, clip, 2.3, 3.8);
  ASSERT_TRUE(cut.ok) << cut.error;
  ASSERT_DOUBLE_EQ(cut.start, 2.0);
  open(clip);
  ASSERT_TRUE(wait_opened());
  EXPECT_GE(vs->video_index, 0);
  EXPECT_GE(vs->video2_index, 0);
  EXPECT_GE(vs->audio_index, 0);
  EXPECT_GE(vs->text_index, 0);
  EXPECT_EQ(notifier.rear_views(), std::vector<int>{1});
  ASSERT_EQ(notifier.durations().size(), 1u);
  EXPECT_NEAR(notifier.durations()[0] / 1e6, 3.8 - 2.0, 0.15) << "from the keyframe before the start to the end";
  ASSERT_TRUE(pump(vs, [&] { return telemetry_size() >= 18; }, 8s)) << telemetry_size();
  std::lock_guard lock(engine_globals.telemetry_mutex);
  for (int tick = 0; tick < 18; ++tick)
    EXPECT_EQ(engine_globals.telemetry_map[tick], recgen::ScriptedText(spec.script, spec.form, tick + 20)) << tick;
}

}  // namespace
