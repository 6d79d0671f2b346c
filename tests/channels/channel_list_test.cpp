// Loading a channel list from flash and RAM images and writing it back: the section chooser,
// appending, moving a table, wiping the other copies, and images that end too soon.
#include "core/channels/channel_list.h"

#include <gtest/gtest.h>

#include "channels/list_image_builder.h"
#include "core/config/text_table.h"
#include "sim/channel_image.h"

namespace atalaya {
namespace {

constexpr size_t kChannelTableBytes = 68 + 999 * 30;
constexpr size_t kTransponderTableBytes = 68 + 99 * 12;

// Records a save instead of writing a file.
struct SavedFile {
  std::string path;
  std::string bytes;
  std::optional<std::string> failure;
  int writes = 0;
  ListFileWriter Writer() {
    return [this](const std::string& p, const std::string& b) {
      ++writes;
      path = p;
      bytes = b;
      return failure;
    };
  }
};

class ChannelListTest : public ::testing::Test {
 protected:
  // A transponder table at `tpt` with `transponders` records and a channel table at `tcs`
  // whose channels name `first_name` and point at transponder 1, 2, ….
  static void AddList(ListImage& image, size_t tpt, size_t tcs, int transponders, int channels,
                      const std::string& first_name = "Canal") {
    image.AddTable(tpt, "TPT", 12, 99);
    for (int t = 0; t < transponders; ++t) {
      image.PutTransponder(
          tpt, static_cast<size_t>(t),
          TransponderBytes(1100000000u + 1000000u * static_cast<uint32_t>(t),
                           static_cast<uint16_t>(1000 + t), 1, 1, t % 2,
                           static_cast<uint8_t>(t % 6), static_cast<uint8_t>(t % 16)));
    }
    image.AddTable(tcs, "TCS", 30, 999);
    for (int c = 0; c < channels; ++c) {
      ChannelFields fields;
      fields.name = first_name + " " + std::to_string(c + 1);
      fields.transponder = static_cast<uint8_t>(transponders == 0 ? 0 : c % transponders + 1);
      fields.sid = static_cast<uint16_t>(10 + c);
      image.PutChannel(tcs, static_cast<size_t>(c), fields);
    }
  }

