#include "CFrontViewerDlg.h"

#include "CViewerCtlDlg.h"
#include "DrawPngResource.h"
#include "Player.h"
#include "VideoSurface.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CFrontViewerDlg::CFrontViewerDlg(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  resize(720, 405);
  m_videoSurface = new VideoSurface(this);
  m_videoSurface->setObjectName(QStringLiteral("ctl%1").arg(kSurfaceId));
  m_videoSurface->setGeometry(0, 0, 720, 405);
  player_globals.video_hwnd = m_videoSurface->nativeId();
}

void CFrontViewerDlg::paintEvent(QPaintEvent*) {
  if (m_controlPanel && m_controlPanel->shown_paused()) return;
  // The placeholder is drawn at its own size, also in the enlarged full-screen pane.
  QPainter painter(this);
  DrawPngResourceAtOwnSize(painter, 157, 0, 0);
}

void CFrontViewerDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Space:
    case Qt::Key_Left:
    case Qt::Key_Right:
      emit keyCommand(event->key());
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CFrontViewerDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) setFocus(Qt::MouseFocusReason);
  QWidget::mousePressEvent(event);
}
