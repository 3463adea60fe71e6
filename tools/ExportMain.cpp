// tavro-export: the viewer's evidence exports from the command line.
//
//   tavro-export gpx|csv OUT FILE...                 GPS track (GPX 1.1) or telemetry (CSV)
//   tavro-export clip --from S --to S OUT FILE       clip by stream copy (mp4)
//   tavro-export snapshot --at S OUT-PREFIX FILE     OUT-PREFIX_front.png (and _rear.png)
//
// Positions are seconds ("83.4") or [hh:]mm:ss[.t] ("1:23.4"). Exit status 0 on success, 1 when
// the export failed, 2 on a wrong command line; the output is written completely or not at all.

#include "ClipExport.h"
#include "Snapshot.h"
#include "TelemetryExport.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Usage(const char* why)
{
  std::fprintf(stderr,
               "tavro-export: %s\n"
               "usage: tavro-export gpx|csv OUT FILE...\n"
               "       tavro-export clip --from S --to S OUT FILE\n"
               "       tavro-export snapshot --at S OUT-PREFIX FILE\n",
               why);
  return kUsage;
}

int Failed(const std::string& why)
{
  std::fprintf(stderr, "tavro-export: %s\n", why.c_str());
  return kFailed;
}

// Seconds from "83.4" or "[hh:]mm:ss[.t]".
std::optional<double> ParseSeconds(const std::string& text)
{
  double total = 0;
  std::size_t start = 0;
  for (int part = 0; part < 3; ++part) {
    const std::size_t colon = text.find(':', start);
    const std::string field = text.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    char* end = nullptr;
    const double value = std::strtod(field.c_str(), &end);
    if (field.empty() || *end != '\0' || !std::isfinite(value) || value < 0)
      return std::nullopt;
    total = total * 60 + value;
    if (colon == std::string::npos)
      return total;
    start = colon + 1;
  }
  return std::nullopt;
}

// Takes "--name VALUE" pairs from args into the named slots; the rest stays in order.
bool TakeOptions(std::vector<std::string>& args, std::vector<std::pair<const char*, std::optional<double>*>> options,
                 std::string* why)
{
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    bool matched = false;
    for (auto& [name, slot] : options) {
      if (args[i] != name)
        continue;
      matched = true;
      if (i + 1 == args.size() || !(*slot = ParseSeconds(args[i + 1]))) {
        *why = std::string(name) + " needs a position in seconds or [hh:]mm:ss";
        return false;
      }
      ++i;
    }
    if (!matched)
      rest.push_back(args[i]);
  }
  for (auto& [name, slot] : options)
    if (!*slot) {
      *why = std::string(name) + " is missing";
      return false;
    }
  args = rest;
  return true;
}

}  // namespace

int main(int argc, char** argv)
{
  av_log_set_level(AV_LOG_QUIET);
  if (argc < 2)
    return Usage("no command");
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  std::string why;

  if (command == "gpx" || command == "csv") {
    if (args.size() < 2)
      return Usage("give the output file and at least one recording");
    const std::vector<std::string> recordings(args.begin() + 1, args.end());
    if (!ExportTelemetry(command == "gpx" ? TelemetryFormat::Gpx : TelemetryFormat::Csv, args[0], recordings, &why))
      return Failed(why);
    return 0;
  }
  if (command == "clip") {
    std::optional<double> from, to;
    if (!TakeOptions(args, {{"--from", &from}, {"--to", &to}}, &why))
      return Usage(why.c_str());
    if (args.size() != 2)
      return Usage("give the output file and one recording");
    if (*to <= *from)
      return Usage("--to must be after --from");
    const ClipResult result = ExportClip(args[1], args[0], *from, *to);
    if (!result.ok)
      return Failed(result.error);
    std::printf("%s: from %.3f s\n", args[0].c_str(), result.start);
    return 0;
  }
  if (command == "snapshot") {
    std::optional<double> at;
    if (!TakeOptions(args, {{"--at", &at}}, &why))
      return Usage(why.c_str());
    if (args.size() != 2)
      return Usage("give the output prefix and one recording");
    const SnapshotResult result = SaveSnapshots(args[1], *at, args[0]);
    if (!result.ok)
      return Failed(result.error);
    for (const std::string& file : result.files)
      std::printf("%s\n", file.c_str());
    return 0;
  }
  return Usage(("unknown command \"" + command + "\"").c_str());
}
