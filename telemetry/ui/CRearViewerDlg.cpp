#include "CRearViewerDlg.h"

#include "CBitmapButton.h"
#include "DrawPngResource.h"
#include "Player.h"
#include "VideoSurface.h"
#include "ViewerConfig.h"

#include <QPainter>

namespace {

constexpr uint16_t kKorean = 1042;

}  // namespace

CRearViewerDlg::CRearViewerDlg(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  resize(360, 288);
  if (ui_language == kKorean) {
    m_mapHeaderImage = 216;
    m_viewerHeaderImage = 217;
  }

  m_viewerHeader = new CBitmapButton(this);
  m_viewerHeader->setObjectName(QStringLiteral("ctl%1").arg(kViewerHeader));
  m_mapHeader = new CBitmapButton(this);
  m_mapHeader->setObjectName(QStringLiteral("ctl%1").arg(kMapHeader));
  m_videoSurface = new VideoSurface(this);
  m_videoSurface->setObjectName(QStringLiteral("ctl%1").arg(kVideoSurface));

  player_globals.video2_hwnd = m_videoSurface->nativeId();

  m_viewerHeader->setGeometry(0, 0, 360, 43);
  m_videoSurface->setGeometry(0, 43, 360, 202);
  m_mapHeader->setGeometry(0, 43, 360, 43);
  m_viewerHeader->LoadBitmaps(m_viewerHeaderImage);
  m_mapHeader->LoadBitmaps(m_mapHeaderImage);
  m_videoSurface->setVisible(!m_mapAvailable);
  m_videoSurface->setEnabled(!m_mapAvailable);
  m_viewerHeader->show();
  m_mapHeader->show();
  m_mapHeader->raise();

  connect(m_viewerHeader, &QAbstractButton::clicked, this, &CRearViewerDlg::ShowViewer);
  connect(m_mapHeader, &QAbstractButton::clicked, this, &CRearViewerDlg::ShowMap);
}

void CRearViewerDlg::SelectRearView(int has_second_video) {
  if (QWidget* swap = window()->findChild<QWidget*>(QStringLiteral("ctl1019")))
    swap->setEnabled(has_second_video == 1);
  if (has_second_video == 1)
    ShowViewer();
  else
    ShowMap();
}

void CRearViewerDlg::ShowViewer() {
  if (m_viewerMode == 1) return;
  m_viewerMode = 1;
  m_videoSurface->hide();
  m_mapHeader->hide();
  m_mapHeader->setGeometry(0, 245, 360, 43);
  m_videoSurface->setEnabled(true);
  m_videoSurface->show();
  m_mapHeader->show();
  update();
}

void CRearViewerDlg::ShowMap() {
  if (m_viewerMode == 0) return;
  m_viewerMode = 0;
  m_videoSurface->hide();
  m_mapHeader->hide();
  m_mapHeader->setGeometry(0, 43, 360, 43);
  m_mapHeader->show();
  m_videoSurface->setEnabled(false);
  update();
}

void CRearViewerDlg::ToggleViewerHeader() {
  m_viewerHeader->hide();
  if (ui_language == kKorean)
    m_viewerHeaderImage = m_viewerHeaderImage == 217 ? 269 : 217;
  else
    m_viewerHeaderImage = m_viewerHeaderImage == 254 ? 270 : 254;
  m_viewerHeader->LoadBitmaps(m_viewerHeaderImage);
  m_viewerHeader->show();
}

void CRearViewerDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), QColor(100, 100, 100));
  if (m_viewerMode == 1 || m_mapAvailable)
    DrawPngResourceAtOwnSize(painter, 168, 0, 43);
  else
    DrawPngResourceAtOwnSize(painter, 261, 0, 86);
}
