#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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
// Reads and writes go through an index of the sections and keys: a language file is read key by
// key, hundreds of times, and a flash-type file has a thousand keys. Not for use from several
// threads at once, even for reading.
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

  // Every key of the section with the value Read gives it, in file order, leaving out the keys
  // Read finds missing: a thousand-key section is read in one pass.
  std::vector<std::pair<std::string, std::string>> ReadSection(std::string_view section) const;

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
  // Where the sections and keys are, so that neither a read nor a write searches the lines.
  // Every line that is a header once trimmed starts an entry of `sections`; a header is found by
  // its whole line in folded letter case, and the first section and the first key count.
  struct IndexedSection {
    size_t header;                                 // line of the header
    std::unordered_map<std::string, size_t> keys;  // line of each key
  };
  struct LineIndex {
    std::vector<IndexedSection> sections;  // in file order
    std::unordered_map<std::string, size_t> section_by_header;
    // The section of the last read, as the caller named it: reads come in runs on one section.
    std::string last_read_section;
    std::optional<size_t> last_read_found;
  };

  // Made at the first use after a change the index cannot follow.
  LineIndex& Index() const;
  std::optional<size_t> FindSection(std::string_view section_cp1252) const;
  // One past the section's last line.
  size_t SectionEnd(size_t section) const;
  std::optional<size_t> FindKey(size_t section, const std::string& key_cp1252) const;
  // Lines are about to follow the last one, which then needs a line end.
  void ContinueAfterLastLine();
  void InsertKeyLine(size_t section, std::string line);

  std::vector<std::string> lines_;  // Windows-1252 bytes, without line ends
  std::string line_end_ = "\r\n";
  bool ends_with_line_end_ = true;
  bool ends_with_lone_cr_ = false;  // the last line ended with a CR and no LF
  mutable std::optional<LineIndex> index_;
};

}  // namespace atalaya
