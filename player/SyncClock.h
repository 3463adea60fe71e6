#pragma once
// A clock that runs from its last set point at its speed; it reads NaN once the serial of the
// queue it belongs to moved on (a seek happened since it was set). Lock-free: each field is a
// single atomic value, and readers accept a clock that is being set as stale.

#include <atomic>

class SyncClock {
public:
  // Clocks further apart than this are resynchronised by follow(), not corrected.
  static constexpr double kFollowThreshold = 10.0;

  void init(const std::atomic<int>* queue_serial);
  // Initialises a clock that owns its serial (the external clock).
  void init_own_serial();
  double read() const;
  double read_at(double now) const;
  void set_at(double pts, int serial, double time);
  void set(double pts, int serial);
  void set_speed(double speed);
  // Copies slave into this clock when this one has no time or the two are far apart.
  void follow(const SyncClock& slave);

  double pts() const { return pts_; }
  double updated_at() const { return updated_at_; }
  double speed() const { return speed_; }
  int serial() const { return serial_; }
  bool paused() const { return paused_ != 0; }
  void set_paused(bool paused) { paused_ = paused ? 1 : 0; }

  static double now();

private:
  std::atomic<double> pts_{0};
  std::atomic<double> drift_{0};
  std::atomic<double> updated_at_{0};
  std::atomic<double> speed_{1.0};
  std::atomic<int> serial_{-1};
  std::atomic<int> paused_{0};
  const std::atomic<int>* source_serial_ = &serial_;
};
