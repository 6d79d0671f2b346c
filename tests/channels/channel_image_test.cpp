// The virtual decoder's flash image: its channel list, written from the record layout by the
// simulation, is what the program's loader reads.
#include "sim/channel_image.h"

#include <gtest/gtest.h>

#include "channels/list_image_builder.h"
#include "core/channels/channel_list.h"
#include "core/config/cp1252.h"
#include "core/config/text_table.h"

namespace atalaya {
namespace {

std::string Hex2(uint8_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

TEST(ChannelImageTest, LoadsBackAsTheListItWasMadeFrom) {
  struct Case {
    int channels;
    int transponders;
    int channel_rows;
    int transponder_rows;
  };
  for (const Case& c : {Case{64, 12, 1000, 100}, Case{2002, 199, 2003, 200}}) {
    const sim::SimChannelList made = sim::MakeSimChannelList(c.channels, c.transponders);
    ASSERT_EQ(made.channels.size(), static_cast<size_t>(c.channels));
    ASSERT_EQ(made.transponders.size(), static_cast<size_t>(c.transponders));
    const std::string image = sim::MakeFlashImage(made);
    EXPECT_EQ(image, sim::MakeFlashImageWithChannels(c.channels, c.transponders));
    ASSERT_EQ(image.size(), 0x200000u);

    Settings settings = ListSettings();
    settings.symbol_rates = {22000, 27500};
    settings.channel_row_count = c.channel_rows;
    settings.transponder_row_count = c.transponder_rows;
    TextTable texts;
    ChoosingUser user;
    ChannelList list(settings, texts, user, '.');
    ASSERT_EQ(list.LoadFlashList(image, false), LoadResult::kLoaded);
    EXPECT_TRUE(user.asked.empty());  // one copy of each table
    EXPECT_EQ(list.tpt_section_text(), "1C (1C0000)");
    EXPECT_EQ(list.tcs_section_text(), "1D (1D0040)");

    for (size_t i = 0; i < made.transponders.size(); ++i) {
      const sim::SimTransponder& t = made.transponders[i];
      const ListRow& row = list.transponders().Row(static_cast<int>(i + 1));
      EXPECT_EQ(row[1], std::to_string(t.tuner_khz_x1000 / 1000));  // whole kHz
      EXPECT_EQ(row[2], std::to_string(t.transponder_id));
      EXPECT_EQ(row[3], std::to_string(t.network_id));
      EXPECT_EQ(row[4], t.fec_code == 2 ? "3/4" : "5/6");
      EXPECT_EQ(row[5], (t.flags & 2) != 0 ? "H" : "V");
      EXPECT_EQ(row[6], t.symbol_rate_code == 0 ? "22000" : "27500");
      EXPECT_EQ(row[7], (t.flags & 1) != 0 ? "On" : "Off");
      EXPECT_EQ(row[8], std::to_string(t.channel_count));
      EXPECT_EQ(row[10], (t.flags & 8) != 0 ? "Hispasat" : "Astra");
    }
    EXPECT_EQ(FirstEmptyTransponderRow(list.transponders()),
              std::min(c.transponders + 1, c.transponder_rows));

    int radio = 0;
    int encrypted = 0;
    for (size_t i = 0; i < made.channels.size(); ++i) {
      const sim::SimChannel& m = made.channels[i];
      const int r = static_cast<int>(i + 1);
      const ListRow& row = list.channels().Row(r);
      EXPECT_EQ(row[1], m.name);
      EXPECT_EQ(row[2], std::to_string(m.transponder));
      EXPECT_EQ(row[3], std::to_string(m.sid));
      EXPECT_EQ(row[4], std::to_string(m.vpid));
      EXPECT_EQ(row[5], std::to_string(m.apid));
      EXPECT_EQ(row[6], std::to_string(m.vecm));
      EXPECT_EQ(row[7], std::to_string(m.aecm));
      EXPECT_EQ(row[8], std::to_string(m.pcr));
      EXPECT_EQ(row[9], Hex2(m.status));
      EXPECT_EQ(row[10], list.transponders().Row(m.transponder)[10]);
      radio += m.vpid == 0xFFFF && m.apid != 0xFFFF;
      encrypted += (m.status & 0xF0) != 0;
      EXPECT_EQ(list.channels().Colour(r), ChannelColour(m.vpid, m.apid));
    }
    EXPECT_EQ(FirstEmptyChannelRow(list.channels()), std::min(c.channels + 1, c.channel_rows));
    // A believable list has radio and encrypted services, every name fits its record and
    // every channel has a transponder.
    EXPECT_GT(radio, 0);
    EXPECT_GT(encrypted, 0);
    for (const sim::SimChannel& m : made.channels) {
      EXPECT_LE(Utf8ToCp1252(m.name).size(), 16u) << m.name;
      EXPECT_GE(m.transponder, 1);
      EXPECT_LE(m.transponder, c.transponders);
    }
  }
}

}  // namespace
}  // namespace atalaya
