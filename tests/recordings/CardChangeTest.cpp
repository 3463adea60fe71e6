#include "CardFixture.h"

using CardChange = CardTest;

TEST_F(CardChange, StartUpAdoptsTheFirstCardInMountOrder)
{
  AddMount("disk", "DATA");
  AddMount("nolabel", std::nullopt);
  const std::string kotr = AddMount("KOTR4", "KOTR4");
  const std::string vran = AddMount("VRAN-2X", "VRAN-2X");
  MakeFile(fs::path(kotr) / "DSM" / "a_YAW.mp4", 10);
  MakeFile(fs::path(vran) / "ory_rec" / "a_N.mp4", 10);

  RecordingCards cards(state, host, Mounts());
  cards.FindDeviceCard();
  EXPECT_EQ(device_model, KOTR4);
  EXPECT_EQ(state.m_strCardRoot, kotr);
  EXPECT_TRUE(state.m_bCardPresent);
  EXPECT_EQ(state.card_mode, 1);
  EXPECT_EQ(state.recordings_root, kotr);
  EXPECT_EQ(state.m_recordings[Manual], (std::vector<FileInfo>{{"a_YAW.mp4", 10}}));
  EXPECT_TRUE(state.m_recordings[Normal].empty());
  EXPECT_NE(ConfigText().find("Model=KOTR4"), std::string::npos) << ConfigText();
}

// Labels are compared exactly: a case difference, or a label that cannot be read, is no
// card, and the model read from Config.ini stays; nothing is written.
TEST_F(CardChange, NoCardAtStartUpChangesNothing)
{
  for (const char* label : {"vran-3", "VRAN-2x", "Kotr4", "VRAN3", "VRAN-3 "})
    MakeFile(fs::path(AddMount(label, std::string(label))) / "ory_rec" / "a_N.mp4");
  MakeFile(fs::path(AddMount("VRAN-3", std::nullopt)) / "ory_rec" / "a_N.mp4");  // label unreadable
  device_model = VRAN2X;
  RecordingCards cards(state, host, Mounts());
  cards.FindDeviceCard();
  EXPECT_EQ(device_model, VRAN2X);
  EXPECT_FALSE(state.m_bCardPresent);
  EXPECT_TRUE(state.m_strCardRoot.empty());
  EXPECT_TRUE(host.shown.empty());
  EXPECT_FALSE(fs::exists(root / "Config.ini"));
}

TEST_F(CardChange, CardWithoutRecordingsIsStillAdopted)
{
  const std::string vran = AddMount("VRAN-3", "VRAN-3");
  fs::create_directories(fs::path(vran) / "ory_rec");
  device_model = KOTR4;
  RecordingCards cards(state, host, Mounts());
  cards.FindDeviceCard();
  EXPECT_EQ(device_model, VRAN3);
  EXPECT_TRUE(state.m_bCardPresent);
  EXPECT_EQ(state.m_strCardRoot, vran);
  EXPECT_EQ(state.card_mode, 0);
  EXPECT_EQ(host.shown.size(), 3u);
  EXPECT_NE(ConfigText().find("Model=VRAN3"), std::string::npos) << ConfigText();
}

// Insertion adopts a driver-assistance card while none is present, replacing what the lists
// held, without writing Config.ini; a driver-monitoring card is left for the next start.
TEST_F(CardChange, InsertionWhileNoCardIsPresent)
{
  RecordingCards cards(state, host, Mounts());
  state.m_recordings[Normal] = {{"old_N.mp4", 1}};
  state.current_name = "old_N.mp4";

  const std::string kotr = AddMount("KOTR4", "KOTR4");
  MakeFile(fs::path(kotr) / "NOR" / "k_NOR.mp4");
  cards.OnCardChange(RecordingCards::kDriveAdded, kotr);
  EXPECT_FALSE(state.m_bCardPresent);
  EXPECT_EQ(device_model, VRAN3);

  const std::string vran = AddMount("VRAN-2X", "VRAN-2X");
  MakeFile(fs::path(vran) / "evt_rec" / "v_E.mp4", 3);
  cards.OnCardChange(RecordingCards::kMediaInserted, vran);
  EXPECT_TRUE(state.m_bCardPresent);
  EXPECT_EQ(state.m_strCardRoot, vran);
  EXPECT_EQ(device_model, VRAN2X);
  EXPECT_EQ(state.card_mode, 1);
  EXPECT_TRUE(state.m_recordings[Normal].empty());
  EXPECT_EQ(state.m_recordings[Event], (std::vector<FileInfo>{{"v_E.mp4", 3}}));
  EXPECT_EQ(state.current_name, "old_N.mp4");
  EXPECT_FALSE(fs::exists(root / "Config.ini"));
}

