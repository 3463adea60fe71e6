// The main window as the program builds it: its layout, the keys that must never close it,
// the full-screen toggle and its 3-second guard, and the zoom tooltip. (A recording that cannot
// be opened is tried on the real program, in the end-to-end tests.)
#include "CFileList.h"
#include "CFrontViewerDlg.h"
#include "CRearViewerDlg.h"
#include "CVehicleInfoDlg.h"
#include "CViewerCtlDlg.h"
#include "CVRANViewerDlg.h"
#include "DebounceSeconds.h"
#include "Player.h"
#include "VideoSurface.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>


namespace {

class MainWindow : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    window_ = new CVRANViewerDlg;
    window_->OnInitDialog();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
  }
  static void TearDownTestSuite() {
    delete window_;
    window_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(window_);
    player_globals.playing = 0;
  }
  void TearDown() override {
    // Leave normal mode for the next test, past the guard.
    if (window_->m_bFullScreen) {
      debounce_last_seconds = DebounceClockSeconds() - 3;
      window_->ToggleFullScreen();
    }
    player_globals.playing = 0;
  }

  static QWidget* Ctl(int id) { return window_->control(id); }
  static void AllowToggle() { debounce_last_seconds = DebounceClockSeconds() - 3; }

  static CVRANViewerDlg* window_;
};

CVRANViewerDlg* MainWindow::window_ = nullptr;

TEST_F(MainWindow, PanesAndTitleBarSitAtTheirRectangles) {
  EXPECT_EQ(window_->size(), QSize(1080, 645));
  EXPECT_TRUE(window_->windowFlags() & Qt::FramelessWindowHint);
  const struct {
    QWidget* widget;
    QRect rect;
  } cases[] = {
      {window_->m_pFrontViewer, {0, 42, 720, 405}},
      {window_->m_pViewerCtl, {0, 447, 720, 75}},
      {window_->m_pVehicleInfo, {0, 522, 720, 123}},
      {window_->m_pRearViewer, {720, 42, 360, 288}},
      {Ctl(1014), {220, 11, 585, 20}},
      {Ctl(1002), {759, 0, 47, 42}},
      {Ctl(1023), {806, 0, 47, 42}},
      {Ctl(1019), {853, 0, 47, 42}},
      {Ctl(1021), {900, 0, 47, 42}},
      {Ctl(1016), {952, 0, 38, 42}},
      {Ctl(1017), {990, 0, 38, 42}},
      {Ctl(1015), {1028, 0, 38, 42}},
      {Ctl(1066), {720, 330, 120, 34}},
      {Ctl(1067), {840, 330, 120, 34}},
      {Ctl(1068), {960, 330, 120, 34}},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(c.widget);
    EXPECT_EQ(c.widget->geometry(), c.rect) << c.widget->objectName().toStdString();
    EXPECT_TRUE(c.widget->isVisible()) << c.widget->objectName().toStdString();
  }
  EXPECT_EQ(window_->m_pFrontViewer->videoSurface()->geometry(), QRect(0, 0, 720, 405));
  EXPECT_TRUE(window_->m_pFrontViewer->videoSurface()->isVisible());
  // Playback buttons wait for the first recording; version, minimise and close do not.
  for (int id : {1002, 1023, 1019, 1017}) EXPECT_FALSE(Ctl(id)->isEnabled()) << id;
  for (int id : {1021, 1016, 1015}) EXPECT_TRUE(Ctl(id)->isEnabled()) << id;
  EXPECT_NE(player_globals.video_hwnd.load(), 0u);
  EXPECT_NE(player_globals.video2_hwnd.load(), 0u);
  EXPECT_EQ(player_globals.video_hwnd.load(), window_->m_pFrontViewer->videoSurface()->nativeId());
}

TEST_F(MainWindow, EnterAndEscapeNeverCloseTheWindow) {
  AllowToggle();
  for (bool playing : {false, true}) {
    player_globals.playing = playing;
    for (QWidget* target : {static_cast<QWidget*>(window_), static_cast<QWidget*>(window_->m_pFrontViewer)}) {
      QTest::keyClick(target, Qt::Key_Escape);
      QTest::keyClick(target, Qt::Key_Return);
      QCoreApplication::processEvents();
      EXPECT_TRUE(window_->isVisible());
    }
  }
  // Not playing: nothing happened; playing: the first key toggled, the guard held the rest.
  EXPECT_EQ(window_->m_bFullScreen, 1);
}

