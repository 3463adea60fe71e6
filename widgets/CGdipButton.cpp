#include "CGdipButton.h"

#include "CaptureParentBackground.h"
#include "DrawPngResource.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

CGdipButton::CGdipButton(QWidget* parent) : QAbstractButton(parent) {
  // The windows that hold these buttons handle the keyboard themselves.
  setFocusPolicy(Qt::NoFocus);
  connect(this, &QAbstractButton::clicked, this, [this] { m_togglePending = false; });
}

bool CGdipButton::LoadResourceImage(QImage& image, int id, const char* type) {
  if (std::strcmp(type, "PNG") == 0)
    image = LoadPngResource(id);
  else if (std::strcmp(type, "BITMAP") == 0)
    image = LoadBitmapResource(id);
  else
    image = QImage();
  return !image.isNull();
}

bool CGdipButton::LoadStandardImage(int id, const char* type) {
  return LoadResourceImage(m_imgStandard, id, type);
}

bool CGdipButton::LoadAlternateImage(int id, const char* type) {
  m_hasAlternate = true;
  return LoadResourceImage(m_imgAlternate, id, type);
}

void CGdipButton::EnableToggleMode(bool flag) {
  if (m_hasAlternate) m_toggleMode = flag;
}

void CGdipButton::FlipToggleState() {
  m_toggled = !m_toggled;
  m_pCurrent = ShowsAlternate() ? kAlternatePressed : kStandardPressed;
  // Only this immediate paint shows the pressed picture; later paints follow the state.
  m_paintCurrent = true;
  repaint();
  m_paintCurrent = false;
}

int CGdipButton::HoverChannel(int value) {
  const float v = value / 255.0f * 1.05f + 0.05f;
  return std::clamp(static_cast<int>(std::lround(v * 255.0f)), 0, 255);
}

QImage CGdipButton::Compose(const QImage& image, Look look) const {
  QImage picture = m_background;
  QPainter p(&picture);
  switch (look) {
    case Look::Normal:
      p.drawImage(QPoint(0, 0), image);
      break;
    case Look::Pressed:
      p.drawImage(QPoint(1, 1), image);
      break;
    case Look::Hover: {
      // The colour matrix works on straight (not premultiplied) colour; alpha is unchanged.
      QImage bright = image.convertToFormat(QImage::Format_ARGB32);
      for (int y = 0; y < bright.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(bright.scanLine(y));
        for (int x = 0; x < bright.width(); ++x) {
          const QRgb c = line[x];
          line[x] = qRgba(HoverChannel(qRed(c)), HoverChannel(qGreen(c)), HoverChannel(qBlue(c)), qAlpha(c));
        }
      }
      p.drawImage(QPoint(0, 0), bright);
      break;
    }
  }
  return picture;
}

void CGdipButton::PreRender() {
  if (m_rendered || m_imgStandard.isNull()) return;
  if (m_background.isNull()) m_background = CaptureParentBackground(*this);
  if (m_pictures[kStandardNormal].isNull()) {
    m_pictures[kStandardNormal] = Compose(m_imgStandard, Look::Normal);
    m_pictures[kStandardPressed] = Compose(m_imgStandard, Look::Pressed);
    m_pictures[kStandardHover] = Compose(m_imgStandard, Look::Hover);
  }
  if (m_hasAlternate) {
    m_pictures[kAlternateNormal] = Compose(m_imgAlternate, Look::Normal);
    m_pictures[kAlternatePressed] = Compose(m_imgAlternate, Look::Pressed);
    m_pictures[kAlternateHover] = Compose(m_imgAlternate, Look::Hover);
  }
  m_rendered = true;
}

// Without an alternate image the standard set stands in for it, so a toggled button never
// shows an empty picture.
bool CGdipButton::ShowsAlternate() const {
  return m_toggled && m_hasAlternate;
}

CGdipButton::Picture CGdipButton::Choose() const {
  const bool alternate = ShowsAlternate();
  if (isDown()) return alternate ? kAlternatePressed : kStandardPressed;
  if (m_hovering) return alternate ? kAlternateHover : kStandardHover;
  return alternate ? kAlternateNormal : kStandardNormal;
}

void CGdipButton::paintEvent(QPaintEvent*) {
  PreRender();
  if (!m_rendered) return;  // no standard image: the area keeps what lies behind it
  if (m_paintCurrent)
    m_paintCurrent = false;
  else
    m_pCurrent = Choose();
  QPainter(this).drawImage(QPoint(0, 0), m_pictures[m_pCurrent]);
}

void CGdipButton::enterEvent(QEnterEvent* event) {
  if (isEnabled()) {
    m_hovering = true;
    update();
  }
  QAbstractButton::enterEvent(event);
}

void CGdipButton::leaveEvent(QEvent* event) {
  m_hovering = false;
  update();
  QAbstractButton::leaveEvent(event);
}

// In toggle mode a press swaps the image sets at once, so the pressed picture already shows
// the new set; a press that ends without a click (released outside) swaps them back, so the
// shown image always matches the number of clicks.
void CGdipButton::mousePressEvent(QMouseEvent* event) {
  if (m_toggleMode && event->button() == Qt::LeftButton && hitButton(event->position().toPoint())) {
    m_toggled = !m_toggled;
    m_togglePending = true;
  }
  QAbstractButton::mousePressEvent(event);
}

void CGdipButton::mouseReleaseEvent(QMouseEvent* event) {
  QAbstractButton::mouseReleaseEvent(event);  // a click clears m_togglePending
  if (m_togglePending && !isDown()) {
    m_togglePending = false;
    m_toggled = !m_toggled;
    update();
  }
}

// The second press of a double click is a press like any other, so two quick clicks are two
// clicks.
void CGdipButton::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
}
