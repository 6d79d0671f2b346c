#include "core/config/text_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

namespace atalaya {
namespace {

TEST(TextTableTest, HoldsEveryKeyWithItsSpanishDefault) {
  std::set<int> keys;
  for (const TextDefault& entry : kTextDefaults) {
    EXPECT_TRUE(keys.insert(entry.key).second) << "duplicate key " << entry.key;
    EXPECT_FALSE(entry.text.empty()) << entry.key;
  }
  for (int key = 0; key <= 360; ++key) {
    EXPECT_EQ(keys.contains(key), IsTextKey(key)) << key;
  }
  EXPECT_FALSE(IsTextKey(57));
  EXPECT_FALSE(IsTextKey(326));
  EXPECT_FALSE(IsTextKey(327));

  const TextTable table;
  struct Case {
    int key;
    const char* text;
  };
  const Case cases[] = {
      {0, ", código: "},
      {43, "¡ No hay respuesta del decodificador en ese puerto serie !"},
      {47, "Eeprom"},
      {70, " Estado "},
      {113, "Archivo de Texto (TXT)|*.txt|Todos los archivos (*.*)|*.*"},
      {123, "¡Código de CPU erroneo!  Comprueba que el decodificador esté encendido y que el jtag "
            "esté bien construido."},
      {243, "Archivo FLASH (BIN, RCU o RSC)|*.bin;*.rcu;*.rsc"},
      {305, "0 y 1 (BCT14xx)"},
      {331, "¡ A T E N C I Ó N !"},
      {349, "2 y 3 (BCT15xx)"},
  };
  for (const Case& c : cases) EXPECT_EQ(table.Text(c.key), c.text) << c.key;
  EXPECT_EQ(table.Text(57), "");
  EXPECT_EQ(table.Text(350), "");
}

TEST(TextTableTest, ALanguageFileReplacesOnlyTheTextsItHas) {
  TextTable table;
  table.LoadTexts(IniFile::FromBytes("[Mini]\r\ntraduc47=EEPROM memory\r\n"), "Mini");
  EXPECT_EQ(table.Text(47), "EEPROM memory");
  EXPECT_EQ(table.Text(48), "Firmware (Paralelo+Serie)");
  EXPECT_EQ(table.Text(70), " Estado ");
}

TEST(TextTableTest, LanguageFileRulesApply) {
  TextTable table;
  table.LoadTexts(IniFile::FromBytes("[mini]\n"
                                     "traduc10=  is wrong.\n"
                                     "traduc11=\n"
                                     "traduc57=ignored\n"
                                     "traduc350=ignored\n"
                                     "TRADUC12=ignored\n"
                                     "SettingsNotSaved=Could not save the settings to:\n"),
                  "Mini");  // the section is found whatever its letter case
  EXPECT_EQ(table.Text(9) + "12" + table.Text(10), "La longitud de la línea 12is wrong.");
  EXPECT_EQ(table.Text(11), "El comando de la línea ");  // an empty value keeps Spanish
  EXPECT_EQ(table.Text(12), " es incorrecto");           // keys compare exactly
  EXPECT_EQ(table.Text(57), "");
  EXPECT_EQ(table.Text(ExtraText::kSettingsNotSaved), "Could not save the settings to:");

  // A file whose section is named otherwise leaves every text Spanish again.
  table.LoadTexts(IniFile::FromBytes("[Other]\ntraduc47=x\n"), "Mini");
  EXPECT_EQ(table.Text(10), " es incorrecta.");
  EXPECT_EQ(table.Text(47), "Eeprom");
}

TEST(TextTableTest, TheShippedEnglishFileTranslatesEveryKey) {
  std::ifstream in(ATALAYA_SOURCE_DIR "/data/INIs/English.ini", std::ios::binary);
  ASSERT_TRUE(in) << "data/INIs/English.ini";
  std::stringstream bytes;
  bytes << in.rdbuf();
  const IniFile file = IniFile::FromBytes(bytes.str());
  for (const TextDefault& entry : kTextDefaults) {
    EXPECT_TRUE(file.Read("English", TextKeyName(entry.key))) << entry.key;
  }
  for (ExtraText extra : {ExtraText::kSettingsNotSaved, ExtraText::kSettingsNotRead,
                          ExtraText::kFileNotSaved, ExtraText::kSerialPermission,
                          ExtraText::kFileNotRead, ExtraText::kFlashTypeRefused,
                          ExtraText::kNotAnInteger, ExtraText::kNotANumber}) {
    EXPECT_TRUE(file.Read("English", ExtraTextKeyName(extra))) << ExtraTextKeyName(extra);
  }
  TextTable table;
  table.LoadTexts(file, "English");
  EXPECT_NE(table.Text(43), "¡ No hay respuesta del decodificador en ese puerto serie !");
  // Filters keep their patterns in every language.
  for (int key : {7, 15, 113, 133, 208, 226, 227, 243, 339}) {
    const TextTable spanish;
    const auto patterns = [](const std::string& filter) {
      std::vector<std::string> odd;
      size_t start = 0;
      for (int i = 0;; ++i) {
        const size_t bar = filter.find('|', start);
        if (i % 2 == 1) odd.push_back(filter.substr(start, bar - start));
        if (bar == std::string::npos) return odd;
        start = bar + 1;
      }
    };
    EXPECT_EQ(patterns(table.Text(key)), patterns(spanish.Text(key))) << key;
  }
}

}  // namespace
}  // namespace atalaya
