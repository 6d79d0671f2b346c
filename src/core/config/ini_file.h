#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace atalaya {

// Parses an integer the way the data files write them: decimal, or hexadecimal after "$",
// "0x" or "0X" (at least one digit must follow the prefix), with an optional sign.
// Returns nothing for any other text, including values that do not fit in 64 bits.
std::optional<int64_t> ParseIniInteger(std::string_view text);

// An INI text file held as its lines, so that writing a key touches only that key's line and
// every other line (other sections, comments, unknown keys) is written back byte for byte.
//
// The file is Windows-1252; section, key and value texts cross this interface as UTF-8.
// Section headers are found by comparing the whole line, ignoring letter case; keys are
// compared exactly; values are trimmed, and an empty value counts as missing. When a section or
// a key appears twice, the first one counts.
//
// Reads go through an index of the sections and keys, made at the first read after a change:
// a language file is read key by key, hundreds of times. Not for use from several threads.
class IniFile {
 public:
  IniFile() = default;

  // Reads file contents with CR LF or LF line ends; the style found is kept for writing. A
  // carriage return that is the file's very last byte ends the last line too (it is most
  // likely a CR LF cut short): it is written back while nothing follows that line.
  static IniFile FromBytes(std::string_view bytes);
  std::string ToBytes() const;

  // The trimmed value of `key` in `section`, or nothing when it is missing or empty.
  std::optional<std::string> Read(std::string_view section, std::string_view key) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t fallback) const;
  // Booleans are integers: any value other than 0 is true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  // Replaces the key's line in place; a missing key goes after the section's last entry, a
  // missing section is appended after an empty line.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  struct SectionRange {
    size_t header;  // index of the header line
    size_t end;     // index one past the section's last line
  };

  std::optional<SectionRange> FindSection(std::string_view section_cp1252) const;
  // Lines are about to follow the last one, which then needs a line end.
  void ContinueAfterLastLine();
  std::optional<size_t> FindKey(const SectionRange& range, std::string_view key_cp1252) const;

  // Where each section's keys are: for every header, in folded letter case, the first section
  // with that header; for every section, the first line of each key.
  struct ReadIndex {
    std::unordered_map<std::string, size_t> section_by_header;
    std::vector<std::unordered_map<std::string, size_t>> key_lines;
  };
  const ReadIndex& Index() const;

  std::vector<std::string> lines_;  // Windows-1252 bytes, without line ends
  std::string line_end_ = "\r\n";
  bool ends_with_line_end_ = true;
  bool ends_with_lone_cr_ = false;  // the last line ended with a CR and no LF
  mutable std::optional<ReadIndex> index_;  // emptied by every write
};

}  // namespace atalaya
