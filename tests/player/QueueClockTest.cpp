// Packet and frame queues, clocks, the master clock choice and the small rules around them.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include "Engine.h"
#include "Player.h"

namespace {

PacketPtr make_packet(int size, int64_t duration = 1) {
  PacketPtr p(av_packet_alloc());
  av_new_packet(p.get(), size);
  p->duration = duration;
  return p;
}

class DemuxQueueTest : public ::testing::Test {
protected:
  void SetUp() override {
    init_flush_marker();
    queue.init("q");
  }
  DemuxQueue queue;
};

TEST_F(DemuxQueueTest, RefusesPacketsUntilStartedThenBeginsWithFlushMarker) {
  PacketPtr p = make_packet(100);
  EXPECT_EQ(queue.put(p.get()), -1);
  EXPECT_EQ(p->buf, nullptr) << "a refused packet is released";
  EXPECT_EQ(queue.count(), 0);

  queue.start();
  EXPECT_EQ(queue.serial(), 1);
  EXPECT_EQ(queue.count(), 1);
  EXPECT_TRUE(queue.head_is_flush_marker());

  PacketPtr out(av_packet_alloc());
  int serial = 0;
  ASSERT_EQ(queue.take(out.get(), false, &serial), 1);
  EXPECT_TRUE(is_flush_marker(out.get()));
  EXPECT_EQ(serial, 1);
}

TEST_F(DemuxQueueTest, SerialsCountFlushMarkersAndEntriesKeepTheirs) {
  queue.start();
  PacketPtr a = make_packet(10, 3);
  queue.put(a.get());
  queue.put(flush_marker());
  PacketPtr b = make_packet(20, 4);
  queue.put(b.get());
  EXPECT_EQ(queue.serial(), 2);
  EXPECT_EQ(queue.count(), 4);
  EXPECT_EQ(queue.duration(), 7);
  // Size counts payload plus per-entry overhead, so it is above the payload sum.
  EXPECT_GT(queue.size(), 30);

  const struct {
    bool marker;
    int serial;
    int size;
  } expected[] = {{true, 1, 0}, {false, 1, 10}, {true, 2, 0}, {false, 2, 20}};
  PacketPtr out(av_packet_alloc());
  for (const auto& e : expected) {
    int serial = -1;
    ASSERT_EQ(queue.take(out.get(), false, &serial), 1);
    EXPECT_EQ(is_flush_marker(out.get()), e.marker);
    EXPECT_EQ(serial, e.serial);
    if (!e.marker) {
      EXPECT_EQ(out->size, e.size);
    }
  }
  EXPECT_EQ(queue.take(out.get(), false), 0);
  EXPECT_EQ(queue.size(), 0);
  EXPECT_EQ(queue.duration(), 0);
}

TEST_F(DemuxQueueTest, FlushEmptiesButKeepsSerial) {
  queue.start();
  for (int i = 0; i < 5; ++i) {
    PacketPtr p = make_packet(50);
    queue.put(p.get());
  }
  queue.flush();
  EXPECT_EQ(queue.count(), 0);
  EXPECT_EQ(queue.size(), 0);
  EXPECT_EQ(queue.duration(), 0);
  EXPECT_EQ(queue.serial(), 1);
}

TEST_F(DemuxQueueTest, BlockingTakeWakesOnPutAndOnAbort) {
  queue.start();
  PacketPtr out(av_packet_alloc());
  queue.take(out.get(), false);  // the marker

  auto got = std::async(std::launch::async, [&] { return queue.take(out.get(), true); });
  EXPECT_EQ(got.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  PacketPtr p = make_packet(5);
  queue.put(p.get());
  EXPECT_EQ(got.get(), 1);

  auto aborted = std::async(std::launch::async, [&] { return queue.take(out.get(), true); });
  EXPECT_EQ(aborted.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  queue.abort();
  EXPECT_EQ(aborted.get(), -1);
  PacketPtr late = make_packet(5);
  EXPECT_EQ(queue.put(late.get()), -1);
}

TEST_F(DemuxQueueTest, EmptyPacketCarriesStreamIndex) {
  queue.start();
  EXPECT_EQ(queue.put_empty(3), 0);
  PacketPtr out(av_packet_alloc());
  queue.take(out.get(), false);
  ASSERT_EQ(queue.take(out.get(), false), 1);
  EXPECT_FALSE(is_flush_marker(out.get()));
  EXPECT_EQ(out->data, nullptr);
  EXPECT_EQ(out->size, 0);
  EXPECT_EQ(out->stream_index, 3);
}

class DecodedQueueTest : public ::testing::Test {
protected:
  void SetUp() override {
    init_flush_marker();
    packets.init("p");
    packets.start();
  }
  void write(DecodedQueue& q, int serial, int64_t pos) {
    DecodedItem* item = q.wait_writable();
    ASSERT_NE(item, nullptr);
    item->serial = serial;
    item->byte_pos = pos;
    q.commit();
  }
  DemuxQueue packets;
};

TEST_F(DecodedQueueTest, CapacityIsLimitedTo16) {
  const struct {
    int requested, capacity;
  } cases[] = {{3, 3}, {9, 9}, {16, 16}, {40, 16}};
  for (const auto& c : cases) {
    DecodedQueue q;
    ASSERT_EQ(q.init(&packets, c.requested, false), 0);
    EXPECT_EQ(q.capacity(), c.capacity) << c.requested;
  }
}

TEST_F(DecodedQueueTest, KeepLastHoldsTheShownFrameUntilTheNextAdvance) {
  DecodedQueue q;
  q.init(&packets, 3, true);
  write(q, 1, 100);
  write(q, 1, 200);
  EXPECT_EQ(q.pending(), 2);
  DecodedItem* first = q.current();
  EXPECT_EQ(first->byte_pos, 100);

  q.advance();
  EXPECT_EQ(q.pending(), 1);
  EXPECT_EQ(q.last_shown(), first) << "the shown frame stays readable";
  EXPECT_EQ(q.current()->byte_pos, 200);

  q.advance();
  EXPECT_EQ(q.pending(), 0);
  EXPECT_EQ(q.last_shown()->byte_pos, 200);
  EXPECT_NE(q.wait_writable(), nullptr) << "the first slot was released";
}

TEST_F(DecodedQueueTest, WithoutKeepLastAdvanceReleasesAtOnce) {
  DecodedQueue q;
  q.init(&packets, 2, false);
  write(q, 1, 1);
  write(q, 1, 2);
  q.advance();
  EXPECT_EQ(q.pending(), 1);
  EXPECT_EQ(q.current()->byte_pos, 2);
}

TEST_F(DecodedQueueTest, LastBytePosNeedsAShownFrameOfTheCurrentSerial) {
  DecodedQueue q;
  q.init(&packets, 3, true);
  write(q, 1, 1234);
  EXPECT_EQ(q.last_byte_pos(), -1) << "nothing shown yet";
  q.advance();
  EXPECT_EQ(q.last_byte_pos(), 1234);
  packets.put(flush_marker());  // a seek
  EXPECT_EQ(q.last_byte_pos(), -1);
}

TEST_F(DecodedQueueTest, WaitersAreReleasedWhenThePacketQueueAborts) {
  DecodedQueue q;
  q.init(&packets, 1, false);
  write(q, 1, 0);
  auto writer = std::async(std::launch::async, [&] { return q.wait_writable(); });
  EXPECT_EQ(writer.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  packets.abort();
  q.signal();
  EXPECT_EQ(writer.get(), nullptr);

  DecodedQueue empty;
  empty.init(&packets, 2, false);
  EXPECT_EQ(empty.wait_readable(), nullptr);
}

TEST(SyncClockTest, ReadsNaNOnceItsQueueMovedOnUntilSetAgain) {
  std::atomic<int> queue_serial{1};
  SyncClock clock;
  clock.init(&queue_serial);
  EXPECT_TRUE(std::isnan(clock.read()));
  clock.set(5.0, 1);
  EXPECT_NEAR(clock.read(), 5.0, 0.05);
  queue_serial = 2;
  EXPECT_TRUE(std::isnan(clock.read()));
  clock.set(7.0, 2);
  EXPECT_NEAR(clock.read(), 7.0, 0.05);
}

TEST(SyncClockTest, RunsAtItsSpeedAndStandsStillWhenPaused) {
  SyncClock clock;
  clock.init_own_serial();
  const double t0 = 100.0;
  clock.set_at(10.0, clock.serial(), t0);
  EXPECT_DOUBLE_EQ(clock.read_at(t0 + 1.0), 11.0);
  clock.set_speed(2.0);
  const double at = clock.updated_at();
  const double base = clock.read_at(at);
  EXPECT_NEAR(clock.read_at(at + 1.0), base + 2.0, 1e-6);
  // read() is the clock at the present moment: between its readings just before and after.
  const double before = SyncClock::now();
  const double now_read = clock.read();
  const double after = SyncClock::now();
  EXPECT_GE(now_read, clock.read_at(before));
  EXPECT_LE(now_read, clock.read_at(after));

  clock.set_paused(true);
  EXPECT_DOUBLE_EQ(clock.read_at(at + 50.0), clock.pts());
}

TEST(SyncClockTest, FollowCopiesOnlyWhenUnsetOrFarApart) {
  const struct {
    double clock, slave, expected;
  } cases[] = {
      {NAN, 3.0, 3.0},     // no time yet: take the slave's
      {5.0, 14.0, 5.0},    // 9 s apart: left alone
      {5.0, 15.5, 15.5},   // more than 10 s apart: resynchronised
      {20.0, 9.0, 9.0},    // also backwards
      {5.0, NAN, 5.0},     // a slave without time changes nothing
  };
  for (const auto& c : cases) {
    SyncClock clock, slave;
    clock.init_own_serial();
    slave.init_own_serial();
    const double now = SyncClock::now();
    clock.set_at(c.clock, clock.serial(), now);
    slave.set_at(c.slave, 7, now);
    clock.set_paused(true);
    slave.set_paused(true);
    clock.follow(slave);
    if (std::isnan(c.expected))
      EXPECT_TRUE(std::isnan(clock.pts()));
    else
      EXPECT_NEAR(clock.pts(), c.expected, 0.01) << c.clock << " / " << c.slave;
  }
}

class MasterClockTest : public ::testing::Test {
protected:
  void SetUp() override {
    init_flush_marker();
    for (DemuxQueue* q : {&vs.audio_packets, &vs.video_packets, &vs.video2_packets, &vs.text_packets}) {
      q->init();
      q->start();
    }
    vs.clock_audio.init(vs.audio_packets.serial_ptr());
    vs.clock_video.init(vs.video_packets.serial_ptr());
    vs.clock_external.init_own_serial();
  }
  void fill(DemuxQueue& q, int n) {
    for (int i = 0; i < n; ++i) {
      PacketPtr p = make_packet(1);
      q.put(p.get());
    }
  }
  VideoState vs;
  AVStream stream_storage{};
};

TEST_F(MasterClockTest, EffectiveSyncFollowsTheOpenStreams) {
  AVStream audio{}, video{};
  const struct {
    int preference;
    bool audio, video;
    int expected;
  } cases[] = {
      {SYNC_AUDIO, true, true, SYNC_AUDIO},      {SYNC_AUDIO, true, false, SYNC_AUDIO},
      {SYNC_AUDIO, false, true, SYNC_EXTERNAL},  {SYNC_VIDEO, false, true, SYNC_VIDEO},
      {SYNC_VIDEO, true, false, SYNC_EXTERNAL},  {SYNC_EXTERNAL, true, true, SYNC_EXTERNAL},
  };
  for (const auto& c : cases) {
    vs.sync_preference = c.preference;
    vs.audio_stream_ptr = c.audio ? &audio : nullptr;
    vs.video_stream_ptr = c.video ? &video : nullptr;
    EXPECT_EQ(effective_sync(vs), c.expected) << c.preference << c.audio << c.video;
  }
  vs.audio_stream_ptr = vs.video_stream_ptr = nullptr;
}

TEST_F(MasterClockTest, ExternalClockSpeedTracksQueueFillAndPlaybackSpeed) {
  vs.video_index = 0;
  vs.audio_index = -1;
  struct Case {
    int packets;
    int playback_speed;
    double start, expected;
  } cases[] = {
      {1, 1, 1.0, 0.999},    // nearly empty: slow down
      {1, 1, 0.9, 0.9},      // not below the floor
      {5, 1, 1.005, 1.004},  // in between: one step towards 1.0
      {5, 1, 0.995, 0.996},
      {11, 1, 1.0, 1.001},   // well filled: speed up
      {11, 1, 1.010, 1.010}, // not above the ceiling
      {11, 2, 1.0, 2.002},   // the playback speed multiplies
  };
  for (const Case& c : cases) {
    vs.video_packets.flush();
    fill(vs.video_packets, c.packets);
    player_globals.playback_speed = c.playback_speed;
    vs.clock_external.set_speed(c.start);
    adjust_external_speed(vs);
    EXPECT_NEAR(vs.clock_external.speed(), c.expected, 1e-9) << c.packets << " " << c.start;
  }
  player_globals.playback_speed = 1;
}

TEST_F(MasterClockTest, EnoughPacketsNeedsCountAndDuration) {
  AVStream& st = stream_storage;
  st.time_base = AVRational{1, 10};
  EXPECT_TRUE(has_enough_packets(&st, -1, vs.video_packets)) << "no stream";
  fill(vs.video_packets, 24);  // 25 entries with the marker, 2.4 s
  EXPECT_FALSE(has_enough_packets(&st, 0, vs.video_packets));
  fill(vs.video_packets, 1);
  EXPECT_TRUE(has_enough_packets(&st, 0, vs.video_packets));
  st.time_base = AVRational{1, 1000};  // 26 packets of 1 ms: too short
  EXPECT_FALSE(has_enough_packets(&st, 0, vs.video_packets));
  st.disposition = AV_DISPOSITION_ATTACHED_PIC;
  EXPECT_TRUE(has_enough_packets(&st, 0, vs.video_packets));
  st.disposition = 0;
  vs.video_packets.abort();
  EXPECT_TRUE(has_enough_packets(&st, 0, vs.video_packets));
}

TEST(SeekRequestTest, ARequestWhileAnotherIsPendingIsDropped) {
  VideoState vs;
  request_seek(&vs, 2000000, 2000000, false);
  request_seek(&vs, 500000, -500000, true);
  EXPECT_EQ(vs.seek_pending, 1);
  EXPECT_EQ(vs.seek_target, 2000000);
  EXPECT_EQ(vs.seek_increment, 2000000);
  EXPECT_EQ(vs.seek_mode_flags & AVSEEK_FLAG_BYTE, 0);

  vs.seek_pending = 0;  // taken by the read thread
  request_seek(&vs, 4096, 0, true);
  EXPECT_EQ(vs.seek_target, 4096);
  EXPECT_NE(vs.seek_mode_flags & AVSEEK_FLAG_BYTE, 0);
}

TEST(VolumeStepTest, StepsByThreeQuartersOfADecibel) {
  const struct {
    int volume, sign, expected;
  } cases[] = {
      {128, 1, 128}, {1, -1, 0}, {0, 1, 1}, {0, -1, 0}, {128, -1, 117}, {63, 1, 69}, {63, -1, 58}, {2, 1, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(volume_step(c.volume, c.sign), c.expected) << c.volume << " " << c.sign;
}

TEST(ProgressTest, PositionInThousandthsOfWholeSeconds) {
  const struct {
    double t;
    int64_t duration_us;
    int64_t expected;
  } cases[] = {
      {30.5, 60000000, 508}, {0.0, 60000000, 0},   {60.0, 60400000, 1000},
      {1.0, 999999, -1},     {NAN, 60000000, -1},  {-0.5, 10000000, -50},
      {5.0, AV_NOPTS_VALUE, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(position_permille(c.t, c.duration_us), c.expected) << c.t;
}

TEST(TelemetryWalkTest, LooksUpTheTicksAsTheClockMoves) {
  const struct {
    int last, k;
    std::vector<int> looked_up;
  } cases[] = {
      {10, 10, {}},                  // same tick: nothing
      {10, 11, {11}},                // next tick
      {10, 12, {11}},                // a short jump: every second tick, none past k
      {10, 14, {11, 13}},
      {10, 15, {11, 13, 15}},
      {10, 50, {11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31, 33, 35, 37, 39, 41, 43, 45, 47, 49}},
      {10, 51, {}},                  // more than 40 ahead: the tick after it comes with the next step
      {30, 12, {}},                  // backwards (a seek back): likewise
      {12, 13, {13}},                // ... which is the tick after the new position
      {10, -1, {}},                  // no time yet
  };
  for (const auto& c : cases) {
    std::vector<int> seen;
    const int last = telemetry_walk(c.last, c.k, [&](int t) { seen.push_back(t); });
    EXPECT_EQ(seen, c.looked_up) << c.last << " -> " << c.k;
    EXPECT_EQ(last, c.k < 0 ? c.last : c.k);
  }
}

TEST(TelemetryWalkTest, DeliversEachTickAtMostOnceAndNeverAheadOfTheClock) {
  // Clock readings in tenths as the refresh sees them: steps, short jumps of every size, a
  // long jump ahead and a seek back.
  const std::vector<int> clock = {0,  1,  2,  5,  7,  8,  9,  12, 13, 16, 17, 20, 23, 24, 25, 27,
                                  28, 30, 33, 34, 80, 81, 82, 85, 86, 40, 41, 42, 44, 45, 46};
  int last = 0;
  std::vector<int> run;  // delivered since the last seek back
  std::vector<int> all;
  for (int k : clock) {
    if (k < last) run.clear();
    last = telemetry_walk(last, k, [&](int t) {
      EXPECT_LE(t, k) << "tick " << t << " delivered before its time";
      EXPECT_EQ(std::count(run.begin(), run.end(), t), 0) << "tick " << t << " delivered twice";
      run.push_back(t);
      all.push_back(t);
    });
  }
  // Each step's tick, and the tick after each jump, is delivered.
  for (int t : {1, 2, 8, 9, 13, 17, 24, 25, 28, 34, 81, 82, 86, 41, 42, 45, 46})
    EXPECT_NE(std::find(all.begin(), all.end(), t), all.end()) << t;
}

}  // namespace
