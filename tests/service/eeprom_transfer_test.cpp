#include "core/service/eeprom_transfer.h"

#include <gtest/gtest.h>

#include "link_fixture.h"

namespace atalaya {
namespace {

const char kRetryLimit[] = "Se ha llegado al limite de reintentos. \n\rContacte con el autor de este programa.";

// A recognisable EEPROM: byte i holds (i * 7 + 3) mod 256.
void FillDecoder(sim::ServiceModeDecoder& decoder) {
  for (size_t i = 0; i < 2048; ++i) decoder.eeprom()[i] = static_cast<uint8_t>(i * 7 + 3);
}

TEST(EepromTransferTest, AFullReadFillsTheImageWithTheDecodersEeprom) {
  LinkFixture f;
  FillDecoder(f.decoder);
  ASSERT_TRUE(f.transfer.Start(TransferKind::kRead, TransferRange::kAll, 1));
  EXPECT_TRUE(f.pages.locked);
  EXPECT_EQ(f.eeprom_status.values[0], "Recibe");
  EXPECT_EQ(f.eeprom_status.progress_max, 127);
  f.RunToEnd();
  EXPECT_EQ(f.ImageBytes(), f.decoder.eeprom());
  EXPECT_EQ(f.user.information, std::vector<std::string>{"¡ Eeprom leída con éxito !"});
  EXPECT_TRUE(f.user.errors.empty());
  EXPECT_FALSE(f.pages.locked);
  EXPECT_EQ(f.eeprom_status.highest_progress, 127);
  EXPECT_EQ(f.eeprom_status.progress, 0);
  EXPECT_EQ(f.eeprom_status.values, (std::array<std::string, 5>{}));
  EXPECT_EQ(f.link.row_counter(), 0);
  EXPECT_EQ(f.interpretations, 1);
  EXPECT_EQ(f.channel.written.front(), "%EE?00010F1");
  EXPECT_EQ(f.channel.written.size(), 128u);
  EXPECT_EQ(f.outcomes, std::vector<TransferOutcome>{TransferOutcome::kSuccess});
}

TEST(EepromTransferTest, SpeedAndRemainingTimeAreShownWhileRunning) {
  LinkFixture f;
  ASSERT_TRUE(f.transfer.Start(TransferKind::kRead, TransferRange::kLow, 1));
  f.channel.pending.clear();  // answer row 0 by hand
  f.link.OnRxChar("$.EE" + std::string(32, '0') + "\r");
  // Row 0 done after two clock readings of 50 ms: 16 bytes in 0.05 s.
  EXPECT_EQ(f.eeprom_status.values[3], "320.00b/s");
  // One row more than those left: (11 − 1 + 1) × 16 bytes at 320 b/s is 0.55 s.
  EXPECT_EQ(f.eeprom_status.values[4], "1seg");
}

TEST(EepromTransferTest, RefusedRowsAreAskedAgain) {
  struct Case {
    int refusals;
    bool succeeds;
  };
  for (const Case& c : {Case{3, true}, Case{9, true}, Case{10, false}}) {
    LinkFixture f;
    FillDecoder(f.decoder);
    f.decoder.set_fault_plan(sim::FaultPlan{.refuse_row = 5, .refuse_times = c.refusals});
    ASSERT_TRUE(f.transfer.Start(TransferKind::kRead, TransferRange::kAll, 1));
    f.RunToEnd();
    std::vector<int64_t> counts;
    for (int i = 1; i <= std::min(c.refusals, 10); ++i) counts.push_back(i);
    EXPECT_EQ(f.eeprom_status.errors_shown.size(), counts.size() + 1) << c.refusals;  // 0 at start
    EXPECT_EQ(std::vector<int64_t>(f.eeprom_status.errors_shown.begin() + 1,
                                   f.eeprom_status.errors_shown.end()),
              counts);
    EXPECT_FALSE(f.pages.locked);
    if (c.succeeds) {
      EXPECT_EQ(f.ImageBytes(), f.decoder.eeprom());
      EXPECT_EQ(f.user.information, std::vector<std::string>{"¡ Eeprom leída con éxito !"});
    } else {
      EXPECT_EQ(f.user.errors, std::vector<std::string>{kRetryLimit});
      // Rows 0 to 4 arrived and stay; row 5 onwards is as it was.
      for (int row = 1; row <= 5; ++row) {
        EXPECT_EQ(f.image.Cell(row, 1), ByteText(f.decoder.eeprom()[(row - 1) * 16]));
      }
      EXPECT_EQ(f.image.RowText(6), std::string(32, 'F'));
      EXPECT_EQ(f.outcomes, std::vector<TransferOutcome>{TransferOutcome::kRetriesExhausted});
    }
  }
}

TEST(EepromTransferTest, WritingThenReadingBackGivesTheSameImage) {
  LinkFixture f;
  for (int address = 0; address < 2048; ++address) {
    f.image.SetCell(address / 16 + 1, address % 16 + 1, ByteText(static_cast<uint8_t>(address ^ 0x5A)));
  }
  const auto written = f.ImageBytes();
  ASSERT_TRUE(f.transfer.Start(TransferKind::kWrite, TransferRange::kAll, 1));
  EXPECT_EQ(f.eeprom_status.values[0], "Envía");
  f.RunToEnd();
  EXPECT_EQ(f.user.information, std::vector<std::string>{"¡ Eeprom escrita con éxito !"});
  EXPECT_EQ(f.decoder.eeprom(), written);
  f.image.FillFF();
  ASSERT_TRUE(f.transfer.Start(TransferKind::kRead, TransferRange::kAll, 1));
  f.RunToEnd();
  EXPECT_EQ(f.ImageBytes(), written);
}

TEST(EepromTransferTest, VerifyReportsEachRow) {
  struct Case {
    const char* name;
    bool lowercase;
    int changed_row;  // −1: none
    int differing;
  };
  const Case cases[] = {
      {"equal", false, -1, 0},
      {"one row differs", false, 7, 1},
      {"lower-case replies", true, -1, 128},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    FillDecoder(f.decoder);
    f.image.LoadBytes(f.decoder.eeprom().data(), 0, 2048);
    if (c.changed_row >= 0) f.image.SetCell(c.changed_row + 1, 3, "00");
    f.decoder.set_fault_plan(sim::FaultPlan{.lowercase = c.lowercase});
    std::vector<int> differing_rows;
    f.transfer.on_row_verified = [&](int row, bool equal) {
      if (!equal) differing_rows.push_back(row);
    };
    ASSERT_TRUE(f.transfer.Start(TransferKind::kVerify, TransferRange::kAll, 1));
    f.RunToEnd();
    EXPECT_EQ(static_cast<int>(differing_rows.size()), c.differing) << c.name;
    if (c.changed_row >= 0) {
      EXPECT_EQ(differing_rows, std::vector<int>{c.changed_row});
    }
    int verified = 0, different = 0;
    for (const std::string& line : f.eeprom_log.lines) {
      verified += line == "Línea verificada.";
      different += line == "¡ Esta línea no es igual que la original !";
    }
    EXPECT_EQ(verified, 128 - c.differing) << c.name;
    EXPECT_EQ(different, c.differing) << c.name;
    EXPECT_EQ(f.user.information,
              std::vector<std::string>{
                  "¡ Verificación completada !\n\rLos resultados se encuentran en el log."});
    EXPECT_EQ(f.image.RowText(1).size(), 32u);  // verifying never changes the image
  }
}

TEST(EepromTransferTest, RangesSendTheirRows) {
  struct Case {
    TransferRange range;
    int selected_row;
    std::vector<std::string> first_and_last;
    size_t commands;
  };
  const Case cases[] = {
      {TransferRange::kLow, 1, {"%EE?000", "%EE?0A0"}, 11},
      {TransferRange::kSelectedRow, 1, {"%EE?000", "%EE?000"}, 1},
      {TransferRange::kSelectedRow, 128, {"%EE?7F0", "%EE?7F0"}, 1},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    ASSERT_TRUE(f.transfer.Start(TransferKind::kRead, c.range, c.selected_row));
    f.RunToEnd();
    ASSERT_EQ(f.channel.written.size(), c.commands);
    EXPECT_EQ(f.channel.written.front().substr(0, 7), c.first_and_last[0]);
    EXPECT_EQ(f.channel.written.back().substr(0, 7), c.first_and_last[1]);
    EXPECT_EQ(f.user.information.size(), 1u);
  }
}

TEST(EepromTransferTest, ASingleRowIsRetriedAndItsFailureReported) {
  LinkFixture f;
  f.decoder.set_fault_plan(sim::FaultPlan{.refuse_row = 4, .refuse_times = 100});
  ASSERT_TRUE(f.transfer.Start(TransferKind::kWrite, TransferRange::kSelectedRow, 5));
  f.RunToEnd();
  EXPECT_EQ(f.channel.written.size(), 10u);
  EXPECT_TRUE(f.user.information.empty());
  EXPECT_EQ(f.user.errors, std::vector<std::string>{kRetryLimit});
}

TEST(EepromTransferTest, SilenceEndsTheTaskWithTheRowsReadSoFar) {
  LinkFixture f;
  FillDecoder(f.decoder);
  ASSERT_TRUE(f.transfer.Start(TransferKind::kRead, TransferRange::kAll, 1));
  for (int row = 0; row < 3; ++row) f.DeliverOne();  // three rows answered...
  f.decoder.set_fault_plan(sim::FaultPlan{.silent = true});
  f.channel.pending.clear();  // ...then the decoder falls silent
  f.RunToEnd();
  EXPECT_EQ(f.user.errors,
            std::vector<std::string>{"¡ No hay respuesta del decodificador en ese puerto serie "
                                     "!\r\nComprueba que está en Modo de Servicio y que el puerto "
                                     "es el adecuado."});
  EXPECT_FALSE(f.pages.locked);
  EXPECT_EQ(f.interpretations, 0);
  EXPECT_EQ(f.outcomes, std::vector<TransferOutcome>{TransferOutcome::kTimedOut});
  EXPECT_EQ(f.image.Cell(1, 1), ByteText(f.decoder.eeprom()[0]));
  EXPECT_EQ(f.image.RowText(128), std::string(32, 'F'));
}

TEST(EepromTransferTest, FaultyLinesEndWithTheRightMessageAndUnlockedPages) {
  struct Case {
    const char* name;
    sim::FaultPlan plan;
    bool image_equal;
    bool times_out;
  };
  const Case cases[] = {
      {"chunked", {.chunk_size = 3}, true, false},
      {"garbage", {.garbage = true}, false, false},
      {"never ends a line", {.no_line_end = true}, false, true},
      {"CR LF endings", {.crlf = true}, false, true},
  };
  for (const Case& c : cases) {
    LinkFixture f;
    FillDecoder(f.decoder);
    f.decoder.set_fault_plan(c.plan);
    ASSERT_TRUE(f.transfer.Start(TransferKind::kRead, TransferRange::kAll, 1));
    f.RunToEnd();
    EXPECT_FALSE(f.transfer.running()) << c.name;
    EXPECT_FALSE(f.pages.locked) << c.name;
    EXPECT_EQ(f.user.information.size() + f.user.errors.size(), 1u) << c.name;
    EXPECT_EQ(f.user.errors.size(), c.times_out ? 1u : 0u) << c.name;
    if (c.image_equal) {
      EXPECT_EQ(f.ImageBytes(), f.decoder.eeprom()) << c.name;
    }
  }
}

TEST(EepromTransferTest, AnImageWithABadCellIsNotSent) {
  LinkFixture f;
  f.image.SetCell(27, 4, "F");  // address 1A3
  for (TransferKind kind : {TransferKind::kWrite, TransferKind::kVerify}) {
    EXPECT_FALSE(f.transfer.Start(kind, TransferRange::kAll, 1));
  }
  EXPECT_TRUE(f.channel.written.empty());
  EXPECT_FALSE(f.pages.locked);
  EXPECT_EQ(f.user.errors.size(), 2u);
  EXPECT_EQ(f.user.errors[0], "¡ La dirección 1A3 contiene un dato erroneo !");
}

}  // namespace
}  // namespace atalaya
