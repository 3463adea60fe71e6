#pragma once
// The manual recordings' list page (list control 1042).
#include "CFileList.h"

class CFileListManual : public CFileList {
  Q_OBJECT
public:
  explicit CFileListManual(RecordingListHost& host, QWidget* parent = nullptr);
};
