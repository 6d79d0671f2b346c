// atalaya-virtual-decoder: a decoder in software behind a pseudo-terminal, so the service tool
// can be used and tested with no hardware. The PC side opens the printed device as its serial
// port.

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/eeprom_file.h"
#include "sim/channel_image.h"
#include "sim/service_mode_decoder.h"
#include "sim/test_picture.h"

namespace atalaya::sim {
namespace {

constexpr char kProgram[] = "atalaya-virtual-decoder";
constexpr int kExitUsage = 2;

// Long enough to stay idle, short enough that a stop signal is noticed at once anyway.
constexpr int kPollMilliseconds = 200;
// While no PC holds the port open the master reports hang-up on every poll; waiting this long
// between looks keeps that from spinning.
constexpr long kNoPcNanoseconds = 50'000'000;
// Between reply chunks, so a PC reading the port really gets them in separate reads.
constexpr long kChunkPauseNanoseconds = 2'000'000;
// A PC that stops reading must not stall the decoder forever; its reply is dropped instead.
constexpr int kWriteStallMilliseconds = 1000;

volatile std::sig_atomic_t g_stop_requested = 0;

void OnStopSignal(int) { g_stop_requested = 1; }

struct Options {
  FaultPlan plan;
  std::string eeprom_path;
  std::string link_path;
  std::string export_dir;
  bool help = false;
};

void PrintUsage(std::FILE* out) {
  std::fprintf(
      out,
      "Uso: %s [opciones]\n"
      "Decodificador virtual: atiende los comandos del modo servicio por un\n"
      "pseudoterminal. La primera línea de la salida es el dispositivo a abrir.\n"
      "\n"
      "  --eeprom ARCHIVO      EEPROM de 2048 bytes: se carga al empezar (si no existe\n"
      "                        se crea con FF) y se guarda tras cada escritura y al salir\n"
      "  --link RUTA           crea además un enlace simbólico RUTA al dispositivo\n"
      "  --refuse-row N        rechaza los comandos de la fila N (0..127) de la EEPROM...\n"
      "  --refuse-times K      ...K veces seguidas antes de atenderlos (sin esta opción,\n"
      "                        siempre)\n"
      "  --silent              no contesta nunca\n"
      "  --chunk N             envía las respuestas en trozos de N bytes\n"
      "  --crlf                termina las respuestas con CR LF en vez de CR\n"
      "  --garbage             contesta a todo con una línea de bytes aleatorios\n"
      "  --no-line-end         no envía el CR final de las respuestas\n"
      "  --lowercase           datos de las lecturas en hexadecimal en minúsculas\n"
      "  --export CARPETA      escribe en CARPETA lo que el decodificador guarda en su\n"
      "                        memoria (frame.bin: la imagen de vídeo, 720 de ancho;\n"
      "                        flash.bin: la flash de 2 MiB con su lista de canales) y\n"
      "                        termina; sirve para probar sin JTAG\n"
      "  --help                muestra esta ayuda\n"
      "\n"
      "Se detiene con SIGTERM o SIGINT (Ctrl+C).\n",
      kProgram);
}

std::optional<long long> ParseNumber(std::string_view text, long long min, long long max) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

// The error message for a bad command line, or nothing when `options` is filled in.
std::optional<std::string> ParseOptions(int argc, char** argv, Options& options) {
  bool refuse_times_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string_view(argv[++i]);
    };
    auto number = [&](long long min, long long max) -> std::optional<long long> {
      const std::optional<std::string_view> text = value();
      return text ? ParseNumber(*text, min, max) : std::nullopt;
    };

