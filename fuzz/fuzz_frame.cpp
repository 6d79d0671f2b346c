// Captured frame buffers of any length, converted, shown and saved as the "Imagen" page and
// "atalaya-cli frame" do it.
//
// Input:
//   byte 0     the picture format: 0 16:9, 1 4:3, 2 none chosen in the settings (4:3), any
//              other value the picture as converted
//   byte 1     bit 0 the size as given, even when no capture can have it; bits 1-2 both set,
//              any capture size (2 … 720 × 2 … 576, even); otherwise small sizes (up to 64 × 64)
//   bytes 2-3  width, little-endian: as given a signed number, otherwise a step of 2 pixels
//   bytes 4-5  height, the same way
//   byte 6     JPEG quality (the bar keeps 1 … 100; the encoder takes any number)
//   bytes 7-9  capture length, little-endian; 0: the capture is the rest of the input as it
//              is, otherwise the rest repeated to that length (zeros when there is no rest)
//
// A stretched picture is 720 or 1024 × 576 whatever the capture; under the sanitizers, making
// and saving one takes some 25 ms, ten times and more what the rest of an input takes. It is
// made for one input in eight of those with a stretched format, picked by a hash of the whole
// input so that the mutations of one that got it mostly do not; the others save the picture as
// converted. A long run then tries a million inputs in well under an hour.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "core/config/settings.h"
#include "core/image/bmp_writer.h"
#include "core/image/frame_image.h"
#include "core/image/jpeg_writer.h"
#include "fuzz_support.h"

namespace atalaya::fuzz {
namespace {

// A little past the whole buffer a JTAG capture reads and the part the conversion looks at.
constexpr size_t kLongestCapture = 0xA0000;

// The choice of the configuration page, as the picture page takes it.
PictureFormat FormatOf(uint8_t value) {
  Settings settings;
  settings.formato_16_9 = value == 0;
  settings.formato_4_3 = value == 1;
  settings.formato_original = value > 2;
  return PictureFormatOf(settings);
}

uint32_t Le32(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) {
    value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
  }
  return value;
}

// The file holds the picture: its size in the header, its rows bottom to top.
void CheckBmp(const std::string& bmp, const RgbPicture& picture) {
  if (picture.empty()) {
    FUZZ_CHECK(bmp.empty());
    return;
  }
  const size_t padded_row = (picture.stride() + 3) / 4 * 4;
  FUZZ_CHECK(bmp.size() == 54 + padded_row * static_cast<size_t>(picture.height()));
  FUZZ_CHECK(bmp[0] == 'B' && bmp[1] == 'M');
  FUZZ_CHECK(Le32(bmp, 2) == bmp.size());
  FUZZ_CHECK(Le32(bmp, 18) == static_cast<uint32_t>(picture.width()));
  FUZZ_CHECK(Le32(bmp, 22) == static_cast<uint32_t>(picture.height()));
  for (int y = 0; y < picture.height(); ++y) {
    const size_t at = 54 + padded_row * static_cast<size_t>(picture.height() - 1 - y);
    FUZZ_CHECK(std::memcmp(bmp.data() + at, picture.Row(y), picture.stride()) == 0);
  }
}

}  // namespace
}  // namespace atalaya::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace atalaya;
  using namespace atalaya::fuzz;

  InputReader input(data, size);
  const uint8_t format_value = input.Byte();
  const uint8_t size_class = input.Byte();
  const uint32_t raw_width = input.Bytes16();
  const uint32_t raw_height = input.Bytes16();
  const bool any_size = (size_class & 0x01) != 0;
  const bool full_size = (size_class & 0x06) == 0x06;
  const uint32_t width_steps = full_size ? kMaxFrameWidth / 2 : 32;
  const uint32_t height_steps = full_size ? kMaxFrameHeight / 2 : 32;
  const int width = any_size ? static_cast<int16_t>(raw_width)
                             : 2 * (1 + static_cast<int>(raw_width % width_steps));
  const int height = any_size ? static_cast<int16_t>(raw_height)
                              : 2 * (1 + static_cast<int>(raw_height % height_steps));
  const int quality = static_cast<int8_t>(input.Byte());
  const size_t length = input.Bytes24() % (kLongestCapture + 1);

  std::string frame;
  const std::string_view rest = input.Rest();
  if (length == 0) {
    frame = rest;
  } else if (rest.empty()) {
    frame.assign(length, '\0');
  } else {
    // Doubling what is there: a few large copies instead of one per repetition of a short rest.
    frame.reserve(length);
    frame.append(rest.substr(0, length));
    while (frame.size() < length) frame.append(frame, 0, length - frame.size());
  }

  // The fast conversion gives exactly the formulas' pixels, whatever the capture.
  const RgbPicture converted = ConvertFrame(frame, width, height);
  FUZZ_CHECK(converted.empty() == !IsFrameSize(width, height));
  if (!converted.empty()) FUZZ_CHECK(converted.width() == width && converted.height() == height);
  FUZZ_CHECK(converted == ConvertFrameReference(frame, width, height));

  const PictureFormat format = FormatOf(format_value);
  const bool stretched = format != PictureFormat::kOriginal;
  const size_t input_hash = std::hash<std::string_view>()(
      std::string_view(reinterpret_cast<const char*>(data), size));
  if (stretched && input_hash % 8 != 0) {
    CheckBmp(EncodeBmp(converted), converted);
    FUZZ_CHECK(EncodeJpeg(converted, quality).empty() == converted.empty());
    return 0;
  }
  const RgbPicture shown = ShownPicture(converted, format);
  if (!converted.empty()) {
    const PictureSize expected = ShownSize(format, {width, height});
    FUZZ_CHECK(shown.width() == expected.width && shown.height() == expected.height);
  } else {
    FUZZ_CHECK(shown.empty());
  }

  const std::string bmp = EncodePictureFile(shown, PictureFileType::kBmp, quality);
  CheckBmp(bmp, shown);
  const std::string jpeg = EncodePictureFile(shown, PictureFileType::kJpeg, quality);
  FUZZ_CHECK(jpeg.empty() == shown.empty());
  if (!jpeg.empty()) {
    FUZZ_CHECK(jpeg.size() > 4 && jpeg.compare(0, 2, "\xFF\xD8") == 0 &&
               jpeg.compare(jpeg.size() - 2, 2, "\xFF\xD9") == 0);
  }
  return 0;
}
