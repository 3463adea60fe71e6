#pragma once
// The Qt side of the engine's notifier: every engine message becomes a posted ViewerMessage at
// the window that handles it, in the order the engine posted them. The two direct calls of the
// read thread (duration, rear view) are queued to the user-interface thread on the same event
// queue, so they keep their place relative to the messages.

#include "PlayerNotifier.h"


class CViewerCtlDlg;
class QObject;
class CRearViewerDlg;

class QtPlayerNotifier : public PlayerNotifier {
public:
  // Receivers; set on the user-interface thread before the first playback.
  QObject* mainWindow = nullptr;      // 0x419
  QObject* vehiclePanel = nullptr;    // 0x416
  CRearViewerDlg* rearPane = nullptr;  // 0x417, SelectRearView
  CViewerCtlDlg* controlPanel = nullptr;  // 0x414, 0x415, 0x418, 0x41B when no owner is given; set_duration

  void post(PlayerMessage message) override;
  void set_duration(int64_t duration_us) override;
  void SelectRearView(int has_second_video) override;
};
