#pragma once
// The strip of transport controls under the videos: open, previous, rewind, play/pause, fast
// forward and next, the seek slider with elapsed and total time, and the speed and volume
// sliders. It starts the player thread, turns the user's actions into player commands and shows
// what the engine reports (position 0x414, elapsed time 0x415, end of file 0x418, video load
// level 0x41B, duration). What lies beyond the panel (the recording lists, the main window's
// full-screen layout) is reached through its signals.

#include <QLabel>
#include <QWidget>

#include <string>
#include <thread>

class CGdipButton;
class CMySliderControl;

class CViewerCtlDlg : public QWidget {
  Q_OBJECT
public:
  // Control ids, used as object names ("ctl<id>") so tests and other panes can find them.
  enum ControlId {
    kSeekSlider = 1003,
    kOpenButton = 1004,
    kPrevButton = 1005,
    kRewindButton = 1006,
    kPlayButton = 1007,
    kForwardButton = 1008,
    kNextButton = 1009,
    kSpeedSlider = 1010,
    kVolumeSlider = 1011,
    kElapsedLabel = 1012,
    kTotalLabel = 1013,
  };

  explicit CViewerCtlDlg(QWidget* parent = nullptr);
  ~CViewerCtlDlg() override;

  // Starts the player thread on `path` and sets `playing`. The caller has stopped any running
  // player first (stop_running_player).
  void start_player_thread(const std::string& path);
  // The contract before every start: when `playing` is set, stop the player synchronously,
  // clear `playing` and keep the event loop running in 100 ms slices until the player thread has
  // left the engine. Returns true when a player was stopped.
  bool stop_running_player();
  // Waits for the last player thread to return (after a stop); used before the panes go away.
  void join_player_thread();

  void toggle_play_pause();
  void set_duration(int64_t duration_us);
  // Shows the clip's marks (seconds, NaN for one not set) on the seek slider.
  void SetClipMarks(double start_seconds, double end_seconds);
  // Nothing plays any more: both time labels read 00:00:00 and the seek slider returns to 0;
  // reports of the ended playback still queued for the panel are dropped.
  void clear_times();
  // Enables or disables the seek slider and the play, next, fast-forward, previous and rewind
  // buttons; open, speed and volume stay enabled.
  void enable_transport(bool enable);

  bool shown_paused() const { return m_shownPaused; }

  // Speed for a speed-slider position: 1 at 0-99, 2 at 100-199, 3 at 200-299, 4 from 300.
  static int SpeedForPosition(int position);
  // Highest speed-slider position for a video load level: 250 for 1, 150 for 2, else 350.
  static int SpeedMaximumForLoadLevel(int level);
  // "%02d:%02d:%02d" of whole seconds.
  static QString FormatClock(int64_t seconds);

signals:
  void nextRequested();      // button 1009 and the end of a recording (0x418)
  void previousRequested();  // button 1005
  void fullScreenRequested();  // Enter and Escape while playing
  void fileChosen(const QString& path);  // the Open dialog was confirmed
  void folderChosen(const QString& path);  // the Open dialog's "Open folder"

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  void OnOpen();
  void OnPlayButton();
  void OnHScroll(CMySliderControl* slider, int request, int position);
  void OnSeekTrack(int position);
  void OnSpeedTrack(int position);
  void OnVolumeTrack(int position);
  void OnLoadLevel(int level);
  void OnElapsed(int64_t seconds);
  void SetLabelText(QLabel* label, const QString& text);
  void UpdatePlayTooltip();

  CMySliderControl* m_seek = nullptr;
  int64_t m_durationUs = -1;
  CMySliderControl* m_speed = nullptr;
  CMySliderControl* m_volume = nullptr;
  QLabel* m_elapsed = nullptr;
  QLabel* m_total = nullptr;
  CGdipButton* m_open = nullptr;
  CGdipButton* m_prev = nullptr;
  CGdipButton* m_rewind = nullptr;
  CGdipButton* m_play = nullptr;
  CGdipButton* m_forward = nullptr;
  CGdipButton* m_next = nullptr;

  std::thread m_playerThread;
  bool m_fromButton = false;
  bool m_shownPaused = false;
  int m_elapsedCache[3] = {-1, -1, -1};  // hours, minutes, seconds last shown
};
