// Channel-list images of unknown origin, loaded, edited and written back as the "Sintonía"
// page and the command line do it, under any table settings.
//
// Input:
//   byte 0     TCS setting chosen after loading: bit 7 set, then (value % 33) − 1; clear keeps
//              the section the load found
//   byte 1     TPT setting, the same way
//   byte 2     channel rows: FF 2003 and FE 1000 (the two choices), otherwise 1 … 64
//   byte 3     transponder rows: FF 200 and FE 100, otherwise 1 … 32
//   byte 4     bit 0 ',' as decimal separator, bit 1 append the image a second time, bit 2 the
//              file cannot be written, bit 3 erased flash (FF) under the pieces, bit 4 load the
//              image as a RAM list afterwards, bit 5 SR_Europa's symbol rates (else none),
//              bit 6 a whole flash (lengths up to 2 MiB and more; otherwise up to 64 KiB)
//   bytes 5-7  image length, little-endian; 0: the image is the rest of the input as it is
//   bytes 8-11 the section chooser's answers, in turn; 255 is no answer
//   byte 12    cell edits (value % 4), each: table, row, column − 1, text (length first)
//   then       with a length, pieces of the image: offset (3 bytes), length (2 bytes), bytes
//
// A whole flash takes some thirty times as long to try as an image of one section: every
// step copies it. So an input asking for more than a section gets its whole image one time in
// four, picked by a hash of the whole input (so the mutations of one that got it mostly do
// not), and the image's first section otherwise. A long run still tries many thousands.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/channels/channel_list.h"
#include "core/channels/list_records.h"
#include "core/channels/list_tables.h"
#include "core/config/settings.h"
#include "core/config/text_table.h"
#include "fuzz_support.h"

