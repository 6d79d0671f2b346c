#include "core/eeprom/eeprom_fields.h"

#include <algorithm>

#include "core/config/cp1252.h"
#include "core/config/text_table.h"
#include "core/eeprom/hex_value.h"
#include "core/service/checksum.h"

namespace atalaya {
namespace {

constexpr EditRule kCountryRule{true, "455350", '0', 6};
constexpr EditRule kProviderRule{true, "000C", '0', 4};
constexpr EditRule kLanguageRule{true, "65736C", '0', 6};

std::vector<ListItemSpec> Literal(std::initializer_list<std::string_view> texts, bool own_bytes) {
  std::vector<ListItemSpec> items;
  for (std::string_view text : texts) items.push_back({text, -1, own_bytes ? "" : text});
  return items;
}

const std::vector<ListItemSpec>& Providers() {
  static const std::vector<ListItemSpec> items =
      Literal({"0003", "0004", "0005", "0009", "000A", "000C", "000D", "000E", "000F",
               "0010", "0011", "0012", "0013", "0014", "0019", "001A", "001C", "001D",
               "0025", "0026", "0029", "002A", "002E", "002F", "0037", "FFFF"},
              false);
  return items;
}

const std::vector<ListItemSpec>& Languages() {
  static const std::vector<ListItemSpec> items =
      Literal({"esl", "eng", "fra", "dut", "ita", "pol"}, true);
  return items;
}

std::string BytesHex(std::string_view bytes) {
  std::string hex;
  for (char c : bytes) hex += HexDigits(static_cast<uint8_t>(c), 2);
  return hex;
}

// Hex text of the characters themselves, as the decoder stores them: "ESP" is 455350.
std::string CharactersHex(std::string_view text) { return BytesHex(Utf8ToCp1252(text)); }

std::string ItemValue(const ListItemSpec& item) {
  return item.value.empty() ? CharactersHex(item.text) : std::string(item.value);
}

int CellRow(int address) { return address / 16 + 1; }
int SatelliteBase(int satellite) { return satellite == 0 ? 0x00B : 0x030; }
int CellColumn(int address) { return address % 16 + 1; }

// A decimal text as a number, saturating instead of overflowing.
int64_t DecimalValue(std::string_view digits) {
  int64_t value = 0;
  for (char c : digits) {
    if (value > (INT64_MAX - 9) / 10) return INT64_MAX;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

const std::array<std::vector<std::string_view>, 2> kSatelliteNameSuggestions = {{
    {"ASTRA", "HOTBIRD"},
    {"OVERIGE", "OTROS", "ALTRI", "OTHER", "INNY"},
}};
const std::array<std::string_view, 6> kFecNames = {"1/2", "2/3", "3/4", "5/6", "7/8", "8/9"};

const std::vector<ListFieldSpec>& ListFields() {
  static const std::vector<ListFieldSpec> fields = {
      {"pais", 288, 0x002, 3, Literal({"ESP", "ITA", "NLD", "POL", "GBR", "FRA"}, true), 6,
       0x069, -1, kCountryRule},
      {"provider_id", 289, 0x007, 2, Providers(), 26, 0x06D, -1, kProviderRule},
      {"provider_id_orden", 291, 0x055, 2, Providers(), 26, 0x079, -1, kProviderRule},
      {"idioma_audio_secundario", 293, 0x057, 3, Languages(), 6, 0x07B, -1, kLanguageRule},
      {"idioma_audio_primario", 292, 0x05B, 3, Languages(), 6, 0x07F, -1, kLanguageRule},
      {"idioma_subtitulos", 294, 0x05E, 3, Languages(), 6, -1, -1, kLanguageRule},
      // The BCT15xx items name the same patterns as the BCT14xx ones, so a stored pattern
      // always reads back as one of the first three.
      {"secciones_activas", 296, 0x08E, 14,
       {{"", 305, "00800080000000000000000002A7"},
        {"", 306, "00800080000000000000000001A4"},
        {"", 307, "00800080000000000000000000A5"},
        {"", 347, "00800080000000000000000002A7"},
        {"", 348, "00800080000000000000000001A4"},
        {"", 349, "00800080000000000000000000A5"}},
       3, -1, 0x09C, EditRule{true, "00800080000000000000000002A7", '0', 28}},
      {"epg", 303, 0x0DE, 8,
       {{"", 314, "3B00060000000000"},
        {"", 315, "3F50000000000000"},
        {"", 316, "3B00000060000000"},
        {"", 317, "3B00000600000000"},
        {"", 318, "3B00000000600000"},
        {"", 319, "3F00060660060000"},
        {"", 320, "3B00000000000000"},
        {"", 321, "0000000000000000"}},
       8, -1, -1, EditRule{true, "000000000000", '0', 16}},
      {"luminosidad", 297, 0x403, 1,
       {{"", 308, "80"}, {"", 309, "81"}, {"", 310, "82"}, {"", 311, "83"}}, 4, -1, -1,
       EditRule{true, "83", '8', 2}},
      {"sistema_color", 298, 0x406, 1, {{"Pal", -1, "00"}, {"Secam", -1, "FF"}}, 2, -1, -1,
       EditRule{true, "00", '0', 2}},
      {"modo_arranque", 299, 0x418, 1, {{"", 312, "00"}, {"", 313, "FF"}}, 2, -1, -1,
       EditRule{true, "00", '0', 2}},
      {"diseqc", 300, 0x733, 2, {{"On", -1, "0000"}, {"Off", -1, "FFFF"}}, 2, -1, -1,
       EditRule{true, "0000", '0', 4}},
  };
  return fields;
}

const std::vector<NumberFieldSpec>& NumberFields() {
  static const std::vector<NumberFieldSpec> fields = {
      {"version_software", 290, 0x009, 1, -1, EditRule{false, "0", '\0', 0, 255}},
      {"ultimo_canal", 295, 0x065, 2, 0x08B, EditRule{false, "0", '\0', 0, 2002}},
  };
  return fields;
}

const std::vector<DigitFieldSpec>& DigitFields() {
  static const std::vector<DigitFieldSpec> fields = {
      {"codigo_pais", 301, 0x7D0, 2, EditRule{false, "00", '0', 2}},
      {"numero_serie", 302, 0x7D2, 12, EditRule{false, "000000000000", '0', 12}},
  };
  return fields;
}

std::string ApplyEditRule(const EditRule& rule, std::string_view text) {
  std::string kept;
  for (char c : text) {
    const bool digit = c >= '0' && c <= '9';
    if (digit || (rule.hex && c >= 'A' && c <= 'F')) kept += c;
  }
  if (kept.empty()) return std::string(rule.empty_value);
  if (rule.max >= 0 && DecimalValue(kept) > rule.max) return "0";
  return kept;
}

std::string PadOnLeave(const EditRule& rule, std::string_view text) {
  std::string padded(text);
  if (rule.pad_char != '\0' && static_cast<int>(padded.size()) < rule.pad_to) {
    padded.insert(0, static_cast<size_t>(rule.pad_to) - padded.size(), rule.pad_char);
  }
  return padded;
}

std::array<uint8_t, 2> PairCheck(std::string_view hex) {
  uint8_t x = 0;
  for (size_t i = 0; i < hex.size(); i += 2) {
    x ^= static_cast<uint8_t>(HexValue(hex.substr(i, 2)));  // a bad pair counts as FF
  }
  return {static_cast<uint8_t>(0xFF - x), x};
}

std::string EepromFields::HexText(int address, int size) const {
  std::string hex;
  for (int a = address; a < address + size; ++a) hex += image_.Cell(CellRow(a), CellColumn(a));
  return hex;
}

int64_t EepromFields::Value(int address, int size) const {
  return HexValue(HexText(address, size));
}

void EepromFields::WriteHex(int address, int size, std::string_view hex) {
  for (int i = 0; i < size; ++i) {
    const size_t at = 2 * static_cast<size_t>(i);
    const std::string_view pair = at < hex.size() ? hex.substr(at, 2) : std::string_view();
    image_.SetCell(CellRow(address + i), CellColumn(address + i), pair);
  }
}

void EepromFields::WriteCheckBytes(int check_address, std::string_view hex) {
  if (check_address < 0) return;
  const auto check = PairCheck(hex);
  WriteHex(check_address, 2, ByteText(check[0]) + ByteText(check[1]));
}

ListFieldState EepromFields::InterpretList(size_t index) const {
  const ListFieldSpec& def = ListFields()[index];
  const std::string hex = HexText(def.address, def.size);
  const int other = static_cast<int>(def.items.size());
  ListFieldState state{other, ApplyEditRule(def.rule, hex), true};
  for (int i = 0; i < def.recognised; ++i) {
    if (ItemValue(def.items[static_cast<size_t>(i)]) == hex) {
      state.selected = i;
      state.edit_enabled = false;
      break;
    }
  }
  return state;
}

NumberFieldState EepromFields::InterpretNumber(size_t index) const {
  const NumberFieldSpec& def = NumberFields()[index];
  const std::string hex = HexText(def.address, def.size);
  return {ApplyEditRule(def.rule, std::to_string(HexValue(hex))), hex};
}

DigitFieldState EepromFields::InterpretDigits(size_t index) const {
  const DigitFieldSpec& def = DigitFields()[index];
  std::string characters;
  for (int a = def.address; a < def.address + def.size; ++a) {
    // A cell that is not a byte reads as character 255, which the digit rule then drops.
    characters += static_cast<char>(HexValue(image_.Cell(CellRow(a), CellColumn(a))) & 0xFF);
  }
  return {ApplyEditRule(def.rule, characters), HexText(def.address, def.size)};
}

SatelliteState EepromFields::InterpretSatellite(int satellite) const {
  const int base = SatelliteBase(satellite);
  const int length = kSatelliteNameLength[static_cast<size_t>(satellite)];
  std::string name;
  bool ended = false;
  for (int a = base; a < base + length; ++a) {
    const auto byte = static_cast<char>(Value(a, 1) & 0xFF);
    if (byte == '\0') {
      ended = true;
      break;
    }
    name += byte;
  }
  SatelliteState state;
  state.name = name.empty() || !ended
                   ? std::string(kSatelliteDefaultNames[static_cast<size_t>(satellite)])
                   : Cp1252ToUtf8(name);
  const auto second_if_set = [this, base](int offset) { return Value(base + offset, 1) == 0 ? 0 : 1; };
  state.band = second_if_set(22);
  state.antenna = second_if_set(23);
  const int64_t frequency = Value(base + 26, 2);
  state.frequency = frequency < 9000 || frequency > 13000 ? "11970" : std::to_string(frequency);
  const int64_t code = Value(base + 28, 1);
  state.symbol_rate =
      code >= 0 && code < 16 && symbol_rates_[static_cast<size_t>(code)] == 22000 ? 0 : 1;
  const int64_t fec = Value(base + 29, 1);
  state.fec = fec < 6 ? static_cast<int>(fec) : 0;
  state.polarity = second_if_set(30);
  state.tone = second_if_set(31);
  state.lnb = ApplyEditRule(EditRule{false, "10600"}, std::to_string(Value(base + 35, 2)));
  return state;
}

EepromFieldsView EepromFields::Interpret() const {
  EepromFieldsView view;
  for (size_t i = 0; i < ListFields().size(); ++i) view.lists.push_back(InterpretList(i));
  for (size_t i = 0; i < NumberFields().size(); ++i) view.numbers.push_back(InterpretNumber(i));
  for (size_t i = 0; i < DigitFields().size(); ++i) view.digits.push_back(InterpretDigits(i));
  for (int s = 0; s < kSatelliteCount; ++s) view.satellites[static_cast<size_t>(s)] = InterpretSatellite(s);
  return view;
}

ListFieldState EepromFields::ChooseItem(size_t index, int position, std::string_view edit_text) {
  const ListFieldSpec& def = ListFields()[index];
  ListFieldState state{position, std::string(edit_text), true};
  if (position >= 0 && position < static_cast<int>(def.items.size())) {
    state.edit_text = ItemValue(def.items[static_cast<size_t>(position)]);
    state.edit_enabled = false;
  }
  WriteHex(def.address, def.size, state.edit_text);
  if (def.mirror_address >= 0) WriteHex(def.mirror_address, def.size, state.edit_text);
  WriteCheckBytes(def.check_address, state.edit_text);
  return state;
}

std::string EepromFields::LeaveHexEdit(size_t index, std::string_view text) {
  const ListFieldSpec& def = ListFields()[index];
  const std::string padded = PadOnLeave(def.rule, ApplyEditRule(def.rule, text));
  WriteHex(def.address, def.size, padded);
  if (def.mirror_address >= 0) WriteHex(def.mirror_address, def.size, padded);
  WriteCheckBytes(def.check_address, padded);
  return padded;
}

NumberFieldState EepromFields::LeaveNumber(size_t index, std::string_view text) {
  const NumberFieldSpec& def = NumberFields()[index];
  const std::string decimal = ApplyEditRule(def.rule, text);
  const std::string hex = HexDigits(static_cast<uint64_t>(DecimalValue(decimal)), 2 * def.size);
  WriteHex(def.address, def.size, hex);
  WriteCheckBytes(def.check_address, hex);
  return {decimal, hex};
}

DigitFieldState EepromFields::LeaveDigits(size_t index, std::string_view text) {
  const DigitFieldSpec& def = DigitFields()[index];
  std::string padded = PadOnLeave(def.rule, ApplyEditRule(def.rule, text));
  padded.resize(static_cast<size_t>(def.size));
  const std::string hex = CharactersHex(padded);
  WriteHex(def.address, def.size, hex);
  return {padded, hex};
}

std::string EepromFields::SatelliteNameRule(int satellite, std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (upper.empty()) return std::string(kSatelliteDefaultNames[static_cast<size_t>(satellite)]);
  return upper;
}

std::string EepromFields::LeaveSatelliteName(int satellite, std::string_view text) {
  const int base = SatelliteBase(satellite);
  const size_t length = static_cast<size_t>(kSatelliteNameLength[static_cast<size_t>(satellite)]);
  const std::string name = SatelliteNameRule(satellite, text);
  std::string bytes = Utf8ToCp1252(name);
  bytes.resize(length, '\0');  // NUL-filled; a full-length name has no NUL at all
  WriteHex(base, static_cast<int>(length), BytesHex(bytes));
  return Cp1252ToUtf8(bytes.substr(0, std::min(bytes.find('\0'), length)));
}

void EepromFields::ChooseSatelliteItem(int satellite, SatelliteList list, int position) {
  const int base = SatelliteBase(satellite);
  static constexpr int kOffsets[] = {22, 23, 28, 29, 30, 31};
  WriteHex(base + kOffsets[static_cast<int>(list)], 1, ByteText(static_cast<uint8_t>(position)));
}

std::string EepromFields::LeaveSatelliteFrequency(int satellite, std::string_view text) {
  return LeaveWindowedNumber(SatelliteBase(satellite) + 26, text, "11970");
}

std::string EepromFields::LeaveSatelliteLnb(int satellite, std::string_view text) {
  return LeaveWindowedNumber(SatelliteBase(satellite) + 35, text, "10600");
}

// Frequencies in MHz: anything outside 9000…13000 cannot be a satellite band and takes the
// usual value instead; stored as a 16-bit number.
std::string EepromFields::LeaveWindowedNumber(int address, std::string_view text,
                                              std::string_view usual) {
  std::string value = ApplyEditRule(EditRule{false, usual}, text);
  const int64_t number = DecimalValue(value);
  if (number < 9000 || number > 13000) value = usual;
  WriteHex(address, 2, HexDigits(static_cast<uint64_t>(DecimalValue(value)), 4));
  return value;
}

}  // namespace atalaya

namespace atalaya {
namespace {

std::string Label(const TextTable& texts, int key) {
  std::string label = texts.Text(key);
  while (!label.empty() && (label.back() == ' ' || label.back() == ':')) label.pop_back();
  while (!label.empty() && label.front() == ' ') label.erase(0, 1);
  return label;
}

}  // namespace

std::vector<FieldRow> DescribeFields(const EepromFieldsView& view, const TextTable& texts) {
  std::vector<FieldRow> rows;
  for (size_t i = 0; i < ListFields().size(); ++i) {
    const ListFieldSpec& def = ListFields()[i];
    const ListFieldState& state = view.lists[i];
    std::string value = texts.Text(304);  // "otro"
    if (state.selected >= 0 && state.selected < static_cast<int>(def.items.size())) {
      const ListItemSpec& item = def.items[static_cast<size_t>(state.selected)];
      value = item.text_key >= 0 ? texts.Text(item.text_key) : std::string(item.text);
    }
    rows.push_back({std::string(def.name), Label(texts, def.label_key), value, state.edit_text});
  }
  for (size_t i = 0; i < NumberFields().size(); ++i) {
    const NumberFieldSpec& def = NumberFields()[i];
    rows.push_back({std::string(def.name), Label(texts, def.label_key), view.numbers[i].decimal,
                    view.numbers[i].hex});
  }
  for (size_t i = 0; i < DigitFields().size(); ++i) {
    const DigitFieldSpec& def = DigitFields()[i];
    rows.push_back({std::string(def.name), Label(texts, def.label_key), view.digits[i].text,
                    view.digits[i].hex});
  }
  static constexpr const char* kBands[] = {"Ku", "C"};
  static constexpr const char* kAntennas[] = {"1", "2"};
  static constexpr const char* kRates[] = {"22000", "27500"};
  static constexpr const char* kPolarities[] = {"V", "H"};
  static constexpr const char* kTones[] = {"Off", "On"};
  for (size_t s = 0; s < view.satellites.size(); ++s) {
    const SatelliteState& sat = view.satellites[s];
    const std::string prefix = "satelite_" + std::to_string(s + 1) + ".";
    const std::string group = texts.Text(s == 0 ? 283 : 284) + ": ";
    const auto add = [&](const char* key, int label_key, std::string value) {
      rows.push_back({prefix + key, group + Label(texts, label_key), std::move(value), ""});
    };
    add("nombre", 285, sat.name);
    add("banda", 217, kBands[sat.band]);
    add("antena", 286, kAntennas[sat.antenna]);
    add("frecuencia", 212, sat.frequency);
    add("symbol_rate", 168, kRates[sat.symbol_rate]);
    add("fec", 165, sat.fec >= 0 ? std::string(kFecNames[static_cast<size_t>(sat.fec)]) : "");
    add("polaridad", 213, kPolarities[sat.polarity]);
    add("22khz", 190, kTones[sat.tone]);
    add("frecuencia_lnb", 287, sat.lnb);
  }
  return rows;
}

}  // namespace atalaya
