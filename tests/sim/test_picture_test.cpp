#include "sim/test_picture.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/image/frame_image.h"

namespace atalaya::sim {
namespace {

using Pixel = RgbPicture::Pixel;

bool Near(Pixel a, Pixel b, int tolerance) {
  return std::abs(a.blue - b.blue) <= tolerance && std::abs(a.green - b.green) <= tolerance &&
         std::abs(a.red - b.red) <= tolerance;
}

class TestPictureTest : public ::testing::TestWithParam<int> {};

TEST_P(TestPictureTest, ConvertsToEightColourBarsOverAGreyRamp) {
  const int width = GetParam();
  const std::string frame = MakeTestFrameBuffer(width);
  ASSERT_EQ(frame.size(), 0x98000u);
  const RgbPicture picture = ConvertFrame(frame, width);
  ASSERT_EQ(picture.width(), width);

  // Blue, green, red of white, yellow, cyan, green, magenta, red, blue, black.
  const Pixel bars[8] = {{255, 255, 255}, {0, 255, 255}, {255, 255, 0}, {0, 255, 0},
                         {255, 0, 255},   {0, 0, 255},   {255, 0, 0},   {0, 0, 0}};
  for (int bar = 0; bar < 8; ++bar) {
    // Every pixel of a bar, away from its edges, in the top two thirds.
    const int left = bar * width / 8 + 2;
    const int right = (bar + 1) * width / 8 - 2;
    for (int y = 0; y < 382; y += 7) {
      for (int x = left; x < right; ++x) {
        ASSERT_TRUE(Near(picture.At(x, y), bars[bar], 3))
            << "bar " << bar << " at " << x << "," << y;
      }
    }
  }

  // The bottom third: grey, from black to white, never darker to the right.
  for (int y = 386; y < 576; y += 9) {
    int previous = -1;
    for (int x = 0; x < width; ++x) {
      const Pixel p = picture.At(x, y);
      ASSERT_LE(std::abs(p.red - p.green), 2) << x << "," << y;
      ASSERT_LE(std::abs(p.blue - p.green), 2) << x << "," << y;
      ASSERT_GE(p.green, previous) << x << "," << y;
      previous = p.green;
    }
    EXPECT_LE(picture.At(0, y).green, 2);
    EXPECT_GE(picture.At(width - 1, y).green, 253);
    EXPECT_NEAR(picture.At(width / 2, y).green, 128, 3);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryCaptureWidth, TestPictureTest, ::testing::ValuesIn(kFrameWidths));

TEST(TestPictureBufferTest, AWidthTheCaptureCannotHaveGivesZeros) {
  EXPECT_EQ(MakeTestFrameBuffer(721), std::string(kFrameBufferBytes, '\0'));
}

}  // namespace
}  // namespace atalaya::sim
