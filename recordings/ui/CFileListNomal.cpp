#include "CFileListNomal.h"

CFileListNomal::CFileListNomal(RecordingListHost& host, QWidget* parent) : CFileList(RecordingKind::Normal, 1038, host, parent) {}
