#include "cli/frame_command.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#include "cli/terminal_sinks.h"
#include "core/image/frame_image.h"
#include "platform/file_io.h"

namespace atalaya {

const char kFrameUsage[] =
    "uso:\n"
    "  atalaya-cli frame convert CAPTURA SALIDA.bmp|SALIDA.jpg [--size 720x576]\n"
    "                            [--format 4:3|16:9|original] [--quality N]\n"
    "\n"
    "Convierte el volcado de la memoria de imagen del decodificador (CAPTURA) en la imagen\n"
    "que muestra la página \"Imagen\", en BMP de 24 bits o en JPEG según la extensión de\n"
    "SALIDA. Sin opciones se usan el tamaño, el formato y la calidad JPEG de la configuración.\n"
    "  --size      352x576, 528x576, 544x576, 704x576 o 720x576\n"
    "  --format    4:3 (720 x 576), 16:9 (1024 x 576) u original (el tamaño capturado)\n"
    "  --quality   calidad JPEG de 1 a 100\n";

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct FrameRequest {
  std::string capture;
  std::string output;
  PictureFileType type = PictureFileType::kJpeg;
  int width = 0;
  int height = 0;
  PictureFormat format = PictureFormat::k4By3;
  int quality = 100;
};

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

// "720x576" or "720 x 576", one of the sizes the configuration page offers.
bool ParseSize(std::string_view text, int& width, int& height) {
  const size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  std::string_view left = text.substr(0, x);
  std::string_view right = text.substr(x + 1);
  while (!left.empty() && left.back() == ' ') left.remove_suffix(1);
  while (!right.empty() && right.front() == ' ') right.remove_prefix(1);
  const std::optional<int> w = Number(left);
  const std::optional<int> h = Number(right);
  if (!w || !h) return false;
  const std::string entry = std::to_string(*w) + " x " + std::to_string(*h);
  for (std::string_view size : kCaptureSizes) {
    if (size == entry) {
      width = *w;
      height = *h;
      return true;
    }
  }
  return false;
}

std::optional<PictureFormat> ParseFormat(std::string_view text) {
  if (text == "4:3") return PictureFormat::k4By3;
  if (text == "16:9") return PictureFormat::k16By9;
  if (text == "original") return PictureFormat::kOriginal;
  return std::nullopt;
}

// Fills `request` from the command line; the reason in Spanish when it is refused.
std::optional<std::string> Parse(const std::vector<std::string>& arguments, FrameRequest& request) {
  if (arguments.empty() || arguments[0] != "convert") {
    return arguments.empty() ? "falta la orden (convert)" : "orden desconocida: " + arguments[0];
  }
  std::vector<std::string> files;
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!argument.starts_with("--")) {
      files.push_back(argument);
      continue;
    }
    if (argument != "--size" && argument != "--format" && argument != "--quality") {
      return "opción desconocida: " + argument;
    }
    if (i + 1 >= arguments.size()) return "falta el valor de " + argument;
    const std::string& value = arguments[++i];
    if (argument == "--size") {
      if (!ParseSize(value, request.width, request.height)) return "tamaño no válido: " + value;
    } else if (argument == "--format") {
      const std::optional<PictureFormat> format = ParseFormat(value);
      if (!format) return "formato no válido: " + value;
      request.format = *format;
    } else {
      const std::optional<int> quality = Number(value);
      if (!quality || *quality < 1 || *quality > 100) return "calidad no válida: " + value;
      request.quality = *quality;
    }
  }
  if (files.size() != 2) return "hacen falta CAPTURA y SALIDA";
  request.capture = files[0];
  request.output = files[1];
  const std::optional<PictureFileType> type = PictureFileTypeOf(request.output);
  if (!type) return "la SALIDA debe acabar en .bmp o .jpg: " + request.output;
  request.type = *type;
  return std::nullopt;
}

}  // namespace

int RunFrameCommand(const std::vector<std::string>& arguments, const TextTable& texts,
                    const Settings& settings) {
  FrameRequest request;
  request.width = settings.capture_width;
  request.height = settings.capture_height;
  request.format = PictureFormatOf(settings);
  request.quality = static_cast<int>(settings.Value(Bar::kCalidadJPEG));
  if (const std::optional<std::string> error = Parse(arguments, request)) {
    std::fprintf(stderr, "atalaya-cli frame: %s\n\n%s", error->c_str(), kFrameUsage);
    return kUsage;
  }

  CliOperator user;
  const FileReadResult file = ReadWholeFile(request.capture);
  if (file.status != FileReadResult::Status::kOk) {
    user.ShowError(texts.Text(ExtraText::kFileNotRead) + " " + request.capture +
                   (file.error.empty() ? "" : "\n" + file.error));
    return kFailed;
  }
  const RgbPicture picture =
      ShownPicture(ConvertFrame(file.bytes, request.width, request.height), request.format);
  const std::string bytes = EncodePictureFile(picture, request.type, request.quality);
  const std::string not_saved = texts.Text(ExtraText::kFileNotSaved) + " " + request.output;
  if (bytes.empty()) {
    // Only a capture size the settings should never hold gets here.
    user.ShowError(not_saved);
    return kFailed;
  }
  if (const std::optional<std::string> error = WriteFileAtomically(request.output, bytes)) {
    user.ShowError(not_saved + "\n" + *error);
    return kFailed;
  }
  return 0;
}

}  // namespace atalaya
