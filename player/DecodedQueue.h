#pragma once
// Fixed ring of decoded frames between a decoder and the output. Frames are allocated once and
// reused; with keep_shown the last shown frame stays readable until the next one is shown.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "EngineConstants.h"

class DemuxQueue;

struct DecodedItem {
  AVFrame* frame = nullptr;
  AVSubtitle text_item{};
  bool has_text_item = false;
  int serial = 0;
  double pts = 0;
  double duration = 0;
  int64_t byte_pos = -1;
  int width = 0;
  int height = 0;
  int pixel_format = -1;
  AVRational aspect{0, 1};
  int packet_size = 0;  // size of the source packet; pictures of empty packets are never drawn
  bool drawn = false;
};

class DecodedQueue {
public:
  DecodedQueue() = default;
  ~DecodedQueue();
  DecodedQueue(const DecodedQueue&) = delete;
  DecodedQueue& operator=(const DecodedQueue&) = delete;

  // 0, or -12 when a frame cannot be allocated.
  int init(DemuxQueue* source, int max_size, bool keep_last);
  void destroy();
  void signal();

  DecodedItem* current();    // next to show
  DecodedItem* following();  // the one after it
  DecodedItem* last_shown();
  // Free slot to fill, or null once the source queue is aborted.
  DecodedItem* wait_writable();
  // Next frame to show, or null once the source queue is aborted.
  DecodedItem* wait_readable();
  void commit();
  void advance();
  int pending() const;
  int64_t last_byte_pos() const;
  int capacity() const { return capacity_; }
  bool shown_held() const { return shown_held_; }
  std::mutex& mutex() { return mutex_; }

private:
  static void release(DecodedItem& item);

  std::array<DecodedItem, engine::kFrameQueueCapacity> slots_{};
  int read_index_ = 0;
  int write_index_ = 0;
  int size_ = 0;
  int capacity_ = 0;
  bool keep_shown_ = false;
  int shown_held_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable cond_;
  DemuxQueue* source_ = nullptr;
};
