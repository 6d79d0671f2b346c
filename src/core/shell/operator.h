#pragma once

#include <string_view>

namespace atalaya {

// The person at the keyboard, as the core sees them: they read messages and answer questions.
// The window asks with message boxes, the command-line tool on the terminal, tests record.
class Operator {
 public:
  virtual ~Operator() = default;
  virtual void ShowInformation(std::string_view text) = 0;
  virtual void ShowError(std::string_view text) = 0;
};

}  // namespace atalaya
