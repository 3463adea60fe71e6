#pragma once
// Packet queue between the read thread and one decoder. Packets are moved in and out; the
// process-wide flush marker bumps the serial so that everything queued before a seek can be
// recognised and dropped.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

extern "C" {
#include <libavcodec/packet.h>
}

class DemuxQueue {
public:
  // What a put or flush did, reported to the trace hook (tests watch the read thread with it).
  enum class TraceEvent { Put, Flush };
  using TraceHook = std::function<void(const DemuxQueue&, TraceEvent, const AVPacket*, int serial)>;
  static TraceHook trace;  // set only while no player runs

  DemuxQueue() = default;
  ~DemuxQueue();
  DemuxQueue(const DemuxQueue&) = delete;
  DemuxQueue& operator=(const DemuxQueue&) = delete;

  // Empties the queue and makes it refuse packets until start().
  int init(const char* name = "");
  // Accepts packets again and puts the flush marker (serial + 1).
  void start();
  // Moves the packet in (0) or, when aborted, releases it (-1). The flush marker is never released.
  int put(AVPacket* packet);
  // An empty packet for the stream: tells the decoder to drain.
  int put_empty(int stream_index);
  // 1 got a packet (moved into dst), 0 empty and not blocking, -1 aborted.
  int take(AVPacket* dst, bool block, int* serial = nullptr);
  void flush();
  void abort();
  void destroy();

  int count() const;
  int size() const;
  int64_t duration() const;
  int serial() const { return serial_.load(std::memory_order_relaxed); }
  const std::atomic<int>* serial_ptr() const { return &serial_; }
  bool aborted() const { return aborted_.load(std::memory_order_relaxed) != 0; }
  // Whether the oldest queued packet is the flush marker.
  bool head_is_flush_marker() const;
  const char* name() const { return name_; }

private:
  struct Entry {
    AVPacket* packet;
    int serial;
  };
  int put_locked(AVPacket* packet);

  mutable std::mutex mutex_;
  std::condition_variable cond_;
  std::deque<Entry> entries_;
  int32_t size_ = 0;
  int64_t duration_ = 0;
  std::atomic<int> count_{0};
  std::atomic<int> aborted_{1};
  std::atomic<int> serial_{0};
  const char* name_ = "";
};

// The process-wide flush marker: a packet without payload whose data pointer points at itself,
// so that a moved copy can still be recognised.
AVPacket* flush_marker();
void init_flush_marker();
bool is_flush_marker(const AVPacket* packet);
