#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace atalaya {

// A file-type filter of the file dialogs, written in the text table as
// "Description|*.a;*.b|Other description|*.c".
struct FileFilter {
  std::string description;
  std::vector<std::string> patterns;
};

// Splits a filter text into its entries; a description without a pattern is dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view text);

}  // namespace atalaya
