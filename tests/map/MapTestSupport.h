#pragma once
// Helpers shared by the map tests: running script in a page and waiting for its answer.

#include <QString>
#include <QVariant>

class QWebEnginePage;
class QWebEngineView;

// Waits (events running) until the view has finished loading; false after `timeoutMs`.
bool WaitForLoad(QWebEngineView& view, int timeoutMs = 20000);

// Runs `script` in the page and returns its value (an invalid QVariant on timeout).
QVariant Evaluate(QWebEnginePage* page, const QString& script, int timeoutMs = 10000);

// Polls `script` until it yields true; false after `timeoutMs`.
bool WaitForScript(QWebEnginePage* page, const QString& script, int timeoutMs = 10000);
