// Follows the vehicle on a Leaflet map: a marker kept at the centre of the map and the route
// travelled so far drawn as a line. A page includes this file, calls startVehicleMap() with
// its tile source, and the viewer then calls MapMove(latitude, longitude) with each GPS
// position (WGS-84 decimal degrees).
//
// The map must stay usable without tiles (no network): the container has a plain background,
// failed tiles draw nothing, and the marker and the route are vector layers that need no
// download. Should the library itself be missing, MapMove still records the positions.
"use strict";

var vehicleMap = {
  map: null,
  marker: null,
  route: null,
  positions: [],  // every accepted position, as the viewer gave it
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
  L.tileLayer(options.tileUrl, options.tileOptions).addTo(map);
  vehicleMap.map = map;
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
    // The route is added first so that the marker stays on top of it.
    vehicleMap.route = L.polyline([at], { color: "#1565c0", weight: 4, opacity: 0.85 }).addTo(map);
    vehicleMap.marker = L.circleMarker(at, {
      radius: 8, color: "#ffffff", weight: 2, fillColor: "#e53935", fillOpacity: 1
    }).addTo(map);
    map.setView(at, vehicleMap.followZoom, { animate: false });
  } else {
    vehicleMap.route.addLatLng(at);
    vehicleMap.marker.setLatLng(at);
    // Moves come at most twice a second, a few metres apart: a jump reads as smooth enough
    // and keeps the marker exactly centred.
    map.setView(at, map.getZoom(), { animate: false });
  }
  return true;
}
