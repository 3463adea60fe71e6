// The two map pages in a real web view, as they are copied beside the executable. This
// machine has no way to the tile servers, so every test sees the pages without tiles.
#include "CWebBrowser2.h"
#include "MapPage.h"
#include "MapTestSupport.h"

#include <QFileInfo>
#include <QImage>
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

}  // namespace
