#pragma once
// A window message of the viewer's own range (0x414..0x41C) delivered as a posted Qt event.
// It is posted on the receiver's own thread; from another thread it goes as a queued call
// (QueuedCall.h) that delivers it, in posting order either way. The receiving widget
// dispatches on `message` in its event() override. The event owns a copy of any text it
// carries, so receivers never see the sender's memory.

#include <QEvent>

#include <cstdint>
#include <string>

class QObject;

class ViewerMessage : public QEvent {
public:
  ViewerMessage(unsigned message, int64_t wparam, int64_t lparam, std::string text = {});

  // The event type shared by every viewer message (registered once with Qt).
  static QEvent::Type eventType();

  // Posts a message to `receiver`; safe from any thread. Returns false without posting when
  // there is no receiver.
  static bool post(QObject* receiver, unsigned message, int64_t wparam = 0, int64_t lparam = 0,
                   std::string text = {});

  unsigned message = 0;
  int64_t wparam = 0;
  int64_t lparam = 0;
  std::string text;
};
