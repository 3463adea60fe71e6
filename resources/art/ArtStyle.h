// Colours, fonts and small drawing helpers shared by every piece of the viewer's artwork,
// so that all images keep one look: dark greys, light grey text and outlines, and
// green/orange/red for active indicators with grey for inactive ones.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QString>

namespace art {

inline const QColor kPanel(100, 100, 100);       // title bar, control panel
inline const QColor kPanelDark(72, 72, 72);      // tab strip, headers
inline const QColor kPanelDeep(48, 48, 48);      // vehicle panel, placeholders
inline const QColor kPanelDeepest(34, 34, 34);   // graph
inline const QColor kLine(184, 184, 184);        // text and outlines
inline const QColor kBright(236, 236, 236);      // values and highlighted captions
inline const QColor kDim(120, 120, 120);         // inactive captions
inline const QColor kGreen(64, 200, 96);
inline const QColor kOrange(245, 150, 35);
inline const QColor kRed(230, 58, 48);
inline const QColor kGrey(118, 118, 118);        // inactive indicators

// Latin text in an Arial-metric face; Hangul falls back to Nanum.
inline QFont ArtFont(qreal pixelSize, bool bold = false) {
  QFont font;
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("NanumGothic"),
                    QStringLiteral("NanumBarunGothic")});
  font.setPixelSize(qRound(pixelSize));
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

inline void Caption(QPainter& p, const QRectF& r, const QString& text, const QColor& colour,
                    qreal pixelSize, bool bold = false, int flags = Qt::AlignCenter) {
  p.save();
  p.setFont(ArtFont(pixelSize, bold));
  p.setPen(colour);
  p.drawText(r, flags, text);
  p.restore();
}

inline QPen Stroke(const QColor& colour, qreal width) {
  QPen pen(colour, width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

inline void VerticalGradient(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(r, g);
}

}  // namespace art
