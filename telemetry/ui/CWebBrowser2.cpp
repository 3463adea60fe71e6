#include "CWebBrowser2.h"

#include <QUrl>
#include <QWebEnginePage>

CWebBrowser2::CWebBrowser2(QWidget* parent) : QWebEngineView(parent) {
  // Until the page paints, show the pane's own grey rather than a white flash.
  page()->setBackgroundColor(QColor(100, 100, 100));
  setContextMenuPolicy(Qt::NoContextMenu);
  connect(this, &QWebEngineView::loadFinished, this, [this](bool) { m_hasDocument = true; });
}

void CWebBrowser2::Navigate(const QString& path, bool tiles) {
  m_hasDocument = false;
  QUrl url = QUrl::fromLocalFile(path);
  if (!tiles) url.setQuery(QStringLiteral("tiles=0"));
  load(url);
}

bool CWebBrowser2::ExecScript(const QString& script) {
  if (!m_hasDocument) return false;
  page()->runJavaScript(script);
  return true;
}
