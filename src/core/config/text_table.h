#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/ini_file.h"

namespace atalaya {

// Number of texts addressed as `traduc0` … `traduc349`; keys 57, 326 and 327 do not exist.
inline constexpr int kTextKeyCount = 347;
inline constexpr int kLastTextKey = 349;

struct TextDefault {
  int key;
  std::string_view text;
};
extern const std::array<TextDefault, kTextKeyCount> kTextDefaults;

// Messages this program shows beyond the numbered table. They live in the language files under
// their own names, so translators can replace them too.
enum class ExtraText {
  kSettingsNotSaved,
  kSettingsNotRead,
  kFileNotSaved,
  kSerialPermission,
  kFileNotRead,
  kFlashTypeRefused,
  kNotAnInteger,
  kNotANumber,
};
inline constexpr int kExtraTextCount = 8;

bool IsTextKey(int key);
// The language-file key of a numbered text: "traduc" and the number in decimal.
std::string TextKeyName(int key);
std::string_view ExtraTextKeyName(ExtraText text);

// Every user-visible text by key, Spanish until a language file replaces it.
class TextTable {
 public:
  TextTable();

  // The current text of `key`; empty for a number that is not a key.
  const std::string& Text(int key) const;
  const std::string& Text(ExtraText text) const;

  // Takes every text from `section` of the language file, keeping the Spanish default for each
  // key the file lacks or leaves empty. Texts replaced by an earlier file return to Spanish first.
  void LoadTexts(const IniFile& language_file, std::string_view section);

 private:
  std::array<std::string, kLastTextKey + 1> texts_;
  std::array<std::string, kExtraTextCount> extra_texts_;
};

}  // namespace atalaya
