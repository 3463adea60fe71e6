#include "CMySliderControl.h"

#include "CaptureParentBackground.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cstdlib>

#include <cstdint>

namespace {

constexpr int kChannelMargin = 8;   // from each end of the control to the channel
constexpr int kChannelHeight = 6;
constexpr int kThumbWidth = 11;
constexpr int kThumbMaxHeight = 16;
const QColor kFrameColour(100, 100, 100);
constexpr int kMarkHalfWidth = 1;  // a mark is 3 pixels wide
const QColor kClipBand(240, 180, 40, 150);  // the marked clip, over the channel
const QColor kClipEdge(240, 180, 40);
constexpr int kMarkHoverDistance = 3;

}  // namespace

CMySliderControl::CMySliderControl(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setFocusPolicy(Qt::NoFocus);
}

CMySliderControl::Channel CMySliderControl::ChannelRect() const {
  const int top = height() / 2 - kChannelHeight / 2;
  return {kChannelMargin, top, width() - kChannelMargin, top + kChannelHeight};
}

int CMySliderControl::ColumnOf(int position) const {
  const Channel c = ChannelRect();
  const int span = c.right - c.left - 1;
  if (maximum() <= minimum() || span <= 0) return c.left;
  const std::int64_t range = std::int64_t(maximum()) - minimum();
  return c.left + int((std::int64_t(position) - minimum()) * span * 2 / range + 1) / 2;
}

QRect CMySliderControl::ThumbRect() const {
  const int centre = ColumnOf(sliderPosition());
  const int h = std::min(height() - 4, kThumbMaxHeight);
  return QRect(centre - kThumbWidth / 2, (height() - h) / 2, kThumbWidth, h);
}

void CMySliderControl::SetMarks(std::vector<Mark> marks) {
  m_marks = std::move(marks);
  update();
}

bool CMySliderControl::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const Mark* nearest = nullptr;
    int distance = kMarkHoverDistance + 1;
    for (const Mark& m : m_marks) {
      const int d = std::abs(ColumnOf(m.position) - help->pos().x());
      if (d < distance) distance = d, nearest = &m;
    }
    if (nearest)
      QToolTip::showText(help->globalPos(), nearest->text, this);
    else
      QToolTip::hideText();
    return true;
  }
  return QSlider::event(event);
}

int CMySliderControl::PositionForClick(int x, int left, int right, int minimum, int maximum, int current) {
  if (left >= right) return current;
  if (x < left) return minimum;
  if (x >= right) return maximum - 1;
  if (minimum >= maximum) return current;
  const std::int64_t span = std::int64_t(right) - left - 1;
  if (span == 0) return maximum;  // a one-pixel channel: its only pixel is the last
  return int(minimum + ((std::int64_t(maximum) - minimum) * (x - left) + span / 2) / span);
}

int CMySliderControl::PositionForDrag(int x) const {
  const Channel c = ChannelRect();
  if (x >= c.right - 1) return maximum();
  return PositionForClick(x, c.left, c.right, minimum(), maximum(), sliderPosition());
}

void CMySliderControl::SetClipRange(int start, int end) {
  m_clipStart = start;
  m_clipEnd = end;
  update();
}

void CMySliderControl::paintEvent(QPaintEvent*) {
  if (m_background.isNull()) m_background = CaptureParentBackground(*this);
  QPainter p(this);
  p.drawImage(QPoint(0, 0), m_background);

  // Channel frame: one pixel inside the channel rectangle.
  const Channel c = ChannelRect();
  const QRect frame(c.left + 1, c.top + 1, c.right - c.left - 2, c.bottom - c.top - 2);
  if (frame.width() > 0 && frame.height() > 0) {
    p.fillRect(frame.x(), frame.y(), frame.width(), 1, kFrameColour);
    p.fillRect(frame.x(), frame.bottom(), frame.width(), 1, kFrameColour);
    p.fillRect(frame.x(), frame.y(), 1, frame.height(), kFrameColour);
    p.fillRect(frame.right(), frame.y(), 1, frame.height(), kFrameColour);
  }

  // Clip range: a band over the channel from the start to the end (to the channel's ends for one
  // not set), and a bar at each end that is set.
  if (m_clipStart >= 0 || m_clipEnd >= 0) {
    const int from = m_clipStart >= 0 ? ColumnOf(m_clipStart) : c.left;
    const int to = m_clipEnd >= 0 ? ColumnOf(m_clipEnd) : c.right - 1;
    p.fillRect(QRect(QPoint(std::min(from, to), c.top + 1), QPoint(std::max(from, to), c.bottom - 2)), kClipBand);
    for (const int end : {m_clipStart, m_clipEnd})
      if (end >= 0) p.fillRect(ColumnOf(end) - 1, 0, 3, height(), kClipEdge);
  }

  // Marks: from the top of the control down through the channel.
  for (const Mark& m : m_marks)
    p.fillRect(ColumnOf(m.position) - kMarkHalfWidth, 1, 2 * kMarkHalfWidth + 1, c.bottom - 2, m.colour);

  // Thumb: a filled ellipse with a thin dark outline.
  QColor fill = isSliderDown() ? m_thumbPressedColor : m_thumbColor;
  if (!fill.isValid()) fill = palette().color(isSliderDown() ? QPalette::Light : QPalette::Button);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(ThumbRect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

void CMySliderControl::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QSlider::mousePressEvent(event);
    return;
  }
  const QPoint at = event->position().toPoint();
  const Channel c = ChannelRect();
  if (c.left < c.right)
    setValue(PositionForClick(at.x(), c.left, c.right, minimum(), maximum(), value()));
  QMetaObject::invokeMethod(this, [this] { emit HScroll(0, 4); }, Qt::QueuedConnection);
  // The press now starts a drag if it lies over the thumb.
  const QRect thumb = ThumbRect();
  if (thumb.contains(at)) {
    m_dragging = true;
    m_dragOffset = at.x() - thumb.center().x();
    setSliderDown(true);
  }
  update();
  event->accept();
}

void CMySliderControl::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragging) {
    event->ignore();
    return;
  }
  const int position = PositionForDrag(event->position().toPoint().x() - m_dragOffset);
  if (position != sliderPosition()) {
    setSliderPosition(position);
    emit HScroll(5, sliderPosition());
  }
  event->accept();
}

void CMySliderControl::mouseReleaseEvent(QMouseEvent* event) {
  if (m_dragging && event->button() == Qt::LeftButton) {
    m_dragging = false;
    setSliderDown(false);
    update();
  }
  event->accept();
}
