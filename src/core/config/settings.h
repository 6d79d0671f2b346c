#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/decoder_files.h"
#include "core/config/ini_file.h"

namespace atalaya {

// The one section of the settings file, named after the main window.
inline constexpr std::string_view kSettingsSection = "TForm1";
inline constexpr std::string_view kSettingsFileName = "Atalaya.ini";

// Fixed lists whose positions the settings file stores.
inline constexpr std::array<int, 13> kBaudRates = {110,   300,   600,   1200,  2400,  4800,  9600,
                                                   14400, 19200, 38400, 56000, 57600, 115200};
inline constexpr std::array<int, 3> kDataBits = {6, 7, 8};
inline constexpr int kFlowControlCount = 3;  // none, software, hardware
inline constexpr int kParityCount = 5;       // none, even, odd, mark, space
inline constexpr int kStopBitsCount = 2;     // one, two
inline constexpr std::array<std::string_view, 4> kParallelRanges = {
    "278-27F, 678-67A", "378-37F, 778-77A", "3BC-3C3, 7BC-7BE", "A068-A06F, A468-A46F"};
inline constexpr std::array<uint16_t, 4> kParallelBases = {0x278, 0x378, 0x3BC, 0xA068};
inline constexpr std::array<std::string_view, 4> kFirmwareAddresses = {"7FE00000", "7FF60000",
                                                                       "FFF90000", "FFF82000"};
inline constexpr std::array<std::string_view, 5> kTrapAddresses = {
    "40010000", "C0010000", "40030000", "C0302900", "C0310000"};
inline constexpr std::array<std::string_view, 2> kFlashStarts = {"60000000", "7FE00000"};
inline constexpr std::array<std::string_view, 5> kCaptureSizes = {
    "352 x 576", "528 x 576", "544 x 576", "704 x 576", "720 x 576"};
inline constexpr int kSectionPositionCount = 32;  // "00000" … "1F0000" for TCS and TPT
inline constexpr int kChannelCountChoices = 2;    // "1000", "2000"
inline constexpr int kTransponderCountChoices = 2;  // "100", "200"
inline constexpr int kPageCount = 8;

// The text of TCS/TPT list position `position`: the section's offset in hexadecimal.
std::string SectionPositionText(int position);

// Value bars of the configuration page. Each holds one number setting.
enum class Bar {
  kRetardoBusy,
  kRetardoStrobe,
  kRetardoNegociacion1,
  kRetardoNegociacion2,
  kRetardoNegociacion3,
  kRetardoNegociacion4,
  kRetardoApertura1,
  kRetardoApertura2,
  kRetardoClausura1,
  kRetardoClausura2,
  kRetardoComienzo,
  kRetardoVerificacion,
  kRetardoEntreBytes,
  kDuracionTCK,
  kWStartBits,
  kCalidadJPEG,
};
inline constexpr int kBarCount = 16;

// How a bar's value is held in memory; a stored value is wrapped to it as it is read.
enum class BarStorage { kUnsigned8, kSigned32, kSigned64 };

struct BarSpec {
  std::string_view key;
  int64_t min;
  int64_t max;
  int64_t load_default;
  int64_t restore_default;  // "Valores por Defecto"
  BarStorage storage;
  int unit_text_key;  // 225 "ms", 224 "ciclos", or -1 without a unit label
};
const BarSpec& SpecOf(Bar bar);

// A file list key such as "Idioma" and its numbers; names are looked up as NAME.ini.
struct FileListSpec {
  std::string_view prefix;
  int first;
  int last;
};
inline constexpr FileListSpec kLanguageFiles = {"Idioma", 0, 20};
inline constexpr FileListSpec kFlashTypeFiles = {"FlashIC", 0, 20};
inline constexpr FileListSpec kModelFiles = {"Model", 1, 30};
inline constexpr FileListSpec kSymbolRateFiles = {"SR", 0, 9};

// The key of entry `number`: the prefix and the number in upper-case hex ("Model1E").
std::string FileListKey(std::string_view prefix, int number);

// The names listed under `def` whose NAME.ini exists, in key order.
std::vector<std::string> ReadFileList(const IniFile& ini, const FileListSpec& def,
                                      const std::function<bool(const std::string&)>& exists);

// Everything the settings file holds, plus the values derived from it. Positions are 0-based
// list positions, −1 when the list has no choice.
struct Settings {
  // Main window and dialogs.
  int64_t top = 0;
  int64_t left = 0;
  int64_t window_width = 736;
  int64_t window_height = 657;
  int64_t form2_width = 430;
  int64_t form2_height = 367;
  int64_t form3_width = 430;
  int64_t form3_height = 358;
  int active_page = 0;  // PestañaActiva
  std::string open_dialog_dir;
  std::string save_dialog_dir;

  // Lists built from the data folder and the machine.
  std::vector<std::string> serial_ports;
  std::vector<std::string> languages;
  std::vector<std::string> flash_types;
  std::vector<std::string> models;  // after "Personalizado", which is model position 0
  std::vector<std::string> symbol_rate_files;

  int language = 0;  // Idioma

