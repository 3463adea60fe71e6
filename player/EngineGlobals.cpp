#include "EngineGlobals.h"

#include "Engine.h"

EngineGlobals engine_globals;

void telemetry_store(int32_t tick, std::string text) {
  std::lock_guard lock(engine_globals.telemetry_mutex);
  engine_globals.telemetry_map[tick] = std::move(text);
}

bool telemetry_lookup(int32_t tick, std::string* text) {
  std::lock_guard lock(engine_globals.telemetry_mutex);
  auto it = engine_globals.telemetry_map.find(tick);
  if (it == engine_globals.telemetry_map.end()) return false;
  *text = it->second;
  return true;
}

void telemetry_clear() {
  std::lock_guard lock(engine_globals.telemetry_mutex);
  engine_globals.telemetry_map.clear();
}

size_t telemetry_size() {
  std::lock_guard lock(engine_globals.telemetry_mutex);
  return engine_globals.telemetry_map.size();
}

void post_message(unsigned message, int64_t wparam, int64_t lparam, std::string text) {
  PlayerNotifier* notifier = player_globals.main_window.load();
  if (!notifier) return;
  PlayerMessage m;
  m.message = message;
  m.wparam = wparam;
  m.lparam = lparam;
  m.text = std::move(text);
  m.owner = player_globals.owner.load();
  notifier->post(std::move(m));
}
