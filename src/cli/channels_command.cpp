#include "cli/channels_command.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdio>
#include <optional>
#include <string_view>

#include "cli/terminal_sinks.h"
#include "core/channels/channel_list.h"
#include "core/channels/table_export.h"
#include "core/config/settings.h"
#include "core/config/text_table.h"
#include "core/eeprom/hex_value.h"
#include "core/jtag/firmware_checksum.h"
#include "platform/file_io.h"

namespace atalaya {

const char kChannelsUsage[] =
    "uso:\n"
    "  atalaya-cli channels dump IMAGEN [--ram] [--tcs-section N] [--tpt-section N]\n"
    "                        [--format tsv|html|json] [--table channels|transponders]\n"
    "                        [--decimal ,|.]\n"
    "  atalaya-cli channels rebuild IMAGEN SALIDA [--tcs-section N] [--tpt-section N]\n"
    "  atalaya-cli checksum FIRMWARE\n"
    "\n"
    "dump escribe en la salida estándar la tabla de canales (o la de transpondedores) de una\n"
    "imagen FLASH, o con --ram de una imagen RAM, en el texto de \"Guardar como...\" (tsv), en\n"
    "HTML o en JSON. N es un número de sección en hexadecimal (1D es la sección 1D0000) y\n"
    "elige la copia cuando la imagen tiene la tabla en varias secciones. El separador decimal\n"
    "de FREC es el del idioma del sistema salvo que se indique con --decimal.\n"
    "rebuild vuelve a escribir la lista sin cambios en SALIDA; N es la sección de destino de\n"
    "cada tabla (por defecto, donde se encontró) y elige también la copia que se lee.\n"
    "checksum escribe los veinte CRC-32 del bloque de checksum del firmware, uno por línea.\n";

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct ChannelsRequest {
  enum class Action { kDump, kRebuild } action = Action::kDump;
  std::string image;
  std::string output;
  bool ram = false;
  std::optional<size_t> tcs_section;  // section number, as typed in hexadecimal
  std::optional<size_t> tpt_section;
  enum class Format { kTsv, kHtml, kJson } format = Format::kTsv;
  bool transponders = false;
  std::optional<char> decimal_separator;
};

std::optional<size_t> SectionNumber(std::string_view text) {
  if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  // Sections lie inside a flash image; four digits reach 4 GiB.
  if (upper.empty() || upper.size() > 4) return std::nullopt;
  const int64_t value = HexValue(upper);
  if (value < 0) return std::nullopt;
  return static_cast<size_t>(value);
}

// The command line, or the reason it is refused.
std::optional<ChannelsRequest> ParseRequest(const std::vector<std::string>& arguments,
                                            std::string& why) {
  ChannelsRequest request;
  std::vector<std::string> words;
  const auto refuse = [&why](std::string reason) {
    why = std::move(reason);
    return std::nullopt;
  };
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (arg == "--ram") {
      request.ram = true;
      continue;
    }
    if (!arg.starts_with("--")) {
      words.push_back(arg);
      continue;
    }
    if (i + 1 >= arguments.size()) return refuse("falta el valor de " + arg);
    const std::string& value = arguments[++i];
    if (arg == "--data-dir") continue;
    if (arg == "--tcs-section" || arg == "--tpt-section") {
      const std::optional<size_t> section = SectionNumber(value);
      if (!section) return refuse("sección no válida: " + value);
      (arg == "--tcs-section" ? request.tcs_section : request.tpt_section) = section;
    } else if (arg == "--format") {
      if (value == "tsv") {
        request.format = ChannelsRequest::Format::kTsv;
      } else if (value == "html") {
        request.format = ChannelsRequest::Format::kHtml;
      } else if (value == "json") {
        request.format = ChannelsRequest::Format::kJson;
      } else {
        return refuse("formato no válido: " + value);
      }
    } else if (arg == "--table") {
      if (value != "channels" && value != "transponders")
        return refuse("tabla no válida: " + value);
      request.transponders = value == "transponders";
    } else if (arg == "--decimal") {
      if (value != "," && value != ".") return refuse("separador decimal no válido: " + value);
      request.decimal_separator = value[0];
    } else {
      return refuse("opción desconocida: " + arg);
    }
  }
  if (words.empty()) return refuse("falta la orden (dump o rebuild)");
  if (words[0] == "dump") {
    if (words.size() != 2) return refuse("dump necesita exactamente una imagen");
    request.image = words[1];
    if (request.ram && (request.tcs_section || request.tpt_section)) {
      return refuse("una imagen RAM no tiene secciones");
    }
    return request;
  }
  if (words[0] == "rebuild") {
    if (words.size() != 3) return refuse("rebuild necesita una imagen y un archivo de salida");
    const bool dump_only = request.ram || request.decimal_separator ||
                           request.format != ChannelsRequest::Format::kTsv || request.transponders;
    if (dump_only) return refuse("rebuild solo admite --tcs-section y --tpt-section");
    request.action = ChannelsRequest::Action::kRebuild;
    request.image = words[1];
    request.output = words[2];
    return request;
  }
  return refuse("orden desconocida: " + words[0]);
}

