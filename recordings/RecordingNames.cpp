#include "RecordingNames.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::string_view, 5> kDriverEventSuffixes = {"DRO.mp4", "DIS.mp4", "PHO.mp4", "SMO.mp4",
                                                                  "YAW.mp4"};

}  // namespace

std::string_view RecordingSuffix(std::string_view name)
{
  const size_t underscore = name.rfind('_');
  return underscore == std::string_view::npos ? name : name.substr(underscore + 1);
}

bool IsDriverEventSuffix(std::string_view suffix)
{
  return std::find(kDriverEventSuffixes.begin(), kDriverEventSuffixes.end(), suffix) != kDriverEventSuffixes.end();
}

std::optional<RecordingKind> KindOfSuffix(std::string_view suffix)
{
  if (suffix == "N.mp4" || suffix == "N.avi" || suffix == "NOR.mp4")
    return Normal;
  if (suffix == "E.mp4" || suffix == "E.avi" || suffix == "EVT.mp4")
    return Event;
  if (suffix == "U.mp4" || suffix == "U.avi" || IsDriverEventSuffix(suffix))
    return Manual;
  return std::nullopt;
}

bool IsVranCardSuffix(std::string_view suffix)
{
  return suffix == "N.mp4" || suffix == "E.mp4" || suffix == "U.mp4";
}

bool IsKotrCardSuffix(std::string_view suffix)
{
  return suffix == "NOR.mp4" || suffix == "EVT.mp4" || IsDriverEventSuffix(suffix);
}

bool IsRecordingSuffix(std::string_view suffix) { return KindOfSuffix(suffix).has_value(); }

const char* KindFolder(DeviceModel model, RecordingKind kind)
{
  static constexpr const char* kVran[] = {"ory_rec", "evt_rec", "usr_rec"};
  static constexpr const char* kKotr[] = {"NOR", "EVT", "DSM"};
  return model == KOTR4 ? kKotr[kind] : kVran[kind];
}
