#include "core/config/settings.h"

#include <algorithm>
#include <cstdio>

#include "core/config/field_rules.h"

namespace atalaya {
namespace {

constexpr int kMs = 225;
constexpr int kCycles = 224;

// Indexed by Bar.
constexpr std::array<BarSpec, kBarCount> kBars = {{
    {"RetardoBusy", 50, 700, 300, 500, BarStorage::kSigned64, kMs},
    {"RetardoStrobe", 1, 100, 10, 10, BarStorage::kUnsigned8, kCycles},
    {"RetardoNegociacion1", 1, 100, 10, 10, BarStorage::kUnsigned8, kCycles},
    {"RetardoNegociacion2", 200, 1000, 500, 500, BarStorage::kSigned64, kMs},
    {"RetardoNegociacion3", 200, 1000, 500, 500, BarStorage::kSigned64, kMs},
    {"RetardoNegociacion4", 1, 100, 10, 10, BarStorage::kUnsigned8, kCycles},
    {"RetardoApertura1", 50, 700, 100, 100, BarStorage::kSigned64, kMs},
    {"RetardoApertura2", 50, 700, 100, 100, BarStorage::kSigned64, kMs},
    {"RetardoClausura1", 200, 1000, 500, 500, BarStorage::kSigned64, kMs},
    {"RetardoClausura2", 200, 1000, 500, 500, BarStorage::kSigned64, kMs},
    {"RetardoComienzo", 200, 5000, 2000, 3000, BarStorage::kSigned64, kMs},
    {"RetardoVerificacion", 200, 2000, 1000, 1000, BarStorage::kSigned64, kMs},
    {"RetardoEntreBytes", 0, 10000, 0, 0, BarStorage::kSigned64, kCycles},
    {"DuracionTCK", 0, 1000, 0, 0, BarStorage::kSigned64, kCycles},
    {"WStartBits", 3, 2048, 1024, 1024, BarStorage::kSigned32, -1},
    {"CalidadJPEG", 1, 100, 100, 100, BarStorage::kUnsigned8, -1},
}};

constexpr std::string_view S = kSettingsSection;

// A list position: anything outside 0 … count − 1 leaves the list without a choice.
int ReadPosition(const IniFile& ini, std::string_view key, int fallback, size_t count) {
  const int64_t value = ini.ReadInteger(S, key, fallback);
  return value >= 0 && value < static_cast<int64_t>(count) ? static_cast<int>(value) : -1;
}

int64_t ReadAtLeast(const IniFile& ini, std::string_view key, int64_t fallback) {
  return std::max(ini.ReadInteger(S, key, fallback), fallback);
}

// Integer read of a value that is not a list position, kept to 32 bits like a screen position.
int64_t ReadInt32(const IniFile& ini, std::string_view key, int64_t fallback) {
  return static_cast<int32_t>(ini.ReadInteger(S, key, fallback));
}

}  // namespace

const BarSpec& SpecOf(Bar bar) { return kBars[static_cast<size_t>(bar)]; }

std::string SectionPositionText(int position) {
  if (position == 0) return "00000";
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", position * 0x10000);
  return buffer;
}

std::string FileListKey(std::string_view prefix, int number) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%X", number);
  return std::string(prefix) + buffer;
}

std::vector<std::string> ReadFileList(const IniFile& ini, const FileListSpec& def,
                                      const std::function<bool(const std::string&)>& exists) {
  std::vector<std::string> names;
  for (int number = def.first; number <= def.last; ++number) {
    auto name = ini.Read(S, FileListKey(def.prefix, number));
    if (name && exists(*name)) names.push_back(std::move(*name));
  }
  return names;
}

Settings::Settings() {
  for (size_t i = 0; i < kBars.size(); ++i) bars[i] = kBars[i].load_default;
}

void Settings::SetValue(Bar bar, int64_t value) {
  const BarSpec& def = SpecOf(bar);
  switch (def.storage) {
    case BarStorage::kUnsigned8:
      value = static_cast<uint8_t>(value);
      break;
    case BarStorage::kSigned32:
      value = static_cast<int32_t>(value);
      break;
    case BarStorage::kSigned64:
      break;
  }
  // The bar cannot show a value outside its range, and the value is what the bar shows.
  bars[static_cast<size_t>(bar)] = std::clamp(value, def.min, def.max);
}

