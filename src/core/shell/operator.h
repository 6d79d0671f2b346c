#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace atalaya {

// One copy of a table that a flash image holds, as the section chooser lists it.
struct SectionRow {
  std::string position;  // where the table starts, upper-case hexadecimal
  std::string marker;    // "TCS" or "TPT"
};

// The person at the keyboard, as the core sees them: they read messages and answer questions.
// The window asks with message boxes, the command-line tool on the terminal, tests record.
class Operator {
 public:
  virtual ~Operator() = default;
  virtual void ShowInformation(std::string_view text) = 0;
  virtual void ShowError(std::string_view text) = 0;

  // Which of several copies of a table to load: the index of the row the user confirms, or
  // none when no answer can be had, which stops the load. Only a face with a chooser can
  // answer, hence the default.
  virtual std::optional<size_t> ChooseSection(const std::vector<SectionRow>& /*rows*/) {
    return std::nullopt;
  }
};

}  // namespace atalaya
