#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace atalaya {

class EepromImage;
class Operator;
class TextTable;

// The three kinds of EEPROM file, in the order of the open and save dialogs' type filter
// (`traduc7`): filter 1 is kOwnText, 2 kHexLines, 3 kRaw.
enum class EepromFileFormat {
  // The "%EE=" write commands this program sends, one 43-character line per row, checksums
  // included, so a file can be checked line by line exactly as the decoder would take it.
  kOwnText,
  // ZNB4720: 128 lines of the 32 hexadecimal digits of a row; no header, row numbers or checksum.
  kHexLines,
  // The 2048 bytes themselves; file offset a is EEPROM byte a.
  kRaw,
};

// The first line of an own-text file that fails, and why.
struct OwnTextCheck {
  int code = 0;  // 0 every line passes, 1 wrong length, 2 wrong command, 3 not hexadecimal
  int line = 0;  // 1-based; 0 when every line passes
};

// Lines are split the same way by every text format: LF ends a line and a CR just before it
// belongs to the line end; a final line end starts no extra line and an empty file has no lines.
// A CR anywhere else is a character of the line.

// Checks every line of an own-text file in order and stops at the first that fails: its length
// must be 43, it must hold "%EE=" and "010" at their places, and characters 9 to 41 must be
// upper-case hexadecimal. The row field and the checksum are not looked at.
OwnTextCheck ValidateOwnText(std::string_view bytes);

// The error box text for a failed check: `traduc8`, LF, CR and what is wrong with which line
// (decimal line number). Empty when the check passed.
std::string OwnTextCheckMessage(const TextTable& texts, const OwnTextCheck& check);

// Each load answers true when it accepted the file. A refused file shows its message through
// `user`, answers false and leaves the image as it was. The bytes are the whole file, read by
// the caller beforehand, so a read error can never leave the image half loaded.

// Applies every line to the row its row field names ("00" to "7F"; other row fields are
// skipped), in file order, after the whole file passed ValidateOwnText. Rows no line names keep
// their content; a row named twice takes the later line. An empty file changes nothing and is
// accepted silently.
bool LoadOwnText(std::string_view bytes, EepromImage& image, const TextTable& texts,
                 Operator& user);
// Refuses with `traduc8` alone when the first line has 4 characters or fewer (an empty file
// included) or begins with "%EE=". Otherwise fills rows 1, 2, … from lines 1, 2, … until the
// first line that is not exactly 32 characters, the end of the file or row 128. A pair that is
// not upper-case hexadecimal becomes "FF". Rows that get no line keep their content.
bool LoadHexLines(std::string_view bytes, EepromImage& image, const TextTable& texts,
                  Operator& user);
// Refuses with `traduc8`, LF, CR, `traduc14` unless the file is exactly 2048 bytes.
bool LoadRaw(std::string_view bytes, EepromImage& image, const TextTable& texts, Operator& user);

// Saves write the cells as they stand; nothing checks them first, so an odd cell gives a line
// of another length (text formats) or the low 8 bits of its HexValue (raw: 0xFF for text that is
// not hexadecimal, 0x00 for an empty cell).

// 128 lines "%EE=" + row index + "010" + row text + checksum, CR LF between them and none after
// the last: 5758 bytes for valid cells.
std::string SaveOwnText(const EepromImage& image);
// 128 row texts, each followed by CR LF: 4352 bytes for valid cells.
std::string SaveHexLines(const EepromImage& image);
// 2048 bytes.
std::string SaveRaw(const EepromImage& image);

bool LoadEepromFile(EepromFileFormat format, std::string_view bytes, EepromImage& image,
                    const TextTable& texts, Operator& user);
std::string SaveEepromFile(EepromFileFormat format, const EepromImage& image);

// For the command-line tool, which has no filter to choose with: the format from the content,
// then from the file name's extension. In this order: own text when the first line starts with
// "%EE="; raw when the file is exactly 2048 bytes and not 128 non-empty lines of hexadecimal
// digits (either case); ZNB4720 when the first line is 32 upper-case hexadecimal digits;
// otherwise ".bin" is raw and ".txt" own text, in either case; nothing when it cannot tell.
std::optional<EepromFileFormat> GuessEepromFileFormat(std::string_view bytes,
                                                      std::string_view file_name);

}  // namespace atalaya
