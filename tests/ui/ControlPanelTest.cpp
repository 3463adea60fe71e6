// The control panel on its own: slider rules, the load-level clamp, tooltips, time labels, the
// play/pause toggle and the keys it swallows.
#include "CGdipButton.h"
#include "CMySliderControl.h"
#include "CViewerCtlDlg.h"
#include "Player.h"
#include "ViewerMessage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

template <class T>
T* Control(QWidget* panel, int id) {
  return panel->findChild<T*>(QStringLiteral("ctl%1").arg(id));
}

// A parent that counts the keys its child passes on.
class KeyCountingParent : public QWidget {
public:
  int keys = 0;

protected:
  void keyPressEvent(QKeyEvent*) override { ++keys; }
};

class ControlPanel : public ::testing::Test {
protected:
  void SetUp() override {
    player_globals.playing = 0;
    parent_.resize(720, 75);
    panel_ = new CViewerCtlDlg(&parent_);
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
    speed_ = Control<CMySliderControl>(panel_, CViewerCtlDlg::kSpeedSlider);
    volume_ = Control<CMySliderControl>(panel_, CViewerCtlDlg::kVolumeSlider);
    seek_ = Control<CMySliderControl>(panel_, CViewerCtlDlg::kSeekSlider);
    ASSERT_TRUE(speed_ && volume_ && seek_);
  }
  void TearDown() override { player_globals.playing = 0; }

  // The thumb dragged to `position`: what the slider reports while tracking.
  static void Track(CMySliderControl* slider, int position) {
    slider->setValue(position);
    emit slider->HScroll(5, position);
  }

  void Post(unsigned message, int64_t wparam, int64_t lparam) {
    ViewerMessage::post(panel_, message, wparam, lparam);
    QCoreApplication::sendPostedEvents(panel_);
  }

  KeyCountingParent parent_;
  CViewerCtlDlg* panel_ = nullptr;
  CMySliderControl* speed_ = nullptr;
  CMySliderControl* volume_ = nullptr;
  CMySliderControl* seek_ = nullptr;
};

TEST_F(ControlPanel, StartsWithItsRangesLabelsTipsAndTransportDisabled) {
  EXPECT_EQ(seek_->maximum(), 1000);
  EXPECT_EQ(speed_->maximum(), 350);
  EXPECT_EQ(speed_->value(), 0);
  EXPECT_EQ(volume_->maximum(), 128);
  EXPECT_EQ(volume_->value(), 63);
  EXPECT_EQ(speed_->toolTip(), "Speed 1x");
  EXPECT_EQ(volume_->toolTip(), "Volume: 50%");
  EXPECT_EQ(Control<QLabel>(panel_, CViewerCtlDlg::kElapsedLabel)->text(), "00:00:00");
  EXPECT_EQ(Control<QLabel>(panel_, CViewerCtlDlg::kTotalLabel)->text(), "00:00:00");
  for (int id : {1003, 1005, 1006, 1007, 1008, 1009})
    EXPECT_FALSE(Control<QWidget>(panel_, id)->isEnabled()) << id;
  for (int id : {1004, 1010, 1011}) EXPECT_TRUE(Control<QWidget>(panel_, id)->isEnabled()) << id;
  panel_->enable_transport(true);
  for (int id : {1003, 1005, 1006, 1007, 1008, 1009})
    EXPECT_TRUE(Control<QWidget>(panel_, id)->isEnabled()) << id;
}

TEST_F(ControlPanel, SpeedSliderPositionsGiveSpeedsAndTips) {
  const struct {
    int position, speed;
  } cases[] = {{0, 1}, {99, 1}, {100, 2}, {250, 3}, {350, 4}, {199, 2}, {300, 4}};
  for (const auto& c : cases) {
    Track(speed_, c.position);
    EXPECT_EQ(get_speed(), c.speed) << c.position;
    EXPECT_EQ(speed_->toolTip(), QString("Speed %1x").arg(c.speed)) << c.position;
  }
}

TEST_F(ControlPanel, LoadLevelLowersTheSpeedRangeAndClampsThePosition) {
  const struct {
    int level, start, maximum, position, speed;
  } cases[] = {
      {2, 300, 150, 150, 2},  // both a 1920-wide and a second video: at most 2x
      {1, 300, 250, 250, 3},  // one of them: at most 3x
      {0, 300, 350, 300, 4},  // neither
      {1, 120, 250, 120, 2},  // below the new maximum the position stays
  };
  for (const auto& c : cases) {
    speed_->setRange(0, 350);
    Track(speed_, c.start);
    Post(0x41B, c.level, 0);
    EXPECT_EQ(speed_->maximum(), c.maximum) << "level " << c.level;
    EXPECT_EQ(speed_->value(), c.position) << "level " << c.level;
    EXPECT_EQ(get_speed(), c.speed) << "level " << c.level;
    EXPECT_EQ(speed_->toolTip(), QString("Speed %1x").arg(c.speed));
  }
}

