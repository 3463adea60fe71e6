#pragma once
// A native child window the playback engine renders into through SDL. Qt must never paint it:
// it has its own X11 window, no system background and no paint engine, otherwise Qt repaints
// grey over the video. The window is created once and its id stays valid until the widget dies.

#include <QWidget>

#include <cstdint>

class VideoSurface : public QWidget {
  Q_OBJECT
public:
  explicit VideoSurface(QWidget* parent = nullptr);

  // The X11 window id handed to the engine (creates the native window on first use).
  uint64_t nativeId();

  QPaintEngine* paintEngine() const override { return nullptr; }

signals:
  // The window system asked for the surface's contents again (it was covered and uncovered,
  // or shown): whatever the engine drew there last may be gone.
  void exposed();

protected:
  void paintEvent(QPaintEvent*) override { emit exposed(); }
};
