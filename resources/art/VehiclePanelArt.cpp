// The vehicle information panel's pictures: backgrounds, graph grid, indicator icons in their
// active colours and in grey, speed-limit signs, both digit sets and the unit labels.
#include "ArtStyle.h"
#include "ArtworkCatalog.h"

#include <QtMath>

using namespace art;

namespace {

using Painter = std::function<void(QPainter&, QSizeF)>;

void AssistBackground(QPainter& p, QSizeF s) {
  p.fillRect(QRectF(QPointF(0, 0), s), QColor(44, 44, 44));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(54, 54, 54));
  p.drawRoundedRect(QRectF(3, 1, s.width() - 6, 40), 5, 5);    // signals, lanes, vehicle ahead
  p.drawRoundedRect(QRectF(3, 43, s.width() - 6, 40), 5, 5);   // pedestrian, brake, sign
  p.drawRoundedRect(QRectF(3, 86, s.width() - 6, 35), 5, 5);   // speed and engine speed
  // A faint road between the lane lines.
  p.setPen(QPen(QColor(64, 64, 64), 1));
  p.drawLine(QPointF(96, 39), QPointF(100, 4));
  p.drawLine(QPointF(147, 39), QPointF(143, 4));
}

void MonitorBackground(QPainter& p, QSizeF s) {
  p.fillRect(QRectF(QPointF(0, 0), s), QColor(44, 44, 44));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(54, 54, 54));
  p.drawRoundedRect(QRectF(2, 17, s.width() - 4, 61), 5, 5);  // the five driver states
  p.drawRoundedRect(QRectF(3, 86, 108, 35), 5, 5);            // speed
  Caption(p, QRectF(8, 0, s.width() - 16, 17), QStringLiteral("DRIVER STATUS"), kDim, 10, true,
          Qt::AlignLeft | Qt::AlignVCenter);
}

void GraphGrid(QPainter& p, QSizeF s) {
  p.fillRect(QRectF(QPointF(0, 0), s), kPanelDeepest);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(QColor(50, 50, 50));
  for (int x = 0; x < s.width(); x += 40) p.drawLine(x, 0, x, int(s.height()));
  for (int y : {15, 30, 92, 107}) p.drawLine(0, y, int(s.width()), y);
  p.setPen(QColor(92, 92, 92));
  p.drawLine(0, 61, int(s.width()), 61);
  p.setPen(QColor(70, 70, 70));
  p.drawLine(0, 0, 0, int(s.height()));
  Caption(p, QRectF(s.width() - 140, 1, 110, 13), QStringLiteral("ACCELERATION (G)"), kDim, 10, true,
          Qt::AlignRight | Qt::AlignVCenter);
  Caption(p, QRectF(s.width() - 24, 1, 20, 13), QStringLiteral("+1"), kDim, 9, false, Qt::AlignRight | Qt::AlignVCenter);
  Caption(p, QRectF(s.width() - 24, 55, 20, 13), QStringLiteral("0"), kDim, 9, false, Qt::AlignRight | Qt::AlignVCenter);
  Caption(p, QRectF(s.width() - 24, 109, 20, 13), QStringLiteral("-1"), kDim, 9, false, Qt::AlignRight | Qt::AlignVCenter);
}

void TurnArrow(QPainter& p, QSizeF s, const QColor& c, bool left) {
  p.save();
  if (left) {
    p.translate(s.width(), 0);
    p.scale(-1, 1);
  }
  const qreal cy = s.height() / 2;
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(QPolygonF({QPointF(4, cy - 5), QPointF(17, cy - 5), QPointF(17, cy - 13), QPointF(31, cy),
                           QPointF(17, cy + 13), QPointF(17, cy + 5), QPointF(4, cy + 5)}));
  p.restore();
}

void LaneLine(QPainter& p, QSizeF s, const QColor& c, bool left) {
  p.save();
  if (!left) {
    p.translate(s.width(), 0);
    p.scale(-1, 1);
  }
  // Three dashes of a lane marking seen in perspective, wider towards the viewer.
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  const qreal x0 = 7, y0 = 36, x1 = 24, y1 = 2;  // bottom and top of the line
  for (int i = 0; i < 3; ++i) {
    const qreal a = i / 3.0 + 0.02, b = (i + 1) / 3.0 - 0.07;
    const auto at = [&](qreal t, qreal half) {
      return QPointF(x0 + (x1 - x0) * t + half, y0 + (y1 - y0) * t);
    };
    const qreal wa = 4.5 - 3 * a, wb = 4.5 - 3 * b;
    p.drawPolygon(QPolygonF({at(a, -wa), at(a, wa), at(b, wb), at(b, -wb)}));
  }
  p.restore();
}

