#pragma once
// What the map page reaches as the web channel object "viewer": a click on a route comes back
// as the moment clicked, of the recording being played or of another recording of its trip.

#include <QObject>

class MapViewerBridge : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;

public slots:
  // Called by the page; `tick` in tenths of a second of the recording.
  void seekToTick(int tick);
  void openTripAt(int id, int tick);

signals:
  void seekRequested(int tick);
  void tripRequested(int id, int tick);
};
