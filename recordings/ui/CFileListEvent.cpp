#include "CFileListEvent.h"

CFileListEvent::CFileListEvent(RecordingListHost& host, QWidget* parent) : CFileList(RecordingKind::Event, 1040, host, parent) {}
