// Next, previous and the common start of a recording, on real list pages.
#include "FakeListHost.h"

#include "RecordingNavigation.h"
#include "ViewerConfig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

class Navigation : public ::testing::Test {
protected:
  void SetUp() override
  {
    device_model = VRAN3;
    host.state.recordings_root = "/media/user/VRAN-3";
    host.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));
  }

  std::string Name(RecordingKind kind, int row) const { return host.state.m_recordings[kind][row].name; }

  std::vector<int> SelectedRows(RecordingKind kind) const
  {
    std::vector<int> rows;
    QTreeWidget* list = host.pages[kind]->list();
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      if (list->topLevelItem(i)->isSelected())
        rows.push_back(i);
    return rows;
  }

  FakeListHost host;
};

}  // namespace

TEST_F(Navigation, NextAndPreviousWrapAroundThePage)
{
  host.Fill(Normal, 3, "N.mp4");
  const struct {
    void (*step)(RecordingListHost&);
    int from, to;
  } cases[] = {
    {NextRecording, 0, 1},
    {NextRecording, 2, 0},      // last row: Next plays row 0
    {PreviousRecording, 0, 2},  // row 0: Previous plays the last row
    {PreviousRecording, 2, 1},
  };
  for (const auto& c : cases) {
    host.state.current_index[Normal] = c.from;
    host.started.clear();
    c.step(host);
    EXPECT_EQ(host.state.current_index[Normal], c.to);
    ASSERT_EQ(host.started.size(), 1u) << c.from << " -> " << c.to;
    EXPECT_EQ(host.started[0], "/media/user/VRAN-3/" + Name(Normal, c.to));
    EXPECT_EQ(host.title, Name(Normal, c.to));  // folder mode: the name alone
    EXPECT_EQ(SelectedRows(Normal), std::vector<int>{c.to});
    EXPECT_EQ(host.pages[Normal]->list()->currentItem(), host.pages[Normal]->list()->topLevelItem(c.to));
  }
}

TEST_F(Navigation, EmptyPageMovesTheIndexButPlaysNothing)
{
  host.Fill(Normal, 0, "N.mp4");
  PreviousRecording(host);
  EXPECT_EQ(host.state.current_index[Normal], -1);
  NextRecording(host);
  EXPECT_EQ(host.state.current_index[Normal], 0);
  EXPECT_TRUE(host.started.empty());
  EXPECT_TRUE(host.calls.empty());
}

TEST_F(Navigation, CardModeTitleReadsKindFolderAndName)
{
  const struct {
    DeviceModel model;
    RecordingKind kind;
    const char* suffix;
    const char* folder;
  } cases[] = {
    {VRAN3, Normal, "N.mp4", "ory_rec"}, {VRAN2X, Event, "E.mp4", "evt_rec"}, {VRAN3, Manual, "U.mp4", "usr_rec"},
    {KOTR4, Normal, "NOR.mp4", "NOR"},   {KOTR4, Event, "EVT.mp4", "EVT"},    {KOTR4, Manual, "DIS.mp4", "DSM"},
  };
  host.state.card_mode = 1;
  for (const auto& c : cases) {
    device_model = c.model;
    host.Fill(c.kind, 2, c.suffix);
    host.SelectListPage(c.kind);
    host.state.current_index[c.kind] = 0;
    NextRecording(host);
    const std::string expected = std::string(c.folder) + "/" + Name(c.kind, 1);
    EXPECT_EQ(host.title, expected);
    EXPECT_EQ(host.state.current_name, expected);
    EXPECT_EQ(host.started.back(), "/media/user/VRAN-3/" + expected);
    EXPECT_EQ(SelectedRows(c.kind), std::vector<int>{1});
  }
}

TEST_F(Navigation, EndOfANormalRecordingWhileTheEventPageIsShownPlaysTheNextEvent)
{
  host.Fill(Normal, 4, "N.mp4");
  host.Fill(Event, 4, "E.mp4");
  host.pages[Normal]->PlayListRow(1);
  host.SelectListPage(Event);
  host.state.current_index[Event] = 2;
  host.calls.clear();

  NextRecording(host);  // what the control panel does on 0x418
  EXPECT_EQ(host.started.back(), "/media/user/VRAN-3/" + Name(Event, 3));
  EXPECT_EQ(host.state.current_index[Event], 3);
  EXPECT_EQ(host.state.current_index[Normal], 1);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"stop", "clear graph", "reset graph", "start"}));
  EXPECT_EQ(host.visible, Event);
  EXPECT_EQ(SelectedRows(Event), std::vector<int>{3});
}

TEST_F(Navigation, PlayCurrentRecordingShowsThePageOfItsKindAndScrollsToTheRow)
{
  host.Fill(Normal, 50, "N.mp4");
  host.Fill(Manual, 1000, "SMO.mp4");
  host.pages[Manual]->list()->topLevelItem(3)->setSelected(true);
  host.state.current_name = Name(Manual, 700);
  host.state.current_path = "/somewhere/" + host.state.current_name;
  host.state.current_index[Manual] = 700;
  PlayCurrentRecording(host);
  EXPECT_EQ(host.visible, Manual);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"reset graph", "start", "tab 2"}));
  EXPECT_EQ(SelectedRows(Manual), std::vector<int>{700});
  QTreeWidget* list = host.pages[Manual]->list();
  const QRect row = list->visualItemRect(list->topLevelItem(700));
  EXPECT_TRUE(list->viewport()->rect().contains(row)) << row.y();
}

TEST_F(Navigation, UnknownSuffixPlaysWithoutHighlighting)
{
  host.Fill(Normal, 3, "N.mp4");
  host.SelectListPage(Event);
  host.pages[Normal]->list()->topLevelItem(1)->setSelected(true);
  host.state.current_name = "clip.mkv";
  host.state.current_path = "/tmp/clip.mkv";
  PlayCurrentRecording(host);
  EXPECT_EQ(host.started, std::vector<std::string>{"/tmp/clip.mkv"});
  EXPECT_EQ(host.visible, Event);
  EXPECT_EQ(SelectedRows(Normal), std::vector<int>{1});
}

TEST_F(Navigation, SecondRequestDuringTheGuardIsDroppedAndEndsTheWait)
{
  host.Fill(Normal, 5, "N.mp4");
  QApplication::setDoubleClickInterval(1000);
  QElapsedTimer elapsed;
  elapsed.start();
  QTimer::singleShot(50, [this] { NextRecording(host); });  // the second click of a double-click
  NextRecording(host);
  const qint64 waited = elapsed.elapsed();
  QApplication::setDoubleClickInterval(100);
  EXPECT_EQ(host.started.size(), 1u);
  EXPECT_EQ(host.state.current_index[Normal], 1);
  EXPECT_LT(waited, 900);  // did not sit out the whole double-click time (1000 ms)

  // Without a second request the wait lasts the whole double-click time.
  elapsed.restart();
  EXPECT_TRUE(RecordingClickGuard());
  EXPECT_GE(elapsed.elapsed(), 100);
}
