// GPX and CSV of generated drives read back: the GPX with an XML parser, the CSV field by field
// against the scripted drive; and the recording's start time turned into UTC.
#include "ExportFixture.h"

#include "CsvWriter.h"
#include "RecordingClock.h"
#include "TelemetryExport.h"
#include "TelemetryScript.h"

#include <QFile>
#include <QXmlStreamReader>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using recgen::TelemetryForm;

// Central European time with its daylight saving rules, spelled out so that no zone database
// is needed.
class LocalZone {
public:
  explicit LocalZone(const char* tz)
  {
    if (const char* old = std::getenv("TZ"))
      old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~LocalZone()
  {
    if (old_.empty())
      unsetenv("TZ");
    else
      setenv("TZ", old_.c_str(), 1);
    tzset();
  }

private:
  std::string old_;
};
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

TEST(RecordingClock, TheNamesLocalTimeBecomesUtcWithTheZonesDaylightSaving)
{
  LocalZone zone(kCentralEurope);
  const struct {
    const char* name;
    const char* utc;  // of the start plus 12.3 s; empty: no start time
  } cases[] = {
      {"/card/Normal/20261210_100001_N.mp4", "2026-12-10T09:00:13.3Z"},  // winter: UTC+1
      {"20260710_235959_E.mp4", "2026-07-10T22:00:11.3Z"},               // summer: UTC+2
      {"20260101_003000_M.avi", "2025-12-31T23:30:12.3Z"},               // across the year
      {"clip.mp4", ""},
      {"20261310_100001_N.mp4", ""},  // month 13
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto start = RecordingStartUtc(c.name);
    ASSERT_EQ(start.has_value(), *c.utc != '\0');
    if (start) {
      EXPECT_EQ(FormatUtcTime(*start, 123), c.utc);
    }
  }
  EXPECT_EQ(RecordingBaseName("/a/b.c/20261210_100001_N.mp4"), "20261210_100001_N");
}

struct GpxPoint {
  double lat = 0, lon = 0, speed = -1;
  std::string time;
};

// The segments of a GPX document, read with Qt's XML parser; fails the test on malformed XML.
std::vector<std::vector<GpxPoint>> ReadGpx(const std::string& path)
{
  QFile file(QString::fromStdString(path));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  std::vector<std::vector<GpxPoint>> segments;
  int tracks = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement)
      continue;
    const QStringView name = xml.name();
    if (name == u"gpx") {
      EXPECT_EQ(xml.namespaceUri(), u"http://www.topografix.com/GPX/1/1");
      EXPECT_EQ(xml.attributes().value("version"), u"1.1");
    } else if (name == u"trk") {
      ++tracks;
    } else if (name == u"trkseg") {
      segments.emplace_back();
    } else if (name == u"trkpt") {
      GpxPoint p;
      p.lat = xml.attributes().value("lat").toDouble();
      p.lon = xml.attributes().value("lon").toDouble();
      segments.back().push_back(p);
    } else if (name == u"time") {
      segments.back().back().time = xml.readElementText().toStdString();
    } else if (name == u"speed") {
      segments.back().back().speed = xml.readElementText().toDouble();
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(tracks, 1);
  return segments;
}

// Two recordings, one of each form, in list order: a segment each, a point per tenth with a
// fix (the drive's short tunnel is left out), at the scripted position, speed and UTC time.
TEST_F(ExportFixture, GpxHoldsTheScriptedPointsAndTimesOneSegmentPerRecording)
{
  LocalZone zone(kCentralEurope);
  const auto first = Drive(TelemetryForm::Csv, 3, 18);  // 19.5-20 s of the drive has no fix
  const auto second = Drive(TelemetryForm::Json, 2, 4);
  const std::vector<std::string> inputs = {Write("20260710_120000_N.mp4", first),
                                           Write("20260710_120003_N.mp4", second)};
  const std::string out = (dir_ / "trip.gpx").string();
  std::string error;
  ASSERT_TRUE(ExportTelemetry(TelemetryFormat::Gpx, out, inputs, &error)) << error;

  const auto segments = ReadGpx(out);
  ASSERT_EQ(segments.size(), 2u);
  const recgen::RecordingSpec* specs[] = {&first, &second};
  const int start_seconds[] = {0, 3};  // 12:00:00 and 12:00:03 summer time
  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE(s);
    const recgen::RecordingSpec& spec = *specs[s];
    std::size_t n = 0;
    for (int tick = 0; tick < spec.durationSeconds * 10; ++tick) {
      const recgen::DriveState d = recgen::DriveAt(spec.script, spec.script.startSeconds + tick / 10.0);
      if (d.gpsFix <= 1)
        continue;
      SCOPED_TRACE(tick);
      ASSERT_LT(n, segments[s].size());
      const GpxPoint& p = segments[s][n++];
      EXPECT_NEAR(p.lat, d.latitude, 1e-6);
      EXPECT_NEAR(p.lon, d.longitude, 1e-6);
      EXPECT_NEAR(p.speed, d.speed / 3.6, 0.01);
      char expected[40];
      std::snprintf(expected, sizeof expected, "2026-07-10T10:00:%02d.%dZ", start_seconds[s] + tick / 10, tick % 10);
      EXPECT_EQ(p.time, expected);
    }
    EXPECT_EQ(n, segments[s].size());
  }
  EXPECT_EQ(segments[0].size(), 25u) << "the five tenths without a fix are left out";
  EXPECT_EQ(segments[1].size(), 20u);
}

