#pragma once
// The embedded browser of the rear pane's Map section: a web view that loads one local page
// and runs script text in it. Until a page has finished loading there is no document, and
// scripts are not run (they would land in the empty start page).

#include <QWebEngineView>

class CWebBrowser2 : public QWebEngineView {
  Q_OBJECT
public:
  explicit CWebBrowser2(QWidget* parent = nullptr);

  // Starts loading the local file at `path` in the background; nothing waits for it. Without
  // `tiles` the page is told (by the query "tiles=0") to draw on its plain background only.
  void Navigate(const QString& path, bool tiles = true);
  // True once a navigation has finished, with the page or with the browser's error page.
  bool HasDocument() const { return m_hasDocument; }
  // Runs `script` in the document, discarding its result; false, and nothing run, without a
  // document. A failing script (no such function) fails inside the page, silently.
  bool ExecScript(const QString& script);

private:
  bool m_hasDocument = false;
};
