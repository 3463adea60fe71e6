#include "CaptureParentBackground.h"

#include <QPainter>
#include <QWidget>

#include <vector>

QImage CaptureParentBackground(const QWidget& control) {
  QImage image(control.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(control.palette().color(QPalette::Window));
  std::vector<QWidget*> ancestors;
  for (QWidget* w = control.parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
    ancestors.push_back(w);
  // Top-level first, so that each pane paints over what lies behind it, as on screen.
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    QWidget* ancestor = *it;
    if (ancestor->testAttribute(Qt::WA_PaintOnScreen)) continue;  // native video surfaces
    const QRect area(control.mapTo(ancestor, QPoint(0, 0)), control.size());
    // A window always has a background; a pane only when it fills its own (autoFillBackground),
    // otherwise what lies behind it must stay visible.
    const QWidget::RenderFlags flags =
        ancestor->isWindow() ? QWidget::DrawWindowBackground : QWidget::RenderFlags();
    ancestor->render(&image, QPoint(0, 0), QRegion(area), flags);
  }
  return image;
}
