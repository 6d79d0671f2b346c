#include "core/channels/list_records.h"

#include "core/config/text_table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config/cp1252.h"
#include "core/config/settings.h"
#include "core/eeprom/hex_value.h"
#include "core/shell/transfer_rate.h"

namespace atalaya {
namespace {

constexpr std::string_view kOn = "On";
constexpr std::string_view kOff = "Off";
constexpr std::string_view kHorizontal = "H";
constexpr std::string_view kVertical = "V";
constexpr std::string_view kCBand = "C";
constexpr std::string_view kKuBand = "Ku";
constexpr std::array<std::string_view, 6> kFecNames = {"1/2", "2/3", "3/4", "5/6", "7/8", "8/9"};

// Image positions come from files; sums saturate rather than wrap round to the image's start.
size_t AddClamped(size_t a, size_t b) { return a > SIZE_MAX - b ? SIZE_MAX : a + b; }

// Copies `length` bytes from `at`; the part beyond the image reads as 0.
template <size_t N>
std::array<uint8_t, N> ReadRecord(std::string_view image, size_t at) {
  std::array<uint8_t, N> record{};
  if (at < image.size()) {
    std::memcpy(record.data(), image.data() + at, std::min(N, image.size() - at));
  }
  return record;
}

// Writes the bytes that fall inside the image and drops the rest.
template <size_t N>
void WriteRecord(std::string& image, size_t at, const std::array<uint8_t, N>& record) {
  if (at < image.size()) {
    std::memcpy(image.data() + at, record.data(), std::min(N, image.size() - at));
  }
}

uint16_t Be16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] << 8 | bytes[1]); }

uint32_t Be32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
         static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

void PutBe16(uint8_t* bytes, uint64_t value) {
  bytes[0] = static_cast<uint8_t>(value >> 8);
  bytes[1] = static_cast<uint8_t>(value);
}

void PutBe32(uint8_t* bytes, uint64_t value) {
  bytes[0] = static_cast<uint8_t>(value >> 24);
  bytes[1] = static_cast<uint8_t>(value >> 16);
  bytes[2] = static_cast<uint8_t>(value >> 8);
  bytes[3] = static_cast<uint8_t>(value);
}

std::string Decimal(uint64_t value) {
  char text[24];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

size_t CharacterCount(std::string_view utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// Reads an integer cell for a record field, or says which text it was not.
struct IntegerCell {
  std::optional<ConversionError>& error;
  std::optional<uint64_t> operator()(const std::string& text) const {
    const std::optional<int64_t> value = ParseDecimalInteger(text);
    if (!value) {
      error = ConversionError{ConversionError::Kind::kInteger, text};
      return std::nullopt;
    }
    // Fields keep the low bits, so a negative number wraps as the decoder's registers would.
    return static_cast<uint64_t>(*value);
  }
};

}  // namespace

std::optional<size_t> FindTable(std::string_view marker, size_t start, std::string_view image) {
  if (marker.empty() || image.size() < kMarkerOffset2 + marker.size()) return std::nullopt;
  const size_t last = image.size() - kMarkerOffset2 - marker.size();  // last candidate
  size_t search = AddClamped(start, kMarkerOffset1);
  while (search < image.size()) {
    const size_t found = image.find(marker, search);
    if (found == std::string_view::npos) return std::nullopt;
    const size_t position = found - kMarkerOffset1;
    if (position > last) return std::nullopt;
    if (image.compare(position + kMarkerOffset2, marker.size(), marker) == 0) return position;
    search = found + 1;
  }
  return std::nullopt;
}

std::vector<size_t> FindTableCopies(std::string_view marker, std::string_view image) {
  std::vector<size_t> copies;
  // The next search starts at the following section, so every step moves forward, also in an
  // image of more than 16 MiB.
  for (std::optional<size_t> found = FindTable(marker, 0, image); found;
       found = FindTable(marker, AddClamped(SectionOf(*found), kSectionSize), image)) {
    copies.push_back(*found);
  }
  return copies;
}

std::string ConversionErrorText(const ConversionError& error, const TextTable& texts) {
  return "'" + error.text + "' " +
         texts.Text(error.kind == ConversionError::Kind::kInteger ? ExtraText::kNotAnInteger
                                                                  : ExtraText::kNotANumber);
}

std::optional<int64_t> ParseDecimalInteger(std::string_view text) {
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty() ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (negative) {
    if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return std::nullopt;
    return magnitude == static_cast<uint64_t>(INT64_MAX) + 1 ? INT64_MIN
                                                             : -static_cast<int64_t>(magnitude);
  }
  if (magnitude > static_cast<uint64_t>(INT64_MAX)) return std::nullopt;
  return static_cast<int64_t>(magnitude);
}

std::optional<double> ParseDecimalNumber(std::string_view text, char decimal_separator) {
  std::string plain;
  plain.reserve(text.size());
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') plain += '-';
    ++i;
  }
  int mantissa_digits = 0;
  bool separator_seen = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      ++mantissa_digits;
      plain += c;
    } else if (c == decimal_separator && !separator_seen) {
      separator_seen = true;
      plain += '.';
    } else {
      break;
    }
  }
  if (mantissa_digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int exponent_digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++exponent_digits) {
      plain += text[i];
    }
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::string FrequencyText(uint32_t value, char decimal_separator) {
  // A 32-bit value has at most ten digits, so the quotient is exact and needs no rounding.
  std::string text = Decimal(value / 1000);
  uint32_t fraction = value % 1000;
  if (fraction == 0) return text;
  int digits = 3;
  while (fraction % 10 == 0) {
    fraction /= 10;
    --digits;
  }
  char tail[8];
  std::snprintf(tail, sizeof tail, "%0*u", digits, static_cast<unsigned>(fraction));
  return text + decimal_separator + tail;
}

