#include "MapViewerBridge.h"

void MapViewerBridge::seekToTick(int tick) { emit seekRequested(tick); }

void MapViewerBridge::openTripAt(int id, int tick) { emit tripRequested(id, tick); }
