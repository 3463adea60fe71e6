#include "SelectDirectory.h"

#include <QFileDialog>
#include <QFileInfo>

std::string SelectDirectory(QWidget* owner)
{
  const QString folder = QFileDialog::getExistingDirectory(owner, QStringLiteral("Select Directory"), QString(),
                                                           QFileDialog::ShowDirsOnly);
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    return {};
  return QFile::encodeName(folder).toStdString();
}
