#pragma once
// A main window stand-in for the list pages: real pages and a real backup window, with the
// player start and stop and the vehicle panel recorded instead of run.
#include "CBackupProgress.h"
#include "CFileListEvent.h"
#include "CFileListManual.h"
#include "CFileListNomal.h"
#include "RecordingListHost.h"
#include "RecordingState.h"

#include "Player.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class FakeListHost : public RecordingListHost {
public:
  FakeListHost()
  {
    window.resize(1080, 645);
    pages[Normal] = new CFileListNomal(*this, &window);
    pages[Event] = new CFileListEvent(*this, &window);
    pages[Manual] = new CFileListManual(*this, &window);
    for (CFileList* page : pages) {
      page->setGeometry(720, 364, 360, 281);
      page->hide();
    }
    pages[Normal]->show();
    backup = new CBackupProgress(&window);
    player_globals.playing = 0;
  }
  ~FakeListHost() override { player_globals.playing = 0; }

  // Fills the state's list of `kind` with `count` recordings and shows them.
  void Fill(RecordingKind kind, int count, const std::string& suffix)
  {
    state.m_recordings[kind].clear();
    for (int i = 0; i < count; ++i)
      state.m_recordings[kind].push_back({"2024010" + std::to_string(i % 10) + "_" + std::to_string(100000 + i) +
                                            "_" + suffix,
                                          1000ull * i});
    pages[kind]->ShowRecordings(state.m_recordings[kind]);
  }

  RecordingState& recordingState() override { return state; }
  CFileList* ListPage(RecordingKind kind) override { return pages[kind]; }
  int VisibleListKind() const override { return visible; }
  void SelectListPage(RecordingKind kind) override
  {
    if (kind == visible)
      return;
    calls.push_back("tab " + std::to_string(kind));
    for (int k = 0; k < kRecordingKindCount; ++k)
      pages[k]->setVisible(k == kind);
    visible = kind;
  }
  void SetTitleText(const std::string& text) override { title = text; }
  bool StopRunningPlayer() override
  {
    if (!player_globals.playing)
      return false;
    calls.push_back("stop");
    player_globals.playing = 0;
    return true;
  }
  void ClearGraphReferences() override { calls.push_back("clear graph"); }
  void ResetGraph() override { calls.push_back("reset graph"); }
  void StartPlayer(const std::string& path) override
  {
    calls.push_back("start");
    started.push_back(path);
    player_globals.playing = 1;
  }
  void EnablePlaybackControls() override { calls.push_back("enable"); }
  CBackupProgress* BackupProgress() override { return backup; }

  QWidget window;
  CFileList* pages[kRecordingKindCount] = {};
  CBackupProgress* backup = nullptr;
  RecordingState state;
  int visible = Normal;
  std::string title;
  std::vector<std::string> calls;
  std::vector<std::string> started;
};
