#pragma once
// Queues a call to the thread of `context` (for a widget, the user-interface thread) from any
// thread; the call is dropped when `context` is destroyed first. Qt's event queue already
// orders the call after whatever the posting thread did before posting. The mutex, held while
// posting and taken again when the call runs, states that order where ThreadSanitizer sees it:
// it cannot look inside the Qt libraries, which are not built with it.

#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <utility>

std::mutex& queued_call_mutex();

template <typename F>
void post_queued_call(QObject* context, F call) {
  std::lock_guard lock(queued_call_mutex());
  QMetaObject::invokeMethod(
      context,
      [call = std::move(call)]() mutable {
        { std::lock_guard taken(queued_call_mutex()); }
        call();
      },
      Qt::QueuedConnection);
}