// A CSV row split at commas (the generated names and texts need no quoting).
std::vector<std::string> Split(const std::string& line)
{
  std::vector<std::string> fields;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, ','))
    fields.push_back(field);
  if (!line.empty() && line.back() == ',')
    fields.emplace_back();
  return fields;
}

// Both forms in one file: every tenth a row, with or without a fix, carrying every scripted
// field of its form in the columns the header names, the other form's columns empty.
TEST_F(ExportFixture, CsvRoundTripsTheScriptedFieldsOfBothForms)
{
  LocalZone zone(kCentralEurope);
  const auto forward = Drive(TelemetryForm::Csv, 2.5, 18);
  const auto driver = Drive(TelemetryForm::Json, 2.5, 18);
  const std::string out = (dir_ / "trip.csv").string();
  std::string error;
  ASSERT_TRUE(ExportTelemetry(TelemetryFormat::Csv, out,
                              {Write("20261210_100001_N.mp4", forward), Write("20261210_100004_NOR.mp4", driver)},
                              &error))
      << error;

  std::ifstream in(out);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  const std::vector<std::string> header = Split(line);
  EXPECT_EQ(header, CsvFieldNames());
  std::map<std::string, std::size_t> column;
  for (std::size_t i = 0; i < header.size(); ++i)
    column[header[i]] = i;

  int rows = 0;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    const std::vector<std::string> f = Split(line);
    ASSERT_EQ(f.size(), header.size()) << line;
    auto text = [&](const char* name) { return f.at(column.at(name)); };
    auto number = [&](const char* name) { return std::stod(text(name)); };
    const bool json = rows >= 25;
    const int tick = rows % 25;
    SCOPED_TRACE(line);
    const recgen::RecordingSpec& spec = json ? driver : forward;
    const recgen::DriveState d = recgen::DriveAt(spec.script, spec.script.startSeconds + tick / 10.0);
    EXPECT_EQ(text("recording"), json ? "20261210_100004_NOR" : "20261210_100001_N");
    EXPECT_EQ(number("tick"), tick);
    EXPECT_NEAR(number("position_s"), tick / 10.0, 1e-9);
    char utc[40];
    std::snprintf(utc, sizeof utc, "2026-12-10T09:00:0%d.%dZ", (json ? 4 : 1) + tick / 10, tick % 10);
    EXPECT_EQ(text("time_utc"), utc);
    EXPECT_EQ(text("form"), json ? "json" : "csv");
    if (!json) {
      EXPECT_EQ(number("speed"), d.speed);
      EXPECT_EQ(number("rpm"), d.rpm);
      EXPECT_EQ(number("leftSignal"), d.leftSignal);
      EXPECT_EQ(number("rightSignal"), d.rightSignal);
      EXPECT_EQ(number("brake"), d.brake);
      EXPECT_EQ(number("gpsFix"), d.gpsFix);
      EXPECT_NEAR(number("latitude"), d.latitude, 1e-6);
      EXPECT_NEAR(number("longitude"), d.longitude, 1e-6);
      EXPECT_NEAR(number("accelX"), d.accelX, 1e-3);
      EXPECT_NEAR(number("accelY"), d.accelY, 1e-3);
      EXPECT_NEAR(number("accelZ"), d.accelZ, 1e-3);
      EXPECT_EQ(number("laneDeparture"), d.laneDeparture);
      EXPECT_EQ(number("frontVehicle"), d.frontVehicle);
      EXPECT_EQ(number("pedestrian"), d.pedestrian);
      EXPECT_EQ(number("signState"), d.signState);
      EXPECT_EQ(number("signSpeed"), d.signSpeed);
      EXPECT_EQ(number("fwMajor"), 1);
      EXPECT_EQ(number("fwPatch"), 5);
      EXPECT_EQ(number("deviceCode"), 0x92);
      EXPECT_EQ(text("dm_model"), "");
    } else {
      EXPECT_EQ(text("dm_model"), "KOTR4");
      EXPECT_EQ(text("dm_version"), "1.0.3");
      EXPECT_EQ(number("dm_serial"), 40123);
      EXPECT_EQ(number("dm_speed"), d.speed);
      EXPECT_EQ(number("dm_gpsFix"), d.gpsFix > 1 ? 1 : 0);
      EXPECT_NEAR(number("dm_latitude"), d.latitude, 1e-6);
      EXPECT_NEAR(number("dm_longitude"), d.longitude, 1e-6);
      EXPECT_NEAR(number("dm_accelX"), d.accelX, 1e-3);
      EXPECT_NEAR(number("dm_accelZ"), d.accelZ, 1e-3);
      EXPECT_EQ(number("dm_psr"), d.psr);
      EXPECT_EQ(number("dm_pfid"), d.pfid);
      EXPECT_EQ(number("dm_yaw"), d.yaw);
      EXPECT_EQ(number("dm_leftEye"), d.leftEye);
      EXPECT_EQ(number("dm_mouth"), d.mouth);
      EXPECT_EQ(text("speed"), "");
    }
    ++rows;
  }
  EXPECT_EQ(rows, 50) << "a row per tenth, those without a fix included";
}

}  // namespace
