#include "core/config/decoder_files.h"

#include <gtest/gtest.h>

#include <map>

#include "core/config/settings.h"

namespace atalaya {
namespace {

FlashLayout Layout(const std::string& text) {
  const auto layout = ReadFlashLayout(IniFile::FromBytes(text), "Chip");
  EXPECT_TRUE(layout) << text;
  return layout.value_or(FlashLayout{});
}

TEST(FlashLayoutTest, ReadsTheBlockMap) {
  const FlashLayout two = Layout("[Chip]\r\nNumBlocks=2\r\nblock0=0\r\nblock1=10000\r\nblock2=20000\r\n");
  EXPECT_EQ(two.block_count, 2);
  EXPECT_EQ(two.erase_code, 48);
  EXPECT_EQ(two.blocks[1], 0x10000u);
  EXPECT_EQ(two.ChipSize(), 0x20000u);  // 128 KiB: from 7FE00000 up to 7FE20000
  EXPECT_EQ(0x7FE00000u + two.blocks[1], 0x7FE10000u);

  struct Case {
    const char* value;
    uint32_t read;
  };
  const Case cases[] = {{"1A000", 0x1A000}, {"1a000", 0xFFFFFFFF}, {"0x1A000", 0xFFFFFFFF},
                        {"", 0}, {"FFFFFFFFF", 0xFFFFFFFF}};
  for (const Case& c : cases) {
    EXPECT_EQ(Layout(std::string("[chip]\nblock1=") + c.value + "\n").blocks[1], c.read) << c.value;
  }
  // Only block0 to block1024 written as plain decimal numbers are blocks; the first of two
  // counts, and keys are trimmed like every key.
  const FlashLayout odd = Layout(
      "[Chip]\nblock07=7\nblock1025=1\nblock=2\nblockX=3\nblock-1=4\nblock+2=5\nBLOCK3=6\n"
      "block 4=8\n block5 = 9\nblock6=A\nblock6=B\nblock1024=C\n");
  EXPECT_EQ(odd.blocks[5], 0x9u);
  EXPECT_EQ(odd.blocks[6], 0xAu);
  EXPECT_EQ(odd.blocks[1024], 0xCu);
  for (size_t n : {0, 1, 2, 3, 4, 7}) EXPECT_EQ(odd.blocks[n], 0u) << n;
  EXPECT_EQ(Layout("[Chip]\nErasureMode=304\n").erase_code, 48);
  EXPECT_EQ(Layout("[Chip]\nErasureMode=$D0\n").erase_code, 0xD0);
  const FlashLayout empty = Layout("");
  EXPECT_EQ(empty.block_count, 1);
  EXPECT_EQ(empty.ChipSize(), 0u);
  EXPECT_EQ(Layout("[Chip]\nNumBlocks=1024\nblock1024=400000\n").ChipSize(), 0x400000u);
}

TEST(FlashLayoutTest, RefusesABlockCountOutsideTheTable) {
  for (const char* count : {"1025", "-1", "99999999999"}) {
    EXPECT_FALSE(ReadFlashLayout(IniFile::FromBytes(std::string("[Chip]\nNumBlocks=") + count),
                                 "Chip"))
        << count;
  }
}

TEST(SymbolRatesTest, ReadsSixteenEntries) {
  const SymbolRateTable table =
      ReadSymbolRates(IniFile::FromBytes("[Rates]\nvalue00=22000\nvalue02=27500\nvalue0a=1\n"
                                         "value0A=30000\n"),
                      "Rates");
  EXPECT_EQ(table[0], 22000);
  EXPECT_EQ(table[1], 0);
  EXPECT_EQ(table[2], 27500);
  EXPECT_EQ(table[10], 30000);
  EXPECT_EQ(table[15], 0);
}

// A data folder in memory: the settings file and the data files it names.
struct DataFiles {
  std::map<std::string, std::string> files;