void Car(QPainter& p, QSizeF s, const QColor& c) {
  // The vehicle ahead, seen from behind.
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  QPainterPath body;
  body.moveTo(10, 17);
  body.lineTo(13, 7);
  body.quadTo(14, 5, 16.5, 5);
  body.lineTo(23.5, 5);
  body.quadTo(26, 5, 27, 7);
  body.lineTo(30, 17);
  body.lineTo(33, 18);
  body.quadTo(36, 19, 36, 22);
  body.lineTo(36, 29);
  body.lineTo(4, 29);
  body.lineTo(4, 22);
  body.quadTo(4, 19, 7, 18);
  body.closeSubpath();
  p.drawPath(body);
  p.drawRoundedRect(QRectF(6, 28, 6, 6), 1.5, 1.5);   // wheels
  p.drawRoundedRect(QRectF(28, 28, 6, 6), 1.5, 1.5);
  p.setBrush(QColor(44, 44, 44));
  p.drawPolygon(QPolygonF({QPointF(14.5, 16), QPointF(16.5, 8), QPointF(23.5, 8), QPointF(25.5, 16)}));
  p.drawRoundedRect(QRectF(7, 21, 6, 3), 1, 1);       // tail lights
  p.drawRoundedRect(QRectF(27, 21, 6, 3), 1, 1);
  p.drawRect(QRectF(16, 22, 8, 4));                   // number plate
  Q_UNUSED(s);
}

void Pedestrian(QPainter& p, QSizeF s, const QColor& c) {
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QPointF(18, 6.5), 3.6, 3.6);
  p.setPen(Stroke(c, 4));
  p.drawLine(QPointF(17, 13), QPointF(15, 23));            // body
  p.setPen(Stroke(c, 3));
  p.drawLine(QPointF(15, 23), QPointF(20, 29));            // front leg
  p.drawLine(QPointF(20, 29), QPointF(20.5, 35));
  p.drawLine(QPointF(15, 23), QPointF(11, 34));            // back leg
  p.drawLine(QPointF(17, 14), QPointF(11, 19));            // arms
  p.drawLine(QPointF(11, 19), QPointF(10, 23));
  p.drawLine(QPointF(17, 14), QPointF(22, 19));
  p.drawLine(QPointF(22, 19), QPointF(26, 20));
  Q_UNUSED(s);
}

void BrakePedal(QPainter& p, QSizeF s, const QColor& c) {
  // The dashboard brake symbol: a disc between two brackets with an exclamation mark.
  const QPointF m(s.width() / 2, s.height() / 2);
  p.setPen(Stroke(c, 2.6));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(m, 11, 11);
  p.drawArc(QRectF(m.x() - 17, m.y() - 15, 34, 30), 125 * 16, 110 * 16);
  p.drawArc(QRectF(m.x() - 17, m.y() - 15, 34, 30), -55 * 16, 110 * 16);
  p.setPen(Stroke(c, 3));
  p.drawLine(QPointF(m.x(), m.y() - 6), QPointF(m.x(), m.y() + 2));
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QPointF(m.x(), m.y() + 6), 1.7, 1.7);
}

void SpeedSign(QPainter& p, QSizeF s, int limit) {
  const QPointF m(s.width() / 2, s.height() / 2);
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawEllipse(m, 18.5, 18.5);
  p.setBrush(Qt::white);
  p.drawEllipse(m, 14, 14);
  QFont f = ArtFont(limit >= 100 ? 12 : 15, true);
  f.setStretch(limit >= 100 ? 85 : 100);
  p.setFont(f);
  p.setPen(QColor(20, 20, 20));
  p.drawText(QRectF(m.x() - 14, m.y() - 14, 28, 28), Qt::AlignCenter, QString::number(limit));
}

void EmptySign(QPainter& p, QSizeF s) {
  const QPointF m(s.width() / 2, s.height() / 2);
  p.setPen(QPen(kGrey, 3.5));
  p.setBrush(QColor(58, 58, 58));
  p.drawEllipse(m, 16.5, 16.5);
}

void Digit(QPainter& p, QSizeF s, int d, qreal pixelSize, const QColor& c) {
  Caption(p, QRectF(QPointF(0, 0), s), QString::number(d), c, pixelSize, true);
}

