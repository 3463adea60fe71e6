#include "CBitmapButton.h"

#include "DrawPngResource.h"

#include <QPainter>

CBitmapButton::CBitmapButton(QWidget* parent) : QAbstractButton(parent) {
  setFocusPolicy(Qt::NoFocus);
}

bool CBitmapButton::LoadBitmaps(int id) {
  m_id = id;
  m_bitmap = LoadBitmapResource(id);
  update();
  return !m_bitmap.isNull();
}

void CBitmapButton::paintEvent(QPaintEvent*) {
  if (!m_bitmap.isNull()) QPainter(this).drawImage(QPoint(0, 0), m_bitmap);
}
