// Opening recordings as desktop users do, on the main window as the program builds it: what a
// drag may bring in (recordings and folders; anything else gets the no-drop cursor), a dropped
// recording plays with its folder listed, a dropped folder is listed and nothing plays, the
// Open dialog's folder button lists a copied card by its kind folders, and of several paths
// named at once the first opens.
#include "CFileList.h"
#include "CViewerCtlDlg.h"
#include "CVRANViewerDlg.h"
#include "Player.h"
#include "RecordingGenerator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <SDL.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

void MakeFile(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "x";
}

std::unique_ptr<QMimeData> UrlData(const QByteArray& encodedUrl) {
  auto data = std::make_unique<QMimeData>();
  data->setUrls({QUrl::fromEncoded(encodedUrl)});
  return data;
}

QByteArray FileUrl(const fs::path& path) {
  return "file://" + QByteArray(path.c_str()).toPercentEncoding("/");
}

class Opening : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    setenv("TAVRO_MESSAGE_BOX_STDERR", "1", 1);
    window_ = new CVRANViewerDlg;
    window_->OnInitDialog();
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
  }
  static void TearDownTestSuite() {
    delete window_;
    window_ = nullptr;
    unsetenv("TAVRO_MESSAGE_BOX_STDERR");
  }
  void SetUp() override {
    ASSERT_TRUE(window_);
    // Main windows of earlier tests pushed the engine's exit on closing; it would end this
    // test's playback.
    SDL_FlushEvents(SDL_USEREVENT, SDL_LASTEVENT);
    dir_ = fs::current_path() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::create_directories(dir_);
    device_model = VRAN3;
  }
  void TearDown() override {
    window_->StopRunningPlayer();
    fs::remove_all(dir_);
  }

  // Offers `data` to the window as a drag entering and moving over it, then drops it when
  // `drop`; whether the window took it, and the action it chose.
  static std::pair<bool, Qt::DropAction> Drag(const QMimeData* data, Qt::DropActions actions, bool drop = false,
                                              QPoint at = QPoint(360, 200)) {
    // Qt hands a drag to the widget under it, or to the nearest of its parents that takes drops.
    QWidget* target = window_->childAt(at);
    while (target && target != window_ && !target->acceptDrops()) target = target->parentWidget();
    EXPECT_EQ(target, window_) << "a drag at (" << at.x() << ", " << at.y() << ") goes to "
                               << (target ? target->metaObject()->className() : "nothing");
    QDragEnterEvent enter(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_, &enter);
    QDragMoveEvent move(at, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_, &move);
    EXPECT_EQ(enter.isAccepted(), move.isAccepted());
    EXPECT_EQ(enter.dropAction(), move.dropAction());
    if (drop && move.isAccepted()) {
      QDropEvent dropped(at, actions, data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window_, &dropped);
      EXPECT_TRUE(dropped.isAccepted());
    }
    return {move.isAccepted(), move.dropAction()};
  }

  static std::vector<std::string> Rows(RecordingKind kind) {
    std::vector<std::string> rows;
    const CFileList* page = window_->listPage(kind);
    for (int row = 0; row < page->list()->topLevelItemCount(); ++row) rows.push_back(page->RowName(row));
    return rows;
  }

  static QString Text(int id) { return window_->findChild<QLabel*>(QStringLiteral("ctl%1").arg(id))->text(); }

  static CVRANViewerDlg* window_;
  fs::path dir_;
};

CVRANViewerDlg* Opening::window_ = nullptr;