namespace atalaya::fuzz {
namespace {

// Flash images up to a little over 2 MiB: the largest decoder flash, and sections past the
// 32 the settings can choose.
constexpr size_t kLargestImage = 0x220000;

constexpr SymbolRateTable kEuropa = {22000, 27500, 30000, 29900, 28000, 26000, 24500, 23000,
                                     20000, 18000, 6111,  5632,  4340,  3255,  2170,  0};

// The tables' cells and colours, folded into one number: a load that fails must leave every
// one of them as it was. (Comparing copies of 2003 rows would cost more than the load.)
size_t Digest(const ChannelList& list) {
  size_t digest = 0;
  const auto mix = [&digest](size_t value) {
    digest ^= value + 0x9E3779B97F4A7C15u + (digest << 6) + (digest >> 2);
  };
  const std::hash<std::string> hash;
  for (int row = 0; row < list.channels().RowCount(); ++row) {
    for (const std::string& cell : list.channels().Row(row)) mix(hash(cell));
    const Rgb colour = list.channels().Colour(row);
    mix(static_cast<size_t>(colour.red) << 16 | static_cast<size_t>(colour.green) << 8 |
        colour.blue);
  }
  for (int row = 0; row < list.transponders().RowCount(); ++row) {
    for (const std::string& cell : list.transponders().Row(row)) mix(hash(cell));
  }
  return digest;
}

bool AllZero(std::string_view bytes) {
  static const std::array<char, 4096> kZeros{};
  for (size_t at = 0; at < bytes.size(); at += kZeros.size()) {
    const size_t count = std::min(kZeros.size(), bytes.size() - at);
    if (std::memcmp(bytes.data() + at, kZeros.data(), count) != 0) return false;
  }
  return true;
}

int SectionSetting(uint8_t byte, int loaded) {
  return (byte & 0x80) != 0 ? (byte & 0x7F) % 33 - 1 : loaded;
}

// A load either finds both tables where it says, or leaves the tables as they were.
void CheckLoad(ChannelList& list, const Settings& settings, std::string_view image, bool append) {
  const size_t before = Digest(list);
  const int channel_rows = list.channels().RowCount();
  const int transponder_rows = list.transponders().RowCount();
  const bool was_loaded = list.list_loaded();
  const LoadResult result = list.LoadFlashList(image, append);
  if (result != LoadResult::kLoaded) {
    FUZZ_CHECK(Digest(list) == before);
    FUZZ_CHECK(list.list_loaded() == was_loaded);
    return;
  }
  FUZZ_CHECK(list.list_loaded() && !list.ram_list());
  const TablePosition tcs = list.tcs_position();
  const TablePosition tpt = list.tpt_position();
  FUZZ_CHECK(FindTable(kChannelMarker, tcs.Start(), image) == tcs.Start());
  FUZZ_CHECK(FindTable(kTransponderMarker, tpt.Start(), image) == tpt.Start());
  FUZZ_CHECK(static_cast<size_t>(settings.tcs) * kSectionSize == tcs.section);
  FUZZ_CHECK(static_cast<size_t>(settings.tpt) * kSectionSize == tpt.section);
  FUZZ_CHECK(list.channels().RowCount() == channel_rows);
  FUZZ_CHECK(list.transponders().RowCount() == transponder_rows);
}

}  // namespace
}  // namespace atalaya::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace atalaya;
  using namespace atalaya::fuzz;

  InputReader input(data, size);
  const uint8_t tcs_byte = input.Byte();
  const uint8_t tpt_byte = input.Byte();
  const uint8_t channel_rows = input.Byte();
  const uint8_t transponder_rows = input.Byte();
  const uint8_t flags = input.Byte();
  const size_t image_length =
      input.Bytes24() % ((flags & 0x40) != 0 ? kLargestImage + 1 : kSectionSize + 1);
  ScriptedUser user;
  for (int i = 0; i < 4; ++i) user.answers.push_back(input.Byte());

  struct Edit {
    bool channel_table;
    uint8_t row;
    int column;
    std::string text;
  };
  std::vector<Edit> edits(input.Byte() % 4);
  for (Edit& edit : edits) {
    edit.channel_table = (input.Byte() & 1) != 0;
    edit.row = input.Byte();
    edit.column = 1 + input.Byte() % (kListColumnCount - 1);
    edit.text = input.ShortText();
  }

  const bool whole = std::hash<std::string_view>()(std::string_view(
                         reinterpret_cast<const char*>(data), size)) % 4 == 0;
  const size_t kept_length = whole ? image_length : std::min(image_length, kSectionSize);
  std::string image;
  if (image_length == 0) {
    image = input.Rest();
  } else {
    image.assign(kept_length, (flags & 0x08) != 0 ? '\xFF' : '\0');
    while (!input.empty()) {
      const size_t at = input.Bytes24() % image_length;
      const std::string_view piece = input.Take(input.Bytes16());
      if (at < kept_length) {
        image.replace(at, std::min(piece.size(), kept_length - at),
                      piece.substr(0, kept_length - at));
      }
    }
  }

  Settings settings;
  settings.channel_row_count = channel_rows == 0xFF   ? 2003
                               : channel_rows == 0xFE ? 1000
                                                      : 1 + channel_rows % 64;
  settings.transponder_row_count = transponder_rows == 0xFF   ? 200
                                   : transponder_rows == 0xFE ? 100
                                                              : 1 + transponder_rows % 32;
  if ((flags & 0x20) != 0) settings.symbol_rates = kEuropa;
  const TextTable texts;
  ChannelList list(settings, texts, user, (flags & 0x01) != 0 ? ',' : '.');

  CheckLoad(list, settings, image, false);
  FUZZ_CHECK(!user.bad_question);
  if ((flags & 0x02) != 0) CheckLoad(list, settings, image, true);
  settings.tcs = SectionSetting(tcs_byte, settings.tcs);
  settings.tpt = SectionSetting(tpt_byte, settings.tpt);

  // What the user typed into the tables.
  for (const Edit& edit : edits) {
    if (edit.channel_table) {
      if (edit.row < list.channels().RowCount()) {
        list.channels().SetCell(edit.row, static_cast<ChannelColumn>(edit.column), edit.text);
      }
    } else if (edit.row < list.transponders().RowCount()) {
      list.transponders().SetCell(edit.row, static_cast<TransponderColumn>(edit.column),
                                  edit.text);
    }
  }

  // "Escribir": the list goes into the memory image the page holds. A refusal changes nothing
  // at all.
  std::string held = image;
  {
    const TablePosition tcs = list.tcs_position();
    const TablePosition tpt = list.tpt_position();
    const std::string tcs_text = list.tcs_section_text();
    const std::string tpt_text = list.tpt_section_text();
    const int errors = user.errors;
    if (list.BuildImage(held)) {
      FUZZ_CHECK(held.size() == image.size());
      FUZZ_CHECK(user.errors == errors);
    } else {
      FUZZ_CHECK(held == image);
      FUZZ_CHECK(list.tcs_position() == tcs && list.tpt_position() == tpt);
      FUZZ_CHECK(list.tcs_section_text() == tcs_text && list.tpt_section_text() == tpt_text);
      FUZZ_CHECK(user.errors == errors + 1);
    }
  }

  // "Guardar como...": the held image is built again and written whole.
  const bool writer_fails = (flags & 0x04) != 0;
  struct File {
    size_t size;
    bool zeros_behind_records;
  };
  std::optional<File> written;
  std::optional<size_t> record_bytes;  // of a RAM list
  const ListFileWriter writer = [&](const std::string&, const std::string& bytes) {
    const std::string_view file = bytes;
    written = File{bytes.size(),
                   record_bytes && AllZero(file.substr(std::min(*record_bytes, file.size())))};
    return writer_fails ? std::optional<std::string>("disco lleno") : std::nullopt;
  };
  {
    const int errors = user.errors;
    const bool ok = list.SaveListFile("lista.bin", held, writer);
    FUZZ_CHECK(held.size() == image.size());
    if (written) FUZZ_CHECK(written->size == image.size());
    FUZZ_CHECK(ok == (written.has_value() && !writer_fails));
    FUZZ_CHECK(user.errors == errors + (ok ? 0 : 1));
  }

  if ((flags & 0x10) != 0) {
    list.LoadRamList(image);
    FUZZ_CHECK(list.ram_list() && list.list_loaded() && list.tcs_section_text() == "RAM");
    // Only a flash list can be built into an image.
    std::string untouched = "x";
    FUZZ_CHECK(!list.BuildImage(untouched) && untouched == "x");
    std::string buffer = image;
    written.reset();
    record_bytes = static_cast<size_t>(list.channels().RowCount() - 1) * kChannelRecordSize;
    if (list.SaveListFile("lista-ram.bin", buffer, writer)) {
      // A RAM list is its records from offset 0 and zeros behind them.
      FUZZ_CHECK(written->size == image.size() && written->zeros_behind_records);
    }
  }
  return 0;
}