namespace {

// The chosen entry of a file list, or the empty name (an empty file) when none is chosen.
std::string ChosenName(const std::vector<std::string>& names, int64_t position) {
  return position >= 0 && position < static_cast<int64_t>(names.size())
             ? names[static_cast<size_t>(position)]
             : std::string();
}

IniFile ReadDataFile(const DataFileReader& read, const std::string& name) {
  return name.empty() || !read ? IniFile() : read(name);
}

}  // namespace

void LoadFlashLayout(Settings& s, int chip, const DataFileReader& read) {
  const std::string name = ChosenName(s.flash_types, chip == 1 ? s.flash1_type : s.flash2_type);
  if (auto layout = ReadFlashLayout(ReadDataFile(read, name), name)) {
    s.flash_layouts[chip == 1 ? 0 : 1] = *layout;
  } else {
    s.refused_flash_types.push_back(name);
  }
}

void ApplyModel(Settings& s, const DataFileReader& read) {
  if (s.model <= 0) return;
  const std::string name = ChosenName(s.models, s.model - 1);
  const ModelChips chips = ReadModelChips(ReadDataFile(read, name), name);
  const auto type_position = [&s](int64_t type) {
    return type >= 0 && type < static_cast<int64_t>(s.flash_types.size()) ? static_cast<int>(type)
                                                                          : -1;
  };
  s.flash1_start = chips.flash1_start;
  s.flash1_type = type_position(chips.flash1_type);
  s.flash2_start = chips.flash2_start;
  s.flash2_type = type_position(chips.flash2_type);
  LoadFlashLayout(s, 1, read);
  LoadFlashLayout(s, 2, read);
}

void LoadSymbolRates(Settings& s, const DataFileReader& read) {
  const std::string name = ChosenName(s.symbol_rate_files, s.symbol_rate);
  s.symbol_rates = ReadSymbolRates(ReadDataFile(read, name), name);
}

void ApplyParallelBase(Settings& s) {
  if (s.parallel_range >= 0 && s.parallel_range < static_cast<int>(kParallelBases.size())) {
    s.parallel_base = kParallelBases[static_cast<size_t>(s.parallel_range)];
  }
}

void ApplyCaptureSize(Settings& s) {
  if (s.capture_size < 0 || s.capture_size >= static_cast<int>(kCaptureSizes.size())) return;
  const std::string_view entry = kCaptureSizes[static_cast<size_t>(s.capture_size)];
  s.capture_width = std::stoi(std::string(entry.substr(0, 3)));
  s.capture_height = std::stoi(std::string(entry.substr(6, 3)));
}

void ApplyChannelCount(Settings& s) {
  if (s.channel_count == 0) s.channel_row_count = 1000;
  if (s.channel_count == 1) s.channel_row_count = 2003;
}

void ApplyTransponderCount(Settings& s) {
  if (s.transponder_count >= 0 && s.transponder_count < kTransponderCountChoices) {
    s.transponder_row_count = 100 * (s.transponder_count + 1);
  }
}

