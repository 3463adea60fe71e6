#include "ViewerMessage.h"

#include <QCoreApplication>

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
  QCoreApplication::postEvent(receiver, new ViewerMessage(message, wparam, lparam, std::move(text)));
  return true;
}
