#include "MapTestSupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

bool WaitForLoad(QWebEngineView& view, int timeoutMs) {
  QEventLoop loop;
  bool finished = false;
  auto connection = QObject::connect(&view, &QWebEngineView::loadFinished, &loop, [&](bool) {
    finished = true;
    loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  loop.exec();
  QObject::disconnect(connection);
  return finished;
}

QVariant Evaluate(QWebEnginePage* page, const QString& script, int timeoutMs) {
  // Shared with the callback, which may come after a timeout gave up on it.
  auto loop = std::make_shared<QEventLoop>();
  auto result = std::make_shared<QVariant>();
  auto done = std::make_shared<bool>(false);
  page->runJavaScript(script, [loop, result, done](const QVariant& v) {
    *result = v;
    *done = true;
    loop->quit();
  });
  if (!*done) {
    QTimer::singleShot(timeoutMs, loop.get(), &QEventLoop::quit);
    loop->exec();
  }
  return *done ? *result : QVariant();
}

bool WaitForScript(QWebEnginePage* page, const QString& script, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < timeoutMs) {
    if (Evaluate(page, script).toBool()) return true;
    QTest::qWait(20);
  }
  return false;
}
