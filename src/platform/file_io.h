#pragma once

#include <optional>
#include <string>

namespace atalaya {

struct FileReadResult {
  enum class Status { kOk, kMissing, kUnreadable };
  Status status = Status::kMissing;
  std::string bytes;
  std::string error;  // the system's reason when unreadable
};

// Reads a whole file. Paths are UTF-8.
FileReadResult ReadWholeFile(const std::string& path);

// Writes `bytes` to `path` through a temporary file that replaces the old one only when every
// byte is on disk, so a failure leaves the previous file whole. Returns the system's reason on
// failure.
std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& bytes);

bool FileExists(const std::string& path);

}  // namespace atalaya
