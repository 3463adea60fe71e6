// Prints how long scanning a driver-assistance card with 10,000 recordings takes: the
// files are spread over the three kind folders (plus some that are not recordings), the
// scan lists, filters, sorts and distributes them.

#include "RecordingCards.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct NullHost : RecordingCardsHost {
  void ShowRecordings(RecordingKind, const std::vector<FileInfo>&) override {}
  void ShowTitle(const std::string&) override {}
  bool IsPlaying() const override { return false; }
  void StopPlayback() override {}
};

double ThreadCpuMs()
{
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

}  // namespace

int main()
{
  constexpr int kRecordings = 10000;
  std::string pattern = (fs::temp_directory_path() / "cards-bench-XXXXXX").string();
  const fs::path card = mkdtemp(pattern.data());
  const char* folders[] = {"ory_rec", "evt_rec", "usr_rec"};
  const char* suffixes[] = {"N.mp4", "E.mp4", "U.mp4"};
  for (int k = 0; k < 3; ++k)
    fs::create_directories(card / folders[k]);
  for (int i = 0; i < kRecordings; ++i) {
    const int k = i % 3;
    char name[64];
    std::snprintf(name, sizeof name, "2024%04d_%06d_%s", i % 1231, (i * 7919) % 1000000, suffixes[k]);
    std::ofstream(card / folders[k] / name) << i;
  }
  for (int i = 0; i < 300; ++i)  // not recordings: skipped by the scan
    std::ofstream(card / folders[i % 3] / ("note" + std::to_string(i) + ".txt")) << i;

  NullHost host;
  // Wall time, and the CPU time of this thread: on a loaded machine the wall time also
  // counts the waits for a core.
  std::vector<double> times, cpu_times;
  size_t found = 0;
  for (int run = 0; run < 7; ++run) {
    RecordingState state;
    state.m_strCardRoot = card.string();
    RecordingCards cards(state, host, MountTable("/nonexistent", "/nonexistent"));
    const double cpu_start = ThreadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    cards.ScanVranCard();
    const auto stop = std::chrono::steady_clock::now();
    cpu_times.push_back(ThreadCpuMs() - cpu_start);
    times.push_back(std::chrono::duration<double, std::milli>(stop - start).count());
    found = state.m_recordings[0].size() + state.m_recordings[1].size() + state.m_recordings[2].size();
  }
  fs::remove_all(card);

  std::sort(times.begin(), times.end());
  std::sort(cpu_times.begin(), cpu_times.end());
  std::printf("card scan, %zu recordings: median %.1f ms, best %.1f ms, worst %.1f ms; CPU median %.1f ms "
              "(limit 150 ms)\n",
              found, times[times.size() / 2], times.front(), times.back(), cpu_times[cpu_times.size() / 2]);
  return found == kRecordings ? 0 : 1;
}
