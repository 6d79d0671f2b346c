#include "gui/eeprom/interpreted_page.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/service/checksum.h"
#include "gui/eeprom/eeprom_page.h"
#include "gui/main/main_window.h"
#include "test_support.h"

namespace atalaya {
namespace {

class InterpretedPageTest : public ::testing::Test {
 protected:
  InterpretedPageTest()
      : window_(std::make_unique<MainWindow>(MainWindowOptions{data_.folder(), {}, {}}, &user_)) {
    window_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    page_ = window_->eeprom_page()->interpreted();
  }

  std::string Bytes(int address, int count) {
    std::string hex;
    for (int a = address; a < address + count; ++a) {
      hex += window_->image().Cell(a / 16 + 1, a % 16 + 1);
    }
    return hex;
  }

  static void Choose(QComboBox* list, int position) {
    list->setCurrentIndex(position);
    emit list->activated(position);
  }

  static void TypeAndLeave(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
    emit edit->editingFinished();
  }

  DataFolder data_;
  RecordingOperator user_;
  std::unique_ptr<MainWindow> window_;
  InterpretedPage* page_;
};

TEST_F(InterpretedPageTest, ShowsTheErasedEepromOnceTheWindowIsUp) {
  EXPECT_EQ(page_->list(field::kCountry).list->currentText(), "otro");
  EXPECT_EQ(page_->list(field::kCountry).hex->text(), "FFFFFF");
  EXPECT_TRUE(page_->list(field::kCountry).hex->isEnabled());
  EXPECT_EQ(page_->list(field::kColourSystem).list->currentText(), "Secam");
  EXPECT_EQ(page_->list(field::kStartMode).list->currentText(), "Encendido");
  EXPECT_EQ(page_->list(field::kSections).list->count(), 7);
  EXPECT_EQ(page_->list(field::kSections).list->itemText(3), "1 y 2 (BCT15xx)");
  EXPECT_EQ(page_->number(field::kSoftwareVersion).edit->text(), "255");
  EXPECT_EQ(page_->digits(field::kSerialNumber).edit->text(), "000000000000");
  EXPECT_EQ(page_->satellite(0).name->currentText(), "ASTRA");
  EXPECT_EQ(page_->satellite(1).name->currentText(), "OTROS");
  EXPECT_EQ(page_->satellite(1).lnb->text(), "65535");
}

TEST_F(InterpretedPageTest, EditorsWriteStraightIntoTheImage) {
  Choose(page_->list(field::kCountry).list, 1);  // ITA
  EXPECT_EQ(Bytes(0x002, 3), "495441");
  EXPECT_EQ(Bytes(0x069, 2), "A35C");
  EXPECT_FALSE(page_->list(field::kCountry).hex->isEnabled());
  EXPECT_EQ(page_->list(field::kCountry).hex->text(), "495441");

  Choose(page_->list(field::kDiseqc).list, 2);  // otro
  EXPECT_TRUE(page_->list(field::kDiseqc).hex->isEnabled());
  TypeAndLeave(page_->list(field::kDiseqc).hex, "12");
  EXPECT_EQ(Bytes(0x733, 2), "0012");
  EXPECT_EQ(page_->list(field::kDiseqc).hex->text(), "0012");

  QLineEdit* channel = page_->number(field::kLastChannel).edit;
  channel->clear();
  QTest::keyClicks(channel, "2003");
  EXPECT_EQ(channel->text(), "0");  // the rule acts while typing
  TypeAndLeave(channel, "150");
  EXPECT_EQ(Bytes(0x065, 2), "0096");
  EXPECT_EQ(page_->number(field::kLastChannel).hex->text(), "0096");

  TypeAndLeave(page_->list(field::kProvider).hex, "c");  // lower case is dropped as typed
  EXPECT_EQ(Bytes(0x007, 2), "000C");

  QLineEdit* name = page_->satellite(1).name->lineEdit();
  name->clear();
  QTest::keyClicks(name, "hispasat");
  EXPECT_EQ(name->text(), "HISPASAT");
  emit name->editingFinished();
  EXPECT_EQ(Bytes(0x030, 9), "48495350415341540" "0");
  Choose(page_->satellite(1).symbol_rate, 0);
  EXPECT_EQ(Bytes(0x04C, 1), "00");
}

TEST_F(InterpretedPageTest, HandEditsOfTheGridShowOnlyAfterTheNextRefresh) {
  window_->image().SetCell(1, 3, "45");
  window_->image().SetCell(1, 4, "53");
  window_->image().SetCell(1, 5, "50");
  EXPECT_EQ(page_->list(field::kCountry).list->currentText(), "otro");
  const QString path = data_.path() + "/image.txt";
  ASSERT_TRUE(window_->SaveEepromFile(path, EepromFileFormat::kOwnText));
  window_->eeprom_page()->clear_button()->click();
  EXPECT_EQ(page_->list(field::kCountry).list->currentText(), "otro");
  ASSERT_TRUE(window_->LoadEepromFile(path, EepromFileFormat::kOwnText));
  EXPECT_EQ(page_->list(field::kCountry).list->currentText(), "ESP");
}

TEST_F(InterpretedPageTest, FilesLoadAndSaveInEachFormat) {
  for (EepromFileFormat format :
       {EepromFileFormat::kOwnText, EepromFileFormat::kHexLines, EepromFileFormat::kRaw}) {
    window_->image().FillFF();
    for (int address = 0; address < 2048; address += 37) {
      window_->image().SetCell(address / 16 + 1, address % 16 + 1, ByteText(address & 0xFF));
    }
    const std::string before = Bytes(0, 2048);
    const QString path = data_.path() + "/round";
    ASSERT_TRUE(window_->SaveEepromFile(path, format));
    window_->image().FillFF();
    ASSERT_TRUE(window_->LoadEepromFile(path, format));
    EXPECT_EQ(Bytes(0, 2048), before) << static_cast<int>(format);
  }
  EXPECT_EQ(data_.Read("round").size(), 2048);

  // A file of another format is refused with its message and the image stays.
  const std::string kept = Bytes(0, 2048);
  ASSERT_TRUE(window_->SaveEepromFile(data_.path() + "/own.txt", EepromFileFormat::kOwnText));
  EXPECT_FALSE(window_->LoadEepromFile(data_.path() + "/own.txt", EepromFileFormat::kHexLines));
  EXPECT_EQ(user_.errors.back(), "¡ Fichero de eeprom erróneo !");
  EXPECT_FALSE(window_->LoadEepromFile(data_.path() + "/missing.bin", EepromFileFormat::kRaw));
  EXPECT_TRUE(user_.errors.back().starts_with("No se ha podido leer el archivo :"));
  EXPECT_FALSE(window_->SaveEepromFile(data_.path() + "/no/such/folder.bin", EepromFileFormat::kRaw));
  EXPECT_TRUE(user_.errors.back().starts_with("No se ha podido guardar el archivo :"));
  EXPECT_EQ(Bytes(0, 2048), kept);
}

}  // namespace
}  // namespace atalaya