TEST_F(ControlPanel, VolumeSliderSetsTheVolumeAndItsTip) {
  const struct {
    int position;
    const char* tip;
  } cases[] = {{64, "Volume: 50%"}, {128, "Volume: 100%"}, {63, "Volume: 49%"}, {0, "Volume: 0%"}};
  for (const auto& c : cases) {
    Track(volume_, c.position);
    EXPECT_EQ(volume_->toolTip(), c.tip);
    EXPECT_EQ(player_globals.requested_volume.load(), c.position);
  }
}

TEST_F(ControlPanel, ClickOnTheSeekSliderSeeksToTheClickedFraction) {
  panel_->enable_transport(true);
  player_globals.seek_permille = 0;
  QTest::mouseClick(seek_, Qt::LeftButton, {}, QPoint(seek_->width() / 2, seek_->height() / 2));
  QCoreApplication::processEvents();
  EXPECT_NEAR(player_globals.seek_permille.load(), 500, 20);
  EXPECT_NEAR(seek_->value(), 500, 20);
}

TEST_F(ControlPanel, TimeLabelsShowHoursMinutesSeconds) {
  auto* elapsed = Control<QLabel>(panel_, CViewerCtlDlg::kElapsedLabel);
  auto* total = Control<QLabel>(panel_, CViewerCtlDlg::kTotalLabel);
  const struct {
    int64_t seconds;
    const char* text;
  } cases[] = {{3725, "01:02:05"}, {59, "00:00:59"}, {719 * 3600 + 1, "719:00:01"}};
  for (const auto& c : cases) {
    Post(0x415, 0, c.seconds);
    EXPECT_EQ(elapsed->text(), c.text) << c.seconds;
  }
  // 720 hours and more are not shown.
  Post(0x415, 0, 720 * 3600);
  EXPECT_EQ(elapsed->text(), "719:00:01");

  panel_->set_duration(3725LL * 1000000 + 999999);
  EXPECT_EQ(total->text(), "01:02:05");
  panel_->set_duration(-1);
  EXPECT_EQ(total->text(), "01:02:05");
}

TEST_F(ControlPanel, ElapsedLabelKeepsTheLastTimeWhileTheClockIsNotAvailable) {
  auto* elapsed = Control<QLabel>(panel_, CViewerCtlDlg::kElapsedLabel);
  panel_->set_duration(600LL * 1000000);
  Post(0x415, 0, 125);
  ASSERT_EQ(elapsed->text(), "00:02:05");
  // A seek (paused or not): the engine has no time until the clock settles.
  Post(0x415, 0, -1);
  EXPECT_EQ(elapsed->text(), "00:02:05");
  Post(0x415, 0, 300);
  EXPECT_EQ(elapsed->text(), "00:05:00");
  // The next recording starts from zero.
  panel_->set_duration(60LL * 1000000);
  EXPECT_EQ(elapsed->text(), "00:00:00");
  Post(0x415, 0, -1);
  EXPECT_EQ(elapsed->text(), "00:00:00");
}

TEST_F(ControlPanel, PositionMessageMovesTheSeekSlider) {
  Post(0x414, 437, 0);
  EXPECT_EQ(seek_->value(), 437);
}

TEST_F(ControlPanel, PlayToggleSwapsImageTipAndPausedState) {
  panel_->enable_transport(true);
  auto* play = Control<CGdipButton>(panel_, CViewerCtlDlg::kPlayButton);
  EXPECT_EQ(play->toolTip(), "Pause");
  QTest::mouseClick(play, Qt::LeftButton);
  EXPECT_TRUE(panel_->shown_paused());
  EXPECT_TRUE(play->IsToggled());
  EXPECT_EQ(play->toolTip(), "Play");

  // From the keyboard the panel flips the image itself.
  player_globals.playing = 1;
  QTest::keyClick(panel_, Qt::Key_Space);
  EXPECT_FALSE(panel_->shown_paused());
  EXPECT_FALSE(play->IsToggled());
  EXPECT_EQ(play->toolTip(), "Pause");
}

TEST_F(ControlPanel, PlaybackKeysAreSwallowedEvenWhenNothingPlays) {
  QSignalSpy fullScreen(panel_, &CViewerCtlDlg::fullScreenRequested);
  for (int key : {Qt::Key_Left, Qt::Key_Right, Qt::Key_Space, Qt::Key_Return, Qt::Key_Escape})
    QTest::keyClick(panel_, static_cast<Qt::Key>(key));
  EXPECT_EQ(parent_.keys, 0);
  EXPECT_EQ(fullScreen.count(), 0);
  EXPECT_FALSE(panel_->shown_paused());

  QTest::keyClick(panel_, Qt::Key_A);
  EXPECT_EQ(parent_.keys, 1) << "other keys go on";

  player_globals.playing = 1;
  QTest::keyClick(panel_, Qt::Key_Return);
  QTest::keyClick(panel_, Qt::Key_Escape);
  EXPECT_EQ(fullScreen.count(), 2);
}

TEST_F(ControlPanel, EndOfFileAsksForTheNextRecording) {
  QSignalSpy next(panel_, &CViewerCtlDlg::nextRequested);
  Post(0x418, 0, 0);
  EXPECT_EQ(next.count(), 1);
}

}  // namespace
