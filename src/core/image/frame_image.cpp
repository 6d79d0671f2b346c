#include "core/image/frame_image.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/image/bmp_writer.h"
#include "core/image/jpeg_writer.h"

namespace atalaya {
namespace {

// Luma tiles hold 32 × 32 samples; chroma tiles 32 columns × 16 rows of both components.
constexpr int kTileSide = 32;
constexpr int kTileBytes = 1024;
constexpr int kChromaBandRows = 16;

// What a chroma offset adds for position n along the band.
constexpr size_t ChromaColumnOffset(size_t n) {
  return kTileBytes * (n / 32) + 256 * ((n % 32) / 16) + 8 * ((n % 16) / 4) + n % 4;
}

// What it adds for row v inside the band.
constexpr size_t ChromaRowOffset(int v) {
  return 32 * static_cast<size_t>(16 * ((v % 16) / 8) + v % 8);
}

// The offset of luma sample g of a band (g counted along the band's run of tiles) on line
// `line` of its tile.
constexpr size_t LumaBandOffset(size_t g, int line) {
  return kTileBytes * (g / kTileSide) + kTileSide * static_cast<size_t>(line) + g % kTileSide;
}

// The highest offset a frame of this size reads. Offsets grow along every row, so only the
// last column of each row counts.
size_t HighestOffset(int width, int height) {
  size_t highest = 0;
  for (int y = 0; y < height; ++y) highest = std::max(highest, LumaOffset(width - 1, y, width));
  for (int v = 0; v < height / 2; ++v) {
    highest = std::max(highest, CrOffset(width / 2 - 1, v, width));
  }
  return highest;
}

uint8_t Limit(double rounded) {
  if (rounded > 255) return 255;
  if (rounded < 0) return 0;
  return static_cast<uint8_t>(rounded);
}

double RoundHalfToEven(double value) {
  const double below = std::floor(value);
  const double fraction = value - below;  // exact: what floor drops is representable
  if (fraction > 0.5) return below + 1;
  if (fraction < 0.5) return below;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

// Adding 1.5 × 2^52 pushes every fraction bit out of a double of this size: the FPU rounds
// the exact sum to the nearest integer, halves to even, and the integer lands in the low
// mantissa bits (two's complement for a negative one). The same result as RoundHalfToEven
// for |value| < 2^51, without a call or a branch.
constexpr double kRoundingShift = 6755399441055744.0;

int RoundToInt(double value) {
  const auto bits = std::bit_cast<uint64_t>(value + kRoundingShift);
  return static_cast<int32_t>(static_cast<uint32_t>(bits));
}

uint8_t LimitInt(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// The formulas' terms for every 8-bit sample, each the very product the formula computes, so
// sums of them are the formula's sums. Blue and red depend on two samples only, so their
// final bytes are tabulated whole; green needs three and is summed per pixel.
struct ConversionTables {
  std::array<double, 256> luma;         // 1.164 (Y − 16)
  std::array<double, 256> green_cr;     // 0.813 (Cr − 128)
  std::array<double, 256> green_cb;     // 0.391 (Cb − 128)
  std::array<uint8_t, 256 * 256> blue;  // [Cb][Y]
  std::array<uint8_t, 256 * 256> red;   // [Cr][Y]

  ConversionTables() {
    for (int s = 0; s < 256; ++s) {
      luma[s] = 1.164 * (s - 16);
      green_cr[s] = 0.813 * (s - 128);
      green_cb[s] = 0.391 * (s - 128);
    }
    for (int c = 0; c < 256; ++c) {
      const double blue_term = 2.018 * (c - 128);
      const double red_term = 1.596 * (c - 128);
      for (int y = 0; y < 256; ++y) {
        blue[static_cast<size_t>(c * 256 + y)] = LimitInt(RoundToInt(luma[y] + blue_term));
        red[static_cast<size_t>(c * 256 + y)] = LimitInt(RoundToInt(luma[y] + red_term));
      }
    }
  }
};

const ConversionTables& Tables() {
  static const ConversionTables tables;
  return tables;
}

// Green of the four pixels sharing one chroma sample: (1.164 (Y − 16) − 0.813 (Cr − 128)) −
// 0.391 (Cb − 128) per pixel, rounded and limited as RoundToInt and LimitInt do. Pixel i's
// value is byte i of the result.
uint32_t GreenOfBlock(const ConversionTables& tables, const uint8_t samples[4], double cr_term,
                      double cb_term) {
#if defined(__SSE2__)
  // Two pixels per register. Signed saturation to 16 bits, then unsigned saturation to 8 bits
  // is the limit to 0 … 255.
  const __m128d cr = _mm_set1_pd(cr_term);
  const __m128d cb = _mm_set1_pd(cb_term);
  const __m128d shift = _mm_set1_pd(kRoundingShift);
  const __m128d first = _mm_set_pd(tables.luma[samples[1]], tables.luma[samples[0]]);
  const __m128d second = _mm_set_pd(tables.luma[samples[3]], tables.luma[samples[2]]);
  const __m128i rounded_first =
      _mm_castpd_si128(_mm_add_pd(_mm_sub_pd(_mm_sub_pd(first, cr), cb), shift));
  const __m128i rounded_second =
      _mm_castpd_si128(_mm_add_pd(_mm_sub_pd(_mm_sub_pd(second, cr), cb), shift));
  // The integers sit in the low 32 bits of each 64-bit lane.
  const __m128i low_first = _mm_shuffle_epi32(rounded_first, _MM_SHUFFLE(3, 3, 2, 0));
  const __m128i low_second = _mm_shuffle_epi32(rounded_second, _MM_SHUFFLE(3, 3, 2, 0));
  const __m128i words = _mm_packs_epi32(_mm_unpacklo_epi64(low_first, low_second), low_first);
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
#else
  uint32_t green = 0;
  for (int i = 0; i < 4; ++i) {
    green |= uint32_t{LimitInt(RoundToInt(tables.luma[samples[i]] - cr_term - cb_term))} << (8 * i);
  }
  return green;
#endif
}

}  // namespace

size_t LumaOffset(int x, int y, int width) {
  const size_t g =
      static_cast<size_t>(y / kTileSide) * static_cast<size_t>(width) + static_cast<size_t>(x);
  return LumaBandOffset(g, y % kTileSide);
}

size_t CbOffset(int u, int v, int width) {
  const size_t n = static_cast<size_t>(v / kChromaBandRows) * static_cast<size_t>(width / 2) +
                   static_cast<size_t>(u);
  return kChromaAreaStart + ChromaColumnOffset(n) + ChromaRowOffset(v);
}

RgbPicture::RgbPicture(int width, int height) : RgbPicture(ForOverwrite(width, height)) {
  if (pixels_) std::memset(pixels_.get(), 0, size_bytes());
}

RgbPicture RgbPicture::ForOverwrite(int width, int height) {
  RgbPicture picture;
  if (width <= 0 || height <= 0) return picture;
  picture.width_ = width;
  picture.height_ = height;
  picture.pixels_ = std::make_unique_for_overwrite<uint8_t[]>(picture.size_bytes());
  return picture;
}

RgbPicture::RgbPicture(const RgbPicture& other)
    : RgbPicture(ForOverwrite(other.width_, other.height_)) {
  if (pixels_) std::memcpy(pixels_.get(), other.pixels_.get(), size_bytes());
}

RgbPicture& RgbPicture::operator=(const RgbPicture& other) {
  if (this != &other) *this = RgbPicture(other);
  return *this;
}

RgbPicture::RgbPicture(RgbPicture&& other) noexcept
    : width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)),
      pixels_(std::move(other.pixels_)) {}

RgbPicture& RgbPicture::operator=(RgbPicture&& other) noexcept {
  width_ = std::exchange(other.width_, 0);
  height_ = std::exchange(other.height_, 0);
  pixels_ = std::move(other.pixels_);
  return *this;
}

bool RgbPicture::operator==(const RgbPicture& other) const {
  return width_ == other.width_ && height_ == other.height_ &&
         (empty() || std::memcmp(pixels_.get(), other.pixels_.get(), size_bytes()) == 0);
}

RgbPicture ConvertFrameReference(std::string_view frame, int width, int height) {
  if (!IsFrameSize(width, height)) return {};
  const size_t used = std::min(frame.size(), kFrameBytesUsed);
  const auto sample = [&](size_t offset) {
    return offset < used ? static_cast<int>(static_cast<uint8_t>(frame[offset])) : 0;
  };
  RgbPicture picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int luma = sample(LumaOffset(x, y, width));
      const int cb = sample(CbOffset(x / 2, y / 2, width));
      const int cr = sample(CrOffset(x / 2, y / 2, width));
      const double blue = 1.164 * (luma - 16) + 2.018 * (cb - 128);
      const double green = 1.164 * (luma - 16) - 0.813 * (cr - 128) - 0.391 * (cb - 128);
      const double red = 1.164 * (luma - 16) + 1.596 * (cr - 128);
      uint8_t* pixel = picture.Row(y) + static_cast<size_t>(x) * RgbPicture::kBytesPerPixel;
      pixel[0] = Limit(RoundHalfToEven(blue));
      pixel[1] = Limit(RoundHalfToEven(green));
      pixel[2] = Limit(RoundHalfToEven(red));
    }
  }
  return picture;
}