std::string SectionName(size_t section) {
  char text[16];
  std::snprintf(text, sizeof text, "%02zX", section);
  return text;
}

// Answers the section chooser with the sections given on the command line.
class CommandLineChooser : public CliOperator {
 public:
  CommandLineChooser(std::optional<size_t> tcs, std::optional<size_t> tpt) : tcs_(tcs), tpt_(tpt) {}

  std::optional<size_t> ChooseSection(const std::vector<SectionRow>& rows) override {
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::optional<size_t>& wanted = rows[i].marker == kChannelMarker ? tcs_ : tpt_;
      const int64_t position = HexValue(rows[i].position);
      if (wanted && position >= 0 &&
          SectionOf(static_cast<size_t>(position)) / kSectionSize == *wanted) {
        return i;
      }
    }
    return std::nullopt;
  }

 private:
  std::optional<size_t> tcs_;
  std::optional<size_t> tpt_;
};

// Checks that every table with several copies has one chosen, and that a chosen section holds
// a copy. `required` says whether a section given for a single copy must hold it (dump) or
// may name where it goes (rebuild). Lists the copies and says what is missing otherwise.
bool ChoicesComplete(std::string_view image, std::optional<size_t> tcs, std::optional<size_t> tpt,
                     bool required, const TextTable& texts, Operator& user) {
  std::string missing;  // sections named that hold no copy
  std::string listing;  // the copies of tables still to be chosen
  for (const std::string_view marker : {kChannelMarker, kTransponderMarker}) {
    const std::vector<size_t> copies = FindTableCopies(marker, image);
    const std::optional<size_t>& chosen = marker == kChannelMarker ? tcs : tpt;
    const std::string option = marker == kChannelMarker ? "--tcs-section" : "--tpt-section";
    bool found = false;
    for (const size_t copy : copies)
      found = found || (chosen && SectionOf(copy) / kSectionSize == *chosen);
    if (chosen && !found && !copies.empty() && (required || copies.size() > 1)) {
      missing += "No hay ninguna tabla " + std::string(marker) + " en la sección " +
                 SectionName(*chosen) + ".\n";
    }
    if (copies.size() > 1 && !found) {
      listing += "La tabla " + std::string(marker) + " está en " + std::to_string(copies.size()) +
                 " secciones; elija una con " + option + " N.\n";
      listing += "  " + texts.Text(182) + "  " + texts.Text(183) + "\n";
      for (const size_t copy : copies) {
        char row[48];
        std::snprintf(row, sizeof row, "  %06zX   %.*s   (%s %s)\n", copy,
                      static_cast<int>(marker.size()), marker.data(), option.c_str(),
                      SectionName(SectionOf(copy) / kSectionSize).c_str());
        listing += row;
      }
    }
  }
  if (missing.empty() && listing.empty()) return true;
  if (!listing.empty()) listing = texts.Text(172) + "\n" + listing;
  std::string message = missing + listing;
  message.pop_back();  // the operator ends the message itself
  user.ShowError(message);
  return false;
}

bool ReadImage(const std::string& path, std::string& bytes, const TextTable& texts,
               Operator& user) {
  FileReadResult file = ReadWholeFile(path);
  if (file.status != FileReadResult::Status::kOk) {
    user.ShowError(texts.Text(ExtraText::kFileNotRead) + " " + path +
                   (file.error.empty() ? "" : "\n" + file.error));
    return false;
  }
  bytes = std::move(file.bytes);
  return true;
}

