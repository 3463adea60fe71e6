// The two map pages in a real web view, as they are copied beside the executable. This
// machine has no way to the tile servers, so every test sees the pages without tiles.
#include "CWebBrowser2.h"
#include "MapPage.h"
#include "MapTestSupport.h"

#include <QFileInfo>
#include <QCoreApplication>
#include <QImage>
#include <QStringList>
#include <QTest>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The marker's place on screen is the middle of the map, to the pixel.
constexpr const char* kMarkerCentred =
    "(function () { var p = vehicleMap.map.latLngToContainerPoint(vehicleMap.marker.getLatLng());"
    " var s = vehicleMap.map.getSize();"
    " return Math.abs(p.x - s.x / 2) <= 1 && Math.abs(p.y - s.y / 2) <= 1; })()";

constexpr std::uint16_t kEnglish = 1033, kJapanese = 1041, kKorean = 1042, kChinesePrc = 2052;

TEST(MapPage, ChineseInterfaceGetsTheChinaMapAndEveryOtherTheOpenStreetMap) {
  const struct {
    std::uint16_t language;
    const char* page;
  } cases[] = {
      {kChinesePrc, "html/baidumap.html"},
      {kEnglish, "html/openstreetmap.html"},
      {kKorean, "html/openstreetmap.html"},
      {kJapanese, "html/openstreetmap.html"},
      {0, "html/openstreetmap.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    EXPECT_STREQ(MapPageName(c.language), c.page);
    const QString location = MapPageLocation(c.language);
    EXPECT_TRUE(location.endsWith(QLatin1String(c.page))) << location.toStdString();
    EXPECT_TRUE(QFileInfo(location).isAbsolute());
    EXPECT_TRUE(QFileInfo::exists(location)) << "pages are copied beside the executable";
  }
}

// A browser with one of the pages loaded, the size of the Map section.
class LoadedPage {
public:
  explicit LoadedPage(std::uint16_t language) {
    browser.resize(360, 202);
    browser.show();
    browser.Navigate(MapPageLocation(language));
    loaded = WaitForLoad(browser);
  }
  QVariant Eval(const QString& script) { return Evaluate(browser.page(), script); }
  double Number(const QString& script) { return Eval(script).toDouble(); }

  CWebBrowser2 browser;
  bool loaded = false;
};

TEST(MapPage, ScriptsRunOnlyOnceThePageHasLoaded) {
  CWebBrowser2 browser;
  EXPECT_FALSE(browser.HasDocument());
  EXPECT_FALSE(browser.ExecScript(QStringLiteral("MapMove(1,2)")));
  browser.Navigate(MapPageLocation(kEnglish));
  EXPECT_FALSE(browser.HasDocument()) << "the load runs in the background";
  ASSERT_TRUE(WaitForLoad(browser));
  EXPECT_TRUE(browser.HasDocument());
  EXPECT_TRUE(browser.ExecScript(QStringLiteral("MapMove(1,2)")));
  EXPECT_TRUE(WaitForScript(browser.page(), QStringLiteral("vehicleMap.positions.length == 1")));
}

TEST(MapPage, MissingPageGivesADocumentWhereScriptsFailSilently) {
  CWebBrowser2 browser;
  browser.Navigate(QStringLiteral("/nonexistent/html/openstreetmap.html"));
  ASSERT_TRUE(WaitForLoad(browser));
  EXPECT_TRUE(browser.HasDocument());
  EXPECT_TRUE(browser.ExecScript(QStringLiteral("MapMove(1,2)")));
  EXPECT_FALSE(Evaluate(browser.page(), QStringLiteral("typeof MapMove == 'function'")).toBool());
}

TEST(MapPage, OpenStreetMapCentresTheMarkerAndDrawsTheRoute) {
  LoadedPage page(kEnglish);
  ASSERT_TRUE(page.loaded);
  EXPECT_TRUE(page.Eval(QStringLiteral("vehicleMap.map !== null")).toBool()) << "Leaflet runs";
  EXPECT_TRUE(page.Eval(QStringLiteral("document.querySelector('.leaflet-control-attribution')"
                                       ".textContent.indexOf('OpenStreetMap') >= 0"))
                  .toBool());

  const double route[][2] = {{37.5665, 126.978}, {37.5670, 126.9790}, {37.5680, 126.9801}};
  for (const auto& p : route)
    page.browser.ExecScript(QStringLiteral("MapMove(%1,%2)").arg(p[0], 0, 'f', 6).arg(p[1], 0, 'f', 6));
  ASSERT_TRUE(WaitForScript(page.browser.page(), QStringLiteral("vehicleMap.positions.length == 3")));

  EXPECT_DOUBLE_EQ(page.Number(QStringLiteral("vehicleMap.marker.getLatLng().lat")), 37.5680);
  EXPECT_DOUBLE_EQ(page.Number(QStringLiteral("vehicleMap.marker.getLatLng().lng")), 126.9801);
  EXPECT_TRUE(page.Eval(QString::fromLatin1(kMarkerCentred)).toBool());
  EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.route.getLatLngs().length")), 3);
  EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.map.getZoom()")), 16);
}

TEST(MapPage, PositionsThatAreNoPlaceAreRefused) {
  LoadedPage page(kEnglish);
  ASSERT_TRUE(page.loaded);
  const char* refused[] = {"MapMove(NaN,1)", "MapMove(1,Infinity)", "MapMove(91,0)",
                           "MapMove(0,-181)", "MapMove('x','y')", "MapMove()"};
  for (const char* script : refused) {
    SCOPED_TRACE(script);
    EXPECT_FALSE(page.Eval(QString::fromLatin1(script)).toBool());
  }
  EXPECT_TRUE(page.Eval(QStringLiteral("MapMove(-90,180)")).toBool());
  EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.positions.length")), 1);
}

// GPS positions are WGS-84; the China map's tiles are GCJ-02, which lies a few hundred
// metres off inside China and coincides with WGS-84 far from it.
TEST(MapPage, ChinaMapShiftsPositionsInsideChinaOnly) {
  LoadedPage page(kChinesePrc);
  ASSERT_TRUE(page.loaded);
  ASSERT_TRUE(page.Eval(QStringLiteral("vehicleMap.map !== null")).toBool());

  page.Eval(QStringLiteral("MapMove(39.908720,116.397480)"));  // Tiananmen, Beijing
  const double lat = page.Number(QStringLiteral("vehicleMap.marker.getLatLng().lat"));
  const double lon = page.Number(QStringLiteral("vehicleMap.marker.getLatLng().lng"));
  EXPECT_NEAR(lat - 39.908720, 0.0014, 0.0004);
  EXPECT_NEAR(lon - 116.397480, 0.0062, 0.0006);
  EXPECT_TRUE(page.Eval(QString::fromLatin1(kMarkerCentred)).toBool());

  page.Eval(QStringLiteral("MapMove(51.507400,-0.127800)"));  // London
  EXPECT_DOUBLE_EQ(page.Number(QStringLiteral("vehicleMap.marker.getLatLng().lat")), 51.5074);
  EXPECT_DOUBLE_EQ(page.Number(QStringLiteral("vehicleMap.marker.getLatLng().lng")), -0.1278);
  EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.positions[0][0]")), 39.90872)
      << "the page keeps the positions as given";
}

// Without tiles the section shows the plain background with the marker and the route on it.
TEST(MapPage, WithoutTilesTheMarkerAndRouteStillShow) {
  for (std::uint16_t language : {kEnglish, kChinesePrc}) {
    SCOPED_TRACE(language);
    LoadedPage page(language);
    ASSERT_TRUE(page.loaded);
    page.Eval(QStringLiteral("MapMove(37.5600,126.9700)"));
    page.Eval(QStringLiteral("MapMove(37.5665,126.9780)"));
    QImage shot;
    // The compositor paints a little after the script ran.
    for (int i = 0; i < 100; ++i) {
      QTest::qWait(50);
      shot = page.browser.grab().toImage().convertToFormat(QImage::Format_RGB32);
      const QColor centre = shot.pixelColor(shot.width() / 2, shot.height() / 2);
      if (centre.red() > 200 && centre.green() < 100) break;
    }
    const QColor centre = shot.pixelColor(shot.width() / 2, shot.height() / 2);
    EXPECT_GT(centre.red(), 200) << "marker at the centre";
    EXPECT_LT(centre.green(), 100);
    int routePixels = 0, backgroundPixels = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        if (c.blue() > 150 && c.red() < 80) ++routePixels;
        if (c == QColor(0xe8, 0xe4, 0xdc)) ++backgroundPixels;
      }
    EXPECT_GT(routePixels, 100) << "the route line";
    EXPECT_GT(backgroundPixels, shot.width() * shot.height() / 2) << "plain background";
  }
}


