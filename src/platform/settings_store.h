#pragma once

#include <optional>
#include <string>

#include "core/config/ini_file.h"
#include "core/config/settings.h"
#include "core/config/text_table.h"

namespace atalaya {

// Reading and writing the data folder's INI files for the program and its tools.
class SettingsStore {
 public:
  explicit SettingsStore(std::string data_folder);

  const std::string& data_folder() const { return data_folder_; }
  std::string SettingsPath() const;

  // Reads Atalaya.ini. A missing file gives every default silently; a file that exists but
  // cannot be read gives every default too, and `read_error` tells why.
  Settings Load(const std::vector<std::string>& serial_ports);
  const std::optional<std::string>& read_error() const { return read_error_; }

  // Writes the settings into the file as last read (keeping every other line), atomically.
  // Returns the reason on failure.
  std::optional<std::string> Save(const Settings& settings);

  // Reads NAME.ini from the data folder; a missing or unreadable file reads as empty.
  DataFileReader Reader() const;

  // Reads the texts of the chosen language; without one, or without its file, Spanish.
  void LoadTexts(const Settings& settings, TextTable& texts) const;

 private:
  IniFile ReadIni(const std::string& name) const;

  std::string data_folder_;
  IniFile settings_file_;
  std::optional<std::string> read_error_;
};

}  // namespace atalaya
