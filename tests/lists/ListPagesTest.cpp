// The list pages: rows, look, double-click guard, Enter and Escape, playing a row and the
// Backup menu, driven through real widgets.
#include "FakeListHost.h"

#include "DebounceSeconds.h"
#include "ViewerConfig.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

QPoint RowCenter(CFileList* page, int row)
{
  return page->list()->visualItemRect(page->list()->topLevelItem(row)).center();
}

// What the window system delivers for a double-click: press, release, double-click, release.
void DoubleClickAt(CFileList* page, QPoint at)
{
  QWidget* viewport = page->list()->viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
}

void DoubleClickRow(CFileList* page, int row)
{
  DoubleClickAt(page, RowCenter(page, row));
}

class ListPages : public ::testing::Test {
protected:
  void SetUp() override
  {
    debounce_last_seconds = 0;
    debounce_now_seconds = 0;
    device_model = VRAN3;
    host.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));
  }
  void TearDown() override { debounce_last_seconds = 0; }

  FakeListHost host;
};

}  // namespace

TEST_F(ListPages, TenThousandAndOneRowsAreNumberedFrom0000To10000)
{
  host.Fill(Normal, 10001, "N.mp4");
  QTreeWidget* list = host.pages[Normal]->list();
  ASSERT_EQ(list->topLevelItemCount(), 10001);
  EXPECT_EQ(list->topLevelItem(0)->text(0).toStdString(), "0000. " + host.state.m_recordings[Normal][0].name);
  EXPECT_TRUE(list->topLevelItem(9999)->text(0).startsWith("9999. "));
  EXPECT_EQ(list->topLevelItem(10000)->text(0).toStdString(),
            "10000. " + host.state.m_recordings[Normal][10000].name);
  EXPECT_EQ(list->topLevelItem(1)->text(1), "0.98 KB");
  EXPECT_EQ(host.pages[Normal]->RowName(10000), host.state.m_recordings[Normal][10000].name);
  EXPECT_EQ(host.pages[Normal]->RowName(10001), "");
  EXPECT_EQ(host.pages[Normal]->RowName(-1), "");

  // A rescan replaces the rows.
  host.pages[Normal]->ShowRecordings({{"a_N.mp4", 0}});
  ASSERT_EQ(list->topLevelItemCount(), 1);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "0000. a_N.mp4");
  EXPECT_EQ(list->topLevelItem(0)->text(1), "0.00 KB");
}

