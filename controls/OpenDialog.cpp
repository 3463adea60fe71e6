#include "OpenDialog.h"

#include "ResourceStrings.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>

namespace {

constexpr int kFolderResult = 2;
constexpr int kOpenFolderText = 268;

}  // namespace

OpenChoice ChooseFileOrFolder(QWidget* parent) {
  QFileDialog dialog(parent, QString(), QString(), QStringLiteral("Video Files (*.avi *.mp4);;All Files (*)"));
  dialog.setObjectName(QStringLiteral("openDialog"));
  // Qt's own dialog: a platform dialog has no room for a second button.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);

  QString folder;
  if (auto* buttons = dialog.findChild<QDialogButtonBox*>()) {
    QPushButton* openFolder = buttons->addButton(LoadResourceString(kOpenFolderText), QDialogButtonBox::ActionRole);
    openFolder->setObjectName(QStringLiteral("openFolder"));
    QObject::connect(openFolder, &QPushButton::clicked, &dialog, [&dialog, &folder] {
      // With nothing selected, the selection is the folder the dialog shows.
      const QStringList selected = dialog.selectedFiles();
      folder = !selected.isEmpty() && QFileInfo(selected.first()).isDir() ? selected.first()
                                                                         : dialog.directory().absolutePath();
      static_cast<QDialog&>(dialog).done(kFolderResult);
    });
  }

  const int result = dialog.exec();
  if (result == kFolderResult) return {OpenChoice::Folder, folder};
  if (result == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    return {OpenChoice::File, dialog.selectedFiles().first()};
  return {};
}
