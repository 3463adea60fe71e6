// A folder opened by itself: a card's root, wherever it lies (a card copied to a disk), is
// known by its kind folders and listed as that card would be; any other folder is listed as
// the folder of an opened recording.
#include "CardFixture.h"

#include <array>

namespace {

using Lists = std::array<std::vector<std::string>, kRecordingKindCount>;

struct FolderCase {
  const char* title;
  std::vector<std::string> files;  // under the opened folder
  DeviceModel model_before;
  DeviceModel model_after;
  std::uint8_t card_mode;
  Lists expected;
  std::string event_path;  // where the first event recording is played from, below the folder
};

}  // namespace

using CardFolder = CardTest;

TEST_F(CardFolder, KindFoldersMakeACardOfTheirLayout)
{
  const FolderCase cases[] = {
      {"driver-assistance card",
       {"ory_rec/b_N.mp4", "ory_rec/a_N.mp4", "ory_rec/x_N.avi", "evt_rec/e_E.mp4", "usr_rec/u_U.mp4",
        "loose_N.mp4"},
       VRAN3, VRAN3, 1,
       {{{"a_N.mp4", "b_N.mp4"}, {"e_E.mp4"}, {"u_U.mp4"}}},
       "evt_rec/e_E.mp4"},
      {"a model already known as VRAN-2X stays so", {"ory_rec/a_N.mp4", "evt_rec/e_E.mp4"}, VRAN2X, VRAN2X, 1,
       {{{"a_N.mp4"}, {"e_E.mp4"}, {}}}, "evt_rec/e_E.mp4"},
      {"driver-assistance folders switch a driver-monitoring viewer", {"evt_rec/e_E.mp4"}, KOTR4, VRAN3, 1,
       {{{}, {"e_E.mp4"}, {}}}, "evt_rec/e_E.mp4"},
      {"driver-monitoring card",
       {"NOR/n_NOR.mp4", "EVT/e_EVT.mp4", "DSM/d_DRO.mp4", "DSM/.h_YAW.mp4", "DSM/u_U.mp4"},
       VRAN3, KOTR4, 1,
       {{{"n_NOR.mp4"}, {"e_EVT.mp4"}, {"d_DRO.mp4"}}},
       "EVT/e_EVT.mp4"},
      {"a card without recordings", {"usr_rec/readme.txt"}, VRAN3, VRAN3, 0, {}, ""},
      {"a plain folder", {"a_N.mp4", "e_E.avi", "sub/z_N.mp4", "ory_rec.txt"}, KOTR4, KOTR4, 0,
       {{{"a_N.mp4"}, {"e_E.avi"}, {}}}, "e_E.avi"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.title);
    const fs::path folder = root / c.title;
    for (const std::string& file : c.files)
      MakeFile(folder / file, 1000);
    state = RecordingState();
    host = FakeHost();
    // A card in use elsewhere, a recording that plays from it, rows of earlier lists.
    state.m_strCardRoot = "/media/card";
    state.m_bCardPresent = true;
    state.current_name = "old_N.mp4";
    state.current_path = "/media/card/ory_rec/old_N.mp4";
    state.current_index = {5, 6, 7};
    state.m_recordings[Normal].push_back(FileInfo{"old_N.mp4", 1});
    device_model = c.model_before;

    RecordingCards(state, host, Mounts()).OpenFolder(folder.string());

    EXPECT_EQ(device_model, c.model_after);
    EXPECT_EQ(state.card_mode, c.card_mode);
    EXPECT_EQ(state.recordings_root, folder.string());
    for (RecordingKind kind : {Normal, Event, Manual})
      EXPECT_EQ(Names(state.m_recordings[kind]), c.expected[kind]) << kind;
    ASSERT_EQ(host.shown.size(), 3u);
    for (const auto& [kind, list] : host.shown)
      EXPECT_EQ(Names(list), c.expected[kind]) << kind;
    EXPECT_EQ(state.current_index, (std::array<std::int32_t, kRecordingKindCount>{0, 0, 0}));
    EXPECT_EQ(state.m_strCardRoot, "/media/card");
    EXPECT_EQ(state.current_path, "/media/card/ory_rec/old_N.mp4");
    EXPECT_TRUE(host.titles.empty());
    if (!c.event_path.empty())
      EXPECT_EQ(state.PathOf(Event, c.expected[Event].front(), device_model), (folder / c.event_path).string());
  }
}

// The row of the recording that plays is kept when the folder listed holds it; a folder that
// cannot be listed empties the lists on the pages too.
TEST_F(CardFolder, CurrentRowAndAFolderThatCannotBeListed)
{
  const fs::path folder = root / "clips";
  for (const char* name : {"a_N.mp4", "b_N.mp4", "c_N.mp4"})
    MakeFile(folder / name);
  state.current_name = "c_N.mp4";
  RecordingCards cards(state, host, Mounts());
  cards.OpenFolder(folder.string());
  EXPECT_EQ(state.current_index[Normal], 2);

  host = FakeHost();
  cards.OpenFolder((root / "missing").string());
  EXPECT_EQ(state.recordings_root, (root / "missing").string());
  ASSERT_EQ(host.shown.size(), 3u);
  for (const auto& [kind, list] : host.shown)
    EXPECT_TRUE(list.empty()) << kind;
}