TEST_F(ListPages, LooksLikeADarkTwoColumnListWithoutHeader)
{
  host.Fill(Normal, 3, "N.mp4");
  CFileList* page = host.pages[Normal];
  QTreeWidget* list = page->list();
  EXPECT_EQ(list->objectName(), "ctl1038");
  EXPECT_EQ(host.pages[Event]->list()->objectName(), "ctl1040");
  EXPECT_EQ(host.pages[Manual]->list()->objectName(), "ctl1042");
  EXPECT_EQ(list->geometry(), QRect(0, 0, 360, 281));
  EXPECT_TRUE(list->isHeaderHidden());
  EXPECT_EQ(list->columnWidth(0), 249);
  EXPECT_EQ(list->columnWidth(1), 90);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(list->visualItemRect(list->topLevelItem(0)).height(), 20);
  EXPECT_EQ(list->visualItemRect(list->topLevelItem(1)).top(), 20);
  EXPECT_EQ(list->topLevelItem(0)->textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(list->font().family(), "Liberation Sans");

  const QImage image = page->grab().toImage();
  EXPECT_EQ(QColor(image.pixel(180, 250)), QColor(80, 80, 80));  // below the last row
  // Row text is drawn in the light grey.
  bool found_text = false;
  for (int x = 0; x < 249 && !found_text; ++x)
    for (int y = 0; y < 20 && !found_text; ++y)
      found_text = QColor(image.pixel(x, y)) == QColor(200, 200, 200);
  EXPECT_TRUE(found_text);
}

TEST_F(ListPages, SecondDoubleClickWithinASecondIsIgnored)
{
  host.Fill(Normal, 5, "N.mp4");
  host.state.recordings_root = "/media/card";
  CFileList* page = host.pages[Normal];
  DoubleClickRow(page, 1);
  DoubleClickRow(page, 3);
  ASSERT_EQ(host.started.size(), 1u);
  EXPECT_EQ(host.started[0], "/media/card/" + host.state.m_recordings[Normal][1].name);
  EXPECT_EQ(host.state.current_index[Normal], 1);

  // Two seconds on, the next double-click is taken.
  debounce_last_seconds = DebounceClockSeconds() - 2;
  DoubleClickRow(page, 3);
  ASSERT_EQ(host.started.size(), 2u);
  EXPECT_EQ(host.state.current_index[Normal], 3);

  // The empty area below the last row names no row: nothing happens, the guard is untouched.
  debounce_last_seconds = 0;
  DoubleClickAt(page, QPoint(100, 250));
  EXPECT_EQ(host.started.size(), 2u);
  EXPECT_EQ(debounce_last_seconds, 0);
}

TEST_F(ListPages, EnterPlaysTheFirstSelectedRowAndEscapeDoesNothing)
{
  host.Fill(Event, 6, "E.mp4");
  host.SelectListPage(Event);
  CFileList* page = host.pages[Event];
  page->list()->setFocus();

  QTest::keyClick(page->list(), Qt::Key_Return);
  EXPECT_TRUE(host.started.empty());  // nothing selected

  page->list()->topLevelItem(4)->setSelected(true);
  page->list()->topLevelItem(2)->setSelected(true);
  QTest::keyClick(page->list(), Qt::Key_Return);
  ASSERT_EQ(host.started.size(), 1u);
  EXPECT_EQ(host.state.current_index[Event], 2);
  QTest::keyClick(page->list(), Qt::Key_Enter);  // Enter is not guarded
  EXPECT_EQ(host.started.size(), 2u);

  QTest::keyClick(page->list(), Qt::Key_Escape);
  EXPECT_TRUE(page->isVisible());
  EXPECT_EQ(host.started.size(), 2u);
}

TEST_F(ListPages, PlayingARowStopsTheRunningOneAndBuildsThePathOfItsKind)
{
  const struct {
    DeviceModel model;
    RecordingKind kind;
    std::uint8_t card_mode;
    const char* suffix;
    const char* folder;  // expected between root and name
  } cases[] = {
    {VRAN3, Normal, 1, "N.mp4", "ory_rec/"}, {VRAN2X, Event, 1, "E.mp4", "evt_rec/"},
    {VRAN3, Manual, 1, "U.mp4", "usr_rec/"}, {KOTR4, Normal, 1, "NOR.mp4", "NOR/"},
    {KOTR4, Event, 1, "EVT.mp4", "EVT/"},    {KOTR4, Manual, 1, "YAW.mp4", "DSM/"},
    {VRAN3, Event, 0, "E.avi", ""},
  };
  for (const auto& c : cases) {
    device_model = c.model;
    host.state.card_mode = c.card_mode;
    host.state.recordings_root = "/media/user/VRAN-3";
    host.Fill(c.kind, 4, c.suffix);
    host.calls.clear();
    player_globals.playing = 1;
    host.pages[c.kind]->PlayListRow(2);
    const std::string name = host.state.m_recordings[c.kind][2].name;
    EXPECT_EQ(host.state.current_name, name);
    EXPECT_EQ(host.state.current_path, std::string("/media/user/VRAN-3/") + c.folder + name);
    EXPECT_EQ(host.started.back(), host.state.current_path);
    EXPECT_EQ(host.title, name);  // a played row shows the file name alone
    EXPECT_EQ(host.state.current_index[c.kind], 2);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"stop", "clear graph", "reset graph", "start", "enable"}));
    EXPECT_EQ(player_globals.playing.load(), 1);
  }

  // Nothing playing: no stop and no graph references to clear.
  player_globals.playing = 0;
  host.calls.clear();
  host.pages[Event]->PlayListRow(0);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"reset graph", "start", "enable"}));
}

// A name that is not UTF-8 (a card written under another code page) is shown readably and
// played and backed up by its own bytes.
TEST_F(ListPages, NameThatIsNotUtf8IsPlayedAndBackedUpByItsBytes)
{
  const std::string name = "20240101_10\xB0\xA1\xe9_N.mp4";
  host.state.card_mode = 0;
  host.state.recordings_root = "/media/user/rec";
  host.state.m_recordings[Normal] = {{"20240101_090000_N.mp4", 1}, {name, 5ull << 30}};
  host.pages[Normal]->ShowRecordings(host.state.m_recordings[Normal]);
  QTreeWidgetItem* item = host.pages[Normal]->list()->topLevelItem(1);
  EXPECT_EQ(item->text(0), QStringLiteral("0001. 20240101_10\uFFFD\uFFFD\uFFFD_N.mp4"));
  EXPECT_EQ(item->text(1), QStringLiteral("5.00 GB"));

  EXPECT_EQ(host.pages[Normal]->RowName(1), name);
  host.pages[Normal]->PlayListRow(1);
  EXPECT_EQ(host.started.back(), "/media/user/rec/" + name);
  host.pages[Normal]->SelectRow(1);
  EXPECT_EQ(host.pages[Normal]->SelectedNames(), std::vector<std::string>{name});
}

namespace {

// Runs `step` once the application shows a popup or modal window of type T, from inside the
// event loop of whatever is showing it.
template <typename T>
void WhenShown(std::function<void(T*)> step, int attempts = 200)
{
  QTimer::singleShot(20, [step, attempts] {
    QWidget* widget = QApplication::activePopupWidget();
    if (!widget)
      widget = QApplication::activeModalWidget();
    if (T* shown = qobject_cast<T*>(widget))
      step(shown);
    else if (attempts > 0)
      WhenShown<T>(step, attempts - 1);
  });
}

}  // namespace

