#include "TrackScanner.h"

TrackScanner::TrackScanner(Done done) : m_done(std::move(done)), m_thread([this] { Run(); }) {}

TrackScanner::~TrackScanner()
{
  {
    std::lock_guard lock(m_mutex);
    m_quit = true;
    m_waiting.reset();
    m_cancel = true;
  }
  m_wake.notify_all();
  m_thread.join();
}

int TrackScanner::Scan(std::string path)
{
  std::lock_guard lock(m_mutex);
  m_waiting.emplace(++m_last_request, std::move(path));
  if (m_running)
    m_cancel = true;
  m_wake.notify_all();
  return m_last_request;
}

void TrackScanner::Cancel()
{
  std::lock_guard lock(m_mutex);
  m_waiting.reset();
  if (m_running)
    m_cancel = true;
}

void TrackScanner::Run()
{
  for (;;) {
    std::pair<int, std::string> request;
    {
      std::unique_lock lock(m_mutex);
      m_running = 0;
      m_wake.wait(lock, [this] { return m_quit || m_waiting.has_value(); });
      if (m_quit)
        return;
      request = std::move(*m_waiting);
      m_waiting.reset();
      m_running = request.first;
      m_cancel = false;
    }
    TelemetryTrack track;
    const ScanResult result = ScanTelemetry(request.second, track, &m_cancel);
    if (result != ScanResult::Cancelled && !m_cancel)
      m_done(request.first, result, std::move(track));
  }
}
