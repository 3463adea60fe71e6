#pragma once
// The vehicle information panel: the 720 x 123 strip under the control panel. Its left 240
// pixels show the vehicle's state (driver-assistance cameras) or the driver's state (the
// driver-monitoring camera), its right 480 pixels a scrolling graph of the three acceleration
// axes. It is driven by the engine's telemetry messages (0x416), switches the device model
// when a record belongs to the other device family, and hands the firmware version of each
// playback's first record to the main window.
//
// Every picture is composed off screen and put into the panel's frame image in one piece; a
// paint only copies that frame, so the panel never flickers.

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "GraphSeries.h"
#include "ViewerConfig.h"

class QPainter;
struct TelemetryRecord;
struct DriverMonitorRecord;

class CVehicleInfoDlg : public QWidget {
  Q_OBJECT

public:
  static constexpr int kWidth = 720;
  static constexpr int kHeight = 123;

  explicit CVehicleInfoDlg(QWidget* parent = nullptr);
  ~CVehicleInfoDlg() override;

  // Message 0x416. lParam 0: a playback starts (neutral layout, pass the next firmware version
  // on); otherwise `text` is a telemetry record to show. Returns 0.
  int OnTelemetry(int64_t wParam, int64_t lParam, const std::string& text);

  // End of a recording: forget the series that receive samples; they stay in the list.
  void ClearGraphReferences();
  // Start of a recording: three new, empty series for x, y and z. Nothing is drawn yet.
  void ResetGraph();

  // The neutral layout of the current device model. Returns 0 after drawing, 1 when the model
  // has no layout and nothing was drawn.
  int DrawNeutralLayout(QPainter& dc);

  // Wiring to the main window, which lives above this library. Unset hooks do nothing. The
  // model-change message 0x41C is posted to the parent widget (the main window).
  std::function<void(const std::string& version, int32_t deviceCode)> setDeviceVersionText;
  std::function<bool()> isFullScreen;
  std::function<void()> toggleFullScreen;
  std::function<void()> togglePlayPause;  // the control panel's play/pause toggle

protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

private:
  void SwitchModel(DeviceModel model);
  void PassFirmwareVersion(const TelemetryRecord& r);
  void DrawDriverAssistance(const TelemetryRecord& r);
  void DrawDriverMonitor(const DriverMonitorRecord& d);
  void DrawCommonHead(QPainter& p, int32_t speedUnit, int32_t speed);
  void DrawLaneIndicator(QPainter& p, int32_t v);
  void DrawVehicleIndicator(QPainter& p, int32_t v);
  void DrawYawnIndicator(QPainter& p, int32_t pfid);
  void DrawSpeedLimitSign(QPainter& p, int32_t state, int32_t speed);
  void FeedGraph(double x, double y, double z);
  void AddSample(GraphSeries* series, double v);
  void DrawGraph();

  // Invalidate with background erase: the neutral layout replaces the frame before anything
  // else is composed or painted.
  void InvalidateWithErase();
  void EraseIfNeeded();
  // Puts an off-screen picture into the frame at (0, 0), blending its alpha, and schedules a paint.
  void PutOnWindow(const QImage& picture);

  std::mutex telemetryLock;
  bool newRecording = false;
  bool mphShown = false;
  int32_t laneHoldCount = 0, laneHeld = 0;
  int32_t vehicleHoldCount = 0, vehicleHeld = 0;
  int32_t yawnHoldCount = 0, yawnHeld = 0;
  int32_t signBlinkCount = 0;
  int32_t graphSampleCount = 0;
  std::list<std::unique_ptr<GraphSeries>> seriesList;
  GraphSeries* seriesX = nullptr;
  GraphSeries* seriesY = nullptr;
  GraphSeries* seriesZ = nullptr;

  QImage m_frame;
  bool m_eraseNeeded = true;
};
