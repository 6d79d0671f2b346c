#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/settings.h"

namespace atalaya {

// The decoder's frame buffer as the JTAG capture reads it: tiled luma samples, then tiled
// chroma samples from a fixed offset whatever the width.
inline constexpr size_t kFrameBytesUsed = 640000;  // bytes past this are never looked at
inline constexpr size_t kChromaAreaStart = 414720;
inline constexpr int kFrameHeight = 576;
inline constexpr int kMaxFrameWidth = 720;
inline constexpr int kMaxFrameHeight = 576;
inline constexpr std::array<int, 5> kFrameWidths = {352, 528, 544, 704, 720};

// Byte offsets of the samples of a `width`-wide frame: luma of pixel (x, y), and Cb of chroma
// sample (u, v) = pixel (2u, 2v); its Cr is 4 bytes further on. Every offset of a frame size
// accepted by IsFrameSize lies below kFrameBytesUsed.
size_t LumaOffset(int x, int y, int width);
size_t CbOffset(int u, int v, int width);
inline size_t CrOffset(int u, int v, int width) { return CbOffset(u, v, width) + 4; }

// Even sizes up to 720 × 576: the tiling keeps every sample inside the buffer, and each 2 × 2
// block of pixels shares one chroma sample.
constexpr bool IsFrameSize(int width, int height) {
  return width >= 2 && width <= kMaxFrameWidth && width % 2 == 0 && height >= 2 &&
         height <= kMaxFrameHeight && height % 2 == 0;
}

// A 24-bit picture: rows top to bottom, each pixel blue, green, red, no padding between rows.
// That order is what a Windows bitmap stores and what libjpeg and QImage take as they are.
class RgbPicture {
 public:
  static constexpr int kBytesPerPixel = 3;

  RgbPicture() = default;
  // A black picture.
  RgbPicture(int width, int height);
  // For producers that write every byte themselves: the pixels start undefined.
  static RgbPicture ForOverwrite(int width, int height);

  RgbPicture(const RgbPicture& other);
  RgbPicture& operator=(const RgbPicture& other);
  RgbPicture(RgbPicture&& other) noexcept;
  RgbPicture& operator=(RgbPicture&& other) noexcept;
  ~RgbPicture() = default;

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  size_t stride() const { return static_cast<size_t>(width_) * kBytesPerPixel; }
  size_t size_bytes() const { return stride() * static_cast<size_t>(height_); }

  uint8_t* data() { return pixels_.get(); }
  const uint8_t* data() const { return pixels_.get(); }
  uint8_t* Row(int y) { return pixels_.get() + static_cast<size_t>(y) * stride(); }
  const uint8_t* Row(int y) const { return pixels_.get() + static_cast<size_t>(y) * stride(); }

  struct Pixel {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    bool operator==(const Pixel&) const = default;
  };
  Pixel At(int x, int y) const {
    const uint8_t* p = Row(y) + static_cast<size_t>(x) * kBytesPerPixel;
    return {p[0], p[1], p[2]};
  }

  bool operator==(const RgbPicture& other) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::unique_ptr<uint8_t[]> pixels_;
};

// The picture a frame buffer holds. Only the first kFrameBytesUsed bytes count, and a sample
// at or past the end of what is there reads as 0, so a capture of any length is safe. Each
// pixel is 1.164 (Y − 16) + 2.018 (Cb − 128) blue, 1.164 (Y − 16) − 0.813 (Cr − 128) −
// 0.391 (Cb − 128) green, 1.164 (Y − 16) + 1.596 (Cr − 128) red, summed left to right in
// double precision, rounded half to even, limited to 0 … 255. An empty picture for a size
// IsFrameSize refuses.
RgbPicture ConvertFrame(std::string_view frame, int width, int height = kFrameHeight);
// The same conversion pixel by pixel straight from the formulas: the yardstick for
// ConvertFrame in tests and benchmarks.
RgbPicture ConvertFrameReference(std::string_view frame, int width, int height = kFrameHeight);

// How the converted picture is shown and saved: stretched to 16:9 or 4:3, or as it came.
enum class PictureFormat { k16By9, k4By3, kOriginal };

// The choice of the configuration page; one of the three is always set there, 4:3 otherwise.
PictureFormat PictureFormatOf(const Settings& settings);

struct PictureSize {
  int width;
  int height;
  bool operator==(const PictureSize&) const = default;
};

// The width the main window takes when a 16:9 picture is shown, so the picture fits.
inline constexpr int kWideWindowWidth = 1043;

PictureSize ShownSize(PictureFormat format, PictureSize converted);
// The picture the page shows and "Guardar como..." saves.
RgbPicture ShownPicture(RgbPicture converted, PictureFormat format);
// Bilinear resampling, pixel centres on pixel centres; the same size gives the same pixels.
RgbPicture ScalePicture(const RgbPicture& picture, PictureSize size);

// Where the controls of the "Imagen" page go on a page of `page` size: the picture centred,
// 13 pixels above the middle, and its two buttons under it.
struct PageRect {
  int left;
  int top;
  int width;
  int height;
  bool operator==(const PageRect&) const = default;
};
struct PicturePageLayout {
  PageRect picture;
  PageRect open_button;
  PageRect save_button;
};
PicturePageLayout LayOutPicturePage(PictureSize page, PictureSize picture, PictureSize button);

// The two kinds of picture file, told apart by the name's extension (.bmp, .jpg or .jpeg,
// any case).
enum class PictureFileType { kBmp, kJpeg };
std::optional<PictureFileType> PictureFileTypeOf(std::string_view path);
// The bytes of the file; empty if the encoder refused the picture.
std::string EncodePictureFile(const RgbPicture& picture, PictureFileType type, int jpeg_quality);

}  // namespace atalaya
