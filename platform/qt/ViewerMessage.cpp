#include "ViewerMessage.h"

#include "QueuedCall.h"

#include <QCoreApplication>
#include <QThread>

#include <utility>

ViewerMessage::ViewerMessage(unsigned message_, int64_t wparam_, int64_t lparam_, std::string text_)
    : QEvent(eventType()), message(message_), wparam(wparam_), lparam(lparam_), text(std::move(text_)) {}

QEvent::Type ViewerMessage::eventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool ViewerMessage::post(QObject* receiver, unsigned message, int64_t wparam, int64_t lparam,
                         std::string text) {
  if (!receiver) return false;
  if (receiver->thread() == QThread::currentThread()) {
    QCoreApplication::postEvent(receiver, new ViewerMessage(message, wparam, lparam, std::move(text)));
    return true;
  }
  // From another thread the message travels as a queued call, which keeps its place among the
  // thread's other posted events and calls, and is delivered when the call runs.
  post_queued_call(receiver, [receiver, message, wparam, lparam, text = std::move(text)]() mutable {
    ViewerMessage event(message, wparam, lparam, std::move(text));
    QCoreApplication::sendEvent(receiver, &event);
  });
  return true;
}