// A drive of 30 s north-east at rising speed through every band, with a 1.5 s stretch without
// a fix in the 60-80 km/h band: [tick, lat, lon, km/h].
QString SpeedRampRoute() {
  QStringList points;
  for (int tick = 0; tick <= 300; tick += 5) {
    if (tick > 170 && tick < 185) continue;
    points << QStringLiteral("[%1,%2,%3,%4]")
                  .arg(tick)
                  .arg(37.5600 + tick * 0.00002, 0, 'f', 6)
                  .arg(126.9700 + tick * 0.00003, 0, 'f', 6)
                  .arg(10 + tick * 0.35, 0, 'f', 1);
  }
  return QStringLiteral("{points:[%1]}").arg(points.join(','));
}

// The colours of the whole route's lines, in drawing order.
constexpr const char* kRouteColours =
    "(function () { var c = []; vehicleMap.whole.layer.eachLayer(function (l) { c.push(l.options.color); });"
    " return c.join(' '); })()";

TEST(MapPage, WholeRouteIsColouredBySpeedWithStartEndAndLegendOnBothPages) {
  for (std::uint16_t language : {kEnglish, kChinesePrc}) {
    SCOPED_TRACE(language);
    LoadedPage page(language);
    ASSERT_TRUE(page.loaded);
    page.Eval(QStringLiteral("MapMove(10,10)"));  // left over from the last recording
    ASSERT_TRUE(page.Eval(QStringLiteral("ShowRoute(%1)").arg(SpeedRampRoute())).toBool());

    // Bands 10-20-40-60-80-100 km/h: one line each, and the gap splits the 60-80 band's line.
    EXPECT_EQ(page.Eval(QString::fromLatin1(kRouteColours)).toString().toStdString(),
              "#7b1fa2 #1e88e5 #43a047 #f9a825 #f9a825 #ef6c00 #d32f2f");
    EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.positions.length")), 0) << "old positions forgotten";
    EXPECT_TRUE(page.Eval(QStringLiteral("vehicleMap.marker === null && vehicleMap.route === null")).toBool());
    EXPECT_TRUE(page.Eval(QStringLiteral("vehicleMap.map.getBounds().contains(vehicleMap.whole.layer.getBounds())"))
                    .toBool())
        << "the whole route in view";
    EXPECT_EQ(page.Number(QStringLiteral("document.querySelectorAll('.route-legend span').length")), 6);
    EXPECT_EQ(page.Number(QStringLiteral("document.querySelectorAll('path.leaflet-interactive').length")), 9)
        << "7 route lines, start and end";

    // Playback then moves only the marker, at the route's zoom.
    const double zoom = page.Number(QStringLiteral("vehicleMap.map.getZoom()"));
    page.Eval(QStringLiteral("MapMove(37.5610,126.9715)"));
    page.Eval(QStringLiteral("MapMove(37.5620,126.9730)"));
    EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.map.getZoom()")), zoom);
    EXPECT_TRUE(page.Eval(QString::fromLatin1(kMarkerCentred)).toBool());
    EXPECT_TRUE(page.Eval(QStringLiteral("vehicleMap.route === null")).toBool()) << "no second line";

    // The next recording replaces route and marker.
    page.Eval(QStringLiteral("ShowRoute({points:[[0,35.1,129.0,50],[10,35.1001,129.0001,50]]})"));
    EXPECT_EQ(page.Eval(QString::fromLatin1(kRouteColours)).toString().toStdString(), "#43a047");
    EXPECT_EQ(page.Number(QStringLiteral("document.querySelectorAll('path.leaflet-interactive').length")), 3);
    EXPECT_TRUE(page.Eval(QStringLiteral("vehicleMap.marker === null")).toBool());
  }
}

