#include "core/shell/file_filter.h"

namespace atalaya {
namespace {

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view text) {
  const std::vector<std::string> parts = Split(text, '|');
  std::vector<FileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileFilter filter{parts[i], {}};
    for (std::string& pattern : Split(parts[i + 1], ';')) {
      if (!pattern.empty()) filter.patterns.push_back(std::move(pattern));
    }
    if (!filter.patterns.empty()) filters.push_back(std::move(filter));
  }
  return filters;
}

}  // namespace atalaya
