#include "core/eeprom/eeprom_files.h"

#include <cstdint>

#include "core/config/text_table.h"
#include "core/eeprom/eeprom_image.h"
#include "core/eeprom/hex_value.h"
#include "core/service/checksum.h"
#include "core/shell/operator.h"

namespace atalaya {
namespace {

constexpr int kBadFileText = 8;
constexpr int kLineLengthText = 9;
constexpr int kLineLengthTextEnd = 10;
constexpr int kCommandText = 11;
constexpr int kCommandTextEnd = 12;
constexpr int kHexValueText = 13;
constexpr int kFileLengthText = 14;

// Between the two halves of a file error message: LF then CR, like every two-part message of
// this program; the message boxes turn it into one line break.
constexpr char kMessageBreak[] = "\n\r";

constexpr std::string_view kWriteCommand = "%EE=";
constexpr std::string_view kRowLength = "010";  // 16 bytes, the length field of every row write
constexpr size_t kOwnTextLineLength = 43;
constexpr size_t kRowFieldStart = 4;
constexpr size_t kLengthFieldStart = 6;
// Characters 9 to 41: the last digit of "010" (already fixed by the command check) and the
// 32 data digits.
constexpr size_t kHexCheckStart = 8;
constexpr size_t kHexCheckLength = 33;
constexpr size_t kDataStart = 9;
constexpr size_t kRowTextLength = 2 * EepromImage::kColumns;
// A first line this short cannot be a row, and is most likely not an EEPROM file at all.
constexpr size_t kShortestHexFirstLine = 4;

// The text formats' lines, without copying: LF ends a line, a CR right before the LF is part of
// the line end, so files written on either system read alike.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {}

  bool Next(std::string_view& line) {
    if (rest_.empty()) return false;
    const size_t end = rest_.find('\n');
    if (end == std::string_view::npos) {
      line = rest_;
      rest_ = {};
      return true;
    }
    line = rest_.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    rest_.remove_prefix(end + 1);
    return true;
  }