Settings LoadSettings(const IniFile& ini, const SettingsEnvironment& env) {
  Settings s;
  const auto exists = [&env](const std::string& name) {
    return env.data_file_exists && env.data_file_exists(name);
  };

  s.serial_ports = env.serial_ports;

  s.top = ReadInt32(ini, "Top", 0);
  s.left = ReadInt32(ini, "Left", 0);
  s.window_height = ReadAtLeast(ini, "WindowHeight", 657);
  s.window_width = ReadAtLeast(ini, "WindowWidth", 736);
  s.form2_width = ReadAtLeast(ini, "Form2Width", 430);
  s.form2_height = ReadAtLeast(ini, "Form2Height", 367);
  s.form3_width = ReadAtLeast(ini, "Form3Width", 430);
  s.form3_height = ReadAtLeast(ini, "Form3Height", 358);

  s.languages = ReadFileList(ini, kLanguageFiles, exists);
  s.language = ReadPosition(ini, "Idioma", 0, s.languages.size());
  s.flash_types = ReadFileList(ini, kFlashTypeFiles, exists);
  s.models = ReadFileList(ini, kModelFiles, exists);

  s.direc_jtag = ini.ReadString(S, "DirecJtag", "7FE00000");
  s.port = ReadPosition(ini, "Puerto", 0, s.serial_ports.size());
  s.baud = ReadPosition(ini, "Velocidad", 6, kBaudRates.size());
  s.data_bits = ReadPosition(ini, "BitsDatos", 1, kDataBits.size());
  s.flow_control = ReadPosition(ini, "ControlFlujo", 1, kFlowControlCount);
  s.firmware_address = ReadPosition(ini, "FirmDireccion", 0, kFirmwareAddresses.size());
  s.long_jtag = ini.ReadString(S, "LongJtag", "50000");
  s.parity = ReadPosition(ini, "Paridad", 2, kParityCount);
  s.stop_bits = ReadPosition(ini, "BitsParada", 0, kStopBitsCount);
  s.parallel_range = ReadPosition(ini, "Paralelo", 1, kParallelRanges.size());
  s.tcs = ReadPosition(ini, "TCS", 0, kSectionPositionCount);
  s.tpt = ReadPosition(ini, "TPT", 1, kSectionPositionCount);

  s.symbol_rate_files = ReadFileList(ini, kSymbolRateFiles, exists);
  s.symbol_rate = ReadPosition(ini, "SR", 2, s.symbol_rate_files.size());
  LoadSymbolRates(s, env.read_data_file);

  s.channel_count = ReadPosition(ini, "NumCanales", 0, kChannelCountChoices);
  ApplyChannelCount(s);
  s.transponder_count = ReadPosition(ini, "NumTransp", 0, kTransponderCountChoices);
  ApplyTransponderCount(s);

  s.trap_address = ini.ReadString(S, "TrapAdr", "40010000");

  s.model = ReadPosition(ini, "Model", 0, s.models.size() + 1);
  if (s.model == 0) {
    s.flash1_start = ini.ReadString(S, "Flash1Start", "7FE00000");
    s.flash1_type = ReadPosition(ini, "Flash1Type", 0, s.flash_types.size());
    s.flash2_start = ini.ReadString(S, "Flash2Start", "60000000");
    s.flash2_type = ReadPosition(ini, "Flash2Type", 0, s.flash_types.size());
    LoadFlashLayout(s, 1, env.read_data_file);
    LoadFlashLayout(s, 2, env.read_data_file);
  }
  ApplyModel(s, env.read_data_file);

  s.firm_comando1 = ini.ReadBool(S, "FirmComando1", true);
  s.firm_comando2 = ini.ReadBool(S, "FirmComando2", false);
  s.firm_comando3 = ini.ReadBool(S, "FirmComando3", false);
  s.fase1y2 = ini.ReadBool(S, "Fase1y2", true);
  s.checksum = ini.ReadBool(S, "Checksum", true);
  s.progreso = ini.ReadBool(S, "Progreso", true);
  s.usar_ps_flash = ini.ReadBool(S, "Usar-firm-p+s-flash", false);
  s.usar_ps_archivo = ini.ReadBool(S, "Usar-firm-p+s-archivo", true);
  s.usar_jtag_ram_table = ini.ReadBool(S, "Usar-firm-jtag-flash", false);
  s.usar_jtag_flash_table = ini.ReadBool(S, "Usar-firm-jtag-ram", false);
  s.usar_jtag_imagen = ini.ReadBool(S, "Usar-firm-jtag-imagen", false);
  s.usar_jtag_eeprom = ini.ReadBool(S, "Usar-firm-jtag-eeprom", false);
  s.usar_jtag_archivo = ini.ReadBool(S, "Usar-firm-jtag-archivo", true);

  s.lnb_low = ApplyDigitRule(ini.ReadString(S, "LNB-low", "9750"), "9750");
  s.lnb_high = ApplyDigitRule(ini.ReadString(S, "LNB-high", "10600"), "10600");
  s.sat_a = ini.ReadString(S, "Sat-A", "A");
  s.sat_b = ini.ReadString(S, "Sat-B", "B");
  ApplySatelliteNameRule(s.sat_a, s.sat_b);
  s.previous_satellite_names = {s.sat_a, s.sat_b};

  for (size_t i = 0; i < kBars.size(); ++i) {
    s.SetValue(static_cast<Bar>(i), ini.ReadInteger(S, kBars[i].key, kBars[i].load_default));
  }

  s.capture_size = ReadPosition(ini, "Tamano", 4, kCaptureSizes.size());
  ApplyCaptureSize(s);

  s.active_page = ReadPosition(ini, "PestañaActiva", 0, kPageCount);
  s.open_dialog_dir = ini.ReadString(S, "OpenDLgInitialDir", "");
  s.save_dialog_dir = ini.ReadString(S, "SaveDLgInitialDir", "");

  s.formato_4_3 = ini.ReadBool(S, "Formato4:3", true);
  s.formato_16_9 = ini.ReadBool(S, "Formato16:9", false);
  s.formato_original = ini.ReadBool(S, "FormatoOriginal", false);
  s.verificar_jtag = ini.ReadBool(S, "VerificarJtag", true);
  s.forzar_jtag = ini.ReadBool(S, "ForzarJtag", false);
  s.add_firmware_crc = ini.ReadBool(S, "AddFirmwareCRC", false);

  ApplyParallelBase(s);
  return s;
}

