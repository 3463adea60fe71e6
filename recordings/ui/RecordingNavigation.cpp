#include "RecordingNavigation.h"

#include "CFileList.h"
#include "NavigationRules.h"
#include "RecordingListHost.h"
#include "RecordingNames.h"
#include "RecordingState.h"
#include "ViewerConfig.h"

#include <QApplication>
#include <QThread>

#include <filesystem>
#include <string>

namespace {

bool guard_busy = false;          // a guard wait is in progress
bool guard_second_click = false;  // another guarded request arrived during that wait

void StepRecording(RecordingListHost& host, int (*advance)(int, int))
{
  if (!RecordingClickGuard())
    return;
  const int visible = host.VisibleListKind();
  if (visible < 0 || visible >= kRecordingKindCount)
    return;
  const auto kind = static_cast<RecordingKind>(visible);
  RecordingState& state = host.recordingState();
  int& current = state.current_index[kind];
  current = advance(current, static_cast<int>(state.m_recordings[kind].size()));
  const CFileList* page = host.ListPage(kind);
  const std::string name = page ? page->RowName(current) : std::string();
  if (name.empty())
    return;
  const std::string prefix = state.card_mode == 1 ? std::string(KindFolder(device_model, kind)) + "/" : std::string();
  state.current_name = prefix + name;
  state.current_path = (std::filesystem::path(state.recordings_root) / state.current_name).string();
  host.SetTitleText(state.current_name);
  PlayCurrentRecording(host);
}

}  // namespace

bool RecordingClickGuard()
{
  if (guard_busy) {
    guard_second_click = true;
    return false;
  }
  guard_busy = true;
  guard_second_click = false;
  const int t = QApplication::doubleClickInterval();
  const int slice = t / 10;
  for (int i = 0; i < 10 && !guard_second_click; ++i) {
    QThread::msleep(static_cast<unsigned long>(i == 9 ? slice + t % 10 : slice));
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  guard_busy = false;
  return true;
}

void NextRecording(RecordingListHost& host)
{
  StepRecording(host, AdvanceNext);
}

void PreviousRecording(RecordingListHost& host)
{
  StepRecording(host, AdvancePrevious);
}

void PlayCurrentRecording(RecordingListHost& host)
{
  if (host.StopRunningPlayer())
    host.ClearGraphReferences();
  host.ResetGraph();
  RecordingState& state = host.recordingState();
  host.StartPlayer(state.current_path);
  const auto kind = KindOfSuffix(RecordingSuffix(state.current_name));
  if (!kind)
    return;
  host.SelectListPage(*kind);
  if (CFileList* page = host.ListPage(*kind))
    page->SelectRow(state.current_index[*kind]);
}
