#include "ExportGpsTrack.h"

#include "RecordingClock.h"
#include "TelemetryExport.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

QString ExportGpsTrack(QWidget* parent, const std::vector<std::string>& recordings)
{
  if (recordings.empty())
    return {};
  const QString gpx = QStringLiteral("GPS track (*.gpx)");
  const QString csv = QStringLiteral("Telemetry table (*.csv)");
  QString filter = gpx;
  const QString suggested =
      QDir::home().filePath(QString::fromStdString(RecordingBaseName(recordings.front())) + QStringLiteral(".gpx"));
  QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("Export GPS track"), suggested,
                                              gpx + QStringLiteral(";;") + csv, &filter);
  if (path.isEmpty())
    return {};
  const bool asCsv = filter == csv || path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
  const QString extension = asCsv ? QStringLiteral(".csv") : QStringLiteral(".gpx");
  if (QFileInfo(path).suffix().isEmpty())
    path += extension;
  std::string error;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = ExportTelemetry(asCsv ? TelemetryFormat::Csv : TelemetryFormat::Gpx, path.toStdString(), recordings,
                                  &error);
  QApplication::restoreOverrideCursor();
  if (!ok)
    return QStringLiteral("Export failed: ") + QString::fromStdString(error);
  return QStringLiteral("Saved ") + QFileInfo(path).fileName();
}
