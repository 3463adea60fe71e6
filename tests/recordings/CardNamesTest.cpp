#include "CSortStringArray.h"
#include "RecordingNames.h"
#include "RecordingState.h"

#include <gtest/gtest.h>

#include <optional>

TEST(RecordingNames, SuffixIsTheTextAfterTheLastUnderscore)
{
  const std::pair<const char*, const char*> cases[] = {
      {"20240101_120000_N.mp4", "N.mp4"},
      {"a_b_c_DRO.mp4", "DRO.mp4"},
      {"N.mp4", "N.mp4"},  // no underscore: the name is its own suffix
      {"trailing_", ""},
      {"_E.mp4", "E.mp4"},
      {"", ""},
  };
  for (const auto& [name, suffix] : cases)
    EXPECT_EQ(RecordingSuffix(name), suffix) << name;
}

// Each suffix: its kind and which scans keep it. Matching is exact and case-sensitive.
TEST(RecordingNames, SuffixTable)
{
  struct Row {
    const char* suffix;
    std::optional<RecordingKind> kind;
    bool vran, kotr, driver_event;
  };
  const Row rows[] = {
      {"N.mp4", Normal, true, false, false},    {"N.avi", Normal, false, false, false},
      {"NOR.mp4", Normal, false, true, false},  {"E.mp4", Event, true, false, false},
      {"E.avi", Event, false, false, false},    {"EVT.mp4", Event, false, true, false},
      {"U.mp4", Manual, true, false, false},    {"U.avi", Manual, false, false, false},
      {"DRO.mp4", Manual, false, true, true},   {"DIS.mp4", Manual, false, true, true},
      {"PHO.mp4", Manual, false, true, true},   {"SMO.mp4", Manual, false, true, true},
      {"YAW.mp4", Manual, false, true, true},   {"n.mp4", std::nullopt, false, false, false},
      {"N.MP4", std::nullopt, false, false, false}, {"NOR.avi", std::nullopt, false, false, false},
      {"dro.mp4", std::nullopt, false, false, false}, {"DSM.mp4", std::nullopt, false, false, false},
      {"N.mp4 ", std::nullopt, false, false, false},  {"N.mkv", std::nullopt, false, false, false},
      {"", std::nullopt, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.suffix);
    EXPECT_EQ(KindOfSuffix(row.suffix), row.kind);
    EXPECT_EQ(IsRecordingSuffix(row.suffix), row.kind.has_value());
    EXPECT_EQ(IsVranCardSuffix(row.suffix), row.vran);
    EXPECT_EQ(IsKotrCardSuffix(row.suffix), row.kotr);
    EXPECT_EQ(IsDriverEventSuffix(row.suffix), row.driver_event);
  }
}

TEST(RecordingNames, KindFoldersPerLayout)
{
  EXPECT_STREQ(KindFolder(VRAN3, Normal), "ory_rec");
  EXPECT_STREQ(KindFolder(VRAN2X, Event), "evt_rec");
  EXPECT_STREQ(KindFolder(VRAN3, Manual), "usr_rec");
  EXPECT_STREQ(KindFolder(KOTR4, Normal), "NOR");
  EXPECT_STREQ(KindFolder(KOTR4, Event), "EVT");
  EXPECT_STREQ(KindFolder(KOTR4, Manual), "DSM");
}

TEST(RecordingNames, CaseInsensitiveComparison)
{
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"abc", "ABC", 0},
      {"x_000000_N.mp4/1", "x_000001_N.mp4/1", -1},
      {"a_N.mp4", "aB_N.mp4", -1},  // "_" sorts before letters, also before upper case ones
      {"a_N.mp4", "A_N.mp4", 0},
      {"Z", "a", 1},
      {"ab", "abc", -1},  // a prefix first
      {"", "", 0},
      {"a\xC3\xA9", "az", 1},  // bytes of UTF-8 text compare above ASCII
      {"x_N.mp4/20", "X_N.mp4/100", 1},  // the size text takes part
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    const int r = CSortStringArray::CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
    const int back = CSortStringArray::CompareNoCase(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign);
  }
}

TEST(RecordingNames, SortIsStable)
{
  CSortStringArray texts;
  for (const char* text : {"b/1", "A/1", "B/1", "a/1", "_/1"})
    texts.Add(text);
  texts.Sort();
  const std::vector<std::string> sorted(texts.begin(), texts.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"_/1", "A/1", "a/1", "b/1", "B/1"}));

  // Enough equal texts (every case spelling of one name) that an unstable sort would move them.
  CSortStringArray many;
  std::vector<std::string> spellings;
  for (int bits = 0; bits < 64; ++bits) {
    std::string text = "abcdef/1";
    for (int i = 0; i < 6; ++i)
      if (bits & (1 << i))
        text[i] = static_cast<char>(text[i] - 'a' + 'A');
    spellings.push_back(text);
    many.Add(text);
    many.Add("b" + std::to_string(bits));  // interleaved, sorts after all of them
  }
  many.Sort();
  EXPECT_EQ(std::vector<std::string>(many.begin(), many.begin() + 64), spellings);
}

TEST(RecordingState, PathOfARecording)
{
  RecordingState state;
  state.recordings_root = "/media/u/VRAN-3";
  state.card_mode = 1;
  // The kind decides the folder, not where the file was found.
  EXPECT_EQ(state.PathOf(Event, "x_E.mp4", VRAN3), "/media/u/VRAN-3/evt_rec/x_E.mp4");
  EXPECT_EQ(state.PathOf(Manual, "x_DRO.mp4", KOTR4), "/media/u/VRAN-3/DSM/x_DRO.mp4");
  state.recordings_root = "/media/u/VRAN-3/";
  EXPECT_EQ(state.PathOf(Normal, "x_N.mp4", VRAN2X), "/media/u/VRAN-3/ory_rec/x_N.mp4");

  state.card_mode = 0;
  state.recordings_root = "/home/u/videos";
  EXPECT_EQ(state.PathOf(Event, "x_E.avi", VRAN3), "/home/u/videos/x_E.avi");
  state.recordings_root = "/";
  EXPECT_EQ(state.PathOf(Normal, "x_N.mp4", VRAN3), "/x_N.mp4");
}
