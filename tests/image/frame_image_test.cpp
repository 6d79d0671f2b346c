#include "core/image/frame_image.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace atalaya {
namespace {

using Pixel = RgbPicture::Pixel;

constexpr size_t kLumaAreaEnd = 414720;
constexpr size_t kFullCapture = 0x98000;  // what the JTAG capture reads

// A full capture with every luma byte `luma` and every chroma byte `cb` / `cr`, laid out by the
// layout's own description rather than by the code under test: luma fills the area before
// 414720, and chroma lines alternate four Cb and four Cr bytes.
std::string UniformFrame(uint8_t luma, uint8_t cb, uint8_t cr) {
  std::string frame(kFullCapture, '\0');
  for (size_t i = 0; i < frame.size(); ++i) {
    if (i < kLumaAreaEnd) {
      frame[i] = static_cast<char>(luma);
    } else {
      frame[i] = static_cast<char>((i - kLumaAreaEnd) % 8 < 4 ? cb : cr);
    }
  }
  return frame;
}

std::string RandomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
}

// The pixels that differ from `background`.
std::vector<std::pair<int, int>> PixelsNotEqualTo(const RgbPicture& picture, Pixel background) {
  std::vector<std::pair<int, int>> found;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      if (!(picture.At(x, y) == background)) found.emplace_back(x, y);
    }
  }
  return found;
}

bool EveryPixelIs(const RgbPicture& picture, Pixel colour) {
  return PixelsNotEqualTo(picture, colour).empty();
}

// One sample value each, the colour worked out by hand from the formulas; the .5 cases show
// halves going to the even neighbour (16.5 → 16, 17.5 → 18).
struct ColourCase {
  uint8_t luma, cb, cr;
  Pixel expected;  // blue, green, red
};

