#pragma once
// The event recordings' list page (list control 1040).
#include "CFileList.h"

class CFileListEvent : public CFileList {
  Q_OBJECT
public:
  explicit CFileListEvent(RecordingListHost& host, QWidget* parent = nullptr);
};