  // Serial port.
  int port = 0;          // Puerto
  int baud = 6;          // Velocidad
  int data_bits = 1;     // BitsDatos
  int flow_control = 1;  // ControlFlujo
  int parity = 2;        // Paridad
  int stop_bits = 0;     // BitsParada
  bool checksum = true;  // Checksum

  // Parallel port.
  int parallel_range = 1;  // Paralelo
  uint16_t parallel_base = 0x378;
  std::array<int64_t, kBarCount> bars{};  // indexed by Bar

  // Firmware (Paralelo+Serie) page.
  int firmware_address = 0;    // FirmDireccion
  bool firm_comando1 = true;   // FirmComando1
  bool firm_comando2 = false;  // FirmComando2
  bool firm_comando3 = false;  // FirmComando3
  bool fase1y2 = true;         // Fase1y2
  bool progreso = true;        // Progreso
  bool usar_ps_flash = false;  // Usar-firm-p+s-flash
  bool usar_ps_archivo = true;  // Usar-firm-p+s-archivo

  // Firmware (JTag) page. The key names of the first two choices are crossed: the RAM table
  // choice is stored as "flash" and the FLASH table choice as "ram".
  std::string direc_jtag = "7FE00000";  // DirecJtag
  std::string long_jtag = "50000";      // LongJtag
  bool usar_jtag_ram_table = false;     // Usar-firm-jtag-flash
  bool usar_jtag_flash_table = false;   // Usar-firm-jtag-ram
  bool usar_jtag_imagen = false;        // Usar-firm-jtag-imagen
  bool usar_jtag_eeprom = false;        // Usar-firm-jtag-eeprom
  bool usar_jtag_archivo = true;        // Usar-firm-jtag-archivo

  // JTAG configuration and the decoder model.
  std::string trap_address = "40010000";  // TrapAdr
  int model = 0;                          // Model; 0 is "Personalizado"
  std::string flash1_start = "7FE00000";  // Flash1Start
  int flash1_type = 0;                    // Flash1Type
  std::string flash2_start = "60000000";  // Flash2Start
  int flash2_type = 0;                    // Flash2Type
  bool verificar_jtag = true;             // VerificarJtag
  bool forzar_jtag = false;               // ForzarJtag
  bool add_firmware_crc = false;          // AddFirmwareCRC
  std::array<FlashLayout, 2> flash_layouts{};  // chip 1 and 2; empty until first loaded
  // Flash-type files refused for a block count outside 0…1024, for the owner to report; the
  // layout they would have replaced stays.
  std::vector<std::string> refused_flash_types;

  // Channel list.
  int tcs = 0;          // TCS
  int tpt = 1;          // TPT
  int symbol_rate = 2;  // SR
  SymbolRateTable symbol_rates{};
  int channel_count = 0;      // NumCanales
  int transponder_count = 0;  // NumTransp
  std::string lnb_low = "9750";    // LNB-low
  std::string lnb_high = "10600";  // LNB-high
  std::string sat_a = "A";         // Sat-A
  std::string sat_b = "B";         // Sat-B
  int channel_row_count = 1000;
  int transponder_row_count = 100;
  std::array<std::string, 2> previous_satellite_names = {"A", "B"};

  // Captured picture.
  int capture_size = 4;  // Tamano
  int capture_width = 720;
  int capture_height = 576;
  bool formato_4_3 = true;        // Formato4:3
  bool formato_16_9 = false;      // Formato16:9
  bool formato_original = false;  // FormatoOriginal

  Settings();

  int64_t Value(Bar bar) const { return bars[static_cast<size_t>(bar)]; }
  // Stores a bar value as its bar holds it: wrapped to its storage, then kept in its range.
  void SetValue(Bar bar, int64_t value);
};

// What the machine and the data folder offer when the settings are read.
struct SettingsEnvironment {
  std::vector<std::string> serial_ports;  // sorted
  // Whether the data folder holds NAME.ini.
  std::function<bool(const std::string& name)> data_file_exists;
  DataFileReader read_data_file;
};

Settings LoadSettings(const IniFile& ini, const SettingsEnvironment& environment);
void SaveSettings(const Settings& settings, IniFile& ini);
// The "Valores por Defecto" button: resets the configuration values it covers. Derived values
// (row counts, capture size, symbol-rate table, flash layouts) follow only when the user next
// changes their list, as the lists' change actions are not run.
void RestoreDefaults(Settings& settings);

// Reads the flash-type file chosen for chip 1 or 2 into its layout.
void LoadFlashLayout(Settings& settings, int chip, const DataFileReader& read);
// With a model chosen, takes its chip starts and types from the model file and loads both
// layouts; "Personalizado" keeps the user's own values.
void ApplyModel(Settings& settings, const DataFileReader& read);
// Reads the chosen symbol-rate file into the table.
void LoadSymbolRates(Settings& settings, const DataFileReader& read);

// Base I/O address of the chosen range; another position leaves the base as it was.
void ApplyParallelBase(Settings& settings);
// Capture width and height from the chosen size entry ("720 x 576"); none chosen keeps them.
void ApplyCaptureSize(Settings& settings);
// Row counts of the channel and transponder tables, header row included.
void ApplyChannelCount(Settings& settings);
void ApplyTransponderCount(Settings& settings);

}  // namespace atalaya
