#include "CNoFlickerStatic.h"

#include <QImage>
#include <QPainter>

CNoFlickerStatic::CNoFlickerStatic(QWidget* parent) : QWidget(parent) {
  // The paint covers every pixel, so Qt need not erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CNoFlickerStatic::SetDisplayText(const QString& text) {
  m_text = text;
  update();
}

void CNoFlickerStatic::paintEvent(QPaintEvent*) {
  QImage picture(size(), QImage::Format_ARGB32_Premultiplied);
  picture.fill(palette().color(QPalette::Button));
  {
    QPainter p(&picture);
    p.setFont(parentWidget() ? parentWidget()->font() : font());
    p.setPen(Qt::black);
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, m_text);
  }
  QPainter(this).drawImage(QPoint(0, 0), picture);
}
