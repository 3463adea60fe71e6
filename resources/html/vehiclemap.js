// Follows the vehicle on a Leaflet map: a marker kept at the centre of the map and the route
// travelled so far drawn as a line. A page includes this file, calls startVehicleMap() with
// its tile source, and the viewer then calls MapMove(latitude, longitude) with each GPS
// position (WGS-84 decimal degrees).
//
// Once the viewer has scanned a recording it hands the whole route over with ShowRoute(): the
// route coloured by speed, its start and end, and a legend; the routes of the recordings
// before and after it on the same trip come with AddTripRoute(), in a lighter tone. A click on
// a route tells the viewer the moment clicked, through the web channel object "viewer".
//
// The map must stay usable without tiles (no network): the container has a plain background,
// failed tiles draw nothing, and the marker and the route are vector layers that need no
// download. A viewer without a connection loads the page with the query "tiles=0": no tile is
// then asked for at all. Should the library itself be missing, MapMove still records the
// positions.
"use strict";

var vehicleMap = {
  map: null,
  marker: null,
  route: null,      // the line of the positions given by MapMove, without a whole route
  positions: [],  // every accepted position, as the viewer gave it
  whole: null,      // the recording's whole route: {points, layer}
  trips: [],        // routes of the trip's other recordings: {id, points, layer}
  legend: null,
  tiles: null,      // the tile layer; none when the viewer has no connection
  note: null,       // a message shown over the map (a recording without a position)
  viewer: null,     // the viewer's web channel object, once connected
  // Turns a WGS-84 position into the datum of the page's tiles; identity by default.
  toTileDatum: function (lat, lon) { return [lat, lon]; }
};

// options: center [lat, lon] and zoom of the view before the first position, followZoom the
// zoom taken at the first position, tileUrl and tileOptions for L.tileLayer, and optionally
// toTileDatum.
function startVehicleMap(options) {
  if (options.toTileDatum) vehicleMap.toTileDatum = options.toTileDatum;
  vehicleMap.followZoom = options.followZoom;
  if (typeof L === "undefined") return;
  var map = L.map("map", { zoomControl: true, attributionControl: true });
  map.setView(options.center, options.zoom);
  if (!/(^\?|&)tiles=0(&|$)/.test(window.location.search))
    vehicleMap.tiles = L.tileLayer(options.tileUrl, options.tileOptions).addTo(map);
  // The tile source's credit alone: the section is small and the speed legend shares its foot.
  map.attributionControl.setPrefix(false);
  vehicleMap.map = map;
  if (typeof QWebChannel !== "undefined" && typeof qt !== "undefined")
    new QWebChannel(qt.webChannelTransport, function (channel) { vehicleMap.viewer = channel.objects.viewer; });
}

function MapMove(latitude, longitude) {
  var lat = Number(latitude), lon = Number(longitude);
  if (!isFinite(lat) || !isFinite(lon) || lat < -90 || lat > 90 || lon < -180 || lon > 180)
    return false;
  vehicleMap.positions.push([lat, lon]);
  var map = vehicleMap.map;
  if (!map) return true;

  var at = vehicleMap.toTileDatum(lat, lon);
  if (!vehicleMap.marker) {
    // The line is added first so that the marker stays on top of it. With the whole route
    // shown there is no line to draw, and the view keeps the route's zoom.
    if (!vehicleMap.whole)
      vehicleMap.route = L.polyline([at], { color: "#1565c0", weight: 4, opacity: 0.85 }).addTo(map);
    vehicleMap.marker = L.circleMarker(at, {
      radius: 8, color: "#ffffff", weight: 2, fillColor: "#e53935", fillOpacity: 1
    }).addTo(map);
    map.setView(at, vehicleMap.whole ? map.getZoom() : vehicleMap.followZoom, { animate: false });
  } else {
    if (vehicleMap.route) vehicleMap.route.addLatLng(at);
    vehicleMap.marker.setLatLng(at);
    // Moves come at most twice a second, a few metres apart: a jump reads as smooth enough
    // and keeps the marker exactly centred.
    map.setView(at, map.getZoom(), { animate: false });
  }
  return true;
}

// Speed bands of the route's colours: upper bounds in km/h, and the legend's label (the lower bound).
var SPEED_BANDS = [
  { upTo: 20, color: "#7b1fa2", label: "0" },
  { upTo: 40, color: "#1e88e5", label: "20" },
  { upTo: 60, color: "#43a047", label: "40" },
  { upTo: 80, color: "#f9a825", label: "60" },
  { upTo: 100, color: "#ef6c00", label: "80" },
  { upTo: Infinity, color: "#d32f2f", label: "100" }
];
var TRIP_COLOR = "#90a4ae";
// Points further apart than this (in tenths of a second) are not joined: no position between.
var ROUTE_GAP_TICKS = 10;

function speedBand(kmh) {
  for (var i = 0; i < SPEED_BANDS.length; ++i)
    if (kmh < SPEED_BANDS[i].upTo) return i;
  return SPEED_BANDS.length - 1;
}

// The nearest point of `points` ([tick, lat, lon, kmh]) to a clicked place, as its tick.
function nearestTick(points, latlng) {
  var best = null, bestDistance = Infinity;
  for (var i = 0; i < points.length; ++i) {
    var at = vehicleMap.toTileDatum(points[i][1], points[i][2]);
    var d = vehicleMap.map.distance(latlng, at);
    if (d < bestDistance) { bestDistance = d; best = points[i][0]; }
  }
  return best;
}