  Settings settings_ = ListSettings();
  TextTable texts_;
  ChoosingUser user_;
  ChannelList list_{settings_, texts_, user_, ','};
};

TEST_F(ChannelListTest, ChooserListsOneRowPerSectionAndLoadsTheChosenCopy) {
  ListImage image(0x80000);
  AddList(image, 0x000020, 0x10000, 3, 5, "Uno");
  AddList(image, 0x070000, 0x30000, 3, 5, "Tres");
  image.AddTable(0x60000, "TCS", 30, 999);
  image.PutChannel(0x60000, 0, {"Seis"});
  image.Put(0x30000 + 68 + 30 * 2 + 32, "TCS");  // a second head inside section 3's table…
  image.Put(0x30000 + 68 + 30 * 2 + 48, "TCS");  // …which the chooser never lists
  user_.answer = 1;

  ASSERT_EQ(list_.LoadFlashList(image.bytes, false), LoadResult::kLoaded);

  ASSERT_EQ(user_.asked.size(), 2u);
  const std::vector<std::pair<std::string, std::string>> tcs_rows = {
      {"010000", "TCS"}, {"030000", "TCS"}, {"060000", "TCS"}};
  const std::vector<std::pair<std::string, std::string>> tpt_rows = {{"20", "TPT"},
                                                                     {"70000", "TPT"}};
  for (size_t i = 0; i < 2; ++i) {
    const auto& expected = i == 0 ? tcs_rows : tpt_rows;
    ASSERT_EQ(user_.asked[i].size(), expected.size());
    for (size_t r = 0; r < expected.size(); ++r) {
      EXPECT_EQ(user_.asked[i][r].position, expected[r].first);
      EXPECT_EQ(user_.asked[i][r].marker, expected[r].second);
    }
  }
  EXPECT_EQ(list_.channels().Cell(1, ChannelColumn::kNombre), "Tres 1");
  EXPECT_EQ(list_.tcs_position(), (TablePosition{0x30000, 0}));
  EXPECT_EQ(list_.tpt_position(), (TablePosition{0x70000, 0}));
  EXPECT_EQ(list_.tcs_section_text(), "03 (030000)");
  EXPECT_EQ(list_.tpt_section_text(), "07 (070000)");
  EXPECT_EQ(settings_.tcs, 3);
  EXPECT_EQ(settings_.tpt, 7);
  EXPECT_TRUE(list_.list_loaded());
}

TEST_F(ChannelListTest, SecondTableInsideASectionIsNeverListed) {
  ListImage image(0x40000);
  AddList(image, 0x20000, 0x10020, 2, 3, "Primera");
  image.AddTable(0x10060, "TCS", 30, 0);
  image.AddTable(0x30000, "TCS", 30, 0);
  user_.answer = 0;
  ASSERT_EQ(list_.LoadFlashList(image.bytes, false), LoadResult::kLoaded);
  ASSERT_EQ(user_.asked.size(), 1u);  // one transponder table: no question about it
  ASSERT_EQ(user_.asked[0].size(), 2u);
  EXPECT_EQ(user_.asked[0][0].position, "010020");
  EXPECT_EQ(user_.asked[0][1].position, "030000");
  EXPECT_EQ(list_.tcs_position(), (TablePosition{0x10000, 0x20}));
  // The group shows where the first marker is when a table does not start its section.
  EXPECT_EQ(list_.tcs_section_text(), "01 (010040)");
  EXPECT_EQ(list_.tpt_section_text(), "02 (020000)");
}

TEST_F(ChannelListTest, FailedLoadsLeaveTheLoadedListAlone) {
  ListImage loaded(0x20000);
  AddList(loaded, 0x00000, 0x10000, 2, 4, "Vieja");
  ASSERT_EQ(list_.LoadFlashList(loaded.bytes, false), LoadResult::kLoaded);
  const ChannelTable channels = list_.channels();
  const TransponderTable transponders = list_.transponders();
  const std::string tcs_text = list_.tcs_section_text();

  ListImage channels_only(0x20000);
  channels_only.AddTable(0x10000, "TCS", 30, 999);
  ListImage transponders_only(0x20000);
  transponders_only.AddTable(0x10000, "TPT", 12, 99);
  ListImage several(0x40000);
  AddList(several, 0x00000, 0x10000, 1, 1);
  several.AddTable(0x30000, "TCS", 30, 0);
  const std::string nothing(0x20000, '\0');
  struct Case {
    const char* what;
    const std::string& bytes;
    LoadResult result;
    std::optional<int> message;
  };
  const Case cases[] = {
      {"channels, no transponders", channels_only.bytes, LoadResult::kNoTransponderTable, 196},
      {"transponders, no channels", transponders_only.bytes, LoadResult::kNoChannelTable, 197},
      {"nothing", nothing, LoadResult::kNoChannelTable, 197},
      {"copies and no answer", several.bytes, LoadResult::kNoSectionChosen, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(list_.LoadFlashList(c.bytes, false), c.result) << c.what;
    EXPECT_EQ(LoadFailureTextKey(c.result), c.message) << c.what;
    EXPECT_EQ(list_.LoadFlashList(c.bytes, true), c.result) << c.what;
    EXPECT_EQ(list_.channels().Row(1), channels.Row(1)) << c.what;
    EXPECT_EQ(list_.transponders().Row(2), transponders.Row(2)) << c.what;
    EXPECT_EQ(list_.tcs_section_text(), tcs_text) << c.what;
  }
  EXPECT_EQ(texts_.Text(196), "¡ No se ha encontrado ninguna tabla de transpondedores !");
  EXPECT_EQ(texts_.Text(197), "¡ No se ha encontrado ninguna tabla de canales !");
}

TEST_F(ChannelListTest, AppendedChannelsFollowTheirTransponders) {
  ListImage first(0x20000);
  AddList(first, 0x00000, 0x10000, 40, 50, "Uno");
  ASSERT_EQ(list_.LoadFlashList(first.bytes, false), LoadResult::kLoaded);
  ASSERT_EQ(FirstEmptyTransponderRow(list_.transponders()), 41);
  ASSERT_EQ(FirstEmptyChannelRow(list_.channels()), 51);

  ListImage second(0x30000);
  second.AddTable(0x20000, "TPT", 12, 99);
  second.PutTransponder(0x20000, 0, TransponderBytes(1000000000, 901, 2, 1, 0, 0, 0x00));
  second.PutTransponder(0x20000, 1, TransponderBytes(1001000000, 902, 2, 1, 0, 0, 0x00));
  second.PutTransponder(0x20000, 2, TransponderBytes(1002000000, 903, 2, 1, 0, 0, 0x08));
  second.AddTable(0x10020, "TCS", 30, 999);
  second.PutChannel(0x10020, 0, {"Dos 1", 0x04, 3, 501});
  second.PutChannel(0x10020, 1, {"Dos 2", 0x04, 0, 502});
  second.PutChannel(0x10020, 2, {"Dos 3", 0x04, 1, 503});
  ASSERT_EQ(list_.LoadFlashList(second.bytes, true), LoadResult::kLoaded);

  const auto& t = list_.transponders();
  EXPECT_EQ(t.Cell(40, TransponderColumn::kTrsp), "1039");  // the first list stays
  EXPECT_EQ(t.Cell(41, TransponderColumn::kTrsp), "901");
  EXPECT_EQ(t.Cell(43, TransponderColumn::kTrsp), "903");
  EXPECT_EQ(t.Cell(44, TransponderColumn::kFrec), "0");
  const auto& c = list_.channels();
  EXPECT_EQ(c.Cell(50, ChannelColumn::kNombre), "Uno 50");
  const std::vector<std::vector<std::string>> added = {{"Dos 1", "43", "501", "Hispasat"},
                                                       {"Dos 2", "0", "502", "Astra"},
                                                       {"Dos 3", "41", "503", "Astra"}};
  for (int row = 51; row <= 53; ++row) {
    const auto& e = added[static_cast<size_t>(row - 51)];
    EXPECT_EQ(c.Cell(row, ChannelColumn::kNombre), e[0]);
    EXPECT_EQ(c.Cell(row, ChannelColumn::kTrsp), e[1]);
    EXPECT_EQ(c.Cell(row, ChannelColumn::kSid), e[2]);
    EXPECT_EQ(c.Cell(row, ChannelColumn::kSat), e[3]);
  }
  EXPECT_TRUE(IsEmptyChannelRow(c, 54));
}

TEST_F(ChannelListTest, MovingTheChannelTableCopiesItsHeadAndWipesTheOldCopy) {
  ListImage image(0x60000);
  AddList(image, 0x20000, 0x10020, 4, 20);
  const std::string original = image.bytes;
  ASSERT_EQ(list_.LoadFlashList(image.bytes, false), LoadResult::kLoaded);
  settings_.tcs = 5;

  ASSERT_TRUE(list_.BuildImage(image.bytes)) << ::testing::PrintToString(user_.errors);

  std::string expected = original;
  expected.replace(0x50000, 32, std::string(" ") + std::string(31, '\0'));
  expected.replace(0x50020, 36, original.substr(0x10040, 36));              // the rest of the head
  expected.replace(0x50044, 999 * 30, original.substr(0x10064, 999 * 30));  // the records
  expected.replace(0x10040, 60075, std::string(60075, '\0'));  // the old copy, from its marker
  EXPECT_TRUE(image.bytes == expected);
  EXPECT_EQ(list_.tcs_position(), (TablePosition{0x50000, 0}));
  EXPECT_EQ(list_.tcs_section_text(), "05 (050000)");
  EXPECT_EQ(list_.tpt_position(), (TablePosition{0x20000, 0}));

  // Loaded again, the moved list reads the same.
  ChoosingUser other_user;
  Settings other_settings = ListSettings();
  ChannelList reloaded(other_settings, texts_, other_user, ',');
  ASSERT_EQ(reloaded.LoadFlashList(image.bytes, false), LoadResult::kLoaded);
  EXPECT_TRUE(other_user.asked.empty());
  for (int row = 1; row < 1000; row += 7) {
    EXPECT_EQ(reloaded.channels().Row(row), list_.channels().Row(row));
  }
}

TEST_F(ChannelListTest, BuildingWipesEveryOtherCopyOfBothTables) {
  ListImage image(0x80000);
  AddList(image, 0x20000, 0x30020, 3, 6);
  image.AddTable(0x10000, "TCS", 30, 999);
  image.AddTable(0x60000, "TCS", 30, 999);
  image.AddTable(0x40020, "TPT", 12, 99);
  image.AddTable(0x30800, "TCS", 30, 0);  // behind the active table in its own section
  const std::string original = image.bytes;
  user_.answer = 1;  // TCS: 010000, 030020, 060000; TPT: 020000, 040020
  ASSERT_EQ(list_.LoadFlashList(image.bytes, false), LoadResult::kLoaded);
  ASSERT_EQ(list_.tcs_position(), (TablePosition{0x30000, 0x20}));
  ASSERT_EQ(list_.tpt_position(), (TablePosition{0x40000, 0x20}));

  ASSERT_TRUE(list_.BuildImage(image.bytes));
  std::string expected = original;
  // Copies that start their section are zeroed from their start, the others from their first
  // marker; the copy behind the active table in section 3 is never reached.
  expected.replace(0x20000, 1551, std::string(1551, '\0'));
  expected.replace(0x10000, 60075, std::string(60075, '\0'));
  expected.replace(0x60000, 60075, std::string(60075, '\0'));
  EXPECT_TRUE(image.bytes == expected);
  EXPECT_EQ(FindTableCopies("TCS", image.bytes), (std::vector<size_t>{0x30020}));
  EXPECT_EQ(FindTableCopies("TPT", image.bytes), (std::vector<size_t>{0x40020}));
}

TEST_F(ChannelListTest, UnchangedListIsSavedByteForByte) {
  ListImage quirky(0x30000);
  AddList(quirky, 0x20020, 0x00000, 5, 30);
  quirky.PutTransponder(0x20020, 5, TransponderBytes(0x54B1F1C0, 6, 7, 8, 16, 6, 0x0F));
  quirky.PutTransponder(0x20020, 6,
                        TransponderBytes(0xFFFFFFFF, 0xFFFF, 0xFFFF, 0xFF, 0xEE, 0xDD, 0x00));
  quirky.PutChannel(0, 30, {"Eurosport Italia", 0xFF, 7, 0xFFFF, 0xFFFF, 0xFFFF, 1, 2, 3});
  quirky.PutChannel(0, 31, {"Cataluña R.", 0x00, 0, 0, 0, 0, 0, 0, 0});
  quirky.PutChannel(0, 32,
                    {"\xC7"
                     "anal \x80\x81",
                     0x2C, 200, 1, 2, 3, 4, 5, 6});
  const std::string simulated = sim::MakeFlashImageWithChannels();
  for (const char separator : {',', '.'}) {
    for (const std::string* original : {&std::as_const(quirky.bytes), &simulated}) {
      Settings settings = ListSettings();
      ChoosingUser user;
      ChannelList list(settings, texts_, user, separator);
      ASSERT_EQ(list.LoadFlashList(*original, false), LoadResult::kLoaded);
      std::string image = *original;
      SavedFile saved;
      ASSERT_TRUE(list.SaveListFile("lista.bin", image, saved.Writer()));
      EXPECT_EQ(saved.path, "lista.bin");
      EXPECT_TRUE(saved.bytes == *original) << separator;
      EXPECT_TRUE(image == *original);
      EXPECT_TRUE(user.errors.empty());
    }
  }
}

TEST_F(ChannelListTest, ACellThatIsNotANumberChangesNothing) {
  ListImage image(0x60000);
  AddList(image, 0x20000, 0x10020, 4, 20);
  ASSERT_EQ(list_.LoadFlashList(image.bytes, false), LoadResult::kLoaded);
  settings_.tcs = 5;  // a move that must not happen either
  settings_.tpt = 4;
  const std::string original = image.bytes;
  struct Case {
    bool channel;
    int row;
    int column;
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {true, 999, static_cast<int>(ChannelColumn::kSid), "12a",
       "'12a' no es un valor entero válido"},
      {true, 3, static_cast<int>(ChannelColumn::kTrsp), "", "'' no es un valor entero válido"},
      {false, 99, static_cast<int>(TransponderColumn::kFrec), "11.778",
       "'11.778' no es un valor numérico válido"},
  };
  for (const Case& c : cases) {
    ChannelTable channels = list_.channels();
    TransponderTable transponders = list_.transponders();
    if (c.channel) {
      list_.channels().Row(c.row)[static_cast<size_t>(c.column)] = c.text;
    } else {
      list_.transponders().Row(c.row)[static_cast<size_t>(c.column)] = c.text;
    }
    user_.errors.clear();
    SavedFile saved;
    EXPECT_FALSE(list_.SaveListFile("x.bin", image.bytes, saved.Writer()));
    EXPECT_EQ(saved.writes, 0);
    EXPECT_EQ(user_.errors, std::vector<std::string>{c.message});
    EXPECT_TRUE(image.bytes == original);
    EXPECT_EQ(list_.tcs_position(), (TablePosition{0x10000, 0x20}));
    EXPECT_EQ(list_.tpt_position(), (TablePosition{0x20000, 0}));
    EXPECT_EQ(list_.tcs_section_text(), "01 (010040)");
    EXPECT_EQ(list_.tpt_section_text(), "02 (020000)");
    list_.channels() = channels;
    list_.transponders() = transponders;
  }
}

TEST_F(ChannelListTest, OnlyALoadedFlashListIsBuilt) {
  std::string image(0x100, '\0');
  EXPECT_FALSE(list_.BuildImage(image));
  list_.LoadRamList(image);
  EXPECT_FALSE(list_.BuildImage(image));
  EXPECT_EQ(user_.errors, (std::vector<std::string>{texts_.Text(195), texts_.Text(194)}));
}

TEST_F(ChannelListTest, RamListIsBareRecordsFromTheStart) {
  list_.transponders().SetCell(1, TransponderColumn::kFrec, "kept");
  std::string ram = ChannelBytes({"Uno", 0x24, 1, 1, 0x100, 0x101, 0, 0, 0x100}) +
                    ChannelBytes({"Dos", 0x04, 2, 2, 0xFFFF, 0x102, 0, 0, 0x102}) +
                    std::string("ABCDE");
  list_.LoadRamList(ram);
  EXPECT_TRUE(list_.ram_list());
  EXPECT_TRUE(list_.list_loaded());
  EXPECT_EQ(list_.channels().Row(1),
            (ListRow{"1", "Uno", "1", "1", "256", "257", "0", "0", "256", "24", ""}));
  EXPECT_EQ(list_.channels().Row(3),
            (ListRow{"3", "ABCDE", "0", "0", "0", "0", "0", "0", "0", "00", ""}));
  EXPECT_EQ(list_.channels().Colour(2), kRadioColour);
  EXPECT_EQ(list_.tcs_section_text(), "RAM");
  EXPECT_EQ(list_.tpt_section_text(), "");
  EXPECT_EQ(list_.transponders().Cell(1, TransponderColumn::kFrec), "kept");

  // Saved, the RAM image keeps its length; what lies beyond the records becomes zero.
  std::string image = ram + std::string(999 * 30, '\xEE');
  list_.LoadRamList(image);
  list_.channels().SetCell(2, ChannelColumn::kNombre, "Otro");
  SavedFile saved;
  ASSERT_TRUE(list_.SaveListFile("ram.bin", image, saved.Writer()));
  std::string expected = ram + std::string(999 * 30, '\0');
  expected.replace(30, 16, std::string("Otro") + std::string(12, '\0'));
  expected.replace(2 * 30, 30,
                   ChannelBytes({"ABCDE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE", 0xEE, 0xEE,
                                 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE, 0xEEEE}));
  for (size_t at = 3 * 30; at < 999 * 30; ++at) expected[at] = '\xEE';
  EXPECT_EQ(saved.bytes.size(), image.size());
  EXPECT_TRUE(saved.bytes == expected);
}

TEST_F(ChannelListTest, AFileThatCannotBeWrittenIsReported) {
  const std::string original = sim::MakeFlashImageWithChannels();
  std::string image = original;
  ASSERT_EQ(list_.LoadFlashList(image, false), LoadResult::kLoaded);
  SavedFile saved;
  saved.failure = "Permiso denegado";
  EXPECT_FALSE(list_.SaveListFile("/solo/lectura.bin", image, saved.Writer()));
  EXPECT_EQ(user_.errors, std::vector<std::string>{texts_.Text(ExtraText::kFileNotSaved) +
                                                   " /solo/lectura.bin\nPermiso denegado"});
}

TEST_F(ChannelListTest, ImagesThatEndTooSoonAreReadAndWrittenWithinTheirBytes) {
  // Cuts of two images through every part of both tables: whatever is found loads, and an
  // unchanged list goes back byte for byte without the image growing.
  struct Source {
    std::string bytes;
    size_t first_table;  // the table that comes first in the image, then the second
    size_t second_table;
    size_t second_table_bytes;
    size_t step;  // between cuts; odd, so that cuts fall on every offset inside a record
  };
  ListImage channels_first(0x30000);
  AddList(channels_first, 0x20020, 0x00000, 5, 30);
  const Source sources[] = {
      {sim::MakeFlashImageWithChannels(300, 40), sim::kSimTransponderTable, sim::kSimChannelTable,
       kChannelTableBytes, 997},
      {channels_first.bytes, 0, 0x20020, kTransponderTableBytes, 37},
  };
  for (const Source& source : sources) {
    std::vector<size_t> cuts = {0, 50, source.first_table + 51, source.second_table + 50};
    for (size_t cut = source.second_table + 51;
         cut < source.second_table + source.second_table_bytes + 64; cut += source.step) {
      cuts.push_back(cut);
    }
    for (const size_t cut : cuts) {
      const std::string original = source.bytes.substr(0, cut);
      Settings settings = ListSettings();
      ChoosingUser user;
      ChannelList list(settings, texts_, user, ',');
      const LoadResult result = list.LoadFlashList(original, false);
      ASSERT_EQ(result == LoadResult::kLoaded, cut >= source.second_table + 51) << cut;
      if (result != LoadResult::kLoaded) continue;
      std::string image = original;
      ASSERT_TRUE(list.BuildImage(image)) << cut;
      EXPECT_TRUE(image == original) << cut;
    }
  }
}

TEST_F(ChannelListTest, ATableAtTheVeryEndMovesWithWhatItHas) {
  ListImage image(0x20000 + 51);  // the channel table's second marker ends the image
  AddList(image, 0x10000, 0x20000, 2, 0);
  const std::string original = image.bytes;
  ASSERT_EQ(list_.LoadFlashList(image.bytes, false), LoadResult::kLoaded);
  EXPECT_TRUE(IsEmptyChannelRow(list_.channels(), 999));
  settings_.tcs = 0;
  ASSERT_TRUE(list_.BuildImage(image.bytes));
  ASSERT_EQ(image.bytes.size(), original.size());
  std::string expected = original;
  // The head at section 0: the table started its section, so its prefix comes along; then the
  // image's 19 bytes after the prefix and 17 that it did not have, read as zero.
  std::string head = original.substr(0x20000, 51) + std::string(17, '\0');
  expected.replace(0, 68, head);
  expected.replace(68, 999 * 30, std::string(999 * 30, '\0'));
  expected.replace(0x20000, 51, std::string(51, '\0'));  // the old copy, up to the end
  EXPECT_TRUE(image.bytes == expected);
}

}  // namespace
}  // namespace atalaya
