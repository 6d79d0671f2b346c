// The INI files of the data folder as the program meets them: the settings file read at
// start-up and written back when the window closes, the language file, and the flash-type,
// model and symbol-rate files the settings name.
//
// Input: the files one after another, separated by NUL bytes (no INI text holds one). The
// first is Atalaya.ini; each further file is a data file named after its first section
// header, as X.ini holds [X]. A name the settings list counts as present when such a file is
// in the input.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/cp1252.h"
#include "core/config/decoder_files.h"
#include "core/config/ini_file.h"
#include "core/config/settings.h"
#include "core/config/text_table.h"
#include "fuzz_support.h"

namespace atalaya::fuzz {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

std::vector<std::string_view> Lines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (end < bytes.size() && line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

// The name inside the first "[...]" line, as UTF-8; empty when there is none.
std::string FirstSectionName(std::string_view bytes) {
  for (std::string_view line : Lines(bytes)) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      return Cp1252ToUtf8(line.substr(1, line.size() - 2));
    }
  }
  return {};
}

// Every line end is CR LF, or none is: such a file is written back exactly as it was read.
bool UniformLineEnds(std::string_view bytes) {
  size_t crlf = 0;
  size_t lf = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n') continue;
    (i > 0 && bytes[i - 1] == '\r' ? crlf : lf) += 1;
  }
  return crlf == 0 || lf == 0;
}

// Reading and writing a file on its own: every key of every section can be read, a file read
// and written unchanged keeps its bytes, and a value written reads back.
void CheckFile(std::string_view bytes) {
  IniFile file = IniFile::FromBytes(bytes);
  const std::string written = file.ToBytes();
  if (UniformLineEnds(bytes)) FUZZ_CHECK(written == bytes);
  FUZZ_CHECK(IniFile::FromBytes(written).ToBytes() == written);

  std::vector<std::pair<std::string, std::string>> keys;
  std::string section;
  for (std::string_view line : Lines(bytes)) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      section = Cp1252ToUtf8(line.size() >= 2 && line.front() == '[' && line.back() == ']'
                                 ? line.substr(1, line.size() - 2)
                                 : std::string_view());
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || section.empty()) continue;
    const std::string key = Cp1252ToUtf8(Trim(line.substr(0, eq)));
    if (const auto value = file.Read(section, key)) {
      FUZZ_CHECK(!value->empty());
      const std::string value_bytes = Utf8ToCp1252(*value);
      FUZZ_CHECK(Trim(value_bytes) == value_bytes);
      FUZZ_CHECK(Cp1252ToUtf8(value_bytes) == *value);
    }
    keys.emplace_back(section, key);
  }
  // A whole section read at once reads as its keys one by one.
  for (size_t i = 0; i < keys.size() && i < 4; ++i) {
    for (const auto& [key, value] : file.ReadSection(keys[i].first)) {
      FUZZ_CHECK(file.Read(keys[i].first, key) == value);
    }
  }

  // The index kept up to date by each write reads as one made afresh from the file as written
  // (a key added moves the lines of every section after it).
  const size_t compared = std::min<size_t>(keys.size(), 64);
  for (size_t i = 0; i < compared && i < 8; ++i) {
    file.WriteString(keys[i].first, keys[i].second, "marca" + std::to_string(i));
    FUZZ_CHECK(file.Read(keys[i].first, keys[i].second) == "marca" + std::to_string(i));
    file.WriteString(keys[i].first, "nueva" + std::to_string(i), "x");
    const IniFile fresh = IniFile::FromBytes(file.ToBytes());
    for (size_t j = 0; j < compared; ++j) {
      FUZZ_CHECK(file.Read(keys[j].first, keys[j].second) ==
                 fresh.Read(keys[j].first, keys[j].second));
    }
  }

  // A new section with a new key, as the settings file gets on its first save.
  file.WriteString("Fuzz Sección", "Clave", "valor ñ");
  file.WriteInteger("Fuzz Sección", "Número", -42);
  const IniFile reread = IniFile::FromBytes(file.ToBytes());
  FUZZ_CHECK(reread.ReadString("Fuzz Sección", "Clave", "") == "valor ñ");
  FUZZ_CHECK(reread.ReadInteger("Fuzz Sección", "Número", 0) == -42);
}

// A language file replaces texts; the next one starts from Spanish again.
void CheckLanguage(const IniFile& file, const std::string& name) {
  TextTable texts;
  texts.LoadTexts(file, name);
  for (int key = 0; key <= kLastTextKey; ++key) {
    if (!IsTextKey(key)) FUZZ_CHECK(texts.Text(key).empty());
  }
  texts.LoadTexts(IniFile(), "");
  static const TextTable spanish;
  for (int key = 0; key <= kLastTextKey; ++key) FUZZ_CHECK(texts.Text(key) == spanish.Text(key));
}

// The chosen flash-type files give the layouts, except one whose block count cannot be, which
// is named for the report and leaves the layout it would replace; so every layout in use says
// where its chip ends. Without a model choice at all (a position past the list) nothing is
// loaded.
void CheckLayouts(const Settings& settings, const SettingsEnvironment& environment) {
  for (size_t chip = 0; chip < 2 && settings.model >= 0; ++chip) {
    const int type = chip == 0 ? settings.flash1_type : settings.flash2_type;
    const bool chosen = type >= 0 && type < static_cast<int>(settings.flash_types.size());
    const std::string name = chosen ? settings.flash_types[static_cast<size_t>(type)] : "";
    const int64_t count =
        ReadBlockCount(name.empty() ? IniFile() : environment.read_data_file(name), name);
    const FlashLayout& layout = settings.flash_layouts[chip];
    if (count >= 0 && count <= FlashLayout::kMaxBlocks) {
      FUZZ_CHECK(layout.block_count == count);
    } else {
      FUZZ_CHECK(std::find(settings.refused_flash_types.begin(),
                           settings.refused_flash_types.end(),
                           name) != settings.refused_flash_types.end());
    }
  }
  for (const FlashLayout& layout : settings.flash_layouts) {
    FUZZ_CHECK(layout.block_count >= 0 && layout.block_count <= FlashLayout::kMaxBlocks);
    FUZZ_CHECK(layout.ChipSize() == layout.blocks[static_cast<size_t>(layout.block_count)]);
  }
}