    if (option == "--help") {
      options.help = true;
    } else if (option == "--eeprom" || option == "--link" || option == "--export") {
      const std::optional<std::string_view> path = value();
      if (!path || path->empty()) return "falta la ruta tras " + std::string(option);
      (option == "--eeprom"   ? options.eeprom_path
       : option == "--link"   ? options.link_path
                              : options.export_dir) = *path;
    } else if (option == "--refuse-row") {
      const std::optional<long long> row = number(0, kEepromRows - 1);
      if (!row)
        return "--refuse-row necesita una fila entre 0 y " + std::to_string(kEepromRows - 1);
      options.plan.refuse_row = static_cast<int>(*row);
    } else if (option == "--refuse-times") {
      const std::optional<long long> times = number(0, INT_MAX);
      if (!times) return "--refuse-times necesita un número de veces (0 o más)";
      options.plan.refuse_times = static_cast<int>(*times);
      refuse_times_given = true;
    } else if (option == "--chunk") {
      const std::optional<long long> size = number(1, 1 << 20);
      if (!size) return "--chunk necesita un tamaño de trozo de 1 byte o más";
      options.plan.chunk_size = static_cast<size_t>(*size);
    } else if (option == "--silent") {
      options.plan.silent = true;
    } else if (option == "--crlf") {
      options.plan.crlf = true;
    } else if (option == "--garbage") {
      options.plan.garbage = true;
    } else if (option == "--no-line-end") {
      options.plan.no_line_end = true;
    } else if (option == "--lowercase") {
      options.plan.lowercase = true;
    } else {
      return "opción desconocida: " + std::string(option);
    }
  }
  if (refuse_times_given && options.plan.refuse_row < 0) {
    return "--refuse-times necesita --refuse-row";
  }
  // A row named without a count is a row that never works, the only useful reading of it.
  if (options.plan.refuse_row >= 0 && !refuse_times_given) options.plan.refuse_times = INT_MAX;
  return std::nullopt;
}

void Sleep(long nanoseconds) {
  const timespec pause{0, nanoseconds};
  ::nanosleep(&pause, nullptr);
}

void Report(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
}

// Opens the pseudo-terminal and makes the PC's side raw, so that a PC that opens it without
// setting it up still sees the bytes unchanged (no echo, no CR/LF translation).
// Returns the master descriptor and fills `slave_path`, or -1 after reporting why.
int OpenPseudoTerminal(std::string& slave_path) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) {
    Report(std::string("no se puede abrir un pseudoterminal: ") + std::strerror(errno));
    return -1;
  }
  const char* name = nullptr;
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || (name = ::ptsname(master)) == nullptr) {
    Report(std::string("no se puede preparar el pseudoterminal: ") + std::strerror(errno));
    ::close(master);
    return -1;
  }
  slave_path = name;

  const int slave = ::open(slave_path.c_str(), O_RDWR | O_NOCTTY);
  termios settings{};
  if (slave < 0 || ::tcgetattr(slave, &settings) != 0) {
    Report("no se puede abrir " + slave_path + ": " + std::strerror(errno));
    if (slave >= 0) ::close(slave);
    ::close(master);
    return -1;
  }
  ::cfmakeraw(&settings);
  const bool raw = ::tcsetattr(slave, TCSANOW, &settings) == 0;
  const int error = errno;
  // Not kept open: the PC must be the only one holding the port, as with a real serial line.
  ::close(slave);
  if (!raw) {
    Report("no se puede configurar " + slave_path + ": " + std::strerror(error));
    ::close(master);
    return -1;
  }
  // Non-blocking so that a PC that stops reading cannot hang the decoder in write().
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  return master;
}

// False when the reply could not be delivered (no PC on the line, or it stopped reading).
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n > 0) {
      data.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd wait{fd, POLLOUT, 0};
      if (::poll(&wait, 1, kWriteStallMilliseconds) > 0 && (wait.revents & POLLOUT)) continue;
    }
    return false;
  }
  return true;
}

void SendReplies(int master, const std::vector<std::string>& chunks, bool paced) {
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (paced && i > 0) Sleep(kChunkPauseNanoseconds);
    if (!WriteAll(master, chunks[i])) return;  // the rest would be lost the same way
  }
}

bool SaveIfAsked(const std::string& path, const Eeprom& eeprom) {
  if (path.empty()) return true;
  const std::optional<std::string> error = SaveEepromFile(path, eeprom);
  if (error) Report(*error);
  return !error;
}

// Puts the decoder's EEPROM in place: the file's bytes when it exists, otherwise the erased
// contents, written out at once so the file is there from the start.
bool PrepareEeprom(const std::string& path, Eeprom& eeprom) {
  if (path.empty()) return true;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 && errno == ENOENT) return SaveIfAsked(path, eeprom);
  const std::optional<std::string> error = LoadEepromFile(path, eeprom);
  if (error) Report(*error);
  return !error;
}

