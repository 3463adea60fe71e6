#include "CFrontViewerDlg.h"

#include "CViewerCtlDlg.h"
#include "DrawPngResource.h"
#include "EvidenceTools.h"
#include "Player.h"
#include "VideoSurface.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QLabel>
#include <QPixmap>
#include <QMouseEvent>
#include <QPainter>

#include <memory>

CFrontViewerDlg::CFrontViewerDlg(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::ClickFocus);
  resize(720, 405);
  m_videoSurface = new VideoSurface(this);
  m_videoSurface->setObjectName(QStringLiteral("ctl%1").arg(kSurfaceId));
  m_videoSurface->setGeometry(0, 0, 720, 405);
  player_globals.video_hwnd = m_videoSurface->nativeId();
  // A surface keeps no pixels of its own: once uncovered it shows what covered it until the
  // engine draws again, which a paused playback would not do by itself.
  connect(m_videoSurface, &VideoSurface::exposed, this, [] {
    if (player_globals.playing) redraw_video();
  });

  // The native surface covers whatever the pane paints, and it must stay mapped for the engine
  // to draw into it. While nothing plays the placeholder picture therefore lies over it in a
  // native window of its own, as large as the pane (full screen too), the picture at its own
  // size in the top-left corner.
  m_placeholder = new QLabel(this);
  m_placeholder->setAttribute(Qt::WA_NativeWindow);
  m_placeholder->setGeometry(rect());
  m_placeholder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_placeholder->setPixmap(QPixmap::fromImage(LoadPngResource(157)));
  m_placeholder->setStyleSheet(QStringLiteral("background-color: rgb(100, 100, 100)"));
  m_placeholder->raise();
}

void CFrontViewerDlg::PlaybackStarted() { m_placeholder->hide(); }

void CFrontViewerDlg::PlaybackStopped() {
  m_placeholder->show();
  m_placeholder->raise();
}

void CFrontViewerDlg::resizeEvent(QResizeEvent*) {
  if (m_placeholder) m_placeholder->setGeometry(rect());
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
    case Qt::Key_Period:
    case Qt::Key_Comma:
    case Qt::Key_S:
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
      emit keyCommand(event->key());
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

QMenu* CFrontViewerDlg::EvidenceMenu() {
  auto* menu = new QMenu(this);
  const bool playing = player_globals.playing != 0;
  const EvidenceTools::Command commands[] = {EvidenceTools::NextFrame, EvidenceTools::PreviousFrame,
                                             EvidenceTools::Snapshot,  EvidenceTools::ClipStart,
                                             EvidenceTools::ClipEnd,   EvidenceTools::ExportClip,
                                             EvidenceTools::ExportGpsTrack};
  for (const EvidenceTools::Command c : commands) {
    if (c == EvidenceTools::Snapshot || c == EvidenceTools::ClipStart || c == EvidenceTools::ExportGpsTrack)
      menu->addSeparator();
    QAction* action = menu->addAction(EvidenceTools::Text(c));
    action->setEnabled(playing);
    connect(action, &QAction::triggered, this, [this, c] { emit evidenceCommand(c); });
  }
  return menu;
}

void CFrontViewerDlg::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(EvidenceMenu());
  menu->exec(event->globalPos());
}

void CFrontViewerDlg::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) setFocus(Qt::MouseFocusReason);
  QWidget::mousePressEvent(event);
}