class ColourTest : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourTest, EveryPixelOfAUniformFrameHasTheFormulasColour) {
  const ColourCase& c = GetParam();
  const std::string frame = UniformFrame(c.luma, c.cb, c.cr);
  for (int width : kFrameWidths) {
    SCOPED_TRACE(width);
    const RgbPicture picture = ConvertFrame(frame, width);
    ASSERT_EQ(picture.width(), width);
    ASSERT_EQ(picture.height(), 576);
    EXPECT_TRUE(EveryPixelIs(picture, c.expected));
    EXPECT_TRUE(EveryPixelIs(ConvertFrameReference(frame, width), c.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formulas, ColourTest,
    ::testing::Values(
        // All zero: −18.624 − 258.304, −18.624 + 104.064 + 50.048 = 135.488, −18.624 − 204.288.
        ColourCase{0, 0, 0, {0, 135, 0}},
        ColourCase{235, 128, 128, {255, 255, 255}},  // 1.164 × 219 = 254.916
        ColourCase{16, 128, 128, {0, 0, 0}},
        ColourCase{255, 255, 255, {255, 125, 255}},  // green 278.196 − 103.251 − 49.657
        ColourCase{194, 34, 128, {18, 244, 207}},    // blue 207.192 − 189.692 = 17.5
        ColourCase{155, 56, 128, {16, 190, 162}},    // blue 161.796 − 145.296 = 16.5
        ColourCase{168, 128, 35, {177, 253, 28}},    // red 176.928 − 148.428 = 28.5
        ColourCase{121, 128, 58, {122, 179, 10}},    // red 122.22 − 111.72 = 10.5
        ColourCase{134, 104, 100, {89, 170, 93}},    // green 137.352 + 22.764 + 9.384 = 169.5
        ColourCase{91, 132, 100, {95, 108, 43}}));   // green 87.3 + 22.764 − 1.564 = 108.5

// A black frame (luma 16, chroma 128) with one luma byte at 235 turns exactly one pixel white.
struct LumaCase {
  int width;
  size_t offset;
  int x, y;
};

class LumaLayoutTest : public ::testing::TestWithParam<LumaCase> {};

TEST_P(LumaLayoutTest, OneLumaByteLightsItsPixel) {
  const LumaCase& c = GetParam();
  std::string frame = UniformFrame(16, 128, 128);
  frame[c.offset] = static_cast<char>(235);
  EXPECT_EQ(LumaOffset(c.x, c.y, c.width), c.offset);
  for (const RgbPicture& picture :
       {ConvertFrame(frame, c.width), ConvertFrameReference(frame, c.width)}) {
    const std::vector<std::pair<int, int>> lit = PixelsNotEqualTo(picture, {0, 0, 0});
    ASSERT_EQ(lit.size(), 1u);
    EXPECT_EQ(lit[0], std::make_pair(c.x, c.y));
    EXPECT_EQ(picture.At(c.x, c.y), (Pixel{255, 255, 255}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, LumaLayoutTest,
    ::testing::Values(LumaCase{720, 0, 0, 0}, LumaCase{720, 32, 0, 1}, LumaCase{720, 1024, 32, 0},
                      LumaCase{720, 31 * 32 + 31, 31, 31}, LumaCase{352, 11264, 0, 32},
                      // Band 2 starts on column W of the run of tiles: tile W div 32, byte
                      // W mod 32 of its first line.
                      LumaCase{528, 16 * 1024 + 16, 0, 32}, LumaCase{544, 17 * 1024, 0, 32},
                      LumaCase{704, 22 * 1024, 0, 32}, LumaCase{720, 22 * 1024 + 16, 0, 32},
                      // The band that ends in the middle of a tile carries on in it.
                      LumaCase{720, 22 * 1024 + 15, 719, 0},
                      // The last pixel is the last byte before the chroma area.
                      LumaCase{720, 414719, 719, 575},
                      LumaCase{352, 197 * 1024 + 31 * 32 + 31, 351, 575}));

// A grey frame with one chroma byte at 255 changes exactly the 2 × 2 block it belongs to.
struct ChromaCase {
  int width;
  size_t offset;
  int u, v;
  bool is_cr;
};

class ChromaLayoutTest : public ::testing::TestWithParam<ChromaCase> {};

TEST_P(ChromaLayoutTest, OneChromaByteColoursItsBlock) {
  const ChromaCase& c = GetParam();
  std::string frame = UniformFrame(126, 128, 128);
  frame[c.offset] = static_cast<char>(255);
  EXPECT_EQ(c.is_cr ? CrOffset(c.u, c.v, c.width) : CbOffset(c.u, c.v, c.width), c.offset);
  const Pixel grey = {128, 128, 128};  // 1.164 × 110 = 128.04
  // Cb 255 adds 2.018 × 127 to blue and takes 0.391 × 127 from green; Cr 255 adds 1.596 × 127
  // to red and takes 0.813 × 127 from green.
  const Pixel coloured = c.is_cr ? Pixel{128, 25, 255} : Pixel{255, 78, 128};
  for (const RgbPicture& picture :
       {ConvertFrame(frame, c.width), ConvertFrameReference(frame, c.width)}) {
    const std::vector<std::pair<int, int>> changed = PixelsNotEqualTo(picture, grey);
    const std::vector<std::pair<int, int>> block = {{2 * c.u, 2 * c.v},
                                                    {2 * c.u + 1, 2 * c.v},
                                                    {2 * c.u, 2 * c.v + 1},
                                                    {2 * c.u + 1, 2 * c.v + 1}};
    // Four pixels changed, and they are the block's four.
    ASSERT_EQ(changed.size(), 4u);
    for (const auto& [x, y] : block) EXPECT_EQ(picture.At(x, y), coloured) << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, ChromaLayoutTest,
    ::testing::Values(ChromaCase{720, 414720, 0, 0, false}, ChromaCase{720, 414724, 0, 0, true},
                      ChromaCase{720, 414728, 4, 0, false},
                      ChromaCase{720, 414720 + 256, 16, 0, false},
                      ChromaCase{720, 414720 + 32, 0, 1, false},   // next line of the tile
                      ChromaCase{720, 414720 + 512, 0, 8, false},  // rows 8-15 from line 16
                      ChromaCase{720, 414720 + 768 + 4, 16, 8, true},
                      ChromaCase{720, 414720 + 1024, 32, 0, false},
                      // The second chroma band: 352 columns are exactly 11 tiles, 360 are 11¼.
                      ChromaCase{704, 414720 + 11 * 1024, 0, 16, false},
                      ChromaCase{720, 414720 + 11 * 1024 + 16, 0, 16, false},
                      ChromaCase{352, 414720 + 5 * 1024 + 256, 0, 16, false},
                      ChromaCase{528, 414720 + 8 * 1024 + 16, 0, 16, false},
                      ChromaCase{544, 414720 + 8 * 1024 + 256, 0, 16, false}));

TEST(ConvertFrameTest, MatchesTheReferenceOnRandomFramesOfEveryWidth) {
  for (int width : kFrameWidths) {
    SCOPED_TRACE(width);
    const std::string frame = RandomBytes(kFrameBytesUsed, static_cast<unsigned>(width));
    const RgbPicture fast = ConvertFrame(frame, width);
    ASSERT_EQ(fast.width(), width);
    EXPECT_TRUE(fast == ConvertFrameReference(frame, width));
  }
}

TEST(ConvertFrameTest, MatchesTheReferenceForEverySampleTriple) {
  // Each 2 × 2 block gets one (Cb, Cr) pair and four luma values; 64 blocks per pair cover
  // every luma value, so 41 frames cover all 2^24 combinations.
  constexpr int kWidth = 720;
  constexpr int kBlocks = kWidth / 2 * 288;
  uint32_t triple = 0;
  for (int frame_number = 0; triple < (1u << 24); ++frame_number) {
    std::string frame(kFullCapture, '\0');
    for (int block = 0; block < kBlocks; ++block) {
      const int u = block % (kWidth / 2);
      const int v = block / (kWidth / 2);
      const uint32_t first = triple < (1u << 24) ? triple : 0;
      frame[CbOffset(u, v, kWidth)] = static_cast<char>((first >> 8) & 0xFF);
      frame[CrOffset(u, v, kWidth)] = static_cast<char>(first >> 16);
      for (int i = 0; i < 4; ++i) {
        frame[LumaOffset(2 * u + i % 2, 2 * v + i / 2, kWidth)] =
            static_cast<char>((first + static_cast<uint32_t>(i)) & 0xFF);
      }
      triple += 4;
    }
    ASSERT_TRUE(ConvertFrame(frame, kWidth) == ConvertFrameReference(frame, kWidth))
        << "frame " << frame_number;
  }
}

TEST(ConvertFrameTest, ReadsNothingPastTheCaptureAndZeroForWhatIsMissing) {
  // Captures of hostile lengths: the missing samples read as 0 in both conversions.
  const std::string random = RandomBytes(10 * 1024 * 1024, 7);
  for (size_t length : {size_t{0}, size_t{1}, size_t{1023}, kLumaAreaEnd, size_t{500000},
                        kFullCapture - 1, kFullCapture, kFrameBytesUsed, random.size()}) {
    SCOPED_TRACE(length);
    // A copy of exactly `length` bytes, so a read past it is a read past the allocation.
    const std::string capture = random.substr(0, length);
    for (int width : kFrameWidths) {
      SCOPED_TRACE(width);
      EXPECT_TRUE(ConvertFrame(capture, width) == ConvertFrameReference(capture, width));
    }
  }
}

TEST(ConvertFrameTest, MissingSamplesAreZero) {
  EXPECT_TRUE(EveryPixelIs(ConvertFrame("", 720), {0, 135, 0}));

  // 1000 bytes of luma 235: lines 0-30 of the first tile and 8 bytes of line 31 are there.
  // Those pixels have Y 235 with Cb = Cr = 0: blue 254.916 − 258.304, green 254.916 + 104.064
  // + 50.048, red 254.916 − 204.288 = 50.628.
  const RgbPicture picture = ConvertFrame(std::string(1000, static_cast<char>(235)), 720);
  for (int y = 0; y < 576; ++y) {
    for (int x = 0; x < 720; ++x) {
      const bool present = x < 32 && y < 32 && 32 * y + x < 1000;
      ASSERT_EQ(picture.At(x, y), (present ? Pixel{0, 255, 51} : Pixel{0, 135, 0}))
          << x << "," << y;
    }
  }
}

TEST(ConvertFrameTest, OnlyTheFramesOwnSizesAreConverted) {
  const std::string frame = UniformFrame(235, 128, 128);
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{0, 576},
                                                                      {-2, 576},
                                                                      {721, 576},
                                                                      {722, 576},
                                                                      {351, 576},
                                                                      {720, 0},
                                                                      {720, 578},
                                                                      {720, 575}}) {
    EXPECT_TRUE(ConvertFrame(frame, width, height).empty()) << width << "x" << height;
    EXPECT_TRUE(ConvertFrameReference(frame, width, height).empty()) << width << "x" << height;
  }
  const RgbPicture small = ConvertFrame(frame, 2, 2);
  EXPECT_EQ(small.width(), 2);
  EXPECT_EQ(small.height(), 2);
  EXPECT_TRUE(EveryPixelIs(small, {255, 255, 255}));
}

struct FormatCase {
  bool f16_9, f4_3, original;
  PictureFormat expected;
};

TEST(PictureFormatTest, FollowsTheConfigurationChoice) {
  for (const FormatCase& c : {FormatCase{false, true, false, PictureFormat::k4By3},
                              FormatCase{true, false, false, PictureFormat::k16By9},
                              FormatCase{false, false, true, PictureFormat::kOriginal},
                              FormatCase{false, false, false, PictureFormat::k4By3}}) {
    Settings settings;
    settings.formato_16_9 = c.f16_9;
    settings.formato_4_3 = c.f4_3;
    settings.formato_original = c.original;
    EXPECT_EQ(PictureFormatOf(settings), c.expected);
  }
}

TEST(PictureFormatTest, EachFormatShowsAndSavesItsSize) {
  const RgbPicture converted = ConvertFrame(RandomBytes(kFullCapture, 3), 528);
  struct Case {
    PictureFormat format;
    PictureSize size;
  };
  for (const Case& c :
       {Case{PictureFormat::k16By9, {1024, 576}}, Case{PictureFormat::k4By3, {720, 576}},
        Case{PictureFormat::kOriginal, {528, 576}}}) {
    EXPECT_EQ(ShownSize(c.format, {528, 576}), c.size);
    const RgbPicture shown = ShownPicture(converted, c.format);
    EXPECT_EQ((PictureSize{shown.width(), shown.height()}), c.size);
  }
  EXPECT_TRUE(ShownPicture(converted, PictureFormat::kOriginal) == converted);
  // A 720-wide capture is already 4:3.
  const RgbPicture wide = ConvertFrame(RandomBytes(kFullCapture, 4), 720);
  EXPECT_TRUE(ShownPicture(wide, PictureFormat::k4By3) == wide);
}

RgbPicture PictureOf(int width, int height, const std::vector<uint8_t>& greys) {
  RgbPicture picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint8_t grey = greys[static_cast<size_t>(y * width + x)];
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = p[1] = p[2] = grey;
    }
  }
  return picture;
}

TEST(ScalePictureTest, InterpolatesBetweenPixelCentres) {
  // Doubling black|white: the new centres fall at ¼ and ¾ between the old ones, so the inner
  // two are 63.75 → 64 and 191.25 → 191; the outer ones stay on the edge pixels.
  struct Case {
    int from_width, from_height;
    std::vector<uint8_t> from;
    PictureSize to;
    std::vector<uint8_t> expected;
  };
  for (const Case& c :
       {Case{2, 1, {0, 255}, {4, 1}, {0, 64, 191, 255}},
        Case{1, 2, {0, 255}, {1, 4}, {0, 64, 191, 255}},
        Case{2, 1, {0, 255}, {3, 1}, {0, 128, 255}},  // the middle is halfway: 127.5 → 128
        Case{4, 1, {0, 0, 255, 255}, {2, 1}, {0, 255}},
        Case{2, 2, {0, 100, 200, 40}, {2, 2}, {0, 100, 200, 40}}}) {
    const RgbPicture scaled = ScalePicture(PictureOf(c.from_width, c.from_height, c.from), c.to);
    ASSERT_EQ((PictureSize{scaled.width(), scaled.height()}), c.to);
    EXPECT_TRUE(scaled == PictureOf(c.to.width, c.to.height, c.expected));
  }
}

TEST(ScalePictureTest, AUniformPictureStaysUniform) {
  RgbPicture picture(528, 576);
  for (int y = 0; y < 576; ++y) {
    for (int x = 0; x < 528; ++x) {
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = 17;
      p[1] = 200;
      p[2] = 255;
    }
  }
  EXPECT_TRUE(EveryPixelIs(ScalePicture(picture, {1024, 576}), {17, 200, 255}));
  EXPECT_TRUE(EveryPixelIs(ScalePicture(picture, {720, 576}), {17, 200, 255}));
}

TEST(PicturePageLayoutTest, CentresThePictureAndPutsTheButtonsUnderIt) {
  struct Case {
    PictureSize page, picture;
    PageRect expected_picture, expected_open, expected_save;
  };
  // Page halves are whole numbers: 737 ÷ 2 = 368. Buttons of 105 × 25: 52 and 12 either side.
  for (const Case& c : {
           Case{
               {736, 600}, {720, 576}, {8, -1, 720, 576}, {244, 577, 105, 25}, {372, 577, 105, 25}},
           Case{{737, 601},
                {528, 576},
                {104, -1, 528, 576},
                {244, 577, 105, 25},
                {372, 577, 105, 25}},
           Case{{1043, 700},
                {1024, 576},
                {9, 49, 1024, 576},
                {397, 627, 105, 25},
                {525, 627, 105, 25}},
       }) {
    const PicturePageLayout layout = LayOutPicturePage(c.page, c.picture, {105, 25});
    EXPECT_EQ(layout.picture, c.expected_picture);
    EXPECT_EQ(layout.open_button, c.expected_open);
    EXPECT_EQ(layout.save_button, c.expected_save);
  }
}

TEST(PictureFileTypeTest, TheExtensionTellsTheKind) {
  struct Case {
    std::string_view path;
    std::optional<PictureFileType> expected;
  };
  for (const Case& c :
       {Case{"captura.bmp", PictureFileType::kBmp}, Case{"/tmp/CAPTURA.BMP", PictureFileType::kBmp},
        Case{"a.b/foto.jpg", PictureFileType::kJpeg}, Case{"foto.JPeG", PictureFileType::kJpeg},
        Case{"foto.png", std::nullopt}, Case{"foto", std::nullopt},
        Case{"dir.bmp/foto", std::nullopt}, Case{"foto.bmp.txt", std::nullopt}}) {
    EXPECT_EQ(PictureFileTypeOf(c.path), c.expected) << c.path;
  }
}

}  // namespace
}  // namespace atalaya
