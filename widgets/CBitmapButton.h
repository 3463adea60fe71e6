// A button that shows one bitmap resource (":/bmp/<id>.png") at its own size from its
// top-left corner, in every state: the list tabs and the rear pane's section headers.
// Loading another bitmap repaints the button with it.
#pragma once

#include <QAbstractButton>
#include <QImage>

class CBitmapButton : public QAbstractButton {
  Q_OBJECT

public:
  explicit CBitmapButton(QWidget* parent = nullptr);

  // False, with the button showing nothing of its own, when the bitmap is missing.
  bool LoadBitmaps(int id);
  int BitmapId() const { return m_id; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  int m_id = 0;
  QImage m_bitmap;
};
