// EEPROM files of any origin, in the three formats "Leer archivo..." and the command line
// open: the program's own text, ZNB4720 text and the raw 2048 bytes.
//
// Input: one byte choosing the file name the format is guessed from, then the file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/config/decoder_files.h"
#include "core/config/text_table.h"
#include "core/eeprom/eeprom_fields.h"
#include "core/eeprom/eeprom_files.h"
#include "core/eeprom/eeprom_image.h"
#include "fuzz_support.h"

namespace atalaya::fuzz {
namespace {

constexpr std::array<EepromFileFormat, 3> kFormats = {
    EepromFileFormat::kOwnText, EepromFileFormat::kHexLines, EepromFileFormat::kRaw};
constexpr std::array<std::string_view, 5> kFileNames = {"eeprom.bin", "eeprom.txt", "EEPROM.BIN",
                                                        "eeprom", "copia.bin/eeprom"};

// SR_Europa's first rates, so satellites can show either symbol rate.
constexpr SymbolRateTable kSymbolRates = {22000, 27500, 30000, 29900, 28000, 26000, 24500, 23000,
                                          20000, 18000, 6111,  5632,  4340,  3255,  2170,  0};

bool SameCells(const EepromImage& a, const EepromImage& b) {
  for (int row = 1; row <= EepromImage::kRows; ++row) {
    for (int column = 1; column <= EepromImage::kColumns; ++column) {
      if (a.Cell(row, column) != b.Cell(row, column)) return false;
    }
  }
  return true;
}

// An image from a file reads back the same from a file of each format it is saved in.
void CheckSavedFiles(const EepromImage& image, const TextTable& texts) {
  for (const EepromFileFormat format : kFormats) {
    const std::string saved = SaveEepromFile(format, image);
    if (format == EepromFileFormat::kOwnText) FUZZ_CHECK(ValidateOwnText(saved).code == 0);
    // Filled with another byte first, so a row the file fails to give shows.
    EepromImage reread;
    std::array<uint8_t, EepromImage::kSize> filler;
    filler.fill(0x5A);
    reread.LoadBytes(filler.data(), 0, filler.size());
    ScriptedUser user;
    FUZZ_CHECK(LoadEepromFile(format, saved, reread, texts, user));
    FUZZ_CHECK(user.errors == 0);
    FUZZ_CHECK(SameCells(reread, image));
    // The text formats tell themselves apart by content; raw bytes may look like anything.
    if (format != EepromFileFormat::kRaw) {
      FUZZ_CHECK(GuessEepromFileFormat(saved, "sin-extension") == format);
    }
  }
}

}  // namespace
}  // namespace atalaya::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace atalaya;
  using namespace atalaya::fuzz;

  InputReader input(data, size);
  const std::string_view file_name = kFileNames[input.Byte() % kFileNames.size()];
  const std::string_view bytes = input.Rest();
  const TextTable texts;

  const OwnTextCheck check = ValidateOwnText(bytes);
  FUZZ_CHECK(check.code >= 0 && check.code <= 3);
  FUZZ_CHECK((check.code == 0) == (check.line == 0));
  FUZZ_CHECK(OwnTextCheckMessage(texts, check).empty() == (check.code == 0));

  for (const EepromFileFormat format : kFormats) {
    EepromImage image;
    ScriptedUser user;
    const bool loaded = LoadEepromFile(format, bytes, image, texts, user);
    // A refused file says why and leaves the image alone.
    FUZZ_CHECK(loaded == (user.errors == 0));
    if (!loaded) {
      FUZZ_CHECK(SameCells(image, EepromImage()));
      continue;
    }
    if (format == EepromFileFormat::kOwnText) FUZZ_CHECK(check.code == 0);
    // Whatever a file held, every cell it leaves is a byte the decoder can be sent.
    FUZZ_CHECK(image.Bytes().has_value());
    CheckSavedFiles(image, texts);

    EepromFields fields(image, kSymbolRates);
    const EepromFieldsView view = fields.Interpret();
    FUZZ_CHECK(view.lists.size() == ListFields().size());
    for (size_t i = 0; i < view.lists.size(); ++i) {
      FUZZ_CHECK(view.lists[i].selected >= 0 &&
                 view.lists[i].selected <= static_cast<int>(ListFields()[i].items.size()));
    }
    DescribeFields(view, texts);
  }

  // The command line's guess: a format it names takes the file.
  if (const auto guessed = GuessEepromFileFormat(bytes, file_name)) {
    EepromImage image;
    ScriptedUser user;
    const bool loaded = LoadEepromFile(*guessed, bytes, image, texts, user);
    if (*guessed == EepromFileFormat::kRaw && bytes.size() == 2048) FUZZ_CHECK(loaded);
    if (*guessed == EepromFileFormat::kHexLines) FUZZ_CHECK(loaded);
  }
  return 0;
}
