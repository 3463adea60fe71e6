#include "QueuedCall.h"

std::mutex& queued_call_mutex() {
  static std::mutex mutex;
  return mutex;
}
