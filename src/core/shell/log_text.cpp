#include "core/shell/log_text.h"

namespace atalaya {

std::string LogFileText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

}  // namespace atalaya