int Dump(const ChannelsRequest& request, const TextTable& texts, std::string_view image,
         ChannelList& list, Operator& user) {
  if (request.ram) {
    if (request.transponders) {
      user.ShowError(texts.Text(194));
      return kFailed;
    }
    list.LoadRamList(image);
  } else {
    const LoadResult result = list.LoadFlashList(image, false);
    if (result != LoadResult::kLoaded) {
      if (const std::optional<int> key = LoadFailureTextKey(result))
        user.ShowError(texts.Text(*key));
      return kFailed;
    }
  }
  std::string text;
  switch (request.format) {
    case ChannelsRequest::Format::kTsv:
      text = request.transponders ? TableText(list.transponders()) : TableText(list.channels());
      break;
    case ChannelsRequest::Format::kHtml:
      text = request.transponders ? TableHtml(list.transponders(), texts.Text(207))
                                  : TableHtml(list.channels(), texts.Text(206));
      break;
    case ChannelsRequest::Format::kJson:
      text = request.transponders ? TableJson(list.transponders()) : TableJson(list.channels());
      break;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : kFailed;
}

int Rebuild(const ChannelsRequest& request, const TextTable& texts, Settings& settings,
            std::string& image, ChannelList& list, Operator& user) {
  const LoadResult result = list.LoadFlashList(image, false);
  if (result != LoadResult::kLoaded) {
    if (const std::optional<int> key = LoadFailureTextKey(result)) user.ShowError(texts.Text(*key));
    return kFailed;
  }
  // Loading chose the sections where the tables were found; the options move them.
  if (request.tcs_section) settings.tcs = static_cast<int>(*request.tcs_section);
  if (request.tpt_section) settings.tpt = static_cast<int>(*request.tpt_section);
  if ((request.tcs_section || request.tpt_section) && settings.tcs == settings.tpt) {
    user.ShowError("Las tablas TCS y TPT no pueden estar en la misma sección (" +
                   SectionName(static_cast<size_t>(settings.tcs)) + ").");
    return kUsage;
  }
  // A table moved beyond the end of the image would be lost with every copy wiped.
  for (const std::optional<size_t>& section : {request.tcs_section, request.tpt_section}) {
    if (section && *section * kSectionSize + kTableHeadSize > image.size()) {
      user.ShowError("La sección " + SectionName(*section) + " queda fuera de la imagen.");
      return kFailed;
    }
  }
  const ListFileWriter write = [](const std::string& path, const std::string& bytes) {
    return WriteFileAtomically(path, bytes);
  };
  return list.SaveListFile(request.output, image, write) ? 0 : kFailed;
}

// A log pane that is standard output.
class StdoutLog : public LogPane {
 public:
  void Append(std::string_view line) override {
    std::printf("%.*s\n", static_cast<int>(line.size()), line.data());
  }
};

}  // namespace

char LocaleDecimalSeparator() {
  // A locale object of its own: the process's numeric locale stays "C" for every other
  // conversion, and no other thread sees a change.
  const locale_t locale = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) return '.';
  const char* radix = nl_langinfo_l(RADIXCHAR, locale);
  const char separator = radix != nullptr && radix[0] != '\0' && radix[1] == '\0' ? radix[0] : '.';
  freelocale(locale);
  return separator;
}

int RunChannelsCommand(const std::vector<std::string>& arguments, const TextTable& texts,
                       const Settings& settings) {
  std::string why;
  const std::optional<ChannelsRequest> request = ParseRequest(arguments, why);
  if (!request) {
    std::fprintf(stderr, "atalaya-cli channels: %s\n\n%s", why.c_str(), kChannelsUsage);
    return kUsage;
  }
  CommandLineChooser user(request->tcs_section, request->tpt_section);
  std::string image;
  if (!ReadImage(request->image, image, texts, user)) return kFailed;
  const bool rebuild = request->action == ChannelsRequest::Action::kRebuild;
  if (!request->ram &&
      !ChoicesComplete(image, request->tcs_section, request->tpt_section, !rebuild, texts, user)) {
    return kFailed;
  }
  Settings list_settings = settings;  // loading records the sections it found
  ChannelList list(list_settings, texts, user,
                   request->decimal_separator.value_or(LocaleDecimalSeparator()));
  return rebuild ? Rebuild(*request, texts, list_settings, image, list, user)
                 : Dump(*request, texts, image, list, user);
}

int RunChecksumCommand(const std::vector<std::string>& arguments, const TextTable& texts) {
  std::vector<std::string> words;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--data-dir") {
      ++i;
    } else {
      words.push_back(arguments[i]);
    }
  }
  if (words.size() != 1 || words[0].starts_with("--")) {
    std::fprintf(stderr, "atalaya-cli checksum: falta el archivo de firmware\n\n%s",
                 kChannelsUsage);
    return kUsage;
  }
  CliOperator user;
  std::string image;
  if (!ReadImage(words[0], image, texts, user)) return kFailed;
  StdoutLog log;
  if (!FirmwareChecksumBlock(image, log)) {
    char size[16];
    std::snprintf(size, sizeof size, "%zX", kChecksumCoveredSize);
    user.ShowError("El firmware " + words[0] + " tiene menos de " + size +
                   " bytes (hexadecimal), los que cubre el bloque de checksum.");
    return kFailed;
  }
  return std::fflush(stdout) == 0 ? 0 : kFailed;
}

}  // namespace atalaya
