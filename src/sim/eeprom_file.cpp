#include "sim/eeprom_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace atalaya::sim {
namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

// Closes the descriptor on every way out of the functions below.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  // Closing can report the failure of a delayed write, so a save must look at its result.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

}  // namespace

std::optional<std::string> LoadEepromFile(const std::string& path, Eeprom& eeprom) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    if (errno == ENOENT) return "No existe el archivo de EEPROM " + path;
    return "No se puede abrir el archivo de EEPROM " + path + ": " + ErrnoText(errno);
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) {
    return "No se puede leer el archivo de EEPROM " + path + ": " + ErrnoText(errno);
  }
  if (!S_ISREG(info.st_mode)) return "No es un archivo normal: " + path;
  if (static_cast<uint64_t>(info.st_size) != kEepromSize) {
    return "El archivo de EEPROM " + path + " tiene " + std::to_string(info.st_size) +
           " bytes; debe tener exactamente " + std::to_string(kEepromSize) + ".";
  }

  // Read into a copy so a file cut short while being read leaves the caller's data alone.
  Eeprom read{};
  size_t done = 0;
  while (done < read.size()) {
    const ssize_t n = ::read(file.get(), read.data() + done, read.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return "No se puede leer el archivo de EEPROM " + path + ": " + ErrnoText(errno);
    if (n == 0) {
      return "El archivo de EEPROM " + path + " se ha acortado mientras se leía.";
    }
    done += static_cast<size_t>(n);
  }
  eeprom = read;
  return std::nullopt;
}

std::optional<std::string> SaveEepromFile(const std::string& path, const Eeprom& eeprom) {
  const std::string temporary = path + ".tmp";
  auto failure = [&](int error) -> std::optional<std::string> {
    ::unlink(temporary.c_str());
    return "No se ha podido guardar el archivo de EEPROM " + path + ": " + ErrnoText(error);
  };

  FileDescriptor file(
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (file.get() < 0) {
    // Nothing of ours to clean up: the name may belong to something else (a directory, say).
    return "No se ha podido guardar el archivo de EEPROM " + path + ": " + ErrnoText(errno);
  }
  size_t done = 0;
  while (done < eeprom.size()) {
    const ssize_t n = ::write(file.get(), eeprom.data() + done, eeprom.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return failure(n < 0 ? errno : EIO);
    done += static_cast<size_t>(n);
  }
  // No fsync: the rename protects the file from this program being killed mid-write, which is
  // what happens to a simulator; paying a disk flush on every row written would not be worth it.
  if (file.Close() != 0) return failure(errno);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) return failure(errno);
  return std::nullopt;
}

}  // namespace atalaya::sim
