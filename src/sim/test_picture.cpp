#include "sim/test_picture.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/image/frame_image.h"

namespace atalaya::sim {
namespace {

struct Rgb {
  double red;
  double green;
  double blue;
};

constexpr std::array<Rgb, 8> kBars = {{
    {255, 255, 255},  // white
    {255, 255, 0},    // yellow
    {0, 255, 255},    // cyan
    {0, 255, 0},      // green
    {255, 0, 255},    // magenta
    {255, 0, 0},      // red
    {0, 0, 255},      // blue
    {0, 0, 0},        // black
}};

constexpr int kBarRows = kFrameHeight * 2 / 3;

Rgb TestPixel(int x, int y, int width) {
  if (y < kBarRows) return kBars[static_cast<size_t>(x * 8 / width)];
  const double grey = 255.0 * x / (width - 1);
  return {grey, grey, grey};
}

// Studio-range ITU-R BT.601, the inverse of the decoder's own conversion.
double Luma(const Rgb& c) { return 16 + 0.257 * c.red + 0.504 * c.green + 0.098 * c.blue; }
double BlueDifference(const Rgb& c) {
  return 128 - 0.148 * c.red - 0.291 * c.green + 0.439 * c.blue;
}
double RedDifference(const Rgb& c) {
  return 128 + 0.439 * c.red - 0.368 * c.green - 0.071 * c.blue;
}

char Byte(double value) {
  return static_cast<char>(static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)));
}

}  // namespace

std::string MakeTestFrameBuffer(int width) {
  std::string buffer(kFrameBufferBytes, '\0');
  if (!IsFrameSize(width, kFrameHeight)) return buffer;
  for (int v = 0; v < kFrameHeight / 2; ++v) {
    for (int u = 0; u < width / 2; ++u) {
      // Each chroma sample stands for a 2 × 2 block: it takes the block's mean.
      double cb = 0;
      double cr = 0;
      for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
          const int x = 2 * u + dx;
          const int y = 2 * v + dy;
          const Rgb colour = TestPixel(x, y, width);
          buffer[LumaOffset(x, y, width)] = Byte(Luma(colour));
          cb += BlueDifference(colour) / 4;
          cr += RedDifference(colour) / 4;
        }
      }
      buffer[CbOffset(u, v, width)] = Byte(cb);
      buffer[CrOffset(u, v, width)] = Byte(cr);
    }
  }
  return buffer;
}

}  // namespace atalaya::sim
