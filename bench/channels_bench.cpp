// Channel-list figures: loading a full 2 MiB flash image (2002 channels, 199 transponders) and
// writing it back. Target: under 5 ms each.
#include <benchmark/benchmark.h>

#include "core/channels/channel_list.h"
#include "core/config/settings.h"
#include "core/config/text_table.h"
#include "core/shell/operator.h"
#include "sim/channel_image.h"

namespace atalaya {
namespace {

struct QuietUser : Operator {
  void ShowInformation(std::string_view) override {}
  void ShowError(std::string_view) override {}
};

Settings LargeTables() {
  Settings settings;
  settings.channel_row_count = 2003;
  settings.transponder_row_count = 200;
  settings.symbol_rates = {22000, 27500};
  return settings;
}

// FindTable for both tables, then every record decoded into the two grids.
void BM_LoadFlashList(benchmark::State& state) {
  const std::string image = sim::MakeFlashImageWithChannels(2002, 199);
  Settings settings = LargeTables();
  TextTable texts;
  QuietUser user;
  ChannelList list(settings, texts, user, ',');
  for (auto _ : state) {
    const LoadResult result = list.LoadFlashList(image, false);
    benchmark::DoNotOptimize(result);
    if (result != LoadResult::kLoaded) state.SkipWithError("the list did not load");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2002 * 30);
}
BENCHMARK(BM_LoadFlashList)->Unit(benchmark::kMillisecond);

// The copy of the image, every record encoded, and the search for other copies to wipe.
void BM_BuildImage(benchmark::State& state) {
  std::string image = sim::MakeFlashImageWithChannels(2002, 199);
  Settings settings = LargeTables();
  TextTable texts;
  QuietUser user;
  ChannelList list(settings, texts, user, ',');
  if (list.LoadFlashList(image, false) != LoadResult::kLoaded) {
    state.SkipWithError("the list did not load");
    return;
  }
  for (auto _ : state) {
    if (!list.BuildImage(image)) state.SkipWithError("the image was not built");
    benchmark::DoNotOptimize(image.data());
  }
}
BENCHMARK(BM_BuildImage)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace atalaya

BENCHMARK_MAIN();
