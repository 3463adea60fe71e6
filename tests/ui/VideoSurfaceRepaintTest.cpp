// What the video panes show on the screen around a playback, read back from the X server (the
// test display has no compositor: a window that loses its pixels shows whatever was there).
#include "CFrontViewerDlg.h"
#include "CVRANViewerDlg.h"
#include "CVehicleInfoDlg.h"
#include "CViewerCtlDlg.h"
#include "DebounceSeconds.h"
#include "DrawPngResource.h"
#include "Player.h"
#include "RecordingGenerator.h"
#include "TestPicture.h"

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The pixels the screen shows of `area` (in `widget`'s coordinates).
QImage Screen(const QWidget* widget, const QRect& area) {
  const QPoint at = widget->mapToGlobal(area.topLeft());
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, at.x(), at.y(), area.width(), area.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

recgen::TestPictureReading ReadPicture(const QImage& shot) {
  return recgen::ReadTestPicture(shot.width(), shot.height(), [&](int x, int y) {
    const QRgb p = shot.pixel(x, y);
    return recgen::Rgb{qRed(p), qGreen(p), qBlue(p)};
  });
}

// True when nearly every sample of `shot` is within a few levels of `expected` (same size).
bool Shows(const QImage& shot, const QImage& expected) {
  if (shot.size() != expected.size()) return false;
  int samples = 0, matching = 0;
  for (int y = 2; y < shot.height(); y += 7)
    for (int x = 2; x < shot.width(); x += 7) {
      const QRgb a = shot.pixel(x, y), b = expected.pixel(x, y);
      ++samples;
      if (std::abs(qRed(a) - qRed(b)) <= 8 && std::abs(qGreen(a) - qGreen(b)) <= 8 &&
          std::abs(qBlue(a) - qBlue(b)) <= 8)
        ++matching;
    }
  return matching >= samples * 98 / 100;
}

class VideoSurfaces : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    setenv("TAVRO_MESSAGE_BOX_STDERR", "1", 1);
    window_ = new CVRANViewerDlg;
    window_->OnInitDialog();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    neutralPanel_ = new QImage(VehiclePanel());
  }
  static void TearDownTestSuite() {
    delete window_;
    window_ = nullptr;
    delete neutralPanel_;
    neutralPanel_ = nullptr;
    unsetenv("TAVRO_MESSAGE_BOX_STDERR");
  }
  void SetUp() override {
    ASSERT_TRUE(window_);
    // Main windows of earlier tests pushed the engine's exit on closing; it would end this
    // test's playback.
    SDL_FlushEvents(SDL_USEREVENT, SDL_LASTEVENT);
  }
  void TearDown() override {
    CViewerCtlDlg* panel = window_->m_pViewerCtl;
    if (panel->shown_paused()) {
      panel->toggle_play_pause();
      (void)QTest::qWaitFor([] { return player_globals.paused_mirror == 0; }, 5000);
    }
    window_->StopRunningPlayer();
  }

  // Writes a one-camera recording and opens it as the Open command does; returns once the
  // front pane shows its pictures.
  static void Play(const char* name) {
    recgen::RecordingSpec spec;
    spec.durationSeconds = 30;
    spec.videos = {recgen::VideoSize{320, 180}};
    const std::string path = QDir::current().filePath(QString::fromLatin1(name)).toStdString();
    ASSERT_EQ(recgen::WriteRecording(path, spec), 0);
    window_->OpenRecordingFile(QString::fromStdString(path));
    ASSERT_TRUE(QTest::qWaitFor([] { return ReadPicture(FrontPane()).valid; }, 10000))
        << "the recording plays in the front pane";
  }

  static QImage FrontPane() { return Screen(window_->m_pFrontViewer, QRect(0, 0, 720, 405)); }
  static QImage VehiclePanel() { return window_->m_pVehicleInfo->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  static QString Text(int id) { return qobject_cast<QLabel*>(FindControl(id))->text(); }
  static QWidget* FindControl(int id) { return window_->findChild<QWidget*>(QStringLiteral("ctl%1").arg(id)); }

  // Nothing plays: the front placeholder, no title, both times at zero, the vehicle panel as
  // before any recording.
  static bool ShowsNoRecording() {
    return Shows(FrontPane(), LoadPngResource(157).convertToFormat(QImage::Format_RGB32)) &&
           Shows(VehiclePanel(), *neutralPanel_) &&
           Text(CVRANViewerDlg::kTitle).isEmpty() && Text(CViewerCtlDlg::kElapsedLabel) == "00:00:00" &&
           Text(CViewerCtlDlg::kTotalLabel) == "00:00:00";
  }

  static CVRANViewerDlg* window_;
  static QImage* neutralPanel_;
};

CVRANViewerDlg* VideoSurfaces::window_ = nullptr;
QImage* VideoSurfaces::neutralPanel_ = nullptr;

TEST_F(VideoSurfaces, PausedFrameIsBackAfterAWindowCoveredIt) {
  Play("covered.mp4");
  window_->m_pViewerCtl->toggle_play_pause();
  ASSERT_TRUE(QTest::qWaitFor([] { return player_globals.paused_mirror == 1; }, 5000));
  recgen::TestPictureReading paused;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (paused = ReadPicture(FrontPane())).valid; }, 5000));

  // Another top-level window over the pane, then away again.
  QWidget cover(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
  QPalette palette = cover.palette();
  palette.setColor(QPalette::Window, Qt::magenta);
  cover.setPalette(palette);
  cover.setAutoFillBackground(true);
  cover.setGeometry(QRect(window_->m_pFrontViewer->mapToGlobal(QPoint(0, 0)), QSize(720, 405)));
  cover.show();
  ASSERT_TRUE(QTest::qWaitFor([] { return FrontPane().pixelColor(360, 200) == QColor(Qt::magenta); }, 5000));
  cover.hide();

  recgen::TestPictureReading shown;
  const bool back = QTest::qWaitFor([&] { return (shown = ReadPicture(FrontPane())).valid; }, 10000);
  EXPECT_TRUE(back) << "the pane keeps the covering window's pixels";
  EXPECT_EQ(shown.frame, paused.frame);
  EXPECT_EQ(player_globals.paused_mirror.load(), 1);
}

