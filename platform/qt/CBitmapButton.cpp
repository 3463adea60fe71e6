#include "CBitmapButton.h"

#include <QPainter>

CBitmapButton::CBitmapButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
}

bool CBitmapButton::LoadBitmaps(int id) {
  m_id = id;
  m_pixmap = QPixmap(QStringLiteral(":/bmp/%1.png").arg(id));
  update();
  return !m_pixmap.isNull();
}

QSize CBitmapButton::sizeHint() const { return m_pixmap.isNull() ? QSize(120, 34) : m_pixmap.size(); }

void CBitmapButton::paintEvent(QPaintEvent*) {
  if (m_pixmap.isNull()) return;
  QPainter painter(this);
  painter.drawPixmap(0, 0, m_pixmap);
}