void SaveSettings(const Settings& s, IniFile& ini) {
  const auto write_bar = [&](Bar bar) { ini.WriteInteger(S, SpecOf(bar).key, s.Value(bar)); };

  ini.WriteInteger(S, "Top", s.top);
  ini.WriteInteger(S, "Left", s.left);
  ini.WriteInteger(S, "WindowWidth", s.window_width);
  ini.WriteInteger(S, "WindowHeight", s.window_height);
  ini.WriteInteger(S, "Form2Width", s.form2_width);
  ini.WriteInteger(S, "Form2Height", s.form2_height);
  ini.WriteInteger(S, "Form3Width", s.form3_width);
  ini.WriteInteger(S, "Form3Height", s.form3_height);
  ini.WriteInteger(S, "Puerto", s.port);
  ini.WriteInteger(S, "Velocidad", s.baud);
  ini.WriteInteger(S, "BitsDatos", s.data_bits);
  ini.WriteInteger(S, "ControlFlujo", s.flow_control);
  ini.WriteInteger(S, "FirmDireccion", s.firmware_address);
  ini.WriteInteger(S, "Paridad", s.parity);
  ini.WriteInteger(S, "BitsParada", s.stop_bits);
  ini.WriteInteger(S, "Idioma", s.language);
  ini.WriteInteger(S, "Paralelo", s.parallel_range);
  for (Bar bar : {Bar::kRetardoStrobe, Bar::kRetardoNegociacion1, Bar::kRetardoNegociacion2,
                  Bar::kRetardoNegociacion3, Bar::kRetardoNegociacion4, Bar::kRetardoApertura1,
                  Bar::kRetardoApertura2, Bar::kRetardoClausura1, Bar::kRetardoClausura2,
                  Bar::kRetardoBusy, Bar::kRetardoComienzo, Bar::kRetardoVerificacion,
                  Bar::kRetardoEntreBytes, Bar::kDuracionTCK}) {
    write_bar(bar);
  }
  ini.WriteBool(S, "FirmComando1", s.firm_comando1);
  ini.WriteBool(S, "FirmComando2", s.firm_comando2);
  ini.WriteBool(S, "FirmComando3", s.firm_comando3);
  ini.WriteBool(S, "Fase1y2", s.fase1y2);
  ini.WriteBool(S, "Checksum", s.checksum);
  ini.WriteBool(S, "Progreso", s.progreso);
  ini.WriteBool(S, "Usar-firm-p+s-flash", s.usar_ps_flash);
  ini.WriteBool(S, "Usar-firm-p+s-archivo", s.usar_ps_archivo);
  ini.WriteBool(S, "Usar-firm-jtag-flash", s.usar_jtag_ram_table);
  ini.WriteBool(S, "Usar-firm-jtag-ram", s.usar_jtag_flash_table);
  ini.WriteBool(S, "Usar-firm-jtag-imagen", s.usar_jtag_imagen);
  ini.WriteBool(S, "Usar-firm-jtag-eeprom", s.usar_jtag_eeprom);
  ini.WriteBool(S, "Usar-firm-jtag-archivo", s.usar_jtag_archivo);
  ini.WriteInteger(S, "PestañaActiva", s.active_page);
  ini.WriteString(S, "OpenDLgInitialDir", s.open_dialog_dir);
  ini.WriteString(S, "SaveDLgInitialDir", s.save_dialog_dir);
  ini.WriteString(S, "DirecJtag", s.direc_jtag);
  ini.WriteString(S, "LongJtag", s.long_jtag);
  ini.WriteInteger(S, "TCS", s.tcs);
  ini.WriteInteger(S, "TPT", s.tpt);
  ini.WriteInteger(S, "SR", s.symbol_rate);
  ini.WriteInteger(S, "NumCanales", s.channel_count);
  ini.WriteInteger(S, "NumTransp", s.transponder_count);
  ini.WriteString(S, "LNB-low", s.lnb_low);
  ini.WriteString(S, "LNB-high", s.lnb_high);
  ini.WriteString(S, "Sat-A", s.sat_a);
  ini.WriteString(S, "Sat-B", s.sat_b);
  write_bar(Bar::kCalidadJPEG);
  ini.WriteInteger(S, "Tamano", s.capture_size);
  ini.WriteBool(S, "Formato4:3", s.formato_4_3);
  ini.WriteBool(S, "Formato16:9", s.formato_16_9);
  ini.WriteBool(S, "FormatoOriginal", s.formato_original);
  ini.WriteBool(S, "AddFirmwareCRC", s.add_firmware_crc);
  ini.WriteString(S, "TrapAdr", s.trap_address);
  write_bar(Bar::kWStartBits);
  // With a model chosen, the chip fields show the model's values: the user's own choice for
  // "Personalizado" stays in the file untouched.
  if (s.model == 0) {
    ini.WriteString(S, "Flash1Start", s.flash1_start);
    ini.WriteInteger(S, "Flash1Type", s.flash1_type);
    ini.WriteString(S, "Flash2Start", s.flash2_start);
    ini.WriteInteger(S, "Flash2Type", s.flash2_type);
  }
  ini.WriteInteger(S, "Model", s.model);
  ini.WriteBool(S, "VerificarJtag", s.verificar_jtag);
  ini.WriteBool(S, "ForzarJtag", s.forzar_jtag);
}

void RestoreDefaults(Settings& s) {
  s.port = s.serial_ports.empty() ? -1 : 0;
  s.baud = 6;
  s.data_bits = 1;
  s.flow_control = 1;
  s.parity = 2;
  s.stop_bits = 0;
  s.parallel_range = 1;
  s.channel_count = 1;
  s.transponder_count = 1;
  s.trap_address = std::string(kTrapAddresses[0]);
  s.flash1_type = s.flash_types.empty() ? -1 : 0;
  s.flash1_start = std::string(kFlashStarts[0]);
  ApplyParallelBase(s);
  for (size_t i = 0; i < kBars.size(); ++i) {
    s.SetValue(static_cast<Bar>(i), kBars[i].restore_default);
  }
  s.checksum = true;
  s.capture_size = 1;
  s.tcs = 0;
  s.tpt = 1;
  s.lnb_low = "9750";
  s.lnb_high = "10600";
  s.symbol_rate = s.symbol_rate_files.size() > 2 ? 2 : -1;
  s.verificar_jtag = true;
  s.forzar_jtag = false;
  s.add_firmware_crc = false;
}

}  // namespace atalaya