  Settings Load(const std::string& settings_text) const {
    SettingsEnvironment environment;
    environment.data_file_exists = [this](const std::string& name) {
      return files.contains(name);
    };
    environment.read_data_file = Reader();
    return LoadSettings(IniFile::FromBytes(settings_text), environment);
  }

  DataFileReader Reader() const {
    return [this](const std::string& name) {
      const auto found = files.find(name);
      return found == files.end() ? IniFile() : IniFile::FromBytes(found->second);
    };
  }
};

const DataFiles kFolder{{
    {"Big", "[Big]\nNumBlocks=2\nErasureMode=48\nblock0=0\nblock1=100000\nblock2=200000\n"},
    {"Small", "[Small]\nNumBlocks=1\nErasureMode=$D0\nblock0=0\nblock1=80000\n"},
    {"Broken", "[Broken]\nNumBlocks=2000\n"},
    {"K9999", "[K9999]\nFlash1Start=60000000\nFlash1Type=1\nFlash2Start=7FE00000\nFlash2Type=7\n"},
    {"Rates", "[Rates]\nvalue00=22000\nvalue02=27500\n"},
}};

const std::string kLists =
    "[TForm1]\nFlashIC0=Big\nFlashIC1=Small\nFlashIC2=Broken\nModel1=K9999\nSR0=Rates\n";

TEST(DecoderFilesTest, StartUpLoadsTheChosenFiles) {
  const Settings custom = kFolder.Load(kLists + "Model=0\nFlash1Type=1\nFlash2Type=0\nSR=0\n");
  EXPECT_EQ(custom.flash_layouts[0].ChipSize(), 0x80000u);
  EXPECT_EQ(custom.flash_layouts[0].erase_code, 0xD0);
  EXPECT_EQ(custom.flash_layouts[1].ChipSize(), 0x200000u);
  EXPECT_EQ(custom.symbol_rates[2], 27500);

  const Settings model = kFolder.Load(kLists + "Model=1\nFlash1Start=11111111\n");
  EXPECT_EQ(model.flash1_start, "60000000");
  EXPECT_EQ(model.flash1_type, 1);
  EXPECT_EQ(model.flash2_start, "7FE00000");
  EXPECT_EQ(model.flash2_type, -1);  // the model names a type the list does not have
  EXPECT_EQ(model.flash_layouts[0].ChipSize(), 0x80000u);
  EXPECT_EQ(model.flash_layouts[1].block_count, 1);  // the empty name: default layout
  EXPECT_EQ(model.flash_layouts[1].ChipSize(), 0u);
  EXPECT_EQ(model.symbol_rates[2], 0);  // SR 2 is beyond the one file listed
}

TEST(DecoderFilesTest, ARefusedFlashTypeKeepsThePreviousLayout) {
  Settings s = kFolder.Load(kLists + "Flash1Type=0\n");
  const FlashLayout before = s.flash_layouts[0];
  s.flash1_type = 2;
  LoadFlashLayout(s, 1, kFolder.Reader());
  EXPECT_EQ(s.flash_layouts[0], before);
  EXPECT_EQ(s.refused_flash_types, std::vector<std::string>{"Broken"});

  const Settings start = kFolder.Load(kLists + "Flash1Type=2\n");
  EXPECT_EQ(start.flash_layouts[0], FlashLayout{});  // nothing loaded before: still empty
  EXPECT_EQ(start.refused_flash_types, std::vector<std::string>{"Broken"});
}

TEST(DecoderFilesTest, BackToPersonalizadoKeepsWhatTheModelSet) {
  Settings s = kFolder.Load(kLists + "Model=1\n");
  s.model = 0;
  ApplyModel(s, kFolder.Reader());
  EXPECT_EQ(s.flash1_start, "60000000");
  EXPECT_EQ(s.flash_layouts[0].ChipSize(), 0x80000u);
}

}  // namespace
}  // namespace atalaya
