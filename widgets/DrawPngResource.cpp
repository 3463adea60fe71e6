#include "DrawPngResource.h"

#include <QHash>
#include <QPainter>
#include <QString>

namespace {

const QImage& Cached(QHash<int, QImage>& cache, const char* folder, int id) {
  auto it = cache.find(id);
  if (it == cache.end()) {
    QImage image(QStringLiteral(":/%1/%2.png").arg(QLatin1String(folder)).arg(id));
    // Premultiplied ARGB is what QPainter blends fastest.
    if (!image.isNull() && image.hasAlphaChannel())
      image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    it = cache.insert(id, image);  // a failed load is remembered too
  }
  return *it;
}

}  // namespace

const QImage& LoadPngResource(int id) {
  static QHash<int, QImage> cache;
  return Cached(cache, "png", id);
}

const QImage& LoadBitmapResource(int id) {
  static QHash<int, QImage> cache;
  return Cached(cache, "bmp", id);
}

int DrawPngResource(QPainter& painter, int id, int x, int y, int width, int height) {
  const QImage& image = LoadPngResource(id);
  if (image.isNull()) return 0;
  const QRect target(x, y, width, height);
  if (target.size() == image.size()) {
    painter.drawImage(target.topLeft(), image);
  } else {
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.restore();
  }
  return 0;
}

int DrawPngResourceAtOwnSize(QPainter& painter, int id, int x, int y) {
  const QImage& image = LoadPngResource(id);
  if (!image.isNull()) painter.drawImage(QPoint(x, y), image);
  return 0;
}
