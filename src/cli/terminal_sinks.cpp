#include "cli/terminal_sinks.h"

#include <unistd.h>

namespace atalaya {
namespace {

// Multi-part messages join their halves with CR LF or LF CR; a terminal wants one newline.
std::string TerminalText(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
      out += '\n';
      ++i;
    } else {
      out += c == '\r' ? '\n' : c;
    }
  }
  return out;
}

}  // namespace

void CliOperator::ShowInformation(std::string_view text) {
  std::fprintf(stderr, "%s\n", TerminalText(text).c_str());
}

void CliOperator::ShowError(std::string_view text) {
  reported_error_ = true;
  std::fprintf(stderr, "%s\n", TerminalText(text).c_str());
}

ProgressLine::ProgressLine() : enabled_(isatty(STDERR_FILENO) == 1) {}

void ProgressLine::ShowAddress(std::string_view text) {
  address_ = text;
  Draw();
}

void ProgressLine::SetProgress(int64_t position) {
  position_ = position;
  Draw();
}

void ProgressLine::Clear() {
  if (enabled_ && drawn_) std::fputs("\r\033[K", stderr);
  drawn_ = false;
  task_.clear();
  address_.clear();
  speed_.clear();
  remaining_.clear();
  errors_ = 0;
  position_ = 0;
}

void ProgressLine::Draw() {
  if (!enabled_ || task_.empty()) return;
  const int64_t percent = max_ > 0 ? position_ * 100 / max_ : 0;
  std::fprintf(stderr, "\r\033[K%s %s  %3lld%%  %s  %s  errores %lld", task_.c_str(),
               address_.c_str(), static_cast<long long>(percent), speed_.c_str(),
               remaining_.c_str(), static_cast<long long>(errors_));
  drawn_ = true;
}

}  // namespace atalaya
