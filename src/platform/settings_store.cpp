#include "platform/settings_store.h"

#include "platform/file_io.h"

namespace atalaya {

SettingsStore::SettingsStore(std::string data_folder) : data_folder_(std::move(data_folder)) {
  if (!data_folder_.empty() && data_folder_.back() != '/') data_folder_ += '/';
}

std::string SettingsStore::SettingsPath() const {
  return data_folder_ + std::string(kSettingsFileName);
}

IniFile SettingsStore::ReadIni(const std::string& name) const {
  const FileReadResult file = ReadWholeFile(data_folder_ + name);
  return file.status == FileReadResult::Status::kOk ? IniFile::FromBytes(file.bytes) : IniFile();
}

Settings SettingsStore::Load(const std::vector<std::string>& serial_ports) {
  const FileReadResult file = ReadWholeFile(SettingsPath());
  read_error_.reset();
  settings_file_ = IniFile();
  if (file.status == FileReadResult::Status::kOk) {
    settings_file_ = IniFile::FromBytes(file.bytes);
  } else if (file.status == FileReadResult::Status::kUnreadable) {
    read_error_ = file.error;
  }
  SettingsEnvironment environment;
  environment.serial_ports = serial_ports;
  environment.data_file_exists = [this](const std::string& name) {
    return FileExists(data_folder_ + name + ".ini");
  };
  environment.read_data_file = Reader();
  return LoadSettings(settings_file_, environment);
}

std::optional<std::string> SettingsStore::Save(const Settings& settings) {
  // The file is read again so that lines another program added since start-up survive.
  const FileReadResult file = ReadWholeFile(SettingsPath());
  IniFile ini = file.status == FileReadResult::Status::kOk ? IniFile::FromBytes(file.bytes)
                                                          : settings_file_;
  SaveSettings(settings, ini);
  if (auto error = WriteFileAtomically(SettingsPath(), ini.ToBytes())) return error;
  settings_file_ = std::move(ini);
  return std::nullopt;
}

DataFileReader SettingsStore::Reader() const {
  return [this](const std::string& name) { return ReadIni(name + ".ini"); };
}

void SettingsStore::LoadTexts(const Settings& settings, TextTable& texts) const {
  const bool chosen =
      settings.language >= 0 && settings.language < static_cast<int>(settings.languages.size());
  const std::string name = chosen ? settings.languages[static_cast<size_t>(settings.language)] : "";
  texts.LoadTexts(name.empty() ? IniFile() : ReadIni(name + ".ini"), name);
}

}  // namespace atalaya
