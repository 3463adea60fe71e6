// The evidence commands in the main window on a real playback: the front pane's menu, the
// frame-step, snapshot and clip-mark keys, the notice, and the marks on the seek bar.
// Screenshots of the menu and of the seek bar are left next to the test program.
#include "CFrontViewerDlg.h"
#include "CMySliderControl.h"
#include "CVRANViewerDlg.h"
#include "CViewerCtlDlg.h"
#include "EvidenceTools.h"
#include "Player.h"
#include "RecordingGenerator.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>

namespace {

class Evidence : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    // The pictures folder, as the desktop's user-dirs.dirs names it.
    const QString config = QDir::current().filePath(QStringLiteral("xdg-config"));
    QDir().mkpath(config);
    std::ofstream(QDir(config).filePath(QStringLiteral("user-dirs.dirs")).toStdString())
        << "XDG_PICTURES_DIR=\"" << QDir::current().filePath(QStringLiteral("Pictures")).toStdString() << "\"\n";
    setenv("XDG_CONFIG_HOME", config.toLocal8Bit().constData(), 1);
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
    SDL_FlushEvents(SDL_USEREVENT, SDL_LASTEVENT);
  }
  void TearDown() override {
    CViewerCtlDlg* panel = window_->m_pViewerCtl;
    if (panel->shown_paused()) {
      panel->toggle_play_pause();
      (void)QTest::qWaitFor([] { return player_globals.paused_mirror == 0; }, 5000);
    }
    window_->StopRunningPlayer();
    player_globals.playing = 0;
  }

  // Plays a two-camera recording and pauses it once a second has been shown.
  static void PlayAndPause() {
    recgen::RecordingSpec spec;
    spec.durationSeconds = 20;
    spec.videos = {recgen::VideoSize{480, 270}, recgen::VideoSize{160, 90}};
    const std::string path = QDir::current().filePath(QStringLiteral("20261210_100001_N.mp4")).toStdString();
    ASSERT_EQ(recgen::WriteRecording(path, spec), 0);
    window_->OpenRecordingFile(QString::fromStdString(path));
    ASSERT_TRUE(QTest::qWaitFor([] { return player_globals.picture_time >= 1.0; }, 10000)) << "plays";
    window_->m_pViewerCtl->toggle_play_pause();
    ASSERT_TRUE(QTest::qWaitFor([] { return player_globals.paused_mirror == 1; }, 5000));
    QTest::qWait(300);
  }

  // A key as the user types it over the video (the window's key filter takes it first).
  static void Key(Qt::Key key) { QTest::keyClick(window_->m_pFrontViewer, key); }
  static QString Notice() { return window_->m_evidence->NoticeText(); }
  static QString Beside(const QString& name) { return QDir(QCoreApplication::applicationDirPath()).filePath(name); }

  static CVRANViewerDlg* window_;
};

CVRANViewerDlg* Evidence::window_ = nullptr;

TEST_F(Evidence, PaneMenuOffersTheEvidenceCommandsWhilePlaying) {
  std::unique_ptr<QMenu> idle(window_->m_pFrontViewer->EvidenceMenu());
  for (QAction* a : idle->actions())
    if (!a->isSeparator()) {
      EXPECT_FALSE(a->isEnabled()) << "nothing plays";
    }

  PlayAndPause();
  std::unique_ptr<QMenu> menu(window_->m_pFrontViewer->EvidenceMenu());
  QStringList texts;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) {
      texts << a->text().section(QLatin1Char('\t'), 0, 0);
      EXPECT_TRUE(a->isEnabled());
    }
  EXPECT_EQ(texts, (QStringList{"Next frame", "Previous frame", "Snapshot", "Set clip start", "Set clip end",
                                "Export clip...", "Export GPS track..."}));
  menu->popup(window_->m_pFrontViewer->mapToGlobal(QPoint(200, 100)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.get()));
  QTest::qWait(200);
  EXPECT_TRUE(menu->grab().save(Beside(QStringLiteral("evidence-pane-menu.png"))));
  menu->hide();
}

TEST_F(Evidence, KeysStepSnapAndMarkTheClip) {
  PlayAndPause();
  const double shown = player_globals.picture_time;
  Key(Qt::Key_Period);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::fabs(player_globals.picture_time - (shown + 0.1)) < 0.001; }, 5000))
      << "one picture on";
  Key(Qt::Key_Comma);
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::fabs(player_globals.picture_time - shown) < 0.001; }, 5000))
      << "one picture back";

  // Snapshot: both cameras, named after the recording and the position, announced in the window.
  Key(Qt::Key_S);
  const QString folder = QDir::current().filePath(QStringLiteral("Pictures/TAVRO Viewer"));
  EXPECT_EQ(EvidenceTools::SnapshotFolder(), folder);
  const int tenths = int(std::floor(shown * 10 + 1e-6));
  const QString base = QStringLiteral("20261210_100001_N_00-00-%1.%2")
                           .arg(tenths / 10, 2, 10, QLatin1Char('0'))
                           .arg(tenths % 10);
  EXPECT_TRUE(Notice().contains(base + "_front.png")) << Notice().toStdString();
  const QImage front(QDir(folder).filePath(base + "_front.png"));
  const QImage rear(QDir(folder).filePath(base + "_rear.png"));
  EXPECT_EQ(front.size(), QSize(480, 270)) << "the video's own size, not the pane's";
  EXPECT_EQ(rear.size(), QSize(160, 90));
  EXPECT_EQ(front.text(QStringLiteral("Recording")), "20261210_100001_N");

  // Clip marks on the seek bar: start here, end five pictures on.
  Key(Qt::Key_BracketLeft);
  for (int i = 0; i < 5; ++i) {
    const double before = player_globals.picture_time;
    Key(Qt::Key_Period);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player_globals.picture_time > before + 0.05; }, 5000));
  }
  Key(Qt::Key_BracketRight);
  auto* seek = qobject_cast<CMySliderControl*>(window_->control(CViewerCtlDlg::kSeekSlider));
  ASSERT_TRUE(seek);
  EXPECT_NEAR(seek->ClipStart(), shown * 1000 / 20, 2);
  EXPECT_NEAR(seek->ClipEnd(), (shown + 0.5) * 1000 / 20, 2);
  EXPECT_TRUE(Notice().startsWith("Clip end")) << Notice().toStdString();
  EXPECT_TRUE(QTest::qWaitFor([] { return Notice().isEmpty(); }, 4000)) << "the notice goes after about 2 s";

  // A wider band for the picture: from 2 s to 12 s of the 20.
  window_->m_pViewerCtl->SetClipMarks(2.0, 12.0);
  QTest::qWait(100);
  const QImage bar = seek->grab().toImage();
  EXPECT_TRUE(bar.save(Beside(QStringLiteral("evidence-seek-bar-clip-marks.png"))));
  const QRgb band = bar.pixel(seek->ColumnOf(350), seek->height() / 2);
  EXPECT_GT(qRed(band), qBlue(band) + 60) << "the band is drawn between the marks";
}

}  // namespace
