#include "VideoSurface.h"

#include <QCoreApplication>

VideoSurface::VideoSurface(QWidget* parent) : QWidget(parent) {
  // Only the surface and its ancestors need X11 windows of their own. Native siblings would
  // lose their transparency (the labels over the title bar and the control panel).
  QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
  setAttribute(Qt::WA_NativeWindow);
  setAttribute(Qt::WA_PaintOnScreen);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Keys and clicks belong to the panes around the surface, not to the video window.
  setFocusPolicy(Qt::NoFocus);
}

uint64_t VideoSurface::nativeId() { return static_cast<uint64_t>(winId()); }