TEST_F(VideoSurfaces, StoppedPlaybackLeavesThePlaceholderAndNoFigures) {
  Play("removed.mp4");
  ASSERT_TRUE(QTest::qWaitFor([] { return Text(CViewerCtlDlg::kElapsedLabel) != "00:00:00"; }, 10000));
  window_->StopPlayback();  // what taking the card out does to a playback from it
  EXPECT_TRUE(QTest::qWaitFor(ShowsNoRecording, 10000))
      << "title '" << Text(CVRANViewerDlg::kTitle).toStdString() << "', times "
      << Text(CViewerCtlDlg::kElapsedLabel).toStdString() << " / " << Text(CViewerCtlDlg::kTotalLabel).toStdString();
}

TEST_F(VideoSurfaces, FailedOpenLeavesThePlaceholderAndNoFigures) {
  Play("good.mp4");
  ASSERT_TRUE(QTest::qWaitFor([] { return Text(CViewerCtlDlg::kElapsedLabel) != "00:00:00"; }, 10000));
  const QString broken = QDir::current().filePath(QStringLiteral("broken.mp4"));
  std::ofstream(broken.toStdString()) << std::string(4096, 'x');
  window_->OpenRecordingFile(broken);
  EXPECT_TRUE(QTest::qWaitFor(ShowsNoRecording, 10000))
      << "title '" << Text(CVRANViewerDlg::kTitle).toStdString() << "', times "
      << Text(CViewerCtlDlg::kElapsedLabel).toStdString() << " / " << Text(CViewerCtlDlg::kTotalLabel).toStdString();
}

// A playback that ends in full screen leaves the placeholder there, and Escape still leaves.
TEST_F(VideoSurfaces, IdleFullScreenShowsThePlaceholderAndEscapeLeavesIt) {
  Play("fullscreen.mp4");
  debounce_last_seconds = 0;
  window_->ToggleFullScreen();
  ASSERT_TRUE(QTest::qWaitFor([] { return window_->m_pFrontViewer->width() > 720; }, 5000));
  window_->StopPlayback();
  const QImage placeholder = LoadPngResource(157).convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return Shows(Screen(window_->m_pFrontViewer, QRect(QPoint(0, 0), placeholder.size())), placeholder);
  }, 10000)) << "the full-screen pane shows the placeholder, not the last picture";

  debounce_last_seconds = 0;
  QTest::keyClick(window_->m_pFrontViewer, Qt::Key_Escape);
  EXPECT_EQ(window_->m_bFullScreen, 0);
  EXPECT_TRUE(QTest::qWaitFor([] { return window_->m_pFrontViewer->width() == 720; }, 5000));
}

}  // namespace
