#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/channels/list_records.h"
#include "core/channels/list_tables.h"

namespace atalaya {

class Operator;
class TextTable;
struct Settings;

// Where an active table lies: its section start and its offset inside the section.
struct TablePosition {
  size_t section = 0;
  size_t offset = 0;
  size_t Start() const { return section + offset; }
  bool operator==(const TablePosition&) const = default;
};

enum class LoadResult {
  kLoaded = 0,
  kNoChannelTable = 1,
  kNoTransponderTable = 2,
  kNoSectionChosen = 3,  // several copies and nobody to pick one; nothing was loaded
};
// The message a failed load shows: 197, 196, or none.
std::optional<int> LoadFailureTextKey(LoadResult result);

// How the " Secciones Activas " group shows an active table: the section number in two
// hexadecimal digits and the table's position in six, its first marker when the table does
// not start its section: "01 (010040)", "02 (020000)".
std::string ActiveSectionText(TablePosition position);

// Writes a finished image to a file; the reason on failure. The window and the command line
// pass the platform's atomic writer, tests a recorder.
using ListFileWriter =
    std::function<std::optional<std::string>(const std::string& path, const std::string& bytes)>;

// The loaded channel list: the two tables and where they came from. The image itself (the
// memory image that JTAG receives and programs, or a file's bytes) belongs to the caller and is
// passed to each operation.
class ChannelList {
 public:
  // The tables take the row counts of `settings`. Loading sets the settings' TCS and TPT to
  // the sections found, which building writes to. Numbers are shown and read with
  // `decimal_separator`, the user's.
  ChannelList(Settings& settings, const TextTable& texts, Operator& user, char decimal_separator);

  ChannelTable& channels() { return channels_; }
  const ChannelTable& channels() const { return channels_; }
  TransponderTable& transponders() { return transponders_; }
  const TransponderTable& transponders() const { return transponders_; }

  bool list_loaded() const { return list_loaded_; }
  void set_list_loaded(bool loaded) { list_loaded_ = loaded; }
  bool ram_list() const { return ram_list_; }
  TablePosition tcs_position() const { return tcs_position_; }
  TablePosition tpt_position() const { return tpt_position_; }
  // Appending a second image moves the positions to its tables; the page puts them back.
  void RestorePositions(TablePosition tcs, TablePosition tpt);
  // The values of the " Secciones Activas " group: "01 (010040)", "RAM".
  const std::string& tcs_section_text() const { return tcs_section_text_; }
  const std::string& tpt_section_text() const { return tpt_section_text_; }
  char decimal_separator() const { return decimal_separator_; }
  void set_decimal_separator(char separator) { decimal_separator_ = separator; }

  // Finds the two tables (asking the user to choose when a table has several copies) and
  // decodes them: replacing the rows, or with `append` behind the rows in use. On a failure
  // the tables stay as they were.
  LoadResult LoadFlashList(std::string_view image, bool append);

  // A RAM image: bare channel records from offset 0; the transponder table keeps its rows.
  void LoadRamList(std::string_view image);

  // Writes the loaded flash list into `image`: moves each table to the section its setting
  // chooses, writes every record and wipes the other copies. On a failure (no list, a RAM
  // list, a cell that is not a number) the user is told and nothing changes.
  bool BuildImage(std::string& image);

  // The image save of "Guardar como...": a flash list is built into `image`; a RAM list
  // becomes a zero-filled image of the same length holding the channel records. Then the
  // whole image is written to `path`.
  bool SaveListFile(const std::string& path, std::string& image, const ListFileWriter& write);

 private:
  // The copy of `marker` the user chooses; none when there is no copy or no answer.
  std::optional<size_t> ChooseCopy(std::string_view marker, std::string_view image,
                                   int position_digits, bool& cancelled);

  Settings& settings_;
  const TextTable& texts_;
  Operator& user_;
  char decimal_separator_;
  ChannelTable channels_;
  TransponderTable transponders_;
  bool list_loaded_ = false;
  bool ram_list_ = false;
  TablePosition tcs_position_;
  TablePosition tpt_position_;
  std::string tcs_section_text_;
  std::string tpt_section_text_;
};

}  // namespace atalaya
