// The program icon: a dark rounded tile with a camera lens and a green recording light.
#include "ArtStyle.h"
#include "ArtworkCatalog.h"

using namespace art;

namespace {

void ProgramIcon(QPainter& p, QSizeF s) {
  const qreal k = s.width() / 256;
  p.scale(k, k);
  QLinearGradient g(0, 0, 0, 256);
  g.setColorAt(0, QColor(112, 112, 112));
  g.setColorAt(1, QColor(64, 64, 64));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 48, 48);
  p.setBrush(QColor(34, 34, 34));
  p.drawEllipse(QPointF(128, 132), 78, 78);
  p.setPen(QPen(kLine, 10));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(128, 132), 78, 78);
  QRadialGradient lens(QPointF(112, 116), 60);
  lens.setColorAt(0, QColor(96, 120, 140));
  lens.setColorAt(1, QColor(20, 24, 30));
  p.setPen(QPen(QColor(90, 90, 90), 6));
  p.setBrush(lens);
  p.drawEllipse(QPointF(128, 132), 46, 46);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 90));
  p.drawEllipse(QPointF(110, 114), 12, 12);
  p.setBrush(kGreen);
  p.drawEllipse(QPointF(206, 50), 16, 16);
}

}  // namespace

void AddProgramIconArt(std::vector<ArtworkItem>& items) {
  items.push_back({ArtKind::Icon, 128, {256, 256}, ProgramIcon});
}
