#include "SyncClock.h"

#include <cmath>

extern "C" {
#include <libavutil/time.h>
}

double SyncClock::now() { return av_gettime_relative() / 1000000.0; }

void SyncClock::init(const std::atomic<int>* queue_serial) {
  speed_ = 1.0;
  paused_ = 0;
  source_serial_ = queue_serial;
  set(NAN, -1);
}

void SyncClock::init_own_serial() { init(&serial_); }

double SyncClock::read_at(double time) const {
  if (source_serial_->load(std::memory_order_relaxed) != serial_) return NAN;
  if (paused_) return pts_;
  return drift_ + time - (time - updated_at_) * (1.0 - speed_);
}

double SyncClock::read() const { return read_at(now()); }

void SyncClock::set_at(double pts, int serial, double time) {
  pts_ = pts;
  updated_at_ = time;
  drift_ = pts - time;
  serial_ = serial;
}

void SyncClock::set(double pts, int serial) { set_at(pts, serial, now()); }

void SyncClock::set_speed(double speed) {
  set(read(), serial_);
  speed_ = speed;
}

void SyncClock::follow(const SyncClock& slave) {
  const double c = read();
  const double s = slave.read();
  if (!std::isnan(s) && (std::isnan(c) || std::fabs(c - s) > kFollowThreshold)) set(s, slave.serial_);
}
