#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace atalaya {

const char kCliUsage[] =
    "uso:\n"
    "  atalaya-cli eeprom read   --port DISPOSITIVO [--range all|low|row:N] SALIDA\n"
    "  atalaya-cli eeprom write  --port DISPOSITIVO [--range all|low|row:N] ENTRADA\n"
    "  atalaya-cli eeprom verify --port DISPOSITIVO [--range all|low|row:N] ENTRADA\n"
    "  atalaya-cli eeprom convert ENTRADA SALIDA [--from FORMATO] [--to FORMATO]\n"
    "  atalaya-cli eeprom show ARCHIVO [--json]\n"
    "  atalaya-cli send --port DISPOSITIVO [--no-checksum] COMANDO\n"
    "\n"
    "opciones del puerto serie (por defecto 9600 baudios, 7 bits, impar, 1 bit de parada,\n"
    "control de flujo por software):\n"
    "  --baud N  --data-bits 6|7|8  --parity none|even|odd|mark|space\n"
    "  --stop-bits 1|2  --flow none|software|hardware\n"
    "otras:\n"
    "  --data-dir CARPETA   carpeta de datos (por defecto INIs/ junto al programa)\n"
    "  --timeout MS         espera de cada respuesta (por defecto 15000)\n"
    "\n"
    "Formatos de archivo (FORMATO): own (texto de Atalaya, %EE=...), znb (texto ZNB4720),\n"
    "raw (binario de 2048 bytes). Sin --from/--to (o --format en read, write y verify) se\n"
    "deduce del contenido y de la extensión: .bin es raw y .txt es own.\n"
    "La fila N de --range row:N es la fila de la EEPROM, de 0 a 127; al leer parte de la\n"
    "EEPROM, las filas no leídas quedan a FF.\n";

namespace {

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

template <size_t N>
std::optional<int> PositionOf(const std::array<std::string_view, N>& names, std::string_view name) {
  const auto found = std::find(names.begin(), names.end(), name);
  if (found == names.end()) return std::nullopt;
  return static_cast<int>(found - names.begin());
}

constexpr std::array<std::string_view, 5> kParityNames = {"none", "even", "odd", "mark", "space"};
constexpr std::array<std::string_view, 3> kFlowNames = {"none", "software", "hardware"};
constexpr std::array<std::string_view, 3> kFormatNames = {"own", "znb", "raw"};

}  // namespace

CliParse ParseCommandLine(const std::vector<std::string>& arguments) {
  CliParse result;
  CliRequest request;
  std::vector<std::string> words;
  const auto refuse = [&result](std::string why) {
    result.error = std::move(why);
    return result;
  };

  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "--help" || arg == "-h") return {request, {}};
    if (arg == "--no-checksum") {
      request.checksum = false;
      continue;
    }
    if (arg == "--json") {
      request.json = true;
      continue;
    }
    if (!arg.starts_with("--")) {
      words.push_back(arg);
      continue;
    }
    if (i + 1 >= arguments.size()) return refuse("falta el valor de " + arg);
    const std::string& value = arguments[++i];
    if (arg == "--port") {
      request.port = value;
    } else if (arg == "--data-dir") {
      request.data_dir = value;
    } else if (arg == "--range") {
      if (value == "all") {
        request.range = TransferRange::kAll;
      } else if (value == "low") {
        request.range = TransferRange::kLow;
      } else if (value.starts_with("row:") && Number(value.substr(4)) &&
                 *Number(value.substr(4)) >= 0 && *Number(value.substr(4)) < 128) {
        request.range = TransferRange::kSelectedRow;
        request.row = *Number(value.substr(4));
      } else {
        return refuse("rango desconocido: " + value + " (all, low o row:0 … row:127)");
      }
    } else if (arg == "--from" || arg == "--to" || arg == "--format") {
      const auto position = PositionOf(kFormatNames, value);
      if (!position) return refuse("formato desconocido: " + value + " (own, znb o raw)");
      const auto format = static_cast<EepromFileFormat>(*position);
      if (arg != "--to") request.from = format;
      if (arg != "--from") request.to = format;
    } else if (arg == "--timeout") {
      const auto ms = Number(value);
      if (!ms || *ms <= 0) return refuse("espera no válida: " + value);
      request.timeout_ms = *ms;
    } else if (arg == "--baud") {
      const auto baud = Number(value);
      const auto found = baud ? std::find(kBaudRates.begin(), kBaudRates.end(), *baud) : kBaudRates.end();
      if (found == kBaudRates.end()) return refuse("velocidad no admitida: " + value);
      request.baud = static_cast<int>(found - kBaudRates.begin());
    } else if (arg == "--data-bits") {
      const auto bits = Number(value);
      const auto found = bits ? std::find(kDataBits.begin(), kDataBits.end(), *bits) : kDataBits.end();
      if (found == kDataBits.end()) return refuse("bits de datos no admitidos: " + value);
      request.data_bits = static_cast<int>(found - kDataBits.begin());
    } else if (arg == "--parity") {
      const auto position = PositionOf(kParityNames, value);
      if (!position) return refuse("paridad desconocida: " + value);
      request.parity = *position;
    } else if (arg == "--stop-bits") {
      if (value != "1" && value != "2") return refuse("bits de parada no admitidos: " + value);
      request.stop_bits = value == "1" ? 0 : 1;
    } else if (arg == "--flow") {
      const auto position = PositionOf(kFlowNames, value);
      if (!position) return refuse("control de flujo desconocido: " + value);
      request.flow_control = *position;
    } else {
      return refuse("opción desconocida: " + arg);
    }
  }

  if (words.empty()) return {request, {}};
  if (words[0] == "eeprom" && words.size() == 4 && words[1] == "convert") {
    request.action = CliRequest::Action::kEepromConvert;
    request.file = words[2];
    request.output = words[3];
    result.request = request;
    return result;
  }
  if (words[0] == "eeprom" && words.size() == 3 && words[1] == "show") {
    request.action = CliRequest::Action::kEepromShow;
    request.file = words[2];
    result.request = request;
    return result;
  }
  if (words[0] == "eeprom" && words.size() == 3) {
    if (words[1] == "read") {
      request.action = CliRequest::Action::kEepromRead;
    } else if (words[1] == "write") {
      request.action = CliRequest::Action::kEepromWrite;
    } else if (words[1] == "verify") {
      request.action = CliRequest::Action::kEepromVerify;
    } else {
      return refuse("orden desconocida: eeprom " + words[1]);
    }
    request.file = words[2];
  } else if (words[0] == "send" && words.size() == 2) {
    request.action = CliRequest::Action::kSend;
    request.command = words[1];
  } else {
    return refuse("orden incompleta o desconocida");
  }
  if (request.port.empty()) return refuse("falta --port DISPOSITIVO");
  result.request = request;
  return result;
}

}  // namespace atalaya