// The five driver states: a rounded tile with a line drawing in the state's colour.
void Tile(QPainter& p, QSizeF s, const QColor& c) {
  QColor fill = c;
  fill.setAlpha(40);
  p.setPen(QPen(c, 1.5));
  p.setBrush(fill);
  p.drawRoundedRect(QRectF(1, 1, s.width() - 2, s.height() - 2), 6, 6);
}

void Face(QPainter& p, QPointF m, qreal r, const QColor& c) {
  p.setPen(Stroke(c, 2.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(m, r, r);
}

void Drowsiness(QPainter& p, QSizeF s, const QColor& c) {
  Tile(p, s, c);
  const QPointF m(s.width() / 2 - 2, 30);
  Face(p, m, 13, c);
  p.setPen(Stroke(c, 2));
  p.drawArc(QRectF(m.x() - 9, m.y() - 6, 7, 6), 180 * 16, 180 * 16);  // closed eyes
  p.drawArc(QRectF(m.x() + 2, m.y() - 6, 7, 6), 180 * 16, 180 * 16);
  p.drawLine(QPointF(m.x() - 4, m.y() + 6), QPointF(m.x() + 4, m.y() + 6));
  Caption(p, QRectF(s.width() - 17, 4, 12, 12), QStringLiteral("z"), c, 12, true);
  Caption(p, QRectF(s.width() - 23, 10, 10, 10), QStringLiteral("z"), c, 9, true);
}

void Yawning(QPainter& p, QSizeF s, const QColor& c) {
  Tile(p, s, c);
  const QPointF m(s.width() / 2, 29);
  Face(p, m, 13, c);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QPointF(m.x() - 5, m.y() - 5), 1.7, 1.7);
  p.drawEllipse(QPointF(m.x() + 5, m.y() - 5), 1.7, 1.7);
  p.setPen(Stroke(c, 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(m.x(), m.y() + 5), 4, 5);  // wide open mouth
}

void PhoneCall(QPainter& p, QSizeF s, const QColor& c) {
  Tile(p, s, c);
  // A head in profile with a handset held to the ear.
  const QPointF m(17, 28);
  Face(p, m, 10, c);
  p.setPen(Stroke(c, 2));
  p.drawLine(QPointF(m.x() - 5, m.y() + 10), QPointF(m.x() - 7, m.y() + 17));  // neck
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  QPainterPath handset;
  handset.moveTo(26, 15);
  handset.cubicTo(37, 17, 37, 39, 26, 41);
  handset.lineTo(24.5, 36);
  handset.cubicTo(29, 34, 29, 22, 24.5, 20);
  handset.closeSubpath();
  p.drawPath(handset);
  p.drawRoundedRect(QRectF(22, 13.5, 6, 7), 2, 2);   // ear piece
  p.drawRoundedRect(QRectF(22, 35.5, 6, 7), 2, 2);   // mouth piece
  p.setPen(Stroke(c, 1.6));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(31, 12, 8, 8), 0, 90 * 16);        // ringing
  p.drawArc(QRectF(29, 9, 13, 13), 0, 90 * 16);
}

void Smoking(QPainter& p, QSizeF s, const QColor& c) {
  Tile(p, s, c);
  // A cigarette with its smoke.
  p.setPen(QPen(c, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(6, 33, 27, 6));
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRect(QRectF(6, 33, 8, 6));                    // filter
  p.drawRect(QRectF(35, 33, 3, 6));                   // glowing tip
  p.setPen(Stroke(c, 1.8));
  p.setBrush(Qt::NoBrush);
  QPainterPath smoke;
  smoke.moveTo(36.5, 29);
  smoke.cubicTo(32, 24, 40, 20, 35.5, 14);
  smoke.moveTo(31, 29);
  smoke.cubicTo(27, 25, 34, 21, 30, 16);
  p.drawPath(smoke);
}

void Distraction(QPainter& p, QSizeF s, const QColor& c) {
  Tile(p, s, c);
  // A steering wheel with a hand holding a phone above it.
  const QPointF w(20, 37);
  p.setPen(Stroke(c, 2.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(w, 11, 11);
  p.drawEllipse(w, 2.5, 2.5);
  p.drawLine(w + QPointF(-2.5, 0), w + QPointF(-11, 0));
  p.drawLine(w + QPointF(2.5, 0), w + QPointF(11, 0));
  p.drawLine(w + QPointF(0, 2.5), w + QPointF(0, 11));
  p.save();
  p.translate(30, 16);
  p.rotate(18);
  p.setPen(QPen(c, 1.6));
  p.setBrush(QColor(40, 40, 40));
  p.drawRoundedRect(QRectF(-5.5, -10, 11, 20), 2, 2);   // phone
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawRect(QRectF(-3.5, -7.5, 7, 12));               // lit screen
  p.restore();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QPointF(24, 23), 4, 3.2);              // thumb and palm holding it
  p.drawRoundedRect(QRectF(20.5, 22, 7, 7), 2.5, 2.5);
}

void AddPair(std::vector<ArtworkItem>& items, int activeId, int greyId, QSize size, const QColor& active,
             std::function<void(QPainter&, QSizeF, const QColor&)> draw) {
  items.push_back({ArtKind::Png, activeId, size, [=](QPainter& p, QSizeF s) { draw(p, s, active); }});
  items.push_back({ArtKind::Png, greyId, size, [=](QPainter& p, QSizeF s) { draw(p, s, kGrey); }});
}

}  // namespace

void AddVehiclePanelArt(std::vector<ArtworkItem>& items) {
  items.push_back({ArtKind::Png, 171, {240, 123}, AssistBackground});
  items.push_back({ArtKind::Png, 304, {240, 123}, MonitorBackground});
  items.push_back({ArtKind::Png, 179, {480, 123}, GraphGrid});

  const QSize icon(34, 38);
  AddPair(items, 172, 173, icon, kGreen, [](QPainter& p, QSizeF s, const QColor& c) { TurnArrow(p, s, c, true); });
  AddPair(items, 174, 175, icon, kGreen, [](QPainter& p, QSizeF s, const QColor& c) { TurnArrow(p, s, c, false); });
  AddPair(items, 251, 253, icon, kRed, [](QPainter& p, QSizeF s, const QColor& c) { LaneLine(p, s, c, true); });
  AddPair(items, 256, 258, icon, kRed, [](QPainter& p, QSizeF s, const QColor& c) { LaneLine(p, s, c, false); });

  const std::pair<int, QColor> cars[] = {{240, kRed}, {242, kOrange}, {246, kGreen}, {248, kGrey}};
  for (const auto& [id, colour] : cars)
    items.push_back({ArtKind::Png, id, {40, 38}, [c = colour](QPainter& p, QSizeF s) { Car(p, s, c); }});

  const std::pair<int, QColor> walkers[] = {{264, kGreen}, {169, kRed}, {170, kGrey}};
  for (const auto& [id, colour] : walkers)
    items.push_back({ArtKind::Png, id, icon, [c = colour](QPainter& p, QSizeF s) { Pedestrian(p, s, c); }});

  AddPair(items, 177, 178, {43, 38}, kRed, BrakePedal);

  for (int i = 0; i < 10; ++i) {
    const int limit = 30 + 10 * i;
    items.push_back({ArtKind::Png, 275 + i, {43, 38}, [limit](QPainter& p, QSizeF s) { SpeedSign(p, s, limit); }});
  }
  items.push_back({ArtKind::Png, 285, {43, 38}, EmptySign});

  for (int d = 0; d < 10; ++d) {
    items.push_back({ArtKind::Png, 180 + d, {11, 18}, [d](QPainter& p, QSizeF s) { Digit(p, s, d, 19, kBright); }});
    items.push_back({ArtKind::Png, 190 + d, {9, 12}, [d](QPainter& p, QSizeF s) { Digit(p, s, d, 12, kLine); }});
  }
  items.push_back({ArtKind::Png, 176, {39, 16}, [](QPainter& p, QSizeF s) {
                     Caption(p, QRectF(QPointF(0, 0), s), QStringLiteral("RPM"), kLine, 12, true);
                   }});
  items.push_back({ArtKind::Png, 267, {40, 18}, [](QPainter& p, QSizeF s) {
                     Caption(p, QRectF(QPointF(0, 0), s), QStringLiteral("km/h"), kLine, 13, true);
                   }});
  items.push_back({ArtKind::Png, 268, {40, 18}, [](QPainter& p, QSizeF s) {
                     Caption(p, QRectF(QPointF(0, 0), s), QStringLiteral("mph"), kLine, 13, true);
                   }});

  const QSize state(44, 53);
  AddPair(items, 305, 306, state, kRed, Drowsiness);
  AddPair(items, 307, 308, state, kRed, Yawning);
  AddPair(items, 309, 310, state, kRed, PhoneCall);
  AddPair(items, 311, 312, state, kRed, Smoking);
  AddPair(items, 313, 314, state, kRed, Distraction);
}
