#include "CardFixture.h"

#include <array>

namespace {

const char* const kAllSuffixes[] = {"N.mp4",   "N.avi",   "NOR.mp4", "E.mp4",   "E.avi",   "EVT.mp4", "U.mp4",
                                    "U.avi",   "DRO.mp4", "DIS.mp4", "PHO.mp4", "SMO.mp4", "YAW.mp4"};

using Lists = std::array<std::vector<std::string>, kRecordingKindCount>;

enum class Scan { VranCard, KotrCard, Folder };

struct ScanCase {
  const char* title;
  Scan scan;
  const char* all_suffixes_in;  // folder that gets one "REC_<suffix>" file per suffix
  std::vector<std::string> files;  // more files; a trailing "/" makes a folder
  Lists expected;
};

}  // namespace

using CardScan = CardTest;

// Which files each scan keeps, and under which kind: the suffix alone decides, whatever
// the folder; only files directly in the kind folders count; hidden files are skipped on
// the driver-monitoring card only.
TEST_F(CardScan, WhichFilesEachScanKeeps)
{
  const ScanCase cases[] = {
      {"driver-assistance card",
       Scan::VranCard,
       "ory_rec",
       {"ory_rec/N.mp4", "ory_rec/REC_n.mp4", "ory_rec/notes.txt", "ory_rec/DIR_N.mp4/", "ory_rec/sub/deep_N.mp4",
        "evt_rec/b_N.mp4", "usr_rec/.hidden_U.mp4", "NOR/x_NOR.mp4", "top_N.mp4"},
       {{{"b_N.mp4", "N.mp4", "REC_N.mp4"}, {"REC_E.mp4"}, {".hidden_U.mp4", "REC_U.mp4"}}}},
      {"driver-monitoring card",
       Scan::KotrCard,
       "NOR",
       {"NOR/.hidden_NOR.mp4", "NOR/DIR_EVT.mp4/", "EVT/a_DRO.mp4", "DSM/z_NOR.mp4", "DSM/sub/deep_DRO.mp4",
        "ory_rec/x_N.mp4", "DSM/.hidden_YAW.mp4"},
       {{{"REC_NOR.mp4", "z_NOR.mp4"},
         {"REC_EVT.mp4"},
         {"a_DRO.mp4", "REC_DIS.mp4", "REC_DRO.mp4", "REC_PHO.mp4", "REC_SMO.mp4", "REC_YAW.mp4"}}}},
      {"folder of an opened file",
       Scan::Folder,
       "clips",
       {"clips/.hidden_N.avi", "clips/notes.txt", "clips/sub/deep_N.mp4", "clips/DIR_E.mp4/"},
       {{{".hidden_N.avi", "REC_N.avi", "REC_N.mp4", "REC_NOR.mp4"},
         {"REC_E.avi", "REC_E.mp4", "REC_EVT.mp4"},
         {"REC_DIS.mp4", "REC_DRO.mp4", "REC_PHO.mp4", "REC_SMO.mp4", "REC_U.avi", "REC_U.mp4", "REC_YAW.mp4"}}}},
  };

  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.title);
    const fs::path card = root / "card" / c.title;
    for (const char* suffix : kAllSuffixes)
      MakeFile(card / c.all_suffixes_in / (std::string("REC_") + suffix));
    for (const std::string& file : c.files) {
      if (file.ends_with('/'))
        fs::create_directories(card / file);
      else
        MakeFile(card / file);
    }
    fs::create_symlink(card / "gone", card / c.all_suffixes_in / "dangling_E.mp4");

    state = RecordingState();
    host = FakeHost();
    RecordingCards cards(state, host, Mounts());
    if (c.scan == Scan::Folder) {
      state.recordings_root = (card / "clips").string();
      cards.ScanRecordingFolder();
    } else {
      state.m_strCardRoot = card.string();
      c.scan == Scan::VranCard ? cards.ScanVranCard() : cards.ScanKotrCard();
      EXPECT_EQ(state.recordings_root, card.string());
      EXPECT_EQ(state.card_mode, 1);
    }
    for (RecordingKind kind : {Normal, Event, Manual})
      EXPECT_EQ(Names(state.m_recordings[kind]), c.expected[kind]) << "kind " << kind;
    ASSERT_EQ(host.shown.size(), 3u);
    for (RecordingKind kind : {Normal, Event, Manual}) {
      EXPECT_EQ(host.shown[kind].first, kind);
      EXPECT_EQ(host.shown[kind].second, state.m_recordings[kind]);
    }
  }
}

