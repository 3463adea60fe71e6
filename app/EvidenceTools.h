// The evidence commands of the front pane's menu and their keys: frame steps, snapshots, the
// clip's marks and its export, and the GPS track of the recording playing. They act on the
// recording playing (or paused); each result shows for about two seconds in a notice over the
// video.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <cmath>
#include <functional>
#include <string>

class QLabel;
class QTimer;
class QWidget;

class EvidenceTools : public QObject {
  Q_OBJECT
public:
  enum Command { NextFrame, PreviousFrame, Snapshot, ClipStart, ClipEnd, ExportClip, ExportGpsTrack };

  struct Hooks {
    std::function<std::string()> currentPath;                     // the recording playing, empty for none
    std::function<void(double start, double end)> showClipMarks;  // seconds; NaN for an end not set
    std::function<QRect()> noticeArea;                            // the video's area in the window
  };
  EvidenceTools(QWidget* window, Hooks hooks);

  // Carries out a command; nothing happens while no recording plays.
  void Run(Command command);
  // The menu texts, in Command order.
  static QString Text(Command command);
  // Where snapshots go: the pictures folder's "TAVRO Viewer".
  static QString SnapshotFolder();

  // The notice showing, empty when none (for tests).
  QString NoticeText() const;

private:
  void Notify(const QString& text);
  void TakeSnapshot(const std::string& path);
  void SetMark(bool start);
  void ExportMarkedClip(const std::string& path);

  QWidget* m_window;
  Hooks m_hooks;
  QLabel* m_notice = nullptr;
  QTimer* m_noticeTimer = nullptr;
  std::string m_markedPath;  // the recording the marks belong to
  double m_clipStart = NAN;
  double m_clipEnd = NAN;
};
