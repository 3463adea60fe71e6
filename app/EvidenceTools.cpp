#include "EvidenceTools.h"

#include "ClipExport.h"
#include "ExportGpsTrack.h"
#include "Player.h"
#include "RecordingClock.h"
#include "Snapshot.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <thread>

namespace {

constexpr int kNoticeMs = 2000;

// The time of the picture shown, which is what a snapshot or a mark should hold.
double ShownTime()
{
  const double t = player_globals.picture_time;
  return std::isnan(t) ? NAN : std::max(0.0, t);
}

}  // namespace

EvidenceTools::EvidenceTools(QWidget* window, Hooks hooks) : QObject(window), m_window(window), m_hooks(std::move(hooks))
{
  m_notice = new QLabel(window);
  // Native, so that it shows above the video surfaces (native windows themselves).
  m_notice->setAttribute(Qt::WA_NativeWindow);
  m_notice->setStyleSheet(QStringLiteral(
      "QLabel { background: rgba(20, 20, 20, 220); color: white; padding: 4px 8px; font: 12px 'Liberation Sans'; }"));
  m_notice->hide();
  m_noticeTimer = new QTimer(this);
  m_noticeTimer->setSingleShot(true);
  connect(m_noticeTimer, &QTimer::timeout, m_notice, &QWidget::hide);
}

QString EvidenceTools::Text(Command command)
{
  switch (command) {
    case NextFrame: return QStringLiteral("Next frame\t.");
    case PreviousFrame: return QStringLiteral("Previous frame\t,");
    case Snapshot: return QStringLiteral("Snapshot\tS");
    case ClipStart: return QStringLiteral("Set clip start\t[");
    case ClipEnd: return QStringLiteral("Set clip end\t]");
    case ExportClip: return QStringLiteral("Export clip...");
    case ExportGpsTrack: return QStringLiteral("Export GPS track...");
  }
  return {};
}

QString EvidenceTools::SnapshotFolder()
{
  return QDir(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)).filePath(QStringLiteral("TAVRO Viewer"));
}

QString EvidenceTools::NoticeText() const { return m_notice->isVisible() ? m_notice->text() : QString(); }

void EvidenceTools::Notify(const QString& text)
{
  const QRect area = m_hooks.noticeArea();
  m_notice->setText(text);
  m_notice->setMaximumWidth(area.width() - 16);
  m_notice->adjustSize();
  m_notice->move(area.left() + 8, area.bottom() - m_notice->height() - 8);
  m_notice->show();
  m_notice->raise();
  m_noticeTimer->start(kNoticeMs);
}

void EvidenceTools::Run(Command command)
{
  const std::string path = player_globals.playing ? m_hooks.currentPath() : std::string();
  if (path.empty())
    return;
  if (path != m_markedPath) {
    m_markedPath = path;
    m_clipStart = m_clipEnd = NAN;
  }
  switch (command) {
    case NextFrame: step_frame(+1); break;
    case PreviousFrame: step_frame(-1); break;
    case Snapshot: TakeSnapshot(path); break;
    case ClipStart: SetMark(true); break;
    case ClipEnd: SetMark(false); break;
    case ExportClip: ExportMarkedClip(path); break;
    case ExportGpsTrack: {
      const QString result = ::ExportGpsTrack(m_window, {path});
      if (!result.isEmpty())
        Notify(result);
      break;
    }
  }
}

void EvidenceTools::TakeSnapshot(const std::string& path)
{
  const double at = ShownTime();
  if (std::isnan(at))
    return Notify(QStringLiteral("Snapshot failed: no picture shown yet"));
  const QString folder = SnapshotFolder();
  if (!QDir().mkpath(folder))
    return Notify(QStringLiteral("Snapshot failed: cannot make the folder ") + folder);
  const std::string prefix =
      QDir(folder).filePath(QString::fromStdString(RecordingBaseName(path) + "_" + PositionText(at, '-'))).toStdString();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const SnapshotResult result = SaveSnapshots(path, at, prefix);
  QApplication::restoreOverrideCursor();
  if (!result.ok)
    return Notify(QStringLiteral("Snapshot failed: ") + QString::fromStdString(result.error));
  QStringList names;
  for (const std::string& file : result.files)
    names << QFileInfo(QString::fromStdString(file)).fileName();
  Notify(QStringLiteral("Saved ") + names.join(QStringLiteral(", ")));
}

void EvidenceTools::SetMark(bool start)
{
  const double at = ShownTime();
  if (std::isnan(at))
    return;
  (start ? m_clipStart : m_clipEnd) = at;
  // A mark on the wrong side of the other one moves that one out of the way.
  if (!std::isnan(m_clipStart) && !std::isnan(m_clipEnd) && m_clipStart >= m_clipEnd)
    (start ? m_clipEnd : m_clipStart) = NAN;
  m_hooks.showClipMarks(m_clipStart, m_clipEnd);
  Notify(QString(start ? "Clip start " : "Clip end ") + QString::fromStdString(PositionText(at, ':')));
}

void EvidenceTools::ExportMarkedClip(const std::string& path)
{
  if (std::isnan(m_clipStart) || std::isnan(m_clipEnd))
    return Notify(QStringLiteral("Set the clip's start ([) and end (]) first"));
  const QString suggested =
      QDir::home().filePath(QString::fromStdString(RecordingBaseName(path) + "_" + PositionText(m_clipStart, '-') +
                                                   "_clip.mp4"));
  QString out = QFileDialog::getSaveFileName(m_window, QStringLiteral("Export clip"), suggested,
                                             QStringLiteral("MP4 video (*.mp4)"));
  if (out.isEmpty())
    return;
  if (QFileInfo(out).suffix().isEmpty())
    out += QStringLiteral(".mp4");

  QProgressDialog progress(QStringLiteral("Exporting ") + QFileInfo(out).fileName(), QStringLiteral("Cancel"), 0, 1000,
                           m_window);
  progress.setWindowTitle(QStringLiteral("Export clip"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  std::atomic<int> done{0};
  std::atomic<bool> cancel{false}, finished{false};
  ClipResult result;
  std::thread worker([&, from = m_clipStart, to = m_clipEnd, target = out.toStdString()] {
    result = ::ExportClip(path, target, from, to, [&](double fraction) {
      done = static_cast<int>(fraction * 1000);
      return !cancel.load();
    });
    finished = true;
  });
  // The dialog's own event loop keeps the window alive while the copy runs.
  QTimer poll;
  connect(&poll, &QTimer::timeout, &progress, [&] {
    progress.setValue(std::min(done.load(), 999));
    if (finished)
      progress.reset();
  });
  connect(&progress, &QProgressDialog::canceled, &progress, [&] { cancel = true; });
  poll.start(50);
  progress.exec();
  cancel = !finished;
  worker.join();
  if (result.ok)
    Notify(QStringLiteral("Saved ") + QFileInfo(out).fileName());
  else if (result.cancelled)
    Notify(QStringLiteral("Clip export cancelled"));
  else
    Notify(QStringLiteral("Clip export failed: ") + QString::fromStdString(result.error));
}