TEST_F(Opening, DragsOfRecordingsAndFoldersAreTakenAndAnythingElseIsRefused) {
  for (const char* name : {"a_N.mp4", "b_E.AVI", "notes.txt", "clip.mkv"}) MakeFile(dir_ / name);
  fs::create_directories(dir_ / "folder.mp4");
  const Qt::DropActions copyOrMove = Qt::CopyAction | Qt::MoveAction;
  auto text = std::make_unique<QMimeData>();
  text->setText(QString::fromStdString((dir_ / "a_N.mp4").string()));
  const struct {
    const char* title;
    std::unique_ptr<QMimeData> data;
    Qt::DropActions actions;
    bool taken;
    Qt::DropAction action;
  } cases[] = {
      {"a recording, as a copy even where a move is offered", UrlData(FileUrl(dir_ / "a_N.mp4")), copyOrMove, true,
       Qt::CopyAction},
      {"a recording that can only be linked", UrlData(FileUrl(dir_ / "a_N.mp4")), Qt::LinkAction, true,
       Qt::LinkAction},
      {"an .avi in capitals", UrlData(FileUrl(dir_ / "b_E.AVI")), copyOrMove, true, Qt::CopyAction},
      {"a folder, whatever its name", UrlData(FileUrl(dir_ / "folder.mp4")), copyOrMove, true, Qt::CopyAction},
      {"a text file", UrlData(FileUrl(dir_ / "notes.txt")), copyOrMove, false, Qt::IgnoreAction},
      {"another video format", UrlData(FileUrl(dir_ / "clip.mkv")), copyOrMove, false, Qt::IgnoreAction},
      {"a recording that is not there", UrlData(FileUrl(dir_ / "gone_N.mp4")), copyOrMove, false, Qt::IgnoreAction},
      {"a remote file", UrlData("https://example.com/a_N.mp4"), copyOrMove, false, Qt::IgnoreAction},
      {"a file on another host", UrlData("file://elsewhere" + FileUrl(dir_ / "a_N.mp4").mid(7)), copyOrMove, false,
       Qt::IgnoreAction},
      {"a path as text", std::move(text), copyOrMove, false, Qt::IgnoreAction},
      {"a recording offered only to be moved", UrlData(FileUrl(dir_ / "a_N.mp4")), Qt::MoveAction, false,
       Qt::IgnoreAction},
  };
  // Over the front pane, the control panel, the vehicle panel and the list area alike.
  const QPoint places[] = {{360, 200}, {300, 480}, {300, 600}, {900, 500}};
  for (const auto& c : cases)
    for (const QPoint at : places) {
      SCOPED_TRACE(std::string(c.title) + " at " + std::to_string(at.x()) + ", " + std::to_string(at.y()));
      const auto [taken, action] = Drag(c.data.get(), c.actions, false, at);
      EXPECT_EQ(taken, c.taken);
      if (c.taken) {
        EXPECT_EQ(action, c.action);
      }
    }
  // Nothing was dropped: nothing opened.
  EXPECT_EQ(player_globals.playing, 0);
  EXPECT_TRUE(Rows(Normal).empty());
}

TEST_F(Opening, ADroppedRecordingPlaysWithItsFolderListed) {
  // A folder name that is not UTF-8: the bytes reach the player as they are.
  const fs::path folder = dir_ / "caf\xE9";
  const fs::path recording = folder / "20260101_120000_N.mp4";
  recgen::RecordingSpec spec;
  spec.durationSeconds = 20;
  spec.videos = {recgen::VideoSize{320, 180}};
  fs::create_directories(folder);
  ASSERT_EQ(recgen::WriteRecording(recording.string(), spec), 0);
  MakeFile(folder / "20260101_120100_E.mp4");
  MakeFile(folder / "20260101_115900_N.mp4");

  const auto data = UrlData(FileUrl(recording));
  ASSERT_TRUE(Drag(data.get(), Qt::CopyAction | Qt::MoveAction, true).first);
  ASSERT_TRUE(QTest::qWaitFor([] { return Text(CViewerCtlDlg::kTotalLabel) == "00:00:20"; }, 15000))
      << "the dropped recording did not start playing";
  const RecordingState& state = window_->m_state;
  EXPECT_EQ(state.current_path, recording.string());
  EXPECT_EQ(state.recordings_root, folder.string());
  EXPECT_EQ(state.card_mode, 0);
  EXPECT_EQ(Rows(Normal), (std::vector<std::string>{"20260101_115900_N.mp4", "20260101_120000_N.mp4"}));
  EXPECT_EQ(Rows(Event), std::vector<std::string>{"20260101_120100_E.mp4"});
  EXPECT_EQ(state.current_index[Normal], 1);
  EXPECT_TRUE(window_->control(CVRANViewerDlg::kFullScreen)->isEnabled());
}