TEST(MapPage, RecordingWithoutAPositionSaysSo) {
  LoadedPage page(kEnglish);
  ASSERT_TRUE(page.loaded);
  page.Eval(QStringLiteral("ShowRoute(%1)").arg(SpeedRampRoute()));
  page.Eval(QStringLiteral("ShowRoute({points:[], message:'No GPS position in this recording'})"));
  EXPECT_EQ(page.Eval(QStringLiteral("document.querySelector('.route-note').textContent")).toString(),
            QStringLiteral("No GPS position in this recording"));
  EXPECT_EQ(page.Number(QStringLiteral("document.querySelectorAll('path.leaflet-interactive').length")), 0)
      << "no stale lines";
  EXPECT_EQ(page.Number(QStringLiteral("document.querySelectorAll('.route-legend').length")), 0);
  page.Eval(QStringLiteral("ShowRoute(%1)").arg(SpeedRampRoute()));
  EXPECT_EQ(page.Number(QStringLiteral("document.querySelectorAll('.route-note').length")), 0);
}

// A click on a line gives the moment of the nearest point: of this recording, or of the trip
// recording the line belongs to.
TEST(MapPage, ClickOnARouteGivesTheMomentClicked) {
  LoadedPage page(kEnglish);
  ASSERT_TRUE(page.loaded);
  page.Eval(QStringLiteral("ShowRoute(%1)").arg(SpeedRampRoute()));
  page.Eval(QStringLiteral("AddTripRoute({id:7, points:[[0,37.5620,126.9760,50],[10,37.5640,126.9770,50],"
                           "[20,37.5650,126.9775,50]]})"));
  const struct {
    const char* click;  // a place on a line
    int tick;
    int trip;  // -1: this recording
  } cases[] = {
      {"[37.5600 + 120 * 0.00002, 126.9700 + 120 * 0.00003]", 120, -1},
      {"[37.5600 + 251 * 0.00002, 126.9700 + 251 * 0.00003]", 250, -1},
      {"[37.5640, 126.9770]", 10, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.click);
    // Leaflet's own click on the line's path, at the place's pixel.
    page.Eval(QStringLiteral("(function () { var at = vehicleMap.map.latLngToContainerPoint(%1);"
                             " var r = vehicleMap.map.getContainer().getBoundingClientRect();"
                             " var target = document.elementFromPoint(r.left + at.x, r.top + at.y);"
                             " target.dispatchEvent(new MouseEvent('click', {bubbles: true, clientX: r.left + at.x,"
                             " clientY: r.top + at.y})); })()")
                  .arg(QLatin1String(c.click)));
    EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.lastClick ? vehicleMap.lastClick.tick : -1")), c.tick);
    EXPECT_EQ(page.Number(QStringLiteral("vehicleMap.lastClick && vehicleMap.lastClick.trip !== null ? "
                                         "vehicleMap.lastClick.trip : -1")),
              c.trip);
    page.Eval(QStringLiteral("vehicleMap.lastClick = null"));
  }
}