// Replaces only an old link: any other file at that path belongs to someone else.
bool CreateLink(const std::string& link_path, const std::string& target) {
  if (::symlink(target.c_str(), link_path.c_str()) == 0) return true;
  struct stat info {};
  if (errno == EEXIST && ::lstat(link_path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
      ::unlink(link_path.c_str()) == 0 && ::symlink(target.c_str(), link_path.c_str()) == 0) {
    return true;
  }
  Report("no se puede crear el enlace " + link_path + ": " + std::strerror(errno));
  return false;
}

void RemoveLink(const std::string& link_path, const std::string& target) {
  // Another decoder may have taken the name over since; its link is not ours to remove.
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink(link_path.c_str(), buffer.data(), buffer.size() - 1);
  if (n >= 0 && std::string_view(buffer.data(), static_cast<size_t>(n)) == target) {
    ::unlink(link_path.c_str());
  }
}

void InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: poll() must return so the loop sees the request
  ::sigaction(SIGTERM, &action, nullptr);
  ::sigaction(SIGINT, &action, nullptr);
  // Whoever started us may have closed the pipe that reads our output.
  std::signal(SIGPIPE, SIG_IGN);
}

void Serve(int master, ServiceModeDecoder& decoder, const std::string& eeprom_path) {
  const bool paced = decoder.fault_plan().chunk_size > 0;
  char buffer[4096];
  while (!g_stop_requested) {
    pollfd ready{master, POLLIN, 0};
    const int polled = ::poll(&ready, 1, kPollMilliseconds);
    if (polled <= 0) continue;  // timeout, or a signal: the loop condition decides
    ssize_t n = 0;
    if (ready.revents & POLLIN) {
      n = ::read(master, buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    }
    if (n <= 0) {
      // EIO or hang-up: no PC holds the port open. It may open it again, so keep waiting.
      Sleep(kNoPcNanoseconds);
      continue;
    }
    const Eeprom before = decoder.eeprom();
    const std::vector<std::string> replies =
        decoder.Receive(std::string_view(buffer, static_cast<size_t>(n)));
    // Stored before the reply goes out, so an acknowledged row is already on disk.
    if (decoder.eeprom() != before) SaveIfAsked(eeprom_path, decoder.eeprom());
    SendReplies(master, replies, paced);
  }
}

// Writes one file of the decoder's memory whole, through a temporary file.
bool WriteMemoryFile(const std::string& path, const std::string& bytes) {
  const std::string temporary = path + ".tmp";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  const bool written = file != nullptr &&
                       std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                       std::fclose(file) == 0;
  if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    Report("no se pudo escribir " + path + ": " + std::strerror(errno));
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// What the decoder holds in memory, as files a JTAG read would give.
int ExportMemory(const std::string& folder) {
  const std::string frame = folder + "/frame.bin";
  const std::string flash = folder + "/flash.bin";
  if (!WriteMemoryFile(frame, MakeTestFrameBuffer(720)) ||
      !WriteMemoryFile(flash, MakeFlashImageWithChannels())) {
    return 1;
  }
  std::printf("%s\n%s\n", frame.c_str(), flash.c_str());
  return 0;
}

int Run(int argc, char** argv) {
  Options options;
  if (const std::optional<std::string> error = ParseOptions(argc, argv, options)) {
    Report(*error);
    std::fprintf(stderr, "Use --help para ver las opciones.\n");
    return kExitUsage;
  }
  if (options.help) {
    PrintUsage(stdout);
    return 0;
  }

  if (!options.export_dir.empty()) return ExportMemory(options.export_dir);

  InstallSignalHandlers();
  ServiceModeDecoder decoder(options.plan);
  if (!PrepareEeprom(options.eeprom_path, decoder.eeprom())) return 1;

  std::string slave_path;
  const int master = OpenPseudoTerminal(slave_path);
  if (master < 0) return 1;
  if (!options.link_path.empty() && !CreateLink(options.link_path, slave_path)) {
    ::close(master);
    return 1;
  }

  std::printf("%s\n", slave_path.c_str());
  std::fflush(stdout);
  Report("decodificador virtual en " + slave_path);

  Serve(master, decoder, options.eeprom_path);

  const bool saved = SaveIfAsked(options.eeprom_path, decoder.eeprom());
  if (!options.link_path.empty()) RemoveLink(options.link_path, slave_path);
  ::close(master);
  Report("decodificador virtual detenido");
  return saved ? 0 : 1;
}

}  // namespace
}  // namespace atalaya::sim

int main(int argc, char** argv) { return atalaya::sim::Run(argc, argv); }
