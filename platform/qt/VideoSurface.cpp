#include "VideoSurface.h"

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_PaintOnScreen);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Keys and clicks belong to the panes around the surface, not to the video window.
  setFocusPolicy(Qt::NoFocus);
}

uint64_t VideoSurface::nativeId() { return static_cast<uint64_t>(winId()); }