// The values a save writes and the next start reads.
void CheckSameSettings(const Settings& a, const Settings& b) {
  FUZZ_CHECK(a.top == b.top && a.left == b.left);
  FUZZ_CHECK(a.window_width == b.window_width && a.window_height == b.window_height);
  FUZZ_CHECK(a.language == b.language && a.port == b.port && a.baud == b.baud);
  FUZZ_CHECK(a.data_bits == b.data_bits && a.parity == b.parity && a.stop_bits == b.stop_bits);
  FUZZ_CHECK(a.flow_control == b.flow_control && a.checksum == b.checksum);
  FUZZ_CHECK(a.parallel_range == b.parallel_range && a.parallel_base == b.parallel_base);
  FUZZ_CHECK(a.bars == b.bars);
  FUZZ_CHECK(a.model == b.model && a.flash1_type == b.flash1_type &&
             a.flash2_type == b.flash2_type);
  FUZZ_CHECK(a.flash1_start == b.flash1_start && a.flash2_start == b.flash2_start);
  FUZZ_CHECK(a.flash_layouts == b.flash_layouts);
  FUZZ_CHECK(a.tcs == b.tcs && a.tpt == b.tpt && a.symbol_rate == b.symbol_rate);
  FUZZ_CHECK(a.symbol_rates == b.symbol_rates);
  FUZZ_CHECK(a.channel_row_count == b.channel_row_count &&
             a.transponder_row_count == b.transponder_row_count);
  FUZZ_CHECK(a.lnb_low == b.lnb_low && a.lnb_high == b.lnb_high);
  FUZZ_CHECK(a.sat_a == b.sat_a && a.sat_b == b.sat_b);
  FUZZ_CHECK(a.capture_size == b.capture_size && a.capture_width == b.capture_width);
  FUZZ_CHECK(a.direc_jtag == b.direc_jtag && a.long_jtag == b.long_jtag);
  FUZZ_CHECK(a.trap_address == b.trap_address && a.active_page == b.active_page);
  FUZZ_CHECK(a.open_dialog_dir == b.open_dialog_dir && a.save_dialog_dir == b.save_dialog_dir);
  FUZZ_CHECK(a.formato_4_3 == b.formato_4_3 && a.formato_16_9 == b.formato_16_9 &&
             a.formato_original == b.formato_original);
  FUZZ_CHECK(a.usar_jtag_ram_table == b.usar_jtag_ram_table &&
             a.usar_jtag_flash_table == b.usar_jtag_flash_table);
}

}  // namespace
}  // namespace atalaya::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace atalaya;
  using namespace atalaya::fuzz;

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = input.find('\0', start);
    parts.push_back(input.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }

  std::map<std::string, IniFile> data_files;
  for (size_t i = 0; i < parts.size(); ++i) {
    CheckFile(parts[i]);
    if (i == 0) continue;
    const std::string name = FirstSectionName(parts[i]);
    if (!name.empty()) data_files.emplace(name, IniFile::FromBytes(parts[i]));
  }

  SettingsEnvironment environment;
  environment.serial_ports = {"/dev/ttyS0", "/dev/ttyUSB0"};
  environment.data_file_exists = [&](const std::string& name) {
    return data_files.count(name) != 0;
  };
  environment.read_data_file = [&](const std::string& name) {
    const auto found = data_files.find(name);
    return found == data_files.end() ? IniFile() : found->second;
  };

  const IniFile settings_file = IniFile::FromBytes(parts[0]);
  const Settings loaded = LoadSettings(settings_file, environment);
  FUZZ_CHECK(loaded.language >= -1 &&
             loaded.language < static_cast<int>(loaded.languages.size()));
  FUZZ_CHECK(loaded.model >= -1 && loaded.model <= static_cast<int>(loaded.models.size()));
  for (int bar = 0; bar < kBarCount; ++bar) {
    const BarSpec& def = SpecOf(static_cast<Bar>(bar));
    FUZZ_CHECK(loaded.bars[static_cast<size_t>(bar)] >= def.min &&
               loaded.bars[static_cast<size_t>(bar)] <= def.max);
  }

  CheckLayouts(loaded, environment);

  // The language the settings choose, as the window loads it.
  const bool chosen = loaded.language >= 0;
  const std::string language = chosen ? loaded.languages[static_cast<size_t>(loaded.language)] : "";
  CheckLanguage(language.empty() ? IniFile() : environment.read_data_file(language), language);

  // Closing the window writes the settings into the file as it stands; the next start reads
  // them back, and closing again writes the very same file.
  IniFile saved = settings_file;
  SaveSettings(loaded, saved);
  const std::string first_save = saved.ToBytes();
  const Settings reloaded = LoadSettings(IniFile::FromBytes(first_save), environment);
  CheckSameSettings(loaded, reloaded);
  IniFile saved_again = IniFile::FromBytes(first_save);
  SaveSettings(reloaded, saved_again);
  FUZZ_CHECK(saved_again.ToBytes() == first_save);

  Settings restored = loaded;
  RestoreDefaults(restored);
  SaveSettings(restored, saved);
  return 0;
}
