#include "core/image/bmp_writer.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace atalaya {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
constexpr size_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;
constexpr uint32_t kPixelsPerMetre = 3780;  // 96 dots per inch, as most programs write

// The format is little-endian whatever the machine.
void Put16(std::string& bytes, size_t at, uint32_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& bytes, size_t at, uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

}  // namespace

std::string EncodeBmp(const RgbPicture& picture) {
  if (picture.empty()) return {};
  const size_t row_bytes = picture.stride();
  const size_t padded_row = (row_bytes + 3) / 4 * 4;
  const size_t pixel_bytes = padded_row * static_cast<size_t>(picture.height());
  const size_t file_bytes = kHeaderBytes + pixel_bytes;
  if (file_bytes > std::numeric_limits<uint32_t>::max()) return {};

  // Zero-filled, which is also the row padding and the header's unused fields.
  std::string bytes(file_bytes, '\0');
  bytes[0] = 'B';
  bytes[1] = 'M';
  Put32(bytes, 2, static_cast<uint32_t>(file_bytes));
  Put32(bytes, 10, static_cast<uint32_t>(kHeaderBytes));  // where the pixels start
  Put32(bytes, 14, static_cast<uint32_t>(kInfoHeaderBytes));
  Put32(bytes, 18, static_cast<uint32_t>(picture.width()));
  Put32(bytes, 22, static_cast<uint32_t>(picture.height()));  // positive: bottom row first
  Put16(bytes, 26, 1);                                        // planes
  Put16(bytes, 28, 24);                                       // bits per pixel
  Put32(bytes, 30, 0);                                        // BI_RGB, no compression
  Put32(bytes, 34, static_cast<uint32_t>(pixel_bytes));
  Put32(bytes, 38, kPixelsPerMetre);
  Put32(bytes, 42, kPixelsPerMetre);

  // The picture already holds blue, green, red per pixel, the bitmap's own order.
  char* out = bytes.data() + kHeaderBytes;
  for (int y = picture.height() - 1; y >= 0; --y, out += padded_row) {
    std::memcpy(out, picture.Row(y), row_bytes);
  }
  return bytes;
}

}  // namespace atalaya
