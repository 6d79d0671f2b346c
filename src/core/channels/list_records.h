#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/channels/list_tables.h"
#include "core/config/decoder_files.h"

namespace atalaya {

class TextTable;

struct Settings;

// How a channel list lies in a flash image: each table sits inside a 64 KiB section behind a
// 68-byte head that carries its marker twice, followed by its records without a count.
inline constexpr size_t kSectionSize = 0x10000;
inline constexpr size_t kTableHeadSize = 68;
inline constexpr size_t kMarkerOffset1 = 32;
inline constexpr size_t kMarkerOffset2 = 48;
inline constexpr size_t kTablePrefixSize = 32;  // replaced when a table moves to a new section
inline constexpr size_t kTransponderRecordSize = 12;
inline constexpr size_t kChannelRecordSize = 30;
inline constexpr size_t kChannelNameSize = 16;
inline constexpr std::string_view kChannelMarker = "TCS";
inline constexpr std::string_view kTransponderMarker = "TPT";

// The section a position lies in, and the position's offset inside it.
inline constexpr size_t SectionOf(size_t position) { return position - position % kSectionSize; }
inline constexpr size_t OffsetInSection(size_t position) { return position % kSectionSize; }

// The first position from `start` on whose two marker places (32 and 48 bytes further) both
// hold `marker`; only positions whose markers lie wholly inside the image count.
std::optional<size_t> FindTable(std::string_view marker, size_t start, std::string_view image);

// Every copy of a table the section chooser lists: the first in each section that has one, in
// section order. A second table inside the same section is never listed.
std::vector<size_t> FindTableCopies(std::string_view marker, std::string_view image);

// A cell that had to be a number and is not one; saving stops there.
struct ConversionError {
  enum class Kind { kInteger, kFloat };
  Kind kind = Kind::kInteger;
  std::string text;
  bool operator==(const ConversionError&) const = default;
};
// The message naming the text: "'12a' no es un valor entero válido".
std::string ConversionErrorText(const ConversionError& error, const TextTable& texts);

// A decimal integer: an optional sign and digits, nothing else.
std::optional<int64_t> ParseDecimalInteger(std::string_view text);
// A decimal number written with `decimal_separator` (digits, at most one separator, an
// optional sign and exponent); the other separator is refused like any other character.
std::optional<double> ParseDecimalNumber(std::string_view text, char decimal_separator);

// FREC of a stored frequency: the value ÷ 1000 without trailing zeros ("1420947,904",
// "1420000").
std::string FrequencyText(uint32_t value, char decimal_separator);
// SR of a stored code: the table's rate when the code has one, otherwise the code in two
// hexadecimal digits.
std::string SymbolRateText(uint8_t code, const SymbolRateTable& rates);
// FEC of a stored code: "1/2" … "8/9", otherwise the code in two hexadecimal digits.
std::string FecText(uint8_t code);
// The decoder's FEC code of a FEC text: two characters are a hexadecimal code, the six names
// their codes, anything else 5.
uint8_t FecCode(std::string_view text);
std::string TwoHexDigits(uint8_t value);

// Fills transponder rows from the records at `base`, 12 bytes apart: from row 1, or with
// `append` from the first empty row, to the last row. Bytes beyond the image read as 0.
void DecodeTransponders(std::string_view image, size_t base, bool append, const Settings& settings,
                        char decimal_separator, TransponderTable& table);

// Where decoded channels find their transponders.
struct ChannelSource {
  bool ram_list = false;  // a RAM list has no transponders: SAT stays empty
  // With `append`: the first empty transponder row before the image's transponders were
  // added; a stored transponder number t becomes first_added_transponder + t − 1.
  int first_added_transponder = 0;
};

// Fills channel rows from the records at `base`, 30 bytes apart: from row 1, or with `append`
// from the first empty row, to the last row; each row is coloured and given the satellite of
// its transponder. Bytes beyond the image read as 0.
void DecodeChannels(std::string_view image, size_t base, bool append, const ChannelSource& source,
                    const Settings& settings, const TransponderTable& transponders,
                    ChannelTable& channels);

// Write every row of the table as a record from `base` on; bytes beyond the image are dropped.
// A cell that must be a number and is not stops the writing there and is returned; callers
// write into a copy, so that a failed save changes nothing.
std::optional<ConversionError> EncodeTransponders(const TransponderTable& table, size_t base,
                                                  const Settings& settings, char decimal_separator,
                                                  std::string& image);
std::optional<ConversionError> EncodeChannels(const ChannelTable& table, size_t base,
                                              std::string& image);

}  // namespace atalaya
