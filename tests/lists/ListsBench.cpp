// Prints how long a list page takes to show 10,000 recordings.
#include "CFileListNomal.h"
#include "RecordingListHost.h"
#include "RecordingState.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>

namespace {

// The page only needs a host when a row is played; the bench never plays one.
class IdleHost : public RecordingListHost {
public:
  RecordingState& recordingState() override { return state; }
  CFileList* ListPage(RecordingKind) override { return nullptr; }
  int VisibleListKind() const override { return Normal; }
  void SelectListPage(RecordingKind) override {}
  void SetTitleText(const std::string&) override {}
  bool StopRunningPlayer() override { return false; }
  void ClearGraphReferences() override {}
  void ResetGraph() override {}
  void StartPlayer(const std::string&) override {}
  void EnablePlaybackControls() override {}
  CBackupProgress* BackupProgress() override { return nullptr; }

  RecordingState state;
};

}  // namespace

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  IdleHost host;
  CFileListNomal page(host);
  page.show();
  std::vector<FileInfo> files;
  for (int i = 0; i < 10000; ++i)
    files.push_back({"20240101_" + std::to_string(100000 + i) + "_N.mp4", 50ull * 1048576 + i});
  for (int round = 0; round < 3; ++round) {
    QElapsedTimer timer;
    timer.start();
    page.ShowRecordings(files);
    QCoreApplication::processEvents();  // include the first paint of the filled page
    std::printf("list page, 10000 recordings: %.1f ms\n", timer.nsecsElapsed() / 1e6);
  }
  return 0;
}
