#include "GpxWriter.h"

#include "RecordingClock.h"

#include <cstdio>

namespace {

// Comments may not hold "--"; names are plain file names, but a folder may be anything.
std::string CommentText(std::string text)
{
  for (std::size_t i = text.find("--"); i != std::string::npos; i = text.find("--", i))
    text.replace(i, 2, "- ");
  if (!text.empty() && text.back() == '-')
    text += ' ';
  return text;
}

}  // namespace

double SpeedMetresPerSecond(std::int32_t speed, std::int32_t unit)
{
  return unit == 0 ? speed / 3.6 : speed * 0.44704;
}

std::string GpxDocument(const std::vector<GpxSegment>& segments)
{
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"TAVRO Viewer\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
      "     xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
      "  <trk>\n";
  char line[256];
  for (const GpxSegment& segment : segments) {
    out += "    <!-- " + CommentText(segment.name) + " -->\n    <trkseg>\n";
    for (const TrackPoint& p : segment.track.points) {
      if (!p.fix)
        continue;
      std::snprintf(line, sizeof line, "      <trkpt lat=\"%.7f\" lon=\"%.7f\">", p.latitude, p.longitude);
      out += line;
      if (segment.start_utc)
        out += "<time>" + FormatUtcTime(*segment.start_utc, p.tick) + "</time>";
      std::snprintf(line, sizeof line,
                    "<extensions><gpxtpx:TrackPointExtension><gpxtpx:speed>%.2f</gpxtpx:speed>"
                    "</gpxtpx:TrackPointExtension></extensions></trkpt>\n",
                    SpeedMetresPerSecond(p.speed, p.speedUnit));
      out += line;
    }
    out += "    </trkseg>\n";
  }
  out += "  </trk>\n</gpx>\n";
  return out;
}
