#include "QtPlayerNotifier.h"

#include "CRearViewerDlg.h"
#include "CViewerCtlDlg.h"
#include "QueuedCall.h"
#include "ViewerMessage.h"

#include <utility>

void QtPlayerNotifier::post(PlayerMessage m) {
  QObject* receiver = nullptr;
  switch (m.message) {
    case kMsgPosition:
    case kMsgElapsed:
    case kMsgEndOfFile:
    case kMsgLoadLevel:
      // The panel that started the playback; the engine hands back what start_player_thread gave.
      receiver = m.owner ? static_cast<QObject*>(m.owner) : controlPanel;
      break;
    case kMsgTelemetry: receiver = vehiclePanel; break;
    case kMsgTelemetryMap: receiver = rearPane; break;
    case kMsgOpenFailed: receiver = mainWindow; break;
    default: break;
  }
  ViewerMessage::post(receiver, m.message, m.wparam, m.lparam, std::move(m.text));
}

void QtPlayerNotifier::set_duration(int64_t duration_us) {
  if (!controlPanel) return;
  post_queued_call(controlPanel, [panel = controlPanel, duration_us] { panel->set_duration(duration_us); });
}

void QtPlayerNotifier::SelectRearView(int has_second_video) {
  if (!rearPane) return;
  post_queued_call(rearPane, [pane = rearPane, has_second_video] { pane->SelectRearView(has_second_video); });
}
