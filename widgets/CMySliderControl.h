// A horizontal track bar skinned for the viewer: the parent's background (captured once, at
// the first paint) with a thin RGB(100, 100, 100) frame around the channel and an elliptical
// thumb. A left click jumps straight to the clicked position instead of paging.
//
// Notifications to the owner mirror the Windows track bar's horizontal-scroll message as
// HScroll(request, position):
//  - after every left click, exactly one HScroll(0, 4), delivered later through the event
//    queue (like a posted message) and sent even when the position did not change; the 4
//    sits in the position field, so the owner reads the new position from value();
//  - while the thumb is dragged, HScroll(5, position) (thumb track) on every move.
//
// Clip range: a translucent band over the channel between a start and an end position, with a
// bar at each end, for the part of a recording marked for export; either end may be set alone.
//
// Marks: small coloured ticks at given positions (the moments of a recording worth finding),
// above the channel and through it, under the thumb; hovering one shows its text.
#pragma once

#include <QColor>
#include <QImage>
#include <QSlider>
#include <QString>

#include <vector>

class CMySliderControl : public QSlider {
  Q_OBJECT

public:
  explicit CMySliderControl(QWidget* parent = nullptr);

  // The channel as a Windows rectangle: pixels left .. right - 1, top .. bottom - 1.
  struct Channel {
    int left, top, right, bottom;
  };
  Channel ChannelRect() const;
  QRect ThumbRect() const;
  // The channel column of `position` (where the thumb's centre would be).
  int ColumnOf(int position) const;

  struct Mark {
    int position = 0;  // in the slider's range
    QColor colour;
    QString text;  // shown when hovered
  };
  void SetMarks(std::vector<Mark> marks);
  const std::vector<Mark>& Marks() const { return m_marks; }

  // The clip's start and end in the slider's range; -1 for an end not set.
  void SetClipRange(int start, int end);
  int ClipStart() const { return m_clipStart; }
  int ClipEnd() const { return m_clipEnd; }

  // The position a click at x gives on a channel from left to right (right exclusive):
  // the minimum left of it, maximum - 1 at or right of its right edge, otherwise the nearest
  // step, with the last channel pixel giving the maximum. An empty or inverted range keeps
  // `current` inside the channel; an empty channel keeps `current` everywhere.
  static int PositionForClick(int x, int left, int right, int minimum, int maximum, int current);

signals:
  void HScroll(int request, int position);

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  int PositionForDrag(int x) const;

  QImage m_background;
  QColor m_thumbColor{184, 184, 184};
  QColor m_thumbPressedColor;  // invalid: the system's button highlight colour
  bool m_dragging = false;
  int m_dragOffset = 0;  // press x minus the thumb centre
  std::vector<Mark> m_marks;
  int m_clipStart = -1;
  int m_clipEnd = -1;
};
