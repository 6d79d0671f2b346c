// CRC-32 and the firmware checksum block written before a firmware image is programmed.
#include "core/jtag/crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/jtag/firmware_checksum.h"
#include "core/shell/task_status.h"

namespace atalaya {
namespace {

struct Lines : LogPane {
  void Append(std::string_view line) override { lines.emplace_back(line); }
  std::vector<std::string> lines;
};

TEST(Crc32Test, MatchesThePublishedCheckValues) {
  struct Case {
    std::string data;
    uint32_t crc;
  };
  const Case cases[] = {
      {"", 0x00000000},
      {"a", 0xE8B7BE43},
      {"123456789", 0xCBF43926},
      {"The quick brown fox jumps over the lazy dog", 0x414FA339},
      {std::string(32, '\0'), 0x190A55AD},
      {std::string(32, '\xFF'), 0xFF6CAB0B},
  };
  for (const Case& c : cases) EXPECT_EQ(Crc32(c.data), c.crc) << c.data;
}

// A firmware image whose blocks all differ.
std::string Firmware(size_t size) {
  std::string image(size, '\0');
  uint32_t state = 1;
  for (char& byte : image) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 16);
  }
  return image;
}

TEST(FirmwareChecksumTest, TwentyBlocksMostSignificantByteFirstAndLogged) {
  const std::string image = Firmware(0x13FC50);
  Lines log;
  const auto block = FirmwareChecksumBlock(image, log);
  ASSERT_TRUE(block);
  ASSERT_EQ(log.lines.size(), 20u);
  for (size_t i = 0; i < 20; ++i) {
    const uint32_t crc =
        Crc32(std::string_view(image).substr(i * 0x10000, i == 19 ? 0xFC00 : 0x10000));
    EXPECT_EQ((*block)[4 * i], crc >> 24) << i;
    EXPECT_EQ((*block)[4 * i + 1], (crc >> 16) & 0xFF) << i;
    EXPECT_EQ((*block)[4 * i + 2], (crc >> 8) & 0xFF) << i;
    EXPECT_EQ((*block)[4 * i + 3], crc & 0xFF) << i;
    char text[9];
    std::snprintf(text, sizeof text, "%08X", crc);
    EXPECT_EQ(log.lines[i], text);
  }
}

TEST(FirmwareChecksumTest, ZeroImageGivesOneValueForFullBlocksAndAnotherForTheLast) {
  Lines log;
  const auto values = ComputeFirmwareChecksums(std::string(0x13FC00, '\0'));
  ASSERT_TRUE(values);
  for (size_t i = 1; i < 19; ++i) EXPECT_EQ((*values)[i], (*values)[0]);
  EXPECT_NE((*values)[19], (*values)[0]);
  EXPECT_EQ((*values)[0], Crc32(std::string(0x10000, '\0')));
  EXPECT_EQ((*values)[19], Crc32(std::string(0xFC00, '\0')));
}

TEST(FirmwareChecksumTest, BlockLiesOutsideWhatItCovers) {
  std::string image = Firmware(0x140000);
  const std::string before = image;
  Lines first;
  ASSERT_TRUE(AddFirmwareChecksum(image, first));
  EXPECT_EQ(image.substr(0, 0x13FC00), before.substr(0, 0x13FC00));
  EXPECT_EQ(image.substr(0x13FC50), before.substr(0x13FC50));
  Lines second;
  const auto again = FirmwareChecksumBlock(image, second);
  ASSERT_TRUE(again);
  EXPECT_EQ(second.lines, first.lines);
  EXPECT_EQ(image.substr(0x13FC00, 80),
            std::string(reinterpret_cast<const char*>(again->data()), again->size()));
}

TEST(FirmwareChecksumTest, ShortImagesGetNoBlock) {
  struct Case {
    size_t size;
    bool computed;
    bool written;
  };
  const Case cases[] = {
      {0, false, false},       {0x13FBFF, false, false},
      {0x13FC00, true, false},  // covered, but no room for the block itself
      {0x13FC4F, true, false}, {0x13FC50, true, true},
  };
  for (const Case& c : cases) {
    std::string image = Firmware(c.size);
    const std::string before = image;
    Lines log;
    EXPECT_EQ(FirmwareChecksumBlock(image, log).has_value(), c.computed) << c.size;
    EXPECT_EQ(log.lines.size(), c.computed ? 20u : 0u);
    EXPECT_EQ(AddFirmwareChecksum(image, log), c.written) << c.size;
    EXPECT_EQ(image.size(), before.size());
    if (!c.written) {
      EXPECT_TRUE(image == before);
    }
  }
}

}  // namespace
}  // namespace atalaya
