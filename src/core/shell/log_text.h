#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace atalaya {

// The contents of a saved log pane: every line followed by CR LF; an empty pane gives an
// empty file.
std::string LogFileText(const std::vector<std::string>& lines);

}  // namespace atalaya