// While a card is present other insertions, removals of other drives, unknown events and
// events without a path change nothing.
TEST_F(CardChange, EventsThatChangeNothing)
{
  const std::string first = AddMount("VRAN-3", "VRAN-3");
  MakeFile(fs::path(first) / "ory_rec" / "a_N.mp4");
  const std::string second = AddMount("VRAN-2X", "VRAN-2X");
  MakeFile(fs::path(second) / "ory_rec" / "b_N.mp4");
  const std::string other = AddMount("DATA", "DATA");
  RecordingCards cards(state, host, Mounts());
  cards.FindDeviceCard();
  ASSERT_EQ(state.m_strCardRoot, first);
  host.playing = true;
  const RecordingState before = state;
  const size_t shown = host.shown.size();

  const std::pair<long, std::string> events[] = {
      {RecordingCards::kDriveAdded, second},       {RecordingCards::kMediaInserted, first},
      {RecordingCards::kDriveRemoved, other},      {RecordingCards::kMediaRemoved, second},
      {RecordingCards::kDriveRemoved, first + "/"}, {0x2, first},
      {0x1E0, first},                               {RecordingCards::kDriveRemoved, ""},
  };
  for (const auto& [event, path] : events) {
    cards.OnCardChange(event, path);
    EXPECT_EQ(state.m_strCardRoot, first) << event << " " << path;
    EXPECT_TRUE(state.m_bCardPresent);
  }
  EXPECT_EQ(device_model, VRAN3);
  EXPECT_EQ(state.m_recordings, before.m_recordings);
  EXPECT_EQ(host.shown.size(), shown);
  EXPECT_EQ(host.stops, 0);
}

// Removing the card in use empties the lists, stops a playback from it, forgets the card and
// keeps the mode, root and current recording; a second card stays idle until it is
// inserted again.
TEST_F(CardChange, RemovalOfTheCardInUse)
{
  const std::string first = AddMount("VRAN-3", "VRAN-3");
  MakeFile(fs::path(first) / "ory_rec" / "a_N.mp4");
  const std::string second = AddMount("VRAN-2X", "VRAN-2X");
  MakeFile(fs::path(second) / "usr_rec" / "b_U.mp4");
  RecordingCards cards(state, host, Mounts());
  cards.FindDeviceCard();
  state.current_name = "a_N.mp4";
  state.current_path = state.PathOf(Normal, "a_N.mp4", device_model);
  state.current_index = {0, 0, 0};
  host.playing = true;
  host.shown.clear();

  RemoveMount(first);
  cards.OnCardChange(RecordingCards::kDriveRemoved, first);
  EXPECT_EQ(host.stops, 1);
  EXPECT_FALSE(state.m_bCardPresent);
  EXPECT_TRUE(state.m_strCardRoot.empty());
  for (const auto& list : state.m_recordings)
    EXPECT_TRUE(list.empty());
  ASSERT_EQ(host.shown.size(), 3u);
  for (const auto& [kind, list] : host.shown)
    EXPECT_TRUE(list.empty()) << kind;
  EXPECT_EQ(state.card_mode, 1);
  EXPECT_EQ(state.recordings_root, first);
  EXPECT_EQ(state.current_name, "a_N.mp4");
  EXPECT_EQ(state.current_path, first + "/ory_rec/a_N.mp4");

  EXPECT_TRUE(state.m_recordings[Manual].empty());  // the second card was not picked up
  cards.OnCardChange(RecordingCards::kDriveAdded, second);
  EXPECT_EQ(state.m_strCardRoot, second);
  EXPECT_EQ(device_model, VRAN2X);
  EXPECT_EQ(Names(state.m_recordings[Manual]), std::vector<std::string>{"b_U.mp4"});

  // Not playing: nothing to stop.
  cards.OnCardChange(RecordingCards::kMediaRemoved, second);
  EXPECT_EQ(host.stops, 1);
  EXPECT_FALSE(state.m_bCardPresent);
}

// Lists of a folder opened elsewhere, and a playback from there, do not belong to the card:
// pulling the card only forgets it. Lists of a folder on the card go with it.
TEST_F(CardChange, RemovalLeavesWhatIsNotOnTheCard)
{
  const std::string card = AddMount("VRAN-3", "VRAN-3");
  MakeFile(fs::path(card) / "ory_rec" / "a_N.mp4");
  MakeFile(root / "home" / "b_N.mp4");
  RecordingCards cards(state, host, Mounts());
  cards.FindDeviceCard();

  // The Open command, for a file outside the card.
  state.ClearLists();
  state.current_name = "b_N.mp4";
  state.current_path = (root / "home" / "b_N.mp4").string();
  state.recordings_root = (root / "home").string();
  cards.ScanRecordingFolder();
  state.card_mode = 0;
  host.playing = true;

  cards.OnCardChange(RecordingCards::kDriveRemoved, card);
  EXPECT_FALSE(state.m_bCardPresent);
  EXPECT_EQ(host.stops, 0);
  EXPECT_EQ(Names(state.m_recordings[Normal]), std::vector<std::string>{"b_N.mp4"});

  // The same with a file opened from a folder on the card.
  cards.OnCardChange(RecordingCards::kDriveAdded, card);
  ASSERT_TRUE(state.m_bCardPresent);
  state.ClearLists();
  state.current_name = "a_N.mp4";
  state.recordings_root = card + "/ory_rec";
  state.current_path = state.recordings_root + "/a_N.mp4";
  cards.ScanRecordingFolder();
  state.card_mode = 0;
  ASSERT_EQ(Names(state.m_recordings[Normal]), std::vector<std::string>{"a_N.mp4"});
  host.playing = true;
  cards.OnCardChange(RecordingCards::kMediaRemoved, card);
  EXPECT_EQ(host.stops, 1);
  EXPECT_TRUE(state.m_recordings[Normal].empty());
}
