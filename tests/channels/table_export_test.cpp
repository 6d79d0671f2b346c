// The text forms of a table: the TXT export row text, and the HTML and JSON of the command line.
#include "core/channels/table_export.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/config/text_table.h"

namespace atalaya {
namespace {

class TableExportTest : public ::testing::Test {
 protected:
  TableExportTest() {
    channels_.ApplyTitles(texts_);
    transponders_.ApplyTitles(texts_);
    channels_.Row(1) = {"1", "Canal <&> \"Ñ\"", "1", "2", "256", "257", "0", "0", "256", "24", "A"};
    channels_.SetColour(1, kServiceColour);
    channels_.Row(2) = {"2", "Tab\there", "0", "0", "65535", "300", "0", "0", "0", "04", "B"};
    channels_.SetColour(2, kRadioColour);
    transponders_.Row(1) = {"1",     "1420947,904", "1017", "49", "3/4", "H",
                            "27500", "On",          "12",   "Ku", "B"};
  }

  TextTable texts_;
  ChannelTable channels_{4};
  TransponderTable transponders_{3};
};

TEST_F(TableExportTest, RowTextIsElevenCellsEachEndedByATabThenCrLf) {
  EXPECT_EQ(TableText(transponders_),
            "\tFREC\tTRSP\tNET\tFEC\tPOL\tSR\t22KHz\tCAN\tBANDA\tSAT\t\r\n"
            "1\t1420947,904\t1017\t49\t3/4\tH\t27500\tOn\t12\tKu\tB\t\r\n"
            "2\t\t\t\t\t\t\t\t\t\t\t\r\n");
  const std::string text = TableText(channels_);
  EXPECT_TRUE(text.starts_with("\tNOMBRE\tTRSP\tSID\tVPID\tAPID\tVECM\tAECM\tPCR\tSTA\tSAT\t\r\n"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
  EXPECT_TRUE(text.ends_with("3\t\t\t\t\t\t\t\t\t\t\t\r\n"));
  EXPECT_EQ(RowText(channels_, 1, 1), "1\tCanal <&> \"Ñ\"\t1\t2\t256\t257\t0\t0\t256\t24\tA\t\r\n");
  EXPECT_EQ(RowText(channels_, 3, 9), "3\t\t\t\t\t\t\t\t\t\t\t\r\n");  // clipped to the table
}

TEST_F(TableExportTest, HtmlHasHeaderCellsColoursAndEscapedText) {
  const std::string html = TableHtml(channels_, texts_.Text(206));
  EXPECT_NE(html.find("<title>Tabla de Canales</title>"), std::string::npos);
  EXPECT_NE(html.find("<tr><th></th><th>NOMBRE</th><th>TRSP</th>"), std::string::npos);
  EXPECT_NE(html.find("<tr><th>1</th><td align=\"left\" bgcolor=\"#F5E2AF\">"
                      "Canal &lt;&amp;&gt; &quot;Ñ&quot;</td><td align=\"center\" "
                      "bgcolor=\"#F5E2AF\">1</td>"),
            std::string::npos);
  EXPECT_NE(html.find("<tr><th>2</th><td align=\"left\" bgcolor=\"#BFD0F5\">"), std::string::npos);
  EXPECT_EQ(html.find("Canal <&>"), std::string::npos);
  const std::string transponders = TableHtml(transponders_, texts_.Text(207));
  EXPECT_NE(transponders.find("<tr><th>1</th><td align=\"center\">1420947,904</td>"),
            std::string::npos);
  EXPECT_EQ(transponders.find("bgcolor"), std::string::npos);
}

TEST_F(TableExportTest, JsonReadsBackThroughAJsonParser) {
  QJsonParseError error;
  const std::string json = TableJson(channels_);
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << json;
  const QJsonObject root = document.object();
  ASSERT_EQ(root["columns"].toArray().size(), 11);
  EXPECT_EQ(root["columns"].toArray()[1].toString(), "NOMBRE");
  const QJsonArray rows = root["rows"].toArray();
  ASSERT_EQ(rows.size(), 3);
  const QJsonArray first = rows[0].toObject()["cells"].toArray();
  ASSERT_EQ(first.size(), 11);
  EXPECT_EQ(first[1].toString().toStdString(), "Canal <&> \"Ñ\"");
  EXPECT_EQ(rows[1].toObject()["cells"].toArray()[1].toString(), "Tab\there");
  EXPECT_EQ(rows[1].toObject()["colour"].toString(), "#BFD0F5");
  EXPECT_EQ(rows[2].toObject()["colour"].toString(), "#FFFFFF");

  const QJsonDocument transponders =
      QJsonDocument::fromJson(QByteArray::fromStdString(TableJson(transponders_)), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError);
  const QJsonObject row = transponders.object()["rows"].toArray()[0].toObject();
  EXPECT_EQ(row["cells"].toArray()[1].toString(), "1420947,904");
  EXPECT_FALSE(row.contains("colour"));
}

}  // namespace
}  // namespace atalaya
