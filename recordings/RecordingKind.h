#pragma once

// The kind of a recording; the value indexes the three recording lists, the three
// current rows and the three list pages.
enum RecordingKind : int {
  Normal = 0,
  Event = 1,
  Manual = 2,  // the user list; driver-monitoring events on the driver-monitoring model
};

inline constexpr int kRecordingKindCount = 3;
