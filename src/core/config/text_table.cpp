#include "core/config/text_table.h"

namespace atalaya {
namespace {

struct ExtraDefault {
  std::string_view key;
  std::string_view text;
};

// Indexed by ExtraText.
constexpr std::array<ExtraDefault, kExtraTextCount> kExtraDefaults = {{
    {"SettingsNotSaved", "No se ha podido guardar la configuración en el archivo :"},
    {"SettingsNotRead",
     "No se ha podido leer la configuración; se usan los valores por defecto. Archivo :"},
    {"FileNotSaved", "No se ha podido guardar el archivo :"},
    {"SerialPermission",
     "Su usuario no tiene permiso para usar el puerto. Añádalo al grupo dueño del dispositivo "
     "y vuelva a iniciar la sesión. Dispositivo :"},
    {"FileNotRead", "No se ha podido leer el archivo :"},
    {"FlashTypeRefused",
     "Este tipo de flash no se usa porque su número de bloques (NumBlocks) no está entre 0 y "
     "1024; se mantiene el anterior :"},
    {"NotAnInteger", "no es un valor entero válido"},
    {"NotANumber", "no es un valor numérico válido"},
}};

const std::string kNoText;

}  // namespace

bool IsTextKey(int key) {
  return key >= 0 && key <= kLastTextKey && key != 57 && key != 326 && key != 327;
}

std::string TextKeyName(int key) { return "traduc" + std::to_string(key); }

std::string_view ExtraTextKeyName(ExtraText text) {
  return kExtraDefaults[static_cast<size_t>(text)].key;
}

TextTable::TextTable() {
  const IniFile no_file;
  LoadTexts(no_file, "");
}

const std::string& TextTable::Text(int key) const {
  return IsTextKey(key) ? texts_[static_cast<size_t>(key)] : kNoText;
}

const std::string& TextTable::Text(ExtraText text) const {
  return extra_texts_[static_cast<size_t>(text)];
}

void TextTable::LoadTexts(const IniFile& language_file, std::string_view section) {
  for (const TextDefault& entry : kTextDefaults) {
    texts_[static_cast<size_t>(entry.key)] =
        language_file.ReadString(section, TextKeyName(entry.key), entry.text);
  }
  for (size_t i = 0; i < kExtraDefaults.size(); ++i) {
    extra_texts_[i] = language_file.ReadString(section, kExtraDefaults[i].key,
                                               kExtraDefaults[i].text);
  }
}

}  // namespace atalaya
