// The control panel's background, its transport buttons (round dark keys with a light grey
// glyph) and the speed and volume captions.
#include "ArtStyle.h"
#include "ArtworkCatalog.h"

using namespace art;

namespace {

void PanelBackground(QPainter& p, QSizeF s) {
  const QRectF r(QPointF(0, 0), s);
  VerticalGradient(p, r, QColor(104, 104, 104), QColor(94, 94, 94));
  // The seek row (labels and slider) sits on a slightly deeper band.
  p.fillRect(QRectF(0, 0, s.width(), 21), QColor(90, 90, 90));
  p.fillRect(QRectF(0, 21, s.width(), 1), QColor(78, 78, 78));
  p.fillRect(QRectF(0, 22, s.width(), 1), QColor(114, 114, 114));
  // Dark grooves under the channels of the seek, speed and volume sliders, so that their
  // thin frames stand out.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(54, 54, 54));
  for (const QRectF& groove : {QRectF(58, 7, 604, 6), QRectF(515, 45, 74, 6), QRectF(629, 45, 83, 6)})
    p.drawRoundedRect(groove, 1.5, 1.5);
  // Separator between the transport keys and the speed and volume controls.
  p.fillRect(QRectF(437, 32, 1, 32), QColor(84, 84, 84));
  p.fillRect(QRectF(438, 32, 1, 32), QColor(114, 114, 114));
}

void Key(QPainter& p, QSizeF s) {
  const QRectF r(1, 1, s.width() - 3, s.height() - 3);
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, QColor(86, 86, 86));
  g.setColorAt(1, QColor(62, 62, 62));
  p.setPen(QPen(QColor(140, 140, 140), 1));
  p.setBrush(g);
  p.drawEllipse(r);
}

QPolygonF Triangle(qreal x, qreal cy, qreal w, qreal h, bool right) {
  if (right) return QPolygonF({QPointF(x, cy - h / 2), QPointF(x + w, cy), QPointF(x, cy + h / 2)});
  return QPolygonF({QPointF(x + w, cy - h / 2), QPointF(x, cy), QPointF(x + w, cy + h / 2)});
}

void Glyph(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kLine);
}

void Open(QPainter& p, QSizeF s) {
  Key(p, s);
  // A folder.
  p.setPen(Stroke(kLine, 1.5));
  p.setBrush(Qt::NoBrush);
  QPainterPath folder;
  folder.moveTo(10.5, 13);
  folder.lineTo(15.5, 13);
  folder.lineTo(17.5, 15);
  folder.lineTo(26.5, 15);
  folder.lineTo(26.5, 25.5);
  folder.lineTo(10.5, 25.5);
  folder.closeSubpath();
  p.drawPath(folder);
  p.drawLine(QPointF(10.5, 18), QPointF(26.5, 18));
}

void Previous(QPainter& p, QSizeF s) {
  Key(p, s);
  Glyph(p);
  p.drawRect(QRectF(11, 12.5, 2.5, 12));
  p.drawPolygon(Triangle(13.5, 18.5, 7.5, 12, false));
  p.drawPolygon(Triangle(20, 18.5, 7.5, 12, false));
}

void Rewind(QPainter& p, QSizeF s) {
  Key(p, s);
  Glyph(p);
  p.drawPolygon(Triangle(10, 18.5, 8.5, 12, false));
  p.drawPolygon(Triangle(18, 18.5, 8.5, 12, false));
}

void Play(QPainter& p, QSizeF s) {
  Key(p, s);
  Glyph(p);
  p.drawPolygon(Triangle(15, 18.5, 11, 14, true));
}

void Pause(QPainter& p, QSizeF s) {
  Key(p, s);
  Glyph(p);
  p.drawRoundedRect(QRectF(13, 12, 4, 13), 1, 1);
  p.drawRoundedRect(QRectF(20, 12, 4, 13), 1, 1);
}

void FastForward(QPainter& p, QSizeF s) {
  Key(p, s);
  Glyph(p);
  p.drawPolygon(Triangle(10.5, 18.5, 8.5, 12, true));
  p.drawPolygon(Triangle(18.5, 18.5, 8.5, 12, true));
}

void Next(QPainter& p, QSizeF s) {
  Key(p, s);
  Glyph(p);
  p.drawPolygon(Triangle(9.5, 18.5, 7.5, 12, true));
  p.drawPolygon(Triangle(16, 18.5, 7.5, 12, true));
  p.drawRect(QRectF(23.5, 12.5, 2.5, 12));
}

void SpeedCaption(QPainter& p, QSizeF s) {
  Caption(p, QRectF(QPointF(0, 0), s), QStringLiteral("Speed"), kLine, 13, true);
}

void VolumeCaption(QPainter& p, QSizeF s) {
  // A loudspeaker with one sound wave.
  const qreal cy = s.height() / 2;
  p.setPen(Qt::NoPen);
  p.setBrush(kLine);
  p.drawPolygon(QPolygonF({QPointF(4, cy - 3), QPointF(8, cy - 3), QPointF(13, cy - 7.5),
                           QPointF(13, cy + 7.5), QPointF(8, cy + 3), QPointF(4, cy + 3)}));
  p.setPen(Stroke(kLine, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(10, cy - 5, 9, 10), -50 * 16, 100 * 16);
  p.drawArc(QRectF(11, cy - 8, 13, 16), -50 * 16, 100 * 16);
}

}  // namespace

void AddControlPanelArt(std::vector<ArtworkItem>& items) {
  items.push_back({ArtKind::Png, 158, {720, 75}, PanelBackground});
  items.push_back({ArtKind::Png, 159, {38, 38}, Open});
  items.push_back({ArtKind::Png, 160, {38, 38}, Previous});
  items.push_back({ArtKind::Png, 161, {38, 38}, Rewind});
  items.push_back({ArtKind::Png, 162, {38, 38}, Play});   // shown while paused
  items.push_back({ArtKind::Png, 163, {38, 38}, Pause});  // shown while playing
  items.push_back({ArtKind::Png, 164, {38, 38}, FastForward});
  items.push_back({ArtKind::Png, 165, {38, 38}, Next});
  items.push_back({ArtKind::Png, 224, {56, 23}, SpeedCaption});
  items.push_back({ArtKind::Png, 226, {27, 23}, VolumeCaption});
}
