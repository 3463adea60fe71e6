#pragma once
// The normal recordings' list page (list control 1038).
#include "CFileList.h"

class CFileListNomal : public CFileList {
  Q_OBJECT
public:
  explicit CFileListNomal(RecordingListHost& host, QWidget* parent = nullptr);
};
