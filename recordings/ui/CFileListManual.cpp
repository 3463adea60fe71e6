#include "CFileListManual.h"

CFileListManual::CFileListManual(RecordingListHost& host, QWidget* parent) : CFileList(RecordingKind::Manual, 1042, host, parent) {}
