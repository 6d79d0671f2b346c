#include "core/config/ini_file.h"

#include <algorithm>
#include <limits>

#include "core/config/cp1252.h"

namespace atalaya {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Upper-cases ASCII and the Windows-1252 accented letters, for section names such as "Español".
unsigned char FoldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  return c;
}

std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
  return folded;
}

// The key of an entry line: the trimmed text before its first "=".
std::optional<std::string_view> KeyOf(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

bool IsSectionHeader(std::string_view line) {
  const std::string_view t = Trim(line);
  return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::optional<int64_t> ParseIniInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with('$')) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && (text.starts_with("0x") || text.starts_with("0X"))) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;

  uint64_t value = 0;
  if (base == 16) {
    if (text.size() > 16) return std::nullopt;
    for (char c : text) {
      const int digit = HexDigit(c);
      if (digit < 0) return std::nullopt;
      value = value * 16 + static_cast<uint64_t>(digit);
    }
    // Hexadecimal is a bit pattern: "$FFFFFFFFFFFFFFFF" is -1, as other tools write it. A sign
    // negates the pattern in 64 bits, so "-$8000000000000000" is the pattern itself; negating
    // it as a signed number would overflow.
    return static_cast<int64_t>(negative ? 0 - value : value);
  }
  constexpr uint64_t kMax = std::numeric_limits<int64_t>::max();
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<uint64_t>(c - '0');
    if (value > (kMax + (negative ? 1 : 0) - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

IniFile IniFile::FromBytes(std::string_view bytes) {
  IniFile file;
  if (bytes.find("\r\n") != std::string_view::npos) {
    file.line_end_ = "\r\n";
  } else if (bytes.find('\n') != std::string_view::npos) {
    file.line_end_ = "\n";
  }
  file.ends_with_line_end_ = bytes.empty() || bytes.back() == '\n';
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    const bool last = end == std::string_view::npos;
    if (last) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
      if (last) file.ends_with_lone_cr_ = true;
    }
    file.lines_.emplace_back(line);
    start = end + 1;
  }
  return file;
}

std::string IniFile::ToBytes() const {
  std::string out;
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i];
    if (i + 1 < lines_.size() || ends_with_line_end_) out += line_end_;
  }
  if (!ends_with_line_end_ && ends_with_lone_cr_) out += '\r';
  return out;
}

IniFile::LineIndex& IniFile::Index() const {
  if (index_) return *index_;
  LineIndex& index = index_.emplace();
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = lines_[i];
    if (IsSectionHeader(line)) {
      index.sections.push_back({i, {}});
      index.section_by_header.emplace(Folded(line), index.sections.size() - 1);
    } else if (!index.sections.empty()) {
      // Lines before the first header belong to no section.
      if (const auto key = KeyOf(line)) index.sections.back().keys.emplace(*key, i);
    }
  }
  return index;
}

std::optional<size_t> IniFile::FindSection(std::string_view section) const {
  const LineIndex& index = Index();
  const auto found = index.section_by_header.find(Folded("[" + std::string(section) + "]"));
  if (found == index.section_by_header.end()) return std::nullopt;
  return found->second;
}

size_t IniFile::SectionEnd(size_t section) const {
  const LineIndex& index = Index();
  return section + 1 < index.sections.size() ? index.sections[section + 1].header : lines_.size();
}

std::optional<size_t> IniFile::FindKey(size_t section, const std::string& key) const {
  const auto& keys = Index().sections[section].keys;
  const auto found = keys.find(key);
  if (found == keys.end()) return std::nullopt;
  return found->second;
}

namespace {

std::optional<std::string> ValueOf(std::string_view line) {
  const std::string_view value = Trim(line.substr(line.find('=') + 1));
  if (value.empty()) return std::nullopt;
  return Cp1252ToUtf8(value);
}

}  // namespace