std::string TwoHexDigits(uint8_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[value >> 4], kDigits[value & 0xF]};
}

std::string SymbolRateText(uint8_t code, const SymbolRateTable& rates) {
  if (code < rates.size() && rates[code] != 0) return std::to_string(rates[code]);
  return TwoHexDigits(code);
}

std::string FecText(uint8_t code) {
  if (code < kFecNames.size()) return std::string(kFecNames[code]);
  return TwoHexDigits(code);
}

uint8_t FecCode(std::string_view text) {
  if (CharacterCount(text) == 2) return static_cast<uint8_t>(HexValue(text));
  for (size_t code = 0; code + 1 < kFecNames.size(); ++code) {
    if (text == kFecNames[code]) return static_cast<uint8_t>(code);
  }
  return 5;  // "8/9" and every text the decoder has no name for
}

void DecodeTransponders(std::string_view image, size_t base, bool append, const Settings& settings,
                        char decimal_separator, TransponderTable& table) {
  using C = TransponderColumn;
  const auto& names = settings.previous_satellite_names;
  const std::array<std::string, 2> tone = {std::string(kOff), std::string(kOn)};
  const std::array<std::string, 2> polarisation = {std::string(kVertical),
                                                   std::string(kHorizontal)};
  const std::array<std::string, 2> band = {std::string(kKuBand), std::string(kCBand)};
  size_t at = base;
  for (int row = append ? FirstEmptyTransponderRow(table) : 1; row < table.RowCount(); ++row) {
    const auto record = ReadRecord<kTransponderRecordSize>(image, at);
    at = AddClamped(at, kTransponderRecordSize);
    const uint8_t flags = record[11];
    ListRow& cells = table.Row(row);
    cells[static_cast<size_t>(C::kFrec)] = FrequencyText(Be32(&record[0]), decimal_separator);
    cells[static_cast<size_t>(C::kTrsp)] = Decimal(Be16(&record[4]));
    cells[static_cast<size_t>(C::kNet)] = Decimal(Be16(&record[6]));
    cells[static_cast<size_t>(C::kCan)] = Decimal(record[8]);
    cells[static_cast<size_t>(C::kSr)] = SymbolRateText(record[9], settings.symbol_rates);
    cells[static_cast<size_t>(C::kFec)] = FecText(record[10]);
    cells[static_cast<size_t>(C::k22KHz)] = tone[flags & 0x01];
    cells[static_cast<size_t>(C::kPol)] = polarisation[(flags & 0x02) >> 1];
    cells[static_cast<size_t>(C::kBanda)] = band[(flags & 0x04) >> 2];
    cells[static_cast<size_t>(C::kSat)] = names[(flags & 0x08) != 0 ? 1 : 0];
  }
}

void DecodeChannels(std::string_view image, size_t base, bool append, const ChannelSource& source,
                    const Settings& settings, const TransponderTable& transponders,
                    ChannelTable& channels) {
  using C = ChannelColumn;
  size_t at = base;
  for (int row = append ? FirstEmptyChannelRow(channels) : 1; row < channels.RowCount(); ++row) {
    const auto record = ReadRecord<kChannelRecordSize>(image, at);
    at = AddClamped(at, kChannelRecordSize);
    ListRow& cells = channels.Row(row);
    const auto name_end = std::find(record.begin(), record.begin() + kChannelNameSize, 0);
    cells[static_cast<size_t>(C::kNombre)] =
        Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(record.data()),
                                      static_cast<size_t>(name_end - record.begin())));
    cells[static_cast<size_t>(C::kSta)] = TwoHexDigits(record[16]);
    // The stored number is a row of the image's own transponder table; appended transponders
    // start at the first row that was empty, so the channel follows its transponder there.
    const int stored = record[17];
    const int transponder =
        append && stored != 0 ? source.first_added_transponder + stored - 1 : stored;
    cells[static_cast<size_t>(C::kTrsp)] = Decimal(static_cast<uint64_t>(transponder));
    const uint16_t vpid = Be16(&record[20]);
    const uint16_t apid = Be16(&record[22]);
    cells[static_cast<size_t>(C::kSid)] = Decimal(Be16(&record[18]));
    cells[static_cast<size_t>(C::kVpid)] = Decimal(vpid);
    cells[static_cast<size_t>(C::kApid)] = Decimal(apid);
    cells[static_cast<size_t>(C::kVecm)] = Decimal(Be16(&record[24]));
    cells[static_cast<size_t>(C::kAecm)] = Decimal(Be16(&record[26]));
    cells[static_cast<size_t>(C::kPcr)] = Decimal(Be16(&record[28]));
    channels.SetColour(row, ChannelColour(vpid, apid));
    if (source.ram_list) {
      cells[static_cast<size_t>(C::kSat)].clear();
    } else if (transponder >= 1 && transponder < transponders.RowCount()) {
      cells[static_cast<size_t>(C::kSat)] = transponders.Cell(transponder, TransponderColumn::kSat);
    } else {
      cells[static_cast<size_t>(C::kSat)] = settings.previous_satellite_names[0];
    }
  }
}

