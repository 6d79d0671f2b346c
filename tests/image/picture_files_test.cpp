#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

// jpeglib.h expects FILE and size_t declared before it.
#include <jpeglib.h>

#include "core/image/bmp_writer.h"
#include "core/image/frame_image.h"
#include "core/image/jpeg_writer.h"

namespace atalaya {
namespace {

using Pixel = RgbPicture::Pixel;

RgbPicture RandomPicture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  RgbPicture picture(width, height);
  for (size_t i = 0; i < picture.size_bytes(); ++i) {
    picture.data()[i] = static_cast<uint8_t>(byte(random));
  }
  return picture;
}

void Paint(RgbPicture& picture, int left, int top, int width, int height, Pixel colour) {
  for (int y = top; y < top + height; ++y) {
    for (int x = left; x < left + width; ++x) {
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = colour.blue;
      p[1] = colour.green;
      p[2] = colour.red;
    }
  }
}

// A bitmap reader written from the file format, independent of the writer: it follows the
// header's own offsets, sizes and row order.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<Pixel> pixels;  // top row first
};

uint32_t Read32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 3])) << 24;
}

uint16_t Read16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(Read32(bytes, at) & 0xFFFF);
}

std::optional<Bitmap> ReadBitmap(const std::string& bytes) {
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return std::nullopt;
  if (Read32(bytes, 2) != bytes.size()) return std::nullopt;
  const uint32_t pixels_at = Read32(bytes, 10);
  if (Read32(bytes, 14) < 40 || Read16(bytes, 26) != 1 || Read16(bytes, 28) != 24 ||
      Read32(bytes, 30) != 0) {
    return std::nullopt;
  }
  Bitmap bitmap;
  bitmap.width = static_cast<int32_t>(Read32(bytes, 18));
  const auto stored_height = static_cast<int32_t>(Read32(bytes, 22));
  bitmap.height = stored_height < 0 ? -stored_height : stored_height;
  const size_t row = (static_cast<size_t>(bitmap.width) * 3 + 3) / 4 * 4;
  if (pixels_at + row * static_cast<size_t>(bitmap.height) > bytes.size()) return std::nullopt;
  const uint32_t image_size = Read32(bytes, 34);
  if (image_size != 0 && image_size != row * static_cast<size_t>(bitmap.height)) {
    return std::nullopt;
  }
  for (int y = 0; y < bitmap.height; ++y) {
    const int stored_row = stored_height > 0 ? bitmap.height - 1 - y : y;
    const size_t start = pixels_at + row * static_cast<size_t>(stored_row);
    for (int x = 0; x < bitmap.width; ++x) {
      const size_t p = start + 3 * static_cast<size_t>(x);
      bitmap.pixels.push_back({static_cast<uint8_t>(bytes[p]), static_cast<uint8_t>(bytes[p + 1]),
                               static_cast<uint8_t>(bytes[p + 2])});
    }
    for (size_t pad = start + 3 * static_cast<size_t>(bitmap.width); pad < start + row; ++pad) {
      if (bytes[pad] != 0) return std::nullopt;
    }
  }
  return bitmap;
}

TEST(BmpWriterTest, AReaderGetsBackEveryPixelForAnyRowPadding) {
  // 3 bytes per pixel: widths 1, 2, 3 and 5 need 1, 2, 3 and 1 bytes of padding per row.
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{
           {1, 1}, {2, 3}, {3, 2}, {4, 4}, {5, 7}, {528, 576}, {1024, 576}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const RgbPicture picture = RandomPicture(width, height, static_cast<unsigned>(width));
    const std::string file = EncodeBmp(picture);
    const std::optional<Bitmap> bitmap = ReadBitmap(file);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(Read32(file, 10), 54u);
    EXPECT_GT(static_cast<int32_t>(Read32(file, 22)), 0);  // bottom-up, as most readers expect
    ASSERT_EQ(bitmap->width, width);
    ASSERT_EQ(bitmap->height, height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(bitmap->pixels[static_cast<size_t>(y * width + x)], picture.At(x, y))
            << x << "," << y;
      }
    }
  }
}

TEST(BmpWriterTest, NothingForAnEmptyPicture) { EXPECT_EQ(EncodeBmp(RgbPicture()), ""); }

// libjpeg's own decoder, errors caught rather than ending the test program.
struct DecodedJpeg {
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = true;
  unsigned first_luma_quantizer = 0;
  std::vector<uint8_t> rgb;  // red, green, blue per pixel
};

struct DecodeTrap {
  jpeg_error_mgr manager;
  std::jmp_buf resume;
};

[[noreturn]] void LeaveDecoder(j_common_ptr info) {
  std::longjmp(reinterpret_cast<DecodeTrap*>(info->err)->resume, 1);
}

