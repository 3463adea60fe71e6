#include "ViewerMessageBox.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

void ShowPlainMessage(QWidget* parent, const char* text) {
  const char* toStderr = std::getenv("TAVRO_MESSAGE_BOX_STDERR");
  if (toStderr && *toStderr) {
    std::fprintf(stderr, "%s\n", text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VRANViewer"), QString::fromUtf8(text),
                  QMessageBox::Ok, parent);
  box.exec();
}