RgbPicture ConvertFrame(std::string_view frame, int width, int height) {
  if (!IsFrameSize(width, height)) return {};
  const ConversionTables& tables = Tables();

  // A capture too short for this size is read from a zero-filled copy, so the loops below
  // never test an offset. A full capture is read where it is.
  const size_t used = std::min(frame.size(), kFrameBytesUsed);
  const size_t needed = HighestOffset(width, height) + 1;
  const auto* bytes = reinterpret_cast<const uint8_t*>(frame.data());
  std::unique_ptr<uint8_t[]> padded;
  if (used < needed) {
    padded = std::make_unique<uint8_t[]>(needed);
    if (used > 0) std::memcpy(padded.get(), bytes, used);
    bytes = padded.get();
  }

  RgbPicture picture = RgbPicture::ForOverwrite(width, height);
  const int half = width / 2;
  // Per band, where along its tiles each column starts: luma of pixel 2u (pixel 2u + 1 is the
  // next byte, as a band's run starts on an even column) and Cb of chroma column u.
  std::vector<uint32_t> luma_columns(static_cast<size_t>(half));
  std::vector<uint32_t> chroma_columns(static_cast<size_t>(half));

  // A band of 32 luma rows and its band of 16 chroma rows have the same number, so one pass
  // per band walks both, two pixel rows per chroma row.
  for (int band = 0; band * kTileSide < height; ++band) {
    const size_t luma_start = static_cast<size_t>(band) * static_cast<size_t>(width);
    const size_t chroma_start = static_cast<size_t>(band) * static_cast<size_t>(half);
    for (int u = 0; u < half; ++u) {
      luma_columns[static_cast<size_t>(u)] =
          static_cast<uint32_t>(LumaBandOffset(luma_start + 2 * static_cast<size_t>(u), 0));
      chroma_columns[static_cast<size_t>(u)] =
          static_cast<uint32_t>(ChromaColumnOffset(chroma_start + static_cast<size_t>(u)));
    }
    const int band_end = std::min(height, (band + 1) * kTileSide);
    for (int y = band * kTileSide; y < band_end; y += 2) {
      const uint8_t* luma_top = bytes + kTileSide * (y % kTileSide);
      const uint8_t* luma_bottom = luma_top + kTileSide;
      const uint8_t* chroma = bytes + kChromaAreaStart + ChromaRowOffset(y / 2);
      uint8_t* top = picture.Row(y);
      uint8_t* bottom = picture.Row(y + 1);
      for (int u = 0; u < half; ++u) {
        const uint32_t c = chroma_columns[static_cast<size_t>(u)];
        const unsigned cb = chroma[c];
        const unsigned cr = chroma[c + 4];
        const uint32_t l = luma_columns[static_cast<size_t>(u)];
        const uint8_t samples[4] = {luma_top[l], luma_top[l + 1], luma_bottom[l],
                                    luma_bottom[l + 1]};
        const uint32_t green =
            GreenOfBlock(tables, samples, tables.green_cr[cr], tables.green_cb[cb]);
        const uint8_t* blue = tables.blue.data() + cb * 256;
        const uint8_t* red = tables.red.data() + cr * 256;
        uint8_t* out = top + 6 * u;
        out[0] = blue[samples[0]];
        out[1] = static_cast<uint8_t>(green);
        out[2] = red[samples[0]];
        out[3] = blue[samples[1]];
        out[4] = static_cast<uint8_t>(green >> 8);
        out[5] = red[samples[1]];
        out = bottom + 6 * u;
        out[0] = blue[samples[2]];
        out[1] = static_cast<uint8_t>(green >> 16);
        out[2] = red[samples[2]];
        out[3] = blue[samples[3]];
        out[4] = static_cast<uint8_t>(green >> 24);
        out[5] = red[samples[3]];
      }
    }
  }
  return picture;
}

