// Video-pane placeholders, the list area's background, the list tabs and the rear pane's
// header bars. Tabs and headers are opaque bitmaps with their caption; the Korean tabs are
// one pixel lower than the English ones.
#include "ArtStyle.h"
#include "ArtworkCatalog.h"

using namespace art;

namespace {

// A camera outline centred at c, w pixels wide.
void CameraGlyph(QPainter& p, QPointF c, qreal w, const QColor& colour) {
  const qreal h = w * 0.62;
  const QRectF body(c.x() - w / 2, c.y() - h / 2, w * 0.74, h);
  p.setPen(Stroke(colour, w / 22));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(body, w / 12, w / 12);
  QPolygonF lens({QPointF(body.right() + w * 0.04, c.y() - h * 0.18),
                  QPointF(c.x() + w / 2, c.y() - h * 0.42), QPointF(c.x() + w / 2, c.y() + h * 0.42),
                  QPointF(body.right() + w * 0.04, c.y() + h * 0.18)});
  p.drawPolygon(lens);
  p.drawEllipse(QPointF(body.left() + w * 0.2, body.top() + h * 0.26), w * 0.05, w * 0.05);
}

void Placeholder(QPainter& p, QSizeF s, const QString& caption, qreal scale) {
  const QRectF r(QPointF(0, 0), s);
  QRadialGradient g(r.center(), s.width() * 0.7);
  g.setColorAt(0, QColor(58, 58, 58));
  g.setColorAt(1, QColor(36, 36, 36));
  p.fillRect(r, g);
  CameraGlyph(p, QPointF(s.width() / 2, s.height() / 2 - 18 * scale), 84 * scale, QColor(96, 96, 96));
  Caption(p, QRectF(0, s.height() / 2 + 26 * scale, s.width(), 30 * scale), caption, kLine, 20 * scale,
          true);
}

void FrontPlaceholder(QPainter& p, QSizeF s) { Placeholder(p, s, QStringLiteral("FRONT CAMERA"), 1.4); }
void RearPlaceholder(QPainter& p, QSizeF s) { Placeholder(p, s, QStringLiteral("REAR CAMERA"), 0.8); }

void NoNetwork(QPainter& p, QSizeF s) {
  const QRectF r(QPointF(0, 0), s);
  QRadialGradient g(r.center(), s.width() * 0.7);
  g.setColorAt(0, QColor(58, 58, 58));
  g.setColorAt(1, QColor(36, 36, 36));
  p.fillRect(r, g);
  // A globe, struck through.
  const QPointF c(s.width() / 2, 66);
  p.setPen(Stroke(QColor(110, 110, 110), 2.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, 30, 30);
  p.drawEllipse(c, 13, 30);
  p.drawLine(c + QPointF(-30, 0), c + QPointF(30, 0));
  p.drawLine(c + QPointF(-26, -15), c + QPointF(26, -15));
  p.drawLine(c + QPointF(-26, 15), c + QPointF(26, 15));
  p.setPen(Stroke(kRed, 4));
  p.drawLine(c + QPointF(-30, 30), c + QPointF(30, -30));
  Caption(p, QRectF(0, 112, s.width(), 24), QStringLiteral("No network connection"), kLine, 17, true);
  Caption(p, QRectF(0, 138, s.width(), 20), QStringLiteral("네트워크에 연결되어 있지 않습니다"), kLine, 14);
  Caption(p, QRectF(0, 166, s.width(), 18), QStringLiteral("The map is shown when the PC is online at start-up."),
          kDim, 11);
}

void ListArea(QPainter& p, QSizeF s) {
  VerticalGradient(p, QRectF(QPointF(0, 0), s), QColor(84, 84, 84), QColor(74, 74, 74));
}

void Tab(QPainter& p, QSizeF s, const QString& caption, bool highlighted) {
  const QRectF r(QPointF(0, 0), s);
  if (highlighted) {
    VerticalGradient(p, r, QColor(118, 118, 118), QColor(98, 98, 98));
    p.fillRect(QRectF(0, s.height() - 3, s.width(), 3), kLine);
    Caption(p, r.adjusted(0, 0, 0, -2), caption, kBright, 14, true);
  } else {
    VerticalGradient(p, r, QColor(70, 70, 70), QColor(60, 60, 60));
    p.fillRect(QRectF(0, s.height() - 1, s.width(), 1), QColor(84, 84, 84));
    Caption(p, r.adjusted(0, 0, 0, -2), caption, QColor(150, 150, 150), 14, true);
  }
  // Separators between neighbouring tabs.
  p.fillRect(QRectF(0, 0, 1, s.height()), QColor(50, 50, 50));
  p.fillRect(QRectF(s.width() - 1, 0, 1, s.height()), QColor(50, 50, 50));
}

void Header(QPainter& p, QSizeF s, const QString& caption) {
  const QRectF r(QPointF(0, 0), s);
  VerticalGradient(p, r, QColor(76, 76, 76), QColor(62, 62, 62));
  p.fillRect(QRectF(0, 0, s.width(), 1), QColor(96, 96, 96));
  p.fillRect(QRectF(0, s.height() - 1, s.width(), 1), QColor(44, 44, 44));
  p.fillRect(QRectF(0, 12, 3, s.height() - 24), kLine);
  Caption(p, QRectF(16, 0, s.width() - 50, s.height()), caption, kLine, 15, true,
          Qt::AlignLeft | Qt::AlignVCenter);
  // A chevron: clicking the bar opens its section.
  p.setPen(Stroke(kLine, 2));
  p.drawLine(QPointF(s.width() - 26, s.height() / 2 - 3), QPointF(s.width() - 21, s.height() / 2 + 2));
  p.drawLine(QPointF(s.width() - 21, s.height() / 2 + 2), QPointF(s.width() - 16, s.height() / 2 - 3));
}

void AddTab(std::vector<ArtworkItem>& items, int id, QSize size, const char* caption, bool highlighted) {
  const QString text = QString::fromUtf8(caption);
  items.push_back({ArtKind::Bitmap, id, size,
                   [text, highlighted](QPainter& p, QSizeF s) { Tab(p, s, text, highlighted); }});
}

void AddHeader(std::vector<ArtworkItem>& items, int id, const char* caption) {
  const QString text = QString::fromUtf8(caption);
  items.push_back({ArtKind::Bitmap, id, {360, 43}, [text](QPainter& p, QSizeF s) { Header(p, s, text); }});
}

}  // namespace

void AddPaneArt(std::vector<ArtworkItem>& items) {
  items.push_back({ArtKind::Png, 157, {720, 405}, FrontPlaceholder});
  items.push_back({ArtKind::Png, 168, {360, 203}, RearPlaceholder});
  items.push_back({ArtKind::Png, 261, {360, 203}, NoNetwork});
  items.push_back({ArtKind::Png, 207, {360, 318}, ListArea});

  const QSize en(120, 34), ko(120, 33);
  AddTab(items, 230, en, "Normal", false);
  AddTab(items, 228, en, "Normal", true);
  AddTab(items, 235, en, "Event", false);
  AddTab(items, 232, en, "Event", true);
  AddTab(items, 243, en, "User", false);
  AddTab(items, 239, en, "User", true);
  AddTab(items, 210, ko, "일반", false);
  AddTab(items, 211, ko, "일반", true);
  AddTab(items, 213, ko, "이벤트", false);
  AddTab(items, 212, ko, "이벤트", true);
  AddTab(items, 215, ko, "수동", false);
  AddTab(items, 214, ko, "수동", true);
  AddTab(items, 290, en, "DSM", false);  // both languages
  AddTab(items, 289, en, "DSM", true);

  AddHeader(items, 247, "Map");
  AddHeader(items, 216, "지도");
  AddHeader(items, 254, "Rear Camera");
  AddHeader(items, 270, "Front Camera");
  AddHeader(items, 217, "후방 카메라");
  AddHeader(items, 269, "전방 카메라");
}
