#pragma once
// A push button that shows one bitmap resource (":/bmp/<id>.png") and nothing else, the
// counterpart of the dialog framework's bitmap button used for the list tabs and the rear
// pane's section headers.

#include <QAbstractButton>
#include <QPixmap>

class CBitmapButton : public QAbstractButton {
  Q_OBJECT
public:
  explicit CBitmapButton(QWidget* parent = nullptr);

  // Shows bitmap `id`; returns false (and shows nothing) when the resource is missing.
  bool LoadBitmaps(int id);
  int bitmapId() const { return m_id; }

  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent*) override;

private:
  QPixmap m_pixmap;
  int m_id = 0;
};