// Without tiles the whole route still shows, in its colours, on the plain background.
TEST(MapPage, WholeRouteShowsWithoutTiles) {
  LoadedPage page(kEnglish);
  ASSERT_TRUE(page.loaded);
  page.Eval(QStringLiteral("ShowRoute(%1)").arg(SpeedRampRoute()));
  QImage shot;
  int green = 0, red = 0;
  for (int i = 0; i < 100 && (green < 20 || red < 20); ++i) {
    QTest::qWait(50);
    shot = page.browser.grab().toImage().convertToFormat(QImage::Format_RGB32);
    green = red = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const QColor c = shot.pixelColor(x, y);
        if (std::abs(c.red() - 0x43) < 30 && std::abs(c.green() - 0xa0) < 30 && std::abs(c.blue() - 0x47) < 30) ++green;
        if (std::abs(c.red() - 0xd3) < 30 && std::abs(c.green() - 0x2f) < 30 && std::abs(c.blue() - 0x2f) < 30) ++red;
      }
  }
  const QString file = QCoreApplication::applicationDirPath() + QStringLiteral("/map-whole-route-offline.png");
  EXPECT_TRUE(shot.save(file));
  EXPECT_GE(green, 20) << "40-60 km/h stretch; screenshot in " << file.toStdString();
  EXPECT_GE(red, 20) << "100+ km/h stretch";
}

}  // namespace
