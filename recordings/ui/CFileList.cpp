#include "CFileList.h"

#include "CBackupProgress.h"
#include "DebounceSeconds.h"
#include "ExportGpsTrack.h"
#include "ListRowText.h"
#include "RecordingListHost.h"
#include "RecordingState.h"
#include "SelectDirectory.h"
#include "ViewerConfig.h"

#include "Player.h"

#include <QAction>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

namespace {

constexpr int kRowHeight = 20;  // what the list's 1 × 20 small-image list gives every row

// Gives every row the fixed height.
class RowHeightDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
  {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight};
  }
};

}  // namespace

CFileList::CFileList(RecordingKind kind, int list_id, RecordingListHost& host, QWidget* parent)
  : QWidget(parent), m_kind(kind), m_host(host)
{
  resize(360, 281);
  m_list = new QTreeWidget(this);
  m_list->setObjectName(QStringLiteral("ctl%1").arg(list_id));
  m_list->setGeometry(0, 0, 360, 281);
  m_list->setColumnCount(2);
  m_list->setHeaderLabels({QStringLiteral("File name"), QStringLiteral("Size")});
  m_list->setHeaderHidden(true);
  m_list->header()->setStretchLastSection(false);
  m_list->setColumnWidth(0, 249);
  m_list->setColumnWidth(1, 90);
  m_list->setRootIsDecorated(false);
  m_list->setIndentation(0);
  m_list->setUniformRowHeights(true);
  m_list->setItemDelegate(new RowHeightDelegate(m_list));
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_list->setExpandsOnDoubleClick(false);
  m_list->setContextMenuPolicy(Qt::CustomContextMenu);
  m_list->setFrameShape(QFrame::NoFrame);

  // RGB(80, 80, 80) behind RGB(200, 200, 200) text; the selection stays shown without focus.
  QPalette palette = m_list->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, QColor(80, 80, 80));
    palette.setColor(group, QPalette::Window, QColor(80, 80, 80));
    palette.setColor(group, QPalette::Text, QColor(200, 200, 200));
    palette.setColor(group, QPalette::WindowText, QColor(200, 200, 200));
  }
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   palette.color(QPalette::Active, QPalette::HighlightedText));
  m_list->setPalette(palette);
  m_list->viewport()->setAutoFillBackground(true);

  // Arial 14 pixels in cell height: Liberation Sans has the same metrics, 12 pixels to the em.
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(12);
  font.setWeight(QFont::Normal);
  m_list->setFont(font);

  connect(m_list, &QTreeWidget::itemDoubleClicked, this,
          [this](QTreeWidgetItem* item, int) { OnDoubleClick(m_list->indexOfTopLevelItem(item)); });
  connect(m_list, &QWidget::customContextMenuRequested, this, [this](const QPoint&) { OnRightClick(); });
  m_list->installEventFilter(this);
  m_list->viewport()->installEventFilter(this);
}

void CFileList::ShowRecordings(const std::vector<FileInfo>& files)
{
  m_list->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(files.size()));
  int row = 0;
  for (const FileInfo& file : files) {
    auto* item = new QTreeWidgetItem;
    // The name's bytes as they are on the card make the row's path; the text is only shown.
    item->setText(0, QString::fromStdString(FormatRowText(row++, file.name)));
    item->setData(0, Qt::UserRole, QByteArray::fromStdString(file.name));
    item->setText(1, QString::fromStdString(FormatSizeText(file.size)));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    items.append(item);
  }
  m_list->addTopLevelItems(items);
}

std::string CFileList::RowName(int row) const
{
  if (row < 0 || row >= m_list->topLevelItemCount())
    return {};
  return m_list->topLevelItem(row)->data(0, Qt::UserRole).toByteArray().toStdString();
}

void CFileList::PlayListRow(int row)
{
  if (row < 0 || row >= m_list->topLevelItemCount())
    return;
  RecordingState& state = m_host.recordingState();
  const std::string name = RowName(row);
  state.current_name = name;
  state.current_path = state.PathOf(m_kind, name, device_model);
  state.current_index[m_kind] = row;
  m_host.SetTitleText(state.current_name);
  if (m_host.StopRunningPlayer())
    m_host.ClearGraphReferences();
  m_host.ResetGraph();
  m_host.StartPlayer(state.current_path);
  m_host.EnablePlaybackControls();
  player_globals.playing = 1;
}

void CFileList::SelectRow(int row)
{
  m_list->clearSelection();
  QTreeWidgetItem* item = m_list->topLevelItem(row);
  if (!item)
    return;
  m_list->setCurrentItem(item);
  item->setSelected(true);
  m_list->scrollToItem(item, QAbstractItemView::EnsureVisible);
}

int CFileList::FirstSelectedRow() const
{
  int first = -1;
  for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
    if (first < 0 || index.row() < first)
      first = index.row();
  return first;
}

std::vector<std::string> CFileList::SelectedNames() const
{
  std::vector<int> rows;
  for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<std::string> names;
  for (int row : rows)
    names.push_back(RowName(row));
  return names;
}

void CFileList::OnDoubleClick(int row)
{
  if (row < 0)
    return;
  if (AcceptListDoubleClick(DebounceClockSeconds()))
    PlayListRow(row);
}

bool CFileList::eventFilter(QObject* watched, QEvent* event)
{
  // A right-click leaves the selection alone: the menu backs up the rows selected before it.
  if (watched == m_list->viewport() &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease ||
       event->type() == QEvent::MouseButtonDblClick) &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton)
    return true;
  if (watched == m_list && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const int row = FirstSelectedRow();
      if (row >= 0)
        PlayListRow(row);
      return true;
    }
    if (key == Qt::Key_Escape)
      return true;  // the page never closes
  }
  return QWidget::eventFilter(watched, event);
}

void CFileList::OnRightClick()
{
  if (m_list->selectionModel()->selectedRows().isEmpty())
    return;
  QMenu menu(this);
  QAction* backup = menu.addAction(QStringLiteral("Backup"));
  backup->setData(kBackupCommand);
  // One backup at a time: while one runs the item is offered greyed out.
  const CBackupProgress* progress = m_host.BackupProgress();
  backup->setEnabled(progress && !progress->IsBackupRunning());
  QAction* track = menu.addAction(QStringLiteral("Export GPS track..."));
  QAction* chosen = menu.exec(QCursor::pos());
  if (chosen == backup)
    BackupSelected();
  else if (chosen == track)
    ExportSelectedTrack();
}

void CFileList::ExportSelectedTrack()
{
  const RecordingState& state = m_host.recordingState();
  std::vector<std::string> paths;
  for (const std::string& name : SelectedNames())
    paths.push_back(state.PathOf(m_kind, name, device_model));
  const QString result = ExportGpsTrack(this, paths);
  if (result.startsWith(QStringLiteral("Export failed")))
    QMessageBox::warning(this, QStringLiteral("TAVRO Viewer"), result);
}

void CFileList::BackupSelected()
{
  CBackupProgress* progress = m_host.BackupProgress();
  if (!progress)
    return;
  const std::string dest = SelectDirectory(this);
  if (dest.empty())
    return;
  BackupRequest request;
  request.m_backupFiles = SelectedNames();
  if (request.m_backupFiles.empty())
    return;
  const RecordingState& state = m_host.recordingState();
  request.m_strBackupSourceDir = state.recordings_root;
  request.m_strBackupTargetDir = dest;
  request.card_mode = state.card_mode == 1;
  progress->StartBackup(std::move(request));
}
