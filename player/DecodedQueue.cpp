#include "DecodedQueue.h"

#include <algorithm>

#include "DemuxQueue.h"

DecodedQueue::~DecodedQueue() { destroy(); }

int DecodedQueue::init(DemuxQueue* source, int max_size, bool keep_last) {
  destroy();
  source_ = source;
  capacity_ = std::clamp(max_size, 1, engine::kFrameQueueCapacity);
  keep_shown_ = keep_last;
  read_index_ = write_index_ = size_ = shown_held_ = 0;
  for (int i = 0; i < capacity_; ++i) {
    slots_[i] = DecodedItem{};
    slots_[i].frame = av_frame_alloc();
    if (!slots_[i].frame) return -12;
  }
  return 0;
}

void DecodedQueue::release(DecodedItem& item) {
  if (item.frame) av_frame_unref(item.frame);
  if (item.has_text_item) {
    avsubtitle_free(&item.text_item);
    item.has_text_item = false;
  }
}

void DecodedQueue::destroy() {
  for (DecodedItem& item : slots_) {
    release(item);
    av_frame_free(&item.frame);
  }
  capacity_ = 0;
  size_ = 0;
}

void DecodedQueue::signal() {
  std::lock_guard lock(mutex_);
  cond_.notify_all();
}

DecodedItem* DecodedQueue::current() { return &slots_[(read_index_ + shown_held_) % capacity_]; }

DecodedItem* DecodedQueue::following() {
  return &slots_[(read_index_ + shown_held_ + 1) % capacity_];
}

DecodedItem* DecodedQueue::last_shown() { return &slots_[read_index_]; }

DecodedItem* DecodedQueue::wait_writable() {
  std::unique_lock lock(mutex_);
  cond_.wait(lock, [&] { return size_ < capacity_ || source_->aborted(); });
  if (source_->aborted()) return nullptr;
  return &slots_[write_index_];
}

DecodedItem* DecodedQueue::wait_readable() {
  std::unique_lock lock(mutex_);
  cond_.wait(lock, [&] { return size_ - shown_held_ > 0 || source_->aborted(); });
  if (source_->aborted()) return nullptr;
  return current();
}

void DecodedQueue::commit() {
  write_index_ = (write_index_ + 1) % capacity_;
  std::lock_guard lock(mutex_);
  ++size_;
  cond_.notify_all();
}

void DecodedQueue::advance() {
  if (keep_shown_ && !shown_held_) {
    std::lock_guard lock(mutex_);
    shown_held_ = 1;
    return;
  }
  release(slots_[read_index_]);
  read_index_ = (read_index_ + 1) % capacity_;
  std::lock_guard lock(mutex_);
  --size_;
  cond_.notify_all();
}

int DecodedQueue::pending() const {
  std::lock_guard lock(mutex_);
  return size_ - shown_held_;
}

int64_t DecodedQueue::last_byte_pos() const {
  const DecodedItem& item = slots_[read_index_];
  if (shown_held_ && item.serial == source_->serial()) return item.byte_pos;
  return -1;
}
