// A one-line text label for texts that change many times a second (the backup status line):
// every paint composes the whole label off screen, button-face background and black text in
// the parent's font, and puts it on the window in one piece.
#pragma once

#include <QString>
#include <QWidget>

class CNoFlickerStatic : public QWidget {
  Q_OBJECT

public:
  explicit CNoFlickerStatic(QWidget* parent = nullptr);

  // Stores the text and schedules a repaint.
  void SetDisplayText(const QString& text);
  const QString& DisplayText() const { return m_text; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QString m_text;
};