PictureFormat PictureFormatOf(const Settings& settings) {
  if (settings.formato_16_9) return PictureFormat::k16By9;
  if (settings.formato_4_3) return PictureFormat::k4By3;
  if (settings.formato_original) return PictureFormat::kOriginal;
  return PictureFormat::k4By3;
}

PictureSize ShownSize(PictureFormat format, PictureSize converted) {
  switch (format) {
    case PictureFormat::k16By9:
      return {1024, 576};
    case PictureFormat::k4By3:
      return {720, 576};
    case PictureFormat::kOriginal:
      break;
  }
  return converted;
}

RgbPicture ShownPicture(RgbPicture converted, PictureFormat format) {
  if (converted.empty()) return converted;
  const PictureSize size = ShownSize(format, {converted.width(), converted.height()});
  if (size == PictureSize{converted.width(), converted.height()}) return converted;
  return ScalePicture(converted, size);
}

namespace {

// One source position per target position, in 1/256 steps between two neighbours.
struct Sample {
  int first;
  int second;
  uint32_t weight;  // of `second`, 0 … 255
};

std::vector<Sample> Samples(int from, int to) {
  std::vector<Sample> samples(static_cast<size_t>(to));
  for (int i = 0; i < to; ++i) {
    // Centre of target pixel i in source pixels, minus half a pixel, in 1/65536 steps.
    const int64_t position =
        (static_cast<int64_t>(2 * i + 1) * from * 65536) / (2 * static_cast<int64_t>(to)) - 32768;
    const int64_t clamped =
        std::clamp<int64_t>(position, 0, static_cast<int64_t>(from - 1) * 65536);
    Sample& s = samples[static_cast<size_t>(i)];
    s.first = static_cast<int>(clamped >> 16);
    s.second = std::min(s.first + 1, from - 1);
    s.weight = static_cast<uint32_t>((clamped & 0xFFFF) >> 8);
  }
  return samples;
}

}  // namespace