void Quiet(j_common_ptr) {}

bool Decode(const std::string& file, DecodedJpeg& out) {
  jpeg_decompress_struct info;
  DecodeTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = LeaveDecoder;
  trap.manager.output_message = Quiet;
  if (setjmp(trap.resume) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(file.data()), file.size());
  jpeg_read_header(&info, TRUE);
  out.progressive = info.progressive_mode;
  out.first_luma_quantizer = info.quant_tbl_ptrs[0] ? info.quant_tbl_ptrs[0]->quantval[0] : 0;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  out.components = info.output_components;
  out.rgb.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.rgb.data() + static_cast<size_t>(info.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

bool HasBaselineFrameMarker(const std::string& file) {
  for (size_t i = 0; i + 1 < file.size(); ++i) {
    if (static_cast<uint8_t>(file[i]) == 0xFF && static_cast<uint8_t>(file[i + 1]) == 0xC0) {
      return true;
    }
  }
  return false;
}

TEST(JpegWriterTest, LibjpegReadsBackTheColoursInTheirPlaces) {
  // Flat 16 × 16 blocks on 16-pixel boundaries, so chroma subsampling blurs nothing inside.
  RgbPicture picture(720, 576);
  struct Block {
    int left, top;
    Pixel colour;
  };
  const std::vector<Block> blocks = {
      {0, 0, {0, 0, 255}},       // red
      {16, 0, {0, 255, 0}},      // green
      {32, 0, {255, 0, 0}},      // blue
      {48, 0, {255, 255, 255}},  // white
      {64, 32, {0, 135, 0}},     // what an all-zero capture turns into
      {704, 560, {40, 90, 200}},
  };
  Paint(picture, 0, 0, 720, 576, {128, 128, 128});
  for (const Block& b : blocks) Paint(picture, b.left, b.top, 16, 16, b.colour);

  const std::string file = EncodeJpeg(picture, 100);
  DecodedJpeg decoded;
  ASSERT_TRUE(Decode(file, decoded));
  EXPECT_EQ(decoded.width, 720);
  EXPECT_EQ(decoded.height, 576);
  EXPECT_EQ(decoded.components, 3);
  EXPECT_FALSE(decoded.progressive);
  EXPECT_TRUE(HasBaselineFrameMarker(file));
  for (const Block& b : blocks) {
    const size_t at = (static_cast<size_t>(b.top + 8) * 720 + static_cast<size_t>(b.left + 8)) * 3;
    EXPECT_NEAR(decoded.rgb[at], b.colour.red, 4) << b.left << "," << b.top;
    EXPECT_NEAR(decoded.rgb[at + 1], b.colour.green, 4) << b.left << "," << b.top;
    EXPECT_NEAR(decoded.rgb[at + 2], b.colour.blue, 4) << b.left << "," << b.top;
  }
}

TEST(JpegWriterTest, TheQualityScalesTheStandardTables) {
  // The first entry of the standard luminance table is 16; quality q scales it by 5000 / q %
  // below 50 and by (200 − 2q) % above, limited to 1 … 255 for baseline.
  const RgbPicture picture = RandomPicture(64, 48, 9);
  struct Case {
    int quality;
    unsigned first_quantizer;
  };
  for (const Case& c : {Case{100, 1}, Case{75, 8}, Case{50, 16}, Case{10, 80}, Case{1, 255},
                        Case{0, 255}, Case{-5, 255}, Case{101, 1}, Case{1000, 1}}) {
    DecodedJpeg decoded;
    ASSERT_TRUE(Decode(EncodeJpeg(picture, c.quality), decoded)) << c.quality;
    EXPECT_EQ(decoded.first_luma_quantizer, c.first_quantizer) << c.quality;
  }
  EXPECT_EQ(EncodeJpeg(picture, 0), EncodeJpeg(picture, 1));
  EXPECT_EQ(EncodeJpeg(picture, 250), EncodeJpeg(picture, 100));
}

TEST(JpegWriterTest, NothingForAPictureLibjpegCannotTake) {
  EXPECT_EQ(EncodeJpeg(RgbPicture(), 100), "");
  EXPECT_EQ(EncodeJpeg(RgbPicture(70000, 1), 100), "");  // wider than JPEG allows
}

TEST(PictureFileTest, TheKindChoosesTheEncoder) {
  const RgbPicture picture = RandomPicture(32, 16, 2);
  EXPECT_EQ(EncodePictureFile(picture, PictureFileType::kBmp, 50), EncodeBmp(picture));
  EXPECT_EQ(EncodePictureFile(picture, PictureFileType::kJpeg, 50), EncodeJpeg(picture, 50));
  EXPECT_NE(EncodeJpeg(picture, 50), EncodeJpeg(picture, 90));
}

}  // namespace
}  // namespace atalaya