std::vector<std::pair<std::string, std::string>> IniFile::ReadSection(
    std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> entries;
  const auto found = FindSection(Utf8ToCp1252(section));
  if (!found) return entries;
  std::vector<std::pair<size_t, std::string_view>> key_lines;
  for (const auto& [key, line] : Index().sections[*found].keys) key_lines.emplace_back(line, key);
  std::sort(key_lines.begin(), key_lines.end());
  for (const auto& [line, key] : key_lines) {
    if (auto value = ValueOf(lines_[line])) {
      entries.emplace_back(Cp1252ToUtf8(key), std::move(*value));
    }
  }
  return entries;
}

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
  LineIndex& index = Index();
  if (index.sections.empty()) return std::nullopt;
  if (section != index.last_read_section || index.last_read_section.empty()) {
    index.last_read_found = FindSection(Utf8ToCp1252(section));
    index.last_read_section = section;
  }
  const std::optional<size_t> found_section = index.last_read_found;
  if (!found_section) return std::nullopt;
  const auto found_key = FindKey(*found_section, Utf8ToCp1252(key));
  if (!found_key) return std::nullopt;
  return ValueOf(lines_[*found_key]);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  auto value = Read(section, key);
  return value ? std::move(*value) : std::string(fallback);
}

int64_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int64_t fallback) const {
  const auto value = Read(section, key);
  if (!value) return fallback;
  return ParseIniInteger(*value).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string section_bytes = Utf8ToCp1252(section);
  const std::string key_bytes = Utf8ToCp1252(key);
  std::string line = key_bytes + "=" + Utf8ToCp1252(value);

  auto found_section = FindSection(section_bytes);
  if (!found_section) {
    // Lines will follow the last one. Ending it may remove carriage returns that kept it from
    // being the header sought ("[TForm1]" then CRs at the very end of an LF file).
    ContinueAfterLastLine();
    found_section = FindSection(section_bytes);
  }
  if (!found_section) {
    lines_.emplace_back();
    lines_.push_back("[" + section_bytes + "]");
    lines_.push_back(std::move(line));
    index_.reset();
    return;
  }
  // A key beginning with "[" and a value ending with "]" make a line that reads as a header.
  const bool starts_a_section = IsSectionHeader(line);
  if (const auto found_key = FindKey(*found_section, key_bytes)) {
    lines_[*found_key] = std::move(line);
  } else {
    InsertKeyLine(*found_section, std::move(line));
  }
  if (starts_a_section) index_.reset();
}

// After the last non-blank line of the section, so the empty line that usually separates it from
// the next header stays where it is.
void IniFile::InsertKeyLine(size_t section, std::string line) {
  const size_t header = Index().sections[section].header;
  const size_t end = SectionEnd(section);
  size_t insert_at = header + 1;
  for (size_t i = header + 1; i < end; ++i) {
    if (!Trim(lines_[i]).empty()) insert_at = i + 1;
  }
  if (insert_at == lines_.size()) ContinueAfterLastLine();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at), std::move(line));
  if (!index_) return;

  // Every later section moves down a line; the key is new to its section, or an earlier line
  // of it (with other blanks around the key) stays the first.
  for (size_t later = section + 1; later < index_->sections.size(); ++later) {
    IndexedSection& moved = index_->sections[later];
    ++moved.header;
    for (auto& key_line : moved.keys) ++key_line.second;
  }
  if (const auto key = KeyOf(lines_[insert_at])) {
    index_->sections[section].keys.emplace(*key, insert_at);
  }
}

void IniFile::ContinueAfterLastLine() {
  // The lone CR that ended the file gives way to a whole line end. In a file of LF lines, a CR
  // still ending the last line would make a CR LF with that line end, and the next read would
  // take the whole file for CR LF; at the end of a line it is only a blank, so it goes (and the
  // header it may end is then another text).
  const bool cr_ends_last_line = !lines_.empty() && lines_.back().ends_with('\r');
  if (!ends_with_line_end_ && line_end_ == "\n" && cr_ends_last_line) {
    while (lines_.back().ends_with('\r')) lines_.back().pop_back();
    index_.reset();
  }
  ends_with_line_end_ = true;
  ends_with_lone_cr_ = false;
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace atalaya