RgbPicture ScalePicture(const RgbPicture& picture, PictureSize size) {
  if (picture.empty() || size.width <= 0 || size.height <= 0) return {};
  const std::vector<Sample> columns = Samples(picture.width(), size.width);
  const std::vector<Sample> rows = Samples(picture.height(), size.height);
  RgbPicture scaled = RgbPicture::ForOverwrite(size.width, size.height);
  const size_t values = scaled.stride();

  // Source rows stretched to the new width, times 256; the two last used are kept, as
  // neighbouring target rows mostly share them.
  std::vector<uint16_t> stretched[2] = {std::vector<uint16_t>(values),
                                        std::vector<uint16_t>(values)};
  int stretched_row[2] = {-1, -1};
  const auto stretch = [&](int source_row, int keep) -> const std::vector<uint16_t>& {
    for (int k = 0; k < 2; ++k) {
      if (stretched_row[k] == source_row) return stretched[k];
    }
    const int k = stretched_row[0] == keep ? 1 : 0;
    stretched_row[k] = source_row;
    const uint8_t* source = picture.Row(source_row);
    uint16_t* out = stretched[k].data();
    for (const Sample& c : columns) {
      const uint8_t* a = source + static_cast<size_t>(c.first) * 3;
      const uint8_t* b = source + static_cast<size_t>(c.second) * 3;
      for (int channel = 0; channel < 3; ++channel) {
        *out++ = static_cast<uint16_t>(a[channel] * (256 - c.weight) + b[channel] * c.weight);
      }
    }
    return stretched[k];
  };

  for (int y = 0; y < size.height; ++y) {
    const Sample& r = rows[static_cast<size_t>(y)];
    const std::vector<uint16_t>& upper = stretch(r.first, r.second);
    const std::vector<uint16_t>& lower = stretch(r.second, r.first);
    uint8_t* out = scaled.Row(y);
    for (size_t i = 0; i < values; ++i) {
      out[i] =
          static_cast<uint8_t>((upper[i] * (256 - r.weight) + lower[i] * r.weight + 32768) >> 16);
    }
  }
  return scaled;
}

PicturePageLayout LayOutPicturePage(PictureSize page, PictureSize picture, PictureSize button) {
  const int button_left = page.width / 2 - button.width / 2;
  const int button_top = page.height / 2 - button.height / 2 + 289;
  return {
      {page.width / 2 - picture.width / 2, page.height / 2 - picture.height / 2 - 13, picture.width,
       picture.height},
      {button_left - 72, button_top, button.width, button.height},
      {button_left + 56, button_top, button.width, button.height},
  };
}

std::optional<PictureFileType> PictureFileTypeOf(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
    return std::nullopt;
  }
  std::string extension(path.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (extension == "bmp") return PictureFileType::kBmp;
  if (extension == "jpg" || extension == "jpeg") return PictureFileType::kJpeg;
  return std::nullopt;
}

std::string EncodePictureFile(const RgbPicture& picture, PictureFileType type, int jpeg_quality) {
  return type == PictureFileType::kBmp ? EncodeBmp(picture) : EncodeJpeg(picture, jpeg_quality);
}

}  // namespace atalaya
