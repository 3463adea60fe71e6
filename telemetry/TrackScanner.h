// Scans recordings' telemetry on a worker thread of its own, one at a time, so that neither
// the user interface nor playback waits for it. A new request replaces one not yet started
// and cancels the one running; Cancel drops everything. Results go to `done` on the worker
// thread, tagged with the request's number; one already on its way when a newer request comes
// may still arrive, so a receiver keeps only the newest request's.
#pragma once

#include "TelemetryScan.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class TrackScanner {
public:
  using Done = std::function<void(int request, ScanResult result, TelemetryTrack track)>;

  explicit TrackScanner(Done done);
  ~TrackScanner();
  TrackScanner(const TrackScanner&) = delete;
  TrackScanner& operator=(const TrackScanner&) = delete;

  // Scans `path` next, after cancelling what runs; returns the request's number.
  int Scan(std::string path);
  // Cancels what runs and what waits; `done` is not called for them.
  void Cancel();

private:
  void Run();

  Done m_done;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::optional<std::pair<int, std::string>> m_waiting;
  int m_last_request = 0;
  int m_running = 0;  // request being scanned, 0 for none
  std::atomic<bool> m_cancel{false};
  bool m_quit = false;
  std::thread m_thread;
};