TEST_F(Opening, ADroppedFolderIsListedAndNothingStartsPlaying) {
  for (const char* name : {"a_N.mp4", "b_N.mp4", "c_U.avi", "notes.txt"}) MakeFile(dir_ / "trip" / name);
  const auto data = UrlData(FileUrl(dir_ / "trip"));
  ASSERT_TRUE(Drag(data.get(), Qt::CopyAction, true).first);
  ASSERT_TRUE(QTest::qWaitFor([] { return !Rows(Normal).empty(); }, 5000)) << "the dropped folder was not listed";
  EXPECT_EQ(Rows(Normal), (std::vector<std::string>{"a_N.mp4", "b_N.mp4"}));
  EXPECT_TRUE(Rows(Event).empty());
  EXPECT_EQ(Rows(Manual), std::vector<std::string>{"c_U.avi"});
  EXPECT_EQ(window_->m_state.recordings_root, (dir_ / "trip").string());
  EXPECT_EQ(window_->m_state.card_mode, 0);
  QTest::qWait(300);
  EXPECT_EQ(player_globals.playing, 0) << "a dropped folder started a playback";
}

// A card copied to a disk, opened with the Open dialog's folder button: the driver-monitoring
// kind folders make it a KOTR4 card, its three lists filled from them.
TEST_F(Opening, TheOpenDialogsFolderButtonListsACopiedCardByItsKindFolders) {
  const fs::path card = dir_ / "card copy";
  for (const char* file : {"NOR/20260101_120000_NOR.mp4", "NOR/20260101_120100_NOR.mp4", "EVT/20260101_120000_EVT.mp4",
                           "DSM/20260101_120000_DRO.mp4", "DSM/20260101_120200_YAW.mp4", "loose_NOR.mp4"})
    MakeFile(card / file);

  bool clicked = false;
  QTimer::singleShot(0, [&] {
    (void)QTest::qWaitFor([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; }, 10000);
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    dialog->setDirectory(QString::fromStdString(card.string()));
    auto* button = dialog->findChild<QPushButton*>(QStringLiteral("openFolder"));
    if (!button) {
      dialog->reject();
      return;
    }
    EXPECT_EQ(button->text(), "Open folder");
    button->click();
    clicked = true;
  });
  qobject_cast<QAbstractButton*>(window_->m_pViewerCtl->findChild<QWidget*>(QStringLiteral("ctl1004")))->click();
  ASSERT_TRUE(clicked) << "the Open dialog has no folder button";

  EXPECT_EQ(device_model, KOTR4);
  EXPECT_EQ(window_->m_state.card_mode, 1);
  EXPECT_EQ(window_->m_state.recordings_root, card.string());
  EXPECT_EQ(Rows(Normal), (std::vector<std::string>{"20260101_120000_NOR.mp4", "20260101_120100_NOR.mp4"}));
  EXPECT_EQ(Rows(Event), std::vector<std::string>{"20260101_120000_EVT.mp4"});
  EXPECT_EQ(Rows(Manual), (std::vector<std::string>{"20260101_120000_DRO.mp4", "20260101_120200_YAW.mp4"}));
  EXPECT_EQ(window_->m_state.PathOf(Manual, "20260101_120000_DRO.mp4", device_model),
            (card / "DSM" / "20260101_120000_DRO.mp4").string());
  EXPECT_EQ(player_globals.playing, 0);
}

// Several files named at once (the desktop entry's %F): the first plays, the lists show its
// folder; the others are not opened.
TEST_F(Opening, OfSeveralPathsTheFirstOpens) {
  recgen::RecordingSpec spec;
  spec.durationSeconds = 12;
  spec.videos = {recgen::VideoSize{320, 180}};
  const fs::path first = dir_ / "one" / "20260101_120000_E.mp4";
  fs::create_directories(first.parent_path());
  ASSERT_EQ(recgen::WriteRecording(first.string(), spec), 0);
  MakeFile(dir_ / "two" / "20260101_130000_N.mp4");
  window_->OpenPaths({first.string(), (dir_ / "two" / "20260101_130000_N.mp4").string(), (dir_ / "two").string()});
  ASSERT_TRUE(QTest::qWaitFor([] { return Text(CViewerCtlDlg::kTotalLabel) == "00:00:12"; }, 15000));
  EXPECT_EQ(window_->m_state.current_path, first.string());
  EXPECT_EQ(window_->m_state.recordings_root, first.parent_path().string());
  EXPECT_TRUE(Rows(Normal).empty());
  EXPECT_EQ(Rows(Event), std::vector<std::string>{"20260101_120000_E.mp4"});
  EXPECT_EQ(window_->VisibleListKind(), Event);
}

}  // namespace