TEST_F(ListPages, RightClickWithoutSelectionShowsNoMenu)
{
  host.Fill(Normal, 3, "N.mp4");
  CFileList* page = host.pages[Normal];
  bool menu_seen = false;
  WhenShown<QMenu>([&](QMenu* menu) {
    menu_seen = true;
    menu->close();
  }, 10);
  QTest::mouseClick(page->list()->viewport(), Qt::RightButton, {}, RowCenter(page, 1));
  EXPECT_TRUE(page->list()->selectedItems().isEmpty());  // a right-click selects nothing
  emit page->list()->customContextMenuRequested(RowCenter(page, 1));
  QTest::qWait(300);
  EXPECT_FALSE(menu_seen);
}

TEST_F(ListPages, BackupMenuCopiesTheSelectedRowsToTheChosenFolder)
{
  const fs::path root = fs::temp_directory_path() / ("tavro-lists-menu-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "card" / "ory_rec");
  fs::create_directories(root / "dest");
  host.Fill(Normal, 4, "N.mp4");
  for (const FileInfo& file : host.state.m_recordings[Normal])
    std::ofstream(root / "card" / "ory_rec" / file.name) << "content of " << file.name;
  host.state.recordings_root = (root / "card").string();
  host.state.card_mode = 1;

  CFileList* page = host.pages[Normal];
  page->list()->topLevelItem(3)->setSelected(true);
  page->list()->topLevelItem(1)->setSelected(true);

  QStringList menu_items;
  WhenShown<QMenu>([&](QMenu* menu) {
    for (QAction* action : menu->actions())
      menu_items << action->text();
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
      EXPECT_EQ(dialog->windowTitle(), "Select Directory");
      dialog->setDirectory(QString::fromStdString(root.string()));
      dialog->selectFile(QString::fromStdString((root / "dest").string()));
      static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
  });
  // Right-click on a row that is not selected: the backup takes the selected rows.
  QTest::mouseClick(page->list()->viewport(), Qt::RightButton, {}, RowCenter(page, 0));
  EXPECT_EQ(page->list()->selectedItems().size(), 2);
  emit page->list()->customContextMenuRequested(RowCenter(page, 0));
  EXPECT_EQ(menu_items, (QStringList{"Backup", "Export GPS track..."}));

  QSignalSpy finished(host.backup, &CBackupProgress::backupFinished);
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
  std::vector<std::string> copied;
  for (const auto& entry : fs::directory_iterator(root / "dest"))
    copied.push_back(entry.path().filename().string());
  std::sort(copied.begin(), copied.end());
  EXPECT_EQ(copied, (std::vector<std::string>{host.state.m_recordings[Normal][1].name,
                                               host.state.m_recordings[Normal][3].name}));
  EXPECT_TRUE(host.backup->isVisible());
  EXPECT_EQ(host.backup->progressBar()->value(), 200);
  fs::remove_all(root);
}

TEST_F(ListPages, CancellingTheFolderChoiceStartsNoBackup)
{
  host.Fill(Normal, 2, "N.mp4");
  CFileList* page = host.pages[Normal];
  page->list()->topLevelItem(0)->setSelected(true);
  WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  page->BackupSelected();
  EXPECT_FALSE(host.backup->IsBackupRunning());
  EXPECT_FALSE(host.backup->isVisible());
}

TEST_F(ListPages, BackupIsOfferedGreyedOutWhileABackupRuns)
{
  const fs::path root = fs::temp_directory_path() / ("tavro-lists-busy-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  {
    // Large enough to be still copying while the menu is looked at.
    std::ofstream big(root / "a_N.mp4", std::ios::binary);
    const std::string block(1 << 20, 'a');
    for (int i = 0; i < 64; ++i)
      big << block;
  }
  fs::create_directories(root / "dest");
  host.Fill(Normal, 2, "N.mp4");
  CFileList* page = host.pages[Normal];
  page->list()->topLevelItem(0)->setSelected(true);
  QSignalSpy finished(host.backup, &CBackupProgress::backupFinished);
  ASSERT_TRUE(host.backup->StartBackup({{"a_N.mp4"}, root, root / "dest", false}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return host.backup->isVisible(); }, 5000));
  QTest::qWait(50);  // let the progress window take the activation

  // On a fast disk the copy may already be over when the menu is made; the item must then be
  // offered again, so the check compares with the state at that moment (the menu is built
  // synchronously by the request below).
  bool enabled = true;
  QStringList items;
  WhenShown<QMenu>([&](QMenu* menu) {
    for (QAction* action : menu->actions()) {
      items << action->text();
      if (action->text() == "Backup") enabled = action->isEnabled();
    }
    menu->close();
  });
  const bool runningAtRequest = host.backup->IsBackupRunning();
  emit page->list()->customContextMenuRequested(RowCenter(page, 0));
  EXPECT_EQ(items, (QStringList{"Backup", "Export GPS track..."}));
  EXPECT_EQ(enabled, !runningAtRequest);

  ASSERT_TRUE(finished.count() > 0 || finished.wait(20000));
  EXPECT_EQ(finished.at(0).at(0).toInt(), 1);
  fs::remove_all(root);
}
