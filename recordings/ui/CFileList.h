#pragma once
// One list page: the recordings of one kind as rows of "%04d. %s" and a size text, in a
// two-column list without header. Double-click (guarded by the shared whole-second counters)
// or Enter plays a row; a right-click on a selection offers "Backup". CFileListNomal,
// CFileListEvent and CFileListManual are this page with their kind and list control id.
#include "FileInfo.h"
#include "RecordingKind.h"

#include <QWidget>

#include <string>
#include <vector>

class QTreeWidget;
class RecordingListHost;

class CFileList : public QWidget {
  Q_OBJECT
public:
  CFileList(RecordingKind kind, int list_id, RecordingListHost& host, QWidget* parent = nullptr);

  RecordingKind kind() const { return m_kind; }
  QTreeWidget* list() const { return m_list; }

  // Replaces every row by the recordings of `files`, in order.
  void ShowRecordings(const std::vector<FileInfo>& files);
  // Plays the recording of `row` (see the play sequence in the .cpp).
  void PlayListRow(int row);
  // The file name of a row, byte for byte as listed; empty when no such row.
  std::string RowName(int row) const;
  // Makes `row` the only selected and the focused row and scrolls it into view.
  void SelectRow(int row);
  // Names of the selected rows in ascending row order.
  std::vector<std::string> SelectedNames() const;
  // The Backup command: asks for a folder and starts the backup of the selected rows.
  void BackupSelected();
  // "Export GPS track...": the selected rows' track, one segment each, in list order.
  void ExportSelectedTrack();

  // The right-click menu's single command.
  static constexpr int kBackupCommand = 30000;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void OnDoubleClick(int row);
  void OnRightClick();
  int FirstSelectedRow() const;

  RecordingKind m_kind;
  RecordingListHost& m_host;
  QTreeWidget* m_list = nullptr;
};