// Names that differ in a later digit sort by it; names that differ only in letter case
// compare equal and stay in collected order (normal folder, then event, then manual).
TEST_F(CardScan, SortOrder)
{
  struct Case {
    std::vector<std::pair<std::string, std::uintmax_t>> files;
    std::vector<std::string> normal, event;
  };
  const Case cases[] = {
      {{{"ory_rec/20240101_000001_N.mp4", 9}, {"ory_rec/20240101_000000_N.mp4", 9}, {"ory_rec/REC_E.mp4", 7},
        {"evt_rec/Rec_E.mp4", 7}},
       {"20240101_000000_N.mp4", "20240101_000001_N.mp4"},
       {"REC_E.mp4", "Rec_E.mp4"}},
      {{{"ory_rec/Rec_E.mp4", 7}, {"usr_rec/REC_E.mp4", 7}, {"evt_rec/rec_E.mp4", 7}},
       {},
       {"Rec_E.mp4", "rec_E.mp4", "REC_E.mp4"}},
      // "_" before letters; the size text decides between names equal but for case
      {{{"evt_rec/a_b_E.mp4", 1}, {"evt_rec/aB_E.mp4", 1}, {"ory_rec/X_E.mp4", 20}, {"evt_rec/x_E.mp4", 100}},
       {},
       {"a_b_E.mp4", "aB_E.mp4", "x_E.mp4", "X_E.mp4"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(n);
    const fs::path card = root / ("card" + std::to_string(n++));
    for (const auto& [file, size] : c.files)
      MakeFile(card / file, size);
    state = RecordingState();
    RecordingCards cards(state, host, Mounts());
    state.m_strCardRoot = card.string();
    cards.ScanVranCard();
    EXPECT_EQ(Names(state.m_recordings[Normal]), c.normal);
    EXPECT_EQ(Names(state.m_recordings[Event]), c.event);
  }
}

TEST_F(CardScan, SizesAreTheWholeLengthBeyond4GiB)
{
  const fs::path card = root / "card";
  MakeFile(card / "ory_rec" / "a_N.mp4", 1234);
  MakeFile(card / "ory_rec" / "b_N.mp4", (1ull << 32) + 5);
  MakeFile(card / "ory_rec" / "c_N.mp4", 3ull << 30);
  RecordingCards cards(state, host, Mounts());
  state.m_strCardRoot = card.string();
  cards.ScanVranCard();
  EXPECT_EQ(state.m_recordings[Normal],
            (std::vector<FileInfo>{{"a_N.mp4", 1234}, {"b_N.mp4", (1ull << 32) + 5}, {"c_N.mp4", 3ull << 30}}));
}

// A missing kind folder contributes nothing; a card with no recordings at all leaves
// card mode off and shows three empty pages.
TEST_F(CardScan, MissingFoldersAndEmptyCards)
{
  const fs::path card = root / "card";
  MakeFile(card / "evt_rec" / "a_E.mp4");
  RecordingCards cards(state, host, Mounts());
  state.m_strCardRoot = card.string();
  cards.ScanVranCard();
  EXPECT_EQ(state.card_mode, 1);
  EXPECT_EQ(Names(state.m_recordings[Event]), std::vector<std::string>{"a_E.mp4"});

  const fs::path empty = root / "empty";
  MakeFile(empty / "ory_rec" / "notes.txt");
  MakeFile(empty / "DSM" / "a_U.mp4");  // the other layout's folder
  state = RecordingState();
  state.card_mode = 1;
  host = FakeHost();
  state.m_strCardRoot = empty.string();
  cards.ScanKotrCard();
  EXPECT_EQ(state.card_mode, 0);
  EXPECT_EQ(state.recordings_root, empty.string());
  ASSERT_EQ(host.shown.size(), 3u);
  for (const auto& [kind, list] : host.shown)
    EXPECT_TRUE(list.empty()) << kind;
}

// The folder scan marks, per kind, the row of the opened recording (exact name).
TEST_F(CardScan, FolderScanSetsTheCurrentRow)
{
  const fs::path folder = root / "clips";
  for (const char* name : {"c_N.mp4", "a_N.mp4", "b_N.avi", "a_E.mp4", "x.txt"})
    MakeFile(folder / name);
  struct Case {
    const char* current;
    std::array<std::int32_t, 3> index;
  };
  const Case cases[] = {
      {"b_N.avi", {1, 8, 9}},
      {"a_E.mp4", {7, 0, 9}},
      {"B_N.avi", {7, 8, 9}},  // case differs: no row is the current one
      {"x.txt", {7, 8, 9}},    // not a recording: played, but in no list
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.current);
    state = RecordingState();
    host = FakeHost();
    state.current_index = {7, 8, 9};
    state.current_name = c.current;
    state.recordings_root = folder.string();
    RecordingCards cards(state, host, Mounts());
    cards.ScanRecordingFolder();
    EXPECT_EQ(state.current_index, c.index);
    EXPECT_EQ(Names(state.m_recordings[Normal]), (std::vector<std::string>{"a_N.mp4", "b_N.avi", "c_N.mp4"}));
    EXPECT_EQ(host.titles, std::vector<std::string>{c.current});
    EXPECT_EQ(host.shown.size(), 3u);
  }

  // A folder that cannot be listed: the title changes, the pages are left alone.
  state = RecordingState();
  host = FakeHost();
  state.current_name = "a_N.mp4";
  state.recordings_root = (root / "no-such-folder").string();
  RecordingCards(state, host, Mounts()).ScanRecordingFolder();
  EXPECT_EQ(host.titles, std::vector<std::string>{"a_N.mp4"});
  EXPECT_TRUE(host.shown.empty());
}