TEST_F(MainWindow, FullScreenIsGuardedForThreeSeconds) {
  AllowToggle();
  window_->ToggleFullScreen();
  ASSERT_EQ(window_->m_bFullScreen, 1);
  const QRect screen = window_->screen()->geometry();
  EXPECT_EQ(window_->m_pFrontViewer->geometry(), QRect(0, 0, screen.width(), screen.height()));
  EXPECT_EQ(window_->m_pFrontViewer->videoSurface()->geometry(), QRect(0, 0, screen.width(), screen.height()));
  EXPECT_FALSE(Ctl(1015)->isVisible());
  EXPECT_FALSE(window_->m_pRearViewer->isVisible());
  EXPECT_EQ(player_globals.fullscreen_video.load(), 1);

  // The same and the next two calendar seconds refuse the toggle.
  for (int back : {0, 1, 2}) {
    debounce_last_seconds = DebounceClockSeconds() - back;
    window_->ToggleFullScreen();
    EXPECT_EQ(window_->m_bFullScreen, 1) << back << " s after the last toggle";
  }
  debounce_last_seconds = DebounceClockSeconds() - 3;
  window_->ToggleFullScreen();
  EXPECT_EQ(window_->m_bFullScreen, 0);
  EXPECT_EQ(window_->size(), QSize(1080, 645));
  EXPECT_EQ(window_->m_pFrontViewer->geometry(), QRect(0, 42, 720, 405));
  EXPECT_TRUE(Ctl(1015)->isVisible());
  EXPECT_EQ(player_globals.fullscreen_video.load(), 0);
}

TEST_F(MainWindow, LeavingFullScreenKeepsTheSelectedListPage) {
  qobject_cast<QAbstractButton*>(Ctl(1067))->click();
  ASSERT_EQ(window_->m_bListVisible[1], 1);
  AllowToggle();
  window_->ToggleFullScreen();
  AllowToggle();
  window_->ToggleFullScreen();
  EXPECT_EQ(window_->m_bListVisible[0], 0);
  EXPECT_EQ(window_->m_bListVisible[1], 1);
  EXPECT_TRUE(window_->listPage(1)->isVisible());
  EXPECT_FALSE(window_->listPage(0)->isVisible());
  qobject_cast<QAbstractButton*>(Ctl(1066))->click();
  EXPECT_TRUE(window_->listPage(0)->isVisible());
}

TEST_F(MainWindow, ZoomTooltipAlternatesWithEveryClick) {
  auto* zoom = qobject_cast<QAbstractButton*>(Ctl(1002));
  zoom->setEnabled(true);
  EXPECT_EQ(zoom->toolTip(), "Zoom in");
  const int zoomBefore = player_globals.zoom_mode;
  const char* expected[] = {"Zoom out", "Zoom in", "Zoom out", "Zoom in"};
  for (const char* tip : expected) {
    zoom->click();
    EXPECT_EQ(zoom->toolTip(), tip);
  }
  EXPECT_EQ(player_globals.zoom_mode.load(), zoomBefore);
}

// The area of an image whose pixels differ from its top-left corner's: the ink on a plain ground.
QRect InkBounds(const QImage& image) {
  QRect bounds;
  const QRgb ground = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != ground) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

TEST_F(MainWindow, TitleShowsARecordingNameWithItsUnderscores) {
  const QString name = QStringLiteral("20260314_083010_N.mp4");
  window_->ShowTitle(name.toStdString());
  auto* title = Ctl(1014);
  const QImage shown = title->grab().toImage();

  // The digits alone, in the title's font and at its place: the underscores reach lower.
  QImage digits(title->size(), QImage::Format_RGB32);
  digits.fill(Qt::white);
  {
    QPainter painter(&digits);
    painter.setFont(title->font());
    painter.setPen(Qt::black);
    painter.drawText(digits.rect(), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("20260314"));
  }
  const QRect ink = InkBounds(shown);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GT(ink.bottom(), InkBounds(digits).bottom()) << "the underscores are cut off";
  // Characters 21 pixels wide on average: the 21-character name spans some 440 pixels.
  EXPECT_GT(ink.width(), 350);
  EXPECT_LT(ink.width(), 585);
}

}  // namespace
