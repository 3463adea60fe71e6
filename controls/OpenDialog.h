#pragma once
// The Open command's dialog: the video files of a folder, as an open-file dialog offers them,
// and a second button, "Open folder", that takes a folder instead: the one selected in the
// dialog's list, else the one it shows.

#include <QString>

class QWidget;

struct OpenChoice {
  enum Kind { None, File, Folder };
  Kind kind = None;
  QString path;
};

// Runs the dialog; None when it was cancelled.
OpenChoice ChooseFileOrFolder(QWidget* parent);