std::optional<ConversionError> EncodeTransponders(const TransponderTable& table, size_t base,
                                                  const Settings& settings, char decimal_separator,
                                                  std::string& image) {
  using C = TransponderColumn;
  std::optional<ConversionError> error;
  const IntegerCell integer{error};
  const auto& names = settings.previous_satellite_names;
  size_t at = base;
  for (int row = 1; row < table.RowCount(); ++row, at = AddClamped(at, kTransponderRecordSize)) {
    const ListRow& cells = table.Row(row);
    const std::string& frec = cells[static_cast<size_t>(C::kFrec)];
    const std::optional<double> megahertz = ParseDecimalNumber(frec, decimal_separator);
    // Beyond ±2^63 no whole number exists to take the low bits of.
    if (!megahertz || std::fabs(*megahertz * 1000) >= 9.2e18) {
      return ConversionError{ConversionError::Kind::kFloat, frec};
    }
    const auto trsp = integer(cells[static_cast<size_t>(C::kTrsp)]);
    if (!trsp) return error;
    const auto net = integer(cells[static_cast<size_t>(C::kNet)]);
    if (!net) return error;
    const auto can = integer(cells[static_cast<size_t>(C::kCan)]);
    if (!can) return error;

    std::array<uint8_t, kTransponderRecordSize> record{};
    PutBe32(&record[0], static_cast<uint64_t>(RoundHalfEven(*megahertz * 1000)));
    PutBe16(&record[4], *trsp);
    PutBe16(&record[6], *net);
    record[8] = static_cast<uint8_t>(*can);
    record[10] = FecCode(cells[static_cast<size_t>(C::kFec)]);
    record[11] =
        static_cast<uint8_t>((cells[static_cast<size_t>(C::k22KHz)] == kOn ? 0x01 : 0) |
                             (cells[static_cast<size_t>(C::kPol)] == kHorizontal ? 0x02 : 0) |
                             (cells[static_cast<size_t>(C::kBanda)] == kCBand ? 0x04 : 0) |
                             (cells[static_cast<size_t>(C::kSat)] == names[1] ? 0x08 : 0));
    // A rate the symbol-rate table does not hold has no code: the stored code stays.
    const std::string& sr = cells[static_cast<size_t>(C::kSr)];
    std::optional<uint8_t> code;
    if (const std::optional<int64_t> rate = ParseDecimalInteger(sr)) {
      const auto& rates = settings.symbol_rates;
      const auto entry = std::find(rates.begin(), rates.end(), *rate);
      if (entry != rates.end()) code = static_cast<uint8_t>(entry - rates.begin());
    } else {
      code = static_cast<uint8_t>(HexValue(sr));
    }
    record[9] = code ? *code : ReadRecord<kTransponderRecordSize>(image, at)[9];
    WriteRecord(image, at, record);
  }
  return std::nullopt;
}

std::optional<ConversionError> EncodeChannels(const ChannelTable& table, size_t base,
                                              std::string& image) {
  using C = ChannelColumn;
  std::optional<ConversionError> error;
  const IntegerCell integer{error};
  size_t at = base;
  for (int row = 1; row < table.RowCount(); ++row, at = AddClamped(at, kChannelRecordSize)) {
    const ListRow& cells = table.Row(row);
    std::array<uint8_t, kChannelRecordSize> record{};
    const std::string name = Utf8ToCp1252(cells[static_cast<size_t>(C::kNombre)]);
    std::memcpy(record.data(), name.data(), std::min(name.size(), kChannelNameSize));
    record[16] = static_cast<uint8_t>(HexValue(cells[static_cast<size_t>(C::kSta)]));
    const auto trsp = integer(cells[static_cast<size_t>(C::kTrsp)]);
    if (!trsp) return error;
    record[17] = static_cast<uint8_t>(*trsp);
    constexpr std::array<C, 6> kPidColumns = {C::kSid,  C::kVpid, C::kApid,
                                              C::kVecm, C::kAecm, C::kPcr};
    for (size_t i = 0; i < kPidColumns.size(); ++i) {
      const auto value = integer(cells[static_cast<size_t>(kPidColumns[i])]);
      if (!value) return error;
      PutBe16(&record[18 + 2 * i], *value);
    }
    WriteRecord(image, at, record);
  }
  return std::nullopt;
}

}  // namespace atalaya
