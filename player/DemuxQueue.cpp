#include "DemuxQueue.h"

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/log.h>
}

DemuxQueue::TraceHook DemuxQueue::trace;

namespace {
AVPacket flush_packet;
}

AVPacket* flush_marker() { return &flush_packet; }

void init_flush_marker() {
  flush_packet = AVPacket{};
  flush_packet.pts = flush_packet.dts = AV_NOPTS_VALUE;
  flush_packet.pos = -1;
  flush_packet.data = reinterpret_cast<uint8_t*>(&flush_packet);
}

bool is_flush_marker(const AVPacket* packet) {
  return packet && packet->data == reinterpret_cast<const uint8_t*>(&flush_packet);
}

DemuxQueue::~DemuxQueue() { flush(); }

int DemuxQueue::init(const char* name) {
  flush();
  std::lock_guard lock(mutex_);
  name_ = name;
  aborted_ = 1;
  serial_ = 0;
  return 0;
}

void DemuxQueue::start() {
  std::lock_guard lock(mutex_);
  aborted_ = 0;
  put_locked(flush_marker());
}

int DemuxQueue::put_locked(AVPacket* packet) {
  if (aborted_) return -1;
  AVPacket* owned = av_packet_alloc();
  if (!owned) return -1;
  const bool marker = packet == flush_marker();
  if (marker) {
    // The marker owns no payload: a shallow copy keeps its identifying data pointer.
    owned->data = packet->data;
    owned->size = 0;
    owned->pts = owned->dts = AV_NOPTS_VALUE;
    ++serial_;
  } else {
    av_packet_move_ref(owned, packet);
  }
  entries_.push_back({owned, serial_});
  count_ = static_cast<int>(entries_.size());
  size_ += owned->size + static_cast<int32_t>(sizeof(Entry));
  duration_ += owned->duration;
  if (trace) trace(*this, TraceEvent::Put, owned, serial_);
  cond_.notify_all();
  return 0;
}

int DemuxQueue::put(AVPacket* packet) {
  int ret;
  {
    std::lock_guard lock(mutex_);
    ret = put_locked(packet);
  }
  if (ret < 0 && packet != flush_marker()) av_packet_unref(packet);
  return ret;
}

int DemuxQueue::put_empty(int stream_index) {
  AVPacket* packet = av_packet_alloc();
  if (!packet) return -1;
  packet->stream_index = stream_index;
  const int ret = put(packet);
  av_packet_free(&packet);
  return ret;
}

int DemuxQueue::take(AVPacket* dst, bool block, int* serial) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (aborted_) return -1;
    if (!entries_.empty()) {
      Entry entry = entries_.front();
      entries_.pop_front();
      count_ = static_cast<int>(entries_.size());
      size_ -= entry.packet->size + static_cast<int32_t>(sizeof(Entry));
      duration_ -= entry.packet->duration;
      av_packet_unref(dst);
      if (is_flush_marker(entry.packet)) {
        // Not refcounted: copy the identifying fields only.
        dst->data = entry.packet->data;
        dst->size = 0;
        dst->pts = dst->dts = AV_NOPTS_VALUE;
        entry.packet->data = nullptr;
      } else {
        av_packet_move_ref(dst, entry.packet);
      }
      av_packet_free(&entry.packet);
      if (serial) *serial = entry.serial;
      return 1;
    }
    if (!block) return 0;
    cond_.wait(lock);
  }
}

void DemuxQueue::flush() {
  std::lock_guard lock(mutex_);
  for (Entry& entry : entries_) {
    if (is_flush_marker(entry.packet)) entry.packet->data = nullptr;
    av_packet_free(&entry.packet);
  }
  entries_.clear();
  count_ = 0;
  size_ = 0;
  duration_ = 0;
  if (trace) trace(*this, TraceEvent::Flush, nullptr, serial_);
}

void DemuxQueue::abort() {
  std::lock_guard lock(mutex_);
  aborted_ = 1;
  cond_.notify_all();
}

void DemuxQueue::destroy() { flush(); }

int DemuxQueue::count() const { return count_.load(std::memory_order_relaxed); }

int DemuxQueue::size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

int64_t DemuxQueue::duration() const {
  std::lock_guard lock(mutex_);
  return duration_;
}

bool DemuxQueue::head_is_flush_marker() const {
  std::lock_guard lock(mutex_);
  return !entries_.empty() && is_flush_marker(entries_.front().packet);
}
