// The title bar's background and the icons of its seven buttons. Icons are light grey line
// drawings on a transparent canvas, centred in the button, so the bar shows around them.
#include "ArtStyle.h"
#include "ArtworkCatalog.h"

#include <QtMath>

using namespace art;

namespace {

void TitleBar(QPainter& p, QSizeF s) {
  const QRectF r(QPointF(0, 0), s);
  VerticalGradient(p, r, QColor(112, 112, 112), QColor(92, 92, 92));
  p.fillRect(QRectF(0, s.height() - 1, s.width(), 1), QColor(66, 66, 66));
  p.fillRect(QRectF(0, 0, s.width(), 1), QColor(126, 126, 126));
  // Wordmark: a small lens and the product name.
  p.setPen(Stroke(kLine, 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(22, 21), 9, 9);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawEllipse(QPointF(22, 21), 3.5, 3.5);
  Caption(p, QRectF(38, 0, 170, s.height()), QStringLiteral("TAVRO Viewer"), kLine, 16, true,
          Qt::AlignLeft | Qt::AlignVCenter);
  // Thin separator before the window buttons.
  p.fillRect(QRectF(949, 10, 1, 22), QColor(80, 80, 80));
}

// The glyph box of a title-bar icon: 20 x 20 pixels centred on the button.
QRectF GlyphBox(QSizeF s) {
  return QRectF((s.width() - 20) / 2, (s.height() - 20) / 2, 20, 20);
}

void Magnifier(QPainter& p, QSizeF s) {
  const QRectF g = GlyphBox(s);
  p.setPen(Stroke(kLine, 2));
  p.drawEllipse(QRectF(g.left() + 1, g.top() + 1, 12, 12));
  p.setPen(Stroke(kLine, 3));
  p.drawLine(QPointF(g.left() + 12, g.top() + 12), QPointF(g.right() - 1, g.bottom() - 1));
  p.setPen(Stroke(kLine, 1.6));
  p.drawLine(QPointF(g.left() + 4.5, g.top() + 7), QPointF(g.left() + 9.5, g.top() + 7));
  p.drawLine(QPointF(g.left() + 7, g.top() + 4.5), QPointF(g.left() + 7, g.top() + 9.5));
}

void Flip(QPainter& p, QSizeF s) {
  const QRectF g = GlyphBox(s);
  // A picture (frame with a mountain) under a curved turning arrow.
  p.setPen(Stroke(kLine, 1.6));
  p.drawRoundedRect(QRectF(g.left() + 2, g.top() + 8, 16, 11), 1.5, 1.5);
  QPainterPath hill;
  hill.moveTo(g.left() + 4, g.top() + 17);
  hill.lineTo(g.left() + 8.5, g.top() + 12);
  hill.lineTo(g.left() + 11, g.top() + 14.5);
  hill.lineTo(g.left() + 13, g.top() + 12.5);
  hill.lineTo(g.left() + 16, g.top() + 17);
  p.drawPath(hill);
  QPainterPath arc;
  arc.moveTo(g.left() + 3, g.top() + 6);
  arc.cubicTo(g.left() + 6, g.top() + 0.5, g.left() + 14, g.top() + 0.5, g.left() + 17, g.top() + 5);
  p.drawPath(arc);
  QPainterPath head;
  head.moveTo(g.left() + 17.8, g.top() + 1.5);
  head.lineTo(g.left() + 17.8, g.top() + 6.2);
  head.lineTo(g.left() + 13.2, g.top() + 5.6);
  p.drawPath(head);
}

void Switch(QPainter& p, QSizeF s) {
  const QRectF g = GlyphBox(s);
  p.setPen(Stroke(kLine, 1.6));
  p.drawRoundedRect(QRectF(g.left() + 0.5, g.top() + 1, 9, 7), 1, 1);
  p.drawRoundedRect(QRectF(g.left() + 10.5, g.top() + 12, 9, 7), 1, 1);
  // Exchange arrows between the two frames.
  p.drawLine(QPointF(g.left() + 12, g.top() + 4.5), QPointF(g.left() + 19, g.top() + 4.5));
  p.drawLine(QPointF(g.left() + 19, g.top() + 4.5), QPointF(g.left() + 16.5, g.top() + 2));
  p.drawLine(QPointF(g.left() + 8, g.top() + 15.5), QPointF(g.left() + 1, g.top() + 15.5));
  p.drawLine(QPointF(g.left() + 1, g.top() + 15.5), QPointF(g.left() + 3.5, g.top() + 18));
}

void Gear(QPainter& p, QSizeF s) {
  const QRectF g = GlyphBox(s);
  const QPointF c = g.center();
  QPainterPath teeth;
  const int n = 8;
  for (int i = 0; i < 2 * n; ++i) {
    const qreal a0 = (i - 0.5) * M_PI / n, a1 = (i + 0.5) * M_PI / n;
    const qreal r = (i % 2 == 0) ? 9.5 : 7.0;
    const QPointF p0 = c + QPointF(r * qCos(a0), r * qSin(a0));
    const QPointF p1 = c + QPointF(r * qCos(a1), r * qSin(a1));
    if (i == 0) teeth.moveTo(p0); else teeth.lineTo(p0);
    teeth.lineTo(p1);
  }
  teeth.closeSubpath();
  teeth.addEllipse(c, 3.2, 3.2);
  teeth.setFillRule(Qt::OddEvenFill);
  p.setPen(Qt::NoPen);
  p.setBrush(kLine);
  p.drawPath(teeth);
}

void Minimise(QPainter& p, QSizeF s) {
  const QRectF g = GlyphBox(s);
  p.setPen(Stroke(kLine, 2));
  p.drawLine(QPointF(g.left() + 4, g.top() + 14), QPointF(g.right() - 4, g.top() + 14));
}

void Screen(QPainter& p, QSizeF s) {
  const QRectF g = GlyphBox(s);
  p.setPen(Stroke(kLine, 1.6));
  p.drawRoundedRect(QRectF(g.left() + 2, g.top() + 3, 16, 11), 1.5, 1.5);
  p.drawLine(QPointF(g.left() + 7, g.top() + 17.5), QPointF(g.left() + 13, g.top() + 17.5));
  // Corner marks: the picture grows to fill the screen.
  p.setPen(Stroke(kLine, 1.2));
  p.drawLine(QPointF(g.left() + 5, g.top() + 8), QPointF(g.left() + 5, g.top() + 6));
  p.drawLine(QPointF(g.left() + 5, g.top() + 6), QPointF(g.left() + 7, g.top() + 6));
  p.drawLine(QPointF(g.left() + 15, g.top() + 9), QPointF(g.left() + 15, g.top() + 11));
  p.drawLine(QPointF(g.left() + 15, g.top() + 11), QPointF(g.left() + 13, g.top() + 11));
}

void Close(QPainter& p, QSizeF s) {
  const QRectF g = GlyphBox(s);
  p.setPen(Stroke(kLine, 2));
  p.drawLine(QPointF(g.left() + 5, g.top() + 5), QPointF(g.right() - 5, g.bottom() - 5));
  p.drawLine(QPointF(g.right() - 5, g.top() + 5), QPointF(g.left() + 5, g.bottom() - 5));
}

}  // namespace

void AddTitleBarArt(std::vector<ArtworkItem>& items) {
  items.push_back({ArtKind::Png, 147, {1080, 42}, TitleBar});
  items.push_back({ArtKind::Png, 262, {47, 42}, Magnifier});
  items.push_back({ArtKind::Png, 255, {47, 42}, Flip});
  items.push_back({ArtKind::Png, 148, {47, 42}, Switch});
  items.push_back({ArtKind::Png, 149, {47, 42}, Gear});
  items.push_back({ArtKind::Png, 151, {38, 42}, Minimise});
  items.push_back({ArtKind::Png, 153, {38, 42}, Screen});
  items.push_back({ArtKind::Png, 155, {38, 42}, Close});
}
