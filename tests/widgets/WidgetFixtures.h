// Shared pieces of the widget tests: a window whose background differs at every pixel (so a
// background captured from the wrong place shows), and helpers to read pixels back.
#pragma once

#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

inline QRgb PatternAt(int x, int y) {
  return qRgb((x * 7) % 256, (y * 11) % 256, ((x + y) * 3) % 256);
}

class PatternWindow : public QWidget {
public:
  PatternWindow() {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(320, 200);
  }
  bool solid = false;  // paint plain black instead of the pattern

protected:
  void paintEvent(QPaintEvent*) override {
    QImage image(size(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, solid ? qRgb(0, 0, 0) : PatternAt(x, y));
    QPainter(this).drawImage(0, 0, image);
  }
};

inline void ShowAndWait(QWidget& window) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

// What the widget shows, read back from a grab of its window.
inline QImage Shown(QWidget& widget) {
  QCoreApplication::processEvents();
  return widget.window()->grab(QRect(widget.mapTo(widget.window(), QPoint(0, 0)), widget.size()))
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// The pattern under a widget placed at `origin` of the pattern window.
inline QImage PatternUnder(QPoint origin, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, PatternAt(origin.x() + x, origin.y() + y));
  return image;
}

inline QImage Over(QImage background, const QImage& image, QPoint at) {
  QPainter p(&background);
  p.drawImage(at, image);
  return background;
}

inline int ChannelDistance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The largest colour difference between two pictures of the same size.
inline int MaxDistance(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) worst = std::max(worst, ChannelDistance(a.pixel(x, y), b.pixel(x, y)));
  return worst;
}