// Called with the tick clicked on a route and the trip route's id (null: this recording's).
function routeClicked(tick, tripId) {
  vehicleMap.lastClick = { tick: tick, trip: tripId };
  if (!vehicleMap.viewer) return;
  if (tripId === null) vehicleMap.viewer.seekToTick(tick);
  else vehicleMap.viewer.openTripAt(tripId, tick);
}

// Lines of `points`, split at gaps; coloured by speed band, or all in `color`.
function routeLayer(points, color, tripId) {
  var group = L.featureGroup();
  var line = null, lineBand = -1, previous = null;
  for (var i = 0; i < points.length; ++i) {
    var p = points[i];
    var at = vehicleMap.toTileDatum(p[1], p[2]);
    var band = color ? 0 : speedBand(p[3]);
    var joined = previous && p[0] - previous[0] <= ROUTE_GAP_TICKS;
    if (!line || !joined || band !== lineBand) {
      var start = joined ? [vehicleMap.toTileDatum(previous[1], previous[2]), at] : [at];
      line = L.polyline(start, {
        color: color || SPEED_BANDS[band].color, weight: color ? 4 : 5, opacity: color ? 0.6 : 0.95
      }).addTo(group);
      lineBand = band;
    } else {
      line.addLatLng(at);
    }
    previous = p;
  }
  group.on("click", function (e) { routeClicked(nearestTick(points, e.latlng), tripId); });
  return group;
}

function showNote(text) {
  if (vehicleMap.note) { vehicleMap.note.remove(); vehicleMap.note = null; }
  if (!text || !vehicleMap.map) return;
  var note = L.control({ position: "topright" });
  note.onAdd = function () {
    var div = L.DomUtil.create("div", "route-note");
    div.style.cssText = "background:#ffffffd0;padding:2px 6px;font:11px sans-serif;border-radius:3px";
    div.textContent = text;
    return div;
  };
  vehicleMap.note = note.addTo(vehicleMap.map);
}

function showLegend() {
  if (vehicleMap.legend || !vehicleMap.map) return;
  var legend = L.control({ position: "bottomleft" });
  legend.onAdd = function () {
    var div = L.DomUtil.create("div", "route-legend");
    div.style.cssText = "background:#ffffffd0;padding:1px 4px;font:9px sans-serif;border-radius:3px";
    var html = "km/h ";
    for (var i = 0; i < SPEED_BANDS.length; ++i)
      html += '<span style="display:inline-block;width:8px;height:8px;margin:0 1px 0 3px;background:' +
              SPEED_BANDS[i].color + '"></span>' + SPEED_BANDS[i].label;
    div.innerHTML = html;
    return div;
  };
  vehicleMap.legend = legend.addTo(vehicleMap.map);
}

// Forgets everything of the last recording: routes, marker, line and note.
function ClearMap() {
  vehicleMap.positions = [];
  vehicleMap.whole = null;
  vehicleMap.trips = [];
  vehicleMap.lastClick = null;
  if (!vehicleMap.map) return true;
  vehicleMap.map.eachLayer(function (layer) {
    if (!(layer instanceof L.TileLayer)) vehicleMap.map.removeLayer(layer);
  });
  vehicleMap.marker = null;
  vehicleMap.route = null;
  if (vehicleMap.legend) { vehicleMap.legend.remove(); vehicleMap.legend = null; }
  showNote(null);
  return true;
}

// The recording's whole route: route.points is [[tick, lat, lon, kmh], ...] in time order,
// positions with a fix only; route.message is shown when there are none.
function ShowRoute(route) {
  ClearMap();
  var points = route.points || [];
  vehicleMap.whole = { points: points, layer: null };
  if (!vehicleMap.map) return true;
  if (points.length === 0) {
    showNote(route.message || "");
    return true;
  }
  var layer = routeLayer(points, null, null).addTo(vehicleMap.map);
  vehicleMap.whole.layer = layer;
  var first = points[0], last = points[points.length - 1];
  L.circleMarker(vehicleMap.toTileDatum(first[1], first[2]), {
    radius: 5, color: "#ffffff", weight: 2, fillColor: "#2e7d32", fillOpacity: 1
  }).bindTooltip("Start").addTo(vehicleMap.map);
  L.circleMarker(vehicleMap.toTileDatum(last[1], last[2]), {
    radius: 5, color: "#ffffff", weight: 2, fillColor: "#212121", fillOpacity: 1
  }).bindTooltip("End").addTo(vehicleMap.map);
  showLegend();
  vehicleMap.map.fitBounds(layer.getBounds(), { paddingTopLeft: [40, 16], paddingBottomRight: [16, 30], animate: false });
  return true;
}

// The route of another recording of the same trip; `route.id` comes back with its clicks.
function AddTripRoute(route) {
  var points = route.points || [];
  var trip = { id: route.id, points: points, layer: null };
  vehicleMap.trips.push(trip);
  if (!vehicleMap.map || points.length === 0) return true;
  trip.layer = routeLayer(points, TRIP_COLOR, route.id).addTo(vehicleMap.map);
  trip.layer.bringToBack();
  return true;
}
