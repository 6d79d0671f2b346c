// The captured picture: frame-buffer conversion and JPEG encoding at 720 × 576.
//   build/atalaya-frame-bench
// ConvertFrame runs beside ConvertFrameReference, the per-pixel yardstick of the same formulas,
// and EncodeJpeg beside libjpeg called here by hand on the same rows with the same settings,
// so the difference is what EncodeJpeg adds around libjpeg. Each is repeated and reported as
// mean, median and spread; time_per_pixel is per picture pixel.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

// jpeglib.h expects FILE and size_t declared before it.
#include <jpeglib.h>

#include "core/image/frame_image.h"
#include "core/image/jpeg_writer.h"

namespace atalaya {
namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 576;
constexpr int kRepetitions = 15;

// A full-length capture with a picture that is neither flat nor noise: soft waves of light
// and colour with a little grain, which is what JPEG sees in a real broadcast frame.
const std::string& Frame() {
  static const std::string frame = [] {
    std::string bytes(0x98000, '\0');
    std::mt19937 random(5);
    std::uniform_int_distribution<int> grain(-6, 6);
    const auto byte = [](double value) {
      return static_cast<char>(
          static_cast<uint8_t>(std::lround(std::fmin(std::fmax(value, 0), 255))));
    };
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const double luma = 126 + 70 * std::sin(x / 23.0) * std::cos(y / 17.0) + grain(random);
        bytes[LumaOffset(x, y, kWidth)] = byte(luma);
      }
    }
    for (int v = 0; v < kHeight / 2; ++v) {
      for (int u = 0; u < kWidth / 2; ++u) {
        bytes[CbOffset(u, v, kWidth)] = byte(128 + 50 * std::sin((u + v) / 40.0));
        bytes[CrOffset(u, v, kWidth)] = byte(128 + 50 * std::cos((u - v) / 31.0));
      }
    }
    return bytes;
  }();
  return frame;
}

void CountPixels(benchmark::State& state, int width, int height) {
  // An inverted rate: seconds per pixel, which the report shows as "…ns".
  state.counters["time_per_pixel"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * width * height,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ConvertFrame(benchmark::State& state) {
  if (!(ConvertFrame(Frame(), kWidth, kHeight) ==
        ConvertFrameReference(Frame(), kWidth, kHeight))) {
    state.SkipWithError("ConvertFrame differs from the reference");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(ConvertFrame(Frame(), kWidth, kHeight));
  CountPixels(state, kWidth, kHeight);
}
BENCHMARK(BM_ConvertFrame)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_ConvertFrameReference(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ConvertFrameReference(Frame(), kWidth, kHeight));
  CountPixels(state, kWidth, kHeight);
}
BENCHMARK(BM_ConvertFrameReference)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

const RgbPicture& Picture() {
  static const RgbPicture picture = ConvertFrame(Frame(), kWidth, kHeight);
  return picture;
}

void BM_EncodeJpegQuality100(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    const std::string jpeg = EncodeJpeg(Picture(), 100);
    bytes = jpeg.size();
    benchmark::DoNotOptimize(jpeg.data());
  }
  state.counters["jpeg_bytes"] = static_cast<double>(bytes);
  CountPixels(state, kWidth, kHeight);
}
BENCHMARK(BM_EncodeJpegQuality100)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

// libjpeg alone: the same rows, colour space and settings, into a buffer it allocates, every
// row handed over at once from pointers prepared beforehand: its best case.
void BM_LibjpegAloneQuality100(benchmark::State& state) {
  const RgbPicture& picture = Picture();
  std::vector<JSAMPROW> rows;
  for (int y = 0; y < kHeight; ++y) rows.push_back(const_cast<JSAMPROW>(picture.Row(y)));
  unsigned long size = 0;
  for (auto _ : state) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
      jpeg_write_scanlines(&info, rows.data() + info.next_scanline,
                           info.image_height - info.next_scanline);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
  }
  state.counters["jpeg_bytes"] = static_cast<double>(size);
  CountPixels(state, kWidth, kHeight);
}
BENCHMARK(BM_LibjpegAloneQuality100)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

}  // namespace
}  // namespace atalaya

BENCHMARK_MAIN();
