#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/decoder_files.h"
#include "core/eeprom/eeprom_image.h"

namespace atalaya {

class TextTable;

// The input rule of an edit box of the "Datos Interpretados" page: which characters stay, what
// an emptied box becomes, how it is filled on the left when the user leaves it.
struct EditRule {
  bool hex = true;             // 0-9 A-F; otherwise 0-9
  std::string_view empty_value;
  char pad_char = '\0';        // '\0': no filling
  int pad_to = 0;
  int64_t max = -1;            // decimal boxes: a value above it becomes "0"
};
std::string ApplyEditRule(const EditRule& rule, std::string_view text);
std::string PadOnLeave(const EditRule& rule, std::string_view text);

// Positions of the fields in their tables.
namespace field {
inline constexpr size_t kCountry = 0, kProvider = 1, kSortProvider = 2, kAudioSecondary = 3,
                        kAudioPrimary = 4, kSubtitles = 5, kSections = 6, kEpg = 7,
                        kBrightness = 8, kColourSystem = 9, kStartMode = 10, kDiseqc = 11;
inline constexpr size_t kSoftwareVersion = 0, kLastChannel = 1;
inline constexpr size_t kCountryCode = 0, kSerialNumber = 1;
}  // namespace field

// A list field's items: the known values.
struct ListItemSpec {
  std::string_view text;   // the item's text when it has no text key
  int text_key;            // -1: `text` is shown as it stands
  std::string_view value;  // hex bytes; empty: the item's own characters are the bytes
};

struct ListFieldSpec {
  std::string_view name;   // for the command line and tests
  int label_key;
  int address;
  int size;                          // bytes
  std::vector<ListItemSpec> items;   // "otro" (text 304) follows them
  int recognised;                    // how many items a stored value can select
  int check_address;                 // -1: no check bytes
  int mirror_address;                // -1: no copy
  EditRule rule;
};
// Country, provider, software-sorting provider, three languages, active sections, EPG,
// brightness, colour system, start mode, DiSEqC, in this order.
const std::vector<ListFieldSpec>& ListFields();

// Fields with a decimal box and a hex display.
struct NumberFieldSpec {
  std::string_view name;
  int label_key;
  int address;
  int size;
  int check_address;
  EditRule rule;
};
const std::vector<NumberFieldSpec>& NumberFields();  // software version, last channel

// Fields of ASCII digits with a text box and a hex display.
struct DigitFieldSpec {
  std::string_view name;
  int label_key;
  int address;
  int size;
  EditRule rule;
};
const std::vector<DigitFieldSpec>& DigitFields();  // country code, serial number

struct ListFieldState {
  int selected;  // item position; items().size() is "otro"
  std::string edit_text;
  bool edit_enabled;
};
struct NumberFieldState {
  std::string decimal;
  std::string hex;
};
struct DigitFieldState {
  std::string text;
  std::string hex;
};
struct SatelliteState {
  std::string name;
  int band;       // 0 Ku, 1 C
  int antenna;    // 0 antenna 1, 1 antenna 2
  std::string frequency;
  int symbol_rate;  // 0 "22000", 1 "27500"
  int fec;          // 0…5, −1 none
  int polarity;     // 0 V, 1 H
  int tone;         // 0 Off, 1 On
  std::string lnb;
};

// The lists of a satellite record that are written as their position.
enum class SatelliteList { kBand, kAntenna, kSymbolRate, kFec, kPolarity, kTone };

inline constexpr int kSatelliteCount = 2;
inline constexpr std::array<std::string_view, 2> kSatelliteDefaultNames = {"ASTRA", "OTROS"};
inline constexpr std::array<int, 2> kSatelliteNameLength = {21, 22};
extern const std::array<std::vector<std::string_view>, 2> kSatelliteNameSuggestions;
extern const std::array<std::string_view, 6> kFecNames;

// Everything the page shows, decoded from the image at once.
struct EepromFieldsView {
  std::vector<ListFieldState> lists;
  std::vector<NumberFieldState> numbers;
  std::vector<DigitFieldState> digits;
  std::array<SatelliteState, 2> satellites;
};

// The decoder settings kept at known places of the EEPROM, read from and written straight
// into the image's cells. Fields are addressed by their index in ListFields(),
// NumberFields() and DigitFields(); satellites by 0 and 1.
class EepromFields {
 public:
  EepromFields(EepromImage& image, const SymbolRateTable& symbol_rates)
      : image_(image), symbol_rates_(symbol_rates) {}

  EepromFieldsView Interpret() const;
  ListFieldState InterpretList(size_t field) const;
  NumberFieldState InterpretNumber(size_t field) const;
  DigitFieldState InterpretDigits(size_t field) const;
  SatelliteState InterpretSatellite(int satellite) const;

  // A list choice: a known item fills the hex box and locks it, "otro" unlocks the box and
  // keeps its text; then the field is written. Returns the box's new state.
  ListFieldState ChooseItem(size_t field, int position, std::string_view edit_text);
  // Leaving a hex box: filled on the left, then written. Returns the box's text.
  std::string LeaveHexEdit(size_t field, std::string_view text);
  NumberFieldState LeaveNumber(size_t field, std::string_view text);
  DigitFieldState LeaveDigits(size_t field, std::string_view text);

  // Satellite names are typed in capitals; an emptied name takes the satellite's default.
  static std::string SatelliteNameRule(int satellite, std::string_view text);
  // Leaving the name: written with NUL bytes up to the field's length. Returns the name.
  std::string LeaveSatelliteName(int satellite, std::string_view text);
  void ChooseSatelliteItem(int satellite, SatelliteList list, int position);
  // Leaving the frequency or LNB box: values outside 9000…13000 become 11970 / 10600.
  std::string LeaveSatelliteFrequency(int satellite, std::string_view text);
  std::string LeaveSatelliteLnb(int satellite, std::string_view text);

 private:
  std::string HexText(int address, int size) const;
  int64_t Value(int address, int size) const;
  void WriteHex(int address, int size, std::string_view hex);
  void WriteCheckBytes(int check_address, std::string_view hex);
  std::string LeaveWindowedNumber(int address, std::string_view text, std::string_view usual);

  EepromImage& image_;
  const SymbolRateTable& symbol_rates_;
};

// One field as words, for listings: its key, its label, what it holds, and its bytes.
struct FieldRow {
  std::string key;    // e.g. "pais", "satelite_1.frecuencia"
  std::string label;  // the page's label without its trailing colon
  std::string value;
  std::string hex;    // empty where the page shows no bytes
};
std::vector<FieldRow> DescribeFields(const EepromFieldsView& view, const TextTable& texts);

// The two check bytes of a field: FF − x and x, x the exclusive-or of its bytes.
std::array<uint8_t, 2> PairCheck(std::string_view hex);

}  // namespace atalaya