 private:
  std::string_view rest_;
};

std::string_view FirstLine(std::string_view bytes) {
  std::string_view line;
  LineReader(bytes).Next(line);
  return line;
}

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool IsAnyHexDigit(char c) { return IsUpperHexDigit(c) || (c >= 'a' && c <= 'f'); }

// Not HexValue: it wraps after 16 digits, so a long run of "F" would read as −1.
bool AllUpperHex(std::string_view text) {
  for (char c : text) {
    if (!IsUpperHexDigit(c)) return false;
  }
  return true;
}

// A file of 128 lines of hex digits is text whatever its size happens to be; 2048 bytes is
// reached by 14 digits and CR LF, or 15 digits and LF, per line.
bool IsHexTextLines(std::string_view bytes, int line_count) {
  LineReader lines(bytes);
  int count = 0;
  for (std::string_view line; lines.Next(line); ++count) {
    if (line.empty() || count == line_count) return false;
    for (char c : line) {
      if (!IsAnyHexDigit(c)) return false;
    }
  }
  return count == line_count;
}

// The 16 character pairs of `data` become the cells of `row`.
void SetRow(EepromImage& image, int row, std::string_view data) {
  for (int column = 1; column <= EepromImage::kColumns; ++column) {
    image.SetCell(row, column, data.substr(static_cast<size_t>(2 * (column - 1)), 2));
  }
}

std::string LowerCaseExtension(std::string_view file_name) {
  const size_t slash = file_name.find_last_of('/');
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  const size_t dot = file_name.find_last_of('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(file_name.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

}  // namespace

OwnTextCheck ValidateOwnText(std::string_view bytes) {
  LineReader lines(bytes);
  int number = 1;
  for (std::string_view line; lines.Next(line); ++number) {
    if (line.size() != kOwnTextLineLength) return {1, number};
    if (line.substr(0, kWriteCommand.size()) != kWriteCommand ||
        line.substr(kLengthFieldStart, kRowLength.size()) != kRowLength) {
      return {2, number};
    }
    if (!AllUpperHex(line.substr(kHexCheckStart, kHexCheckLength))) return {3, number};
  }
  return {0, 0};
}

std::string OwnTextCheckMessage(const TextTable& texts, const OwnTextCheck& check) {
  const std::string head = texts.Text(kBadFileText) + kMessageBreak;
  const std::string number = std::to_string(check.line);
  switch (check.code) {
    case 1:
      return head + texts.Text(kLineLengthText) + number + texts.Text(kLineLengthTextEnd);
    case 2:
      return head + texts.Text(kCommandText) + number + texts.Text(kCommandTextEnd);
    case 3:
      return head + texts.Text(kHexValueText) + number;
    default:
      return {};
  }
}

bool LoadOwnText(std::string_view bytes, EepromImage& image, const TextTable& texts,
                 Operator& user) {
  const OwnTextCheck check = ValidateOwnText(bytes);
  if (check.code != 0) {
    user.ShowError(OwnTextCheckMessage(texts, check));
    return false;
  }
  LineReader lines(bytes);
  for (std::string_view line; lines.Next(line);) {
    // The row field is not validated, so a line naming no row is simply passed over.
    const int64_t row_index = HexValue(line.substr(kRowFieldStart, 2));
    if (row_index < 0 || row_index >= EepromImage::kRows) continue;
    SetRow(image, static_cast<int>(row_index) + 1, line.substr(kDataStart, kRowTextLength));
  }
  return true;
}

bool LoadHexLines(std::string_view bytes, EepromImage& image, const TextTable& texts,
                  Operator& user) {
  // Catches the usual mistake of an own-text file opened with the ZNB4720 filter, and files
  // that are plainly something else, before any row is touched.
  const std::string_view first = FirstLine(bytes);
  if (first.size() <= kShortestHexFirstLine || first.starts_with(kWriteCommand)) {
    user.ShowError(texts.Text(kBadFileText));
    return false;
  }
  LineReader lines(bytes);
  std::string_view line;
  for (int row = 1; row <= EepromImage::kRows && lines.Next(line); ++row) {
    if (line.size() != kRowTextLength) break;
    for (int column = 1; column <= EepromImage::kColumns; ++column) {
      const std::string_view pair = line.substr(static_cast<size_t>(2 * (column - 1)), 2);
      image.SetCell(row, column, HexValue(pair) == -1 ? std::string_view("FF") : pair);
    }
  }
  return true;
}

bool LoadRaw(std::string_view bytes, EepromImage& image, const TextTable& texts, Operator& user) {
  if (bytes.size() != static_cast<size_t>(EepromImage::kSize)) {
    user.ShowError(texts.Text(kBadFileText) + kMessageBreak + texts.Text(kFileLengthText));
    return false;
  }
  image.LoadBytes(reinterpret_cast<const uint8_t*>(bytes.data()), 0, bytes.size());
  return true;
}

std::string SaveOwnText(const EepromImage& image) {
  std::string text;
  text.reserve(EepromImage::kRows * (kOwnTextLineLength + 2));
  for (int row = 1; row <= EepromImage::kRows; ++row) {
    if (row > 1) text += "\r\n";
    text += AddChecksum(std::string(kWriteCommand) + HexDigits(static_cast<uint64_t>(row - 1), 2) +
                        std::string(kRowLength) + image.RowText(row));
  }
  return text;
}

std::string SaveHexLines(const EepromImage& image) {
  std::string text;
  text.reserve(EepromImage::kRows * (kRowTextLength + 2));
  for (int row = 1; row <= EepromImage::kRows; ++row) {
    text += image.RowText(row);
    text += "\r\n";
  }
  return text;
}

std::string SaveRaw(const EepromImage& image) {
  std::string bytes;
  bytes.reserve(EepromImage::kSize);
  for (int row = 1; row <= EepromImage::kRows; ++row) {
    for (int column = 1; column <= EepromImage::kColumns; ++column) {
      // −1 for text that is not hexadecimal keeps its low 8 bits: 0xFF, like erased EEPROM.
      bytes += static_cast<char>(HexValue(image.Cell(row, column)) & 0xFF);
    }
  }
  return bytes;
}

bool LoadEepromFile(EepromFileFormat format, std::string_view bytes, EepromImage& image,
                    const TextTable& texts, Operator& user) {
  switch (format) {
    case EepromFileFormat::kOwnText:
      return LoadOwnText(bytes, image, texts, user);
    case EepromFileFormat::kHexLines:
      return LoadHexLines(bytes, image, texts, user);
    case EepromFileFormat::kRaw:
      return LoadRaw(bytes, image, texts, user);
  }
  return false;
}

std::string SaveEepromFile(EepromFileFormat format, const EepromImage& image) {
  switch (format) {
    case EepromFileFormat::kOwnText:
      return SaveOwnText(image);
    case EepromFileFormat::kHexLines:
      return SaveHexLines(image);
    case EepromFileFormat::kRaw:
      return SaveRaw(image);
  }
  return {};
}

std::optional<EepromFileFormat> GuessEepromFileFormat(std::string_view bytes,
                                                      std::string_view file_name) {
  const std::string_view first = FirstLine(bytes);
  if (first.starts_with(kWriteCommand)) return EepromFileFormat::kOwnText;
  if (bytes.size() == static_cast<size_t>(EepromImage::kSize) &&
      !IsHexTextLines(bytes, EepromImage::kRows)) {
    return EepromFileFormat::kRaw;
  }
  // Upper case only: the ZNB4720 loader turns lower-case pairs into "FF", so a lower-case file
  // guessed as ZNB4720 would load as erased rows without a word; left to the extension it is
  // refused with a message instead.
  if (first.size() == kRowTextLength && AllUpperHex(first)) return EepromFileFormat::kHexLines;
  const std::string extension = LowerCaseExtension(file_name);
  if (extension == "bin") return EepromFileFormat::kRaw;
  if (extension == "txt") return EepromFileFormat::kOwnText;
  return std::nullopt;
}

}  // namespace atalaya
