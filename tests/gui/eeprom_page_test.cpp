#include "gui/eeprom/eeprom_page.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "core/service/checksum.h"
#include "gui/eeprom/hex_grid.h"
#include "gui/main/main_window.h"
#include "gui/service/terminal_page.h"
#include "gui/shell/log_pane_widget.h"
#include "support/virtual_decoder_process.h"
#include "test_support.h"

namespace atalaya {
namespace {

class EepromPageTest : public ::testing::Test {
 protected:
  std::unique_ptr<MainWindow> Open(const QString& port = {}) {
    auto window = std::make_unique<MainWindow>(
        MainWindowOptions{data_.folder(), {}, port.toStdString()}, &user_);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
  }

  // Types into the in-place editor of a cell and ends the edit with `end_key`.
  static void EditCell(HexGrid* grid, int row, int column, const QString& typed, Qt::Key end_key) {
    const QModelIndex index = grid->model()->index(row - 1, column - 1);
    grid->setCurrentIndex(index);
    grid->edit(index);
    auto* editor = grid->findChild<QLineEdit*>("HexCellEditor");
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    if (typed.isEmpty()) {
      QTest::keyClick(editor, Qt::Key_Delete);
    } else {
      QTest::keyClicks(editor, typed);
    }
    QTest::keyClick(editor, end_key);
    // The view commits and closes on a queued call; then the closed editor goes away for good,
    // so the next edit finds its own.
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  DataFolder data_;
  RecordingOperator user_;
};

TEST_F(EepromPageTest, TheGridShowsTheImageWithItsHeaders) {
  auto window = Open();
  HexGrid* grid = window->eeprom_page()->grid();
  EXPECT_EQ(grid->objectName(), "HexGrid");
  QAbstractItemModel* model = grid->model();
  ASSERT_EQ(model->rowCount(), 128);
  ASSERT_EQ(model->columnCount(), 16);
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "0");
  EXPECT_EQ(model->headerData(15, Qt::Horizontal).toString(), "F");
  EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), "000");
  EXPECT_EQ(model->headerData(127, Qt::Vertical).toString(), "7F0");
  EXPECT_EQ(model->index(5, 5).data().toString(), "FF");
  window->image().SetCell(6, 6, "5A");
  EXPECT_EQ(model->index(5, 5).data().toString(), "5A");
  // The header column and the data columns share the width.
  const int header = grid->verticalHeader()->width();
  EXPECT_LE(std::abs(grid->columnWidth(0) - header), 1);
}

TEST_F(EepromPageTest, HandEditsFollowTheTwoDigitRules) {
  auto window = Open();
  HexGrid* grid = window->eeprom_page()->grid();
  struct Case {
    QString typed;
    Qt::Key end;
    QString cell;
  };
  const Case cases[] = {
      {"a5", Qt::Key_Return, "A5"},  {"G1", Qt::Key_Return, "3C"}, {"", Qt::Key_Return, "3C"},
      {"7", Qt::Key_Return, "3C"},   {"12", Qt::Key_Escape, "3C"}, {"4d9", Qt::Key_Return, "4D"},
  };
  for (const Case& c : cases) {
    window->image().SetCell(3, 5, "3C");
    EditCell(grid, 3, 5, c.typed, c.end);
    EXPECT_EQ(window->image().Cell(3, 5), c.cell.toStdString()) << c.typed.toStdString();
  }
  EXPECT_EQ(window->edit_rules().selected_row(), 3);
  grid->setCurrentIndex(grid->model()->index(99, 0));
  EXPECT_EQ(window->edit_rules().selected_row(), 100);
}

TEST_F(EepromPageTest, BorrarFillsTheImageWithFF) {
  auto window = Open();
  window->image().SetCell(1, 1, "00");
  window->image().SetCell(128, 16, "G");
  window->eeprom_page()->clear_button()->click();
  EXPECT_EQ(window->image().FirstInvalidCell(), std::nullopt);
  EXPECT_EQ(window->image().RowText(1), std::string(32, 'F'));
  EXPECT_EQ(window->image().RowText(128), std::string(32, 'F'));
}

TEST_F(EepromPageTest, SendingAnImageWithABadCellSaysWhereAndSendsNothing) {
  auto window = Open();
  window->image().SetCell(27, 4, "F");
  window->eeprom_page()->send_button()->click();
  EXPECT_EQ(user_.errors, std::vector<std::string>{"¡ La dirección 1A3 contiene un dato erroneo !"});
  EXPECT_TRUE(window->findChild<QWidget*>("TabSheet1")->isEnabled());
  EXPECT_TRUE(window->terminal_page()->pane()->toPlainText().isEmpty());
}

QByteArray Pattern() {
  QByteArray bytes(2048, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 13 + 5) & 0xFF);
  return bytes;
}

TEST_F(EepromPageTest, ReceiveReadsTheDecoderThroughTheSerialPort) {
  const QString eeprom = data_.path() + "/decoder.bin";
  data_.Write("decoder.bin", Pattern());
  VirtualDecoderProcess decoder({"--eeprom", eeprom});
  ASSERT_TRUE(decoder.started());
  auto window = Open(decoder.device());
  EXPECT_TRUE(window->serial_port().IsOpen());
  window->eeprom_page()->inner_pages()->setCurrentIndex(1);

  window->eeprom_page()->receive_button()->click();
  EXPECT_FALSE(window->findChild<QWidget*>("TabSheet1")->isEnabled());
  EXPECT_EQ(window->eeprom_page()->inner_pages()->currentIndex(), 0);  // the grid comes into view
  ASSERT_TRUE(QTest::qWaitFor([&] { return !user_.information.empty(); }, 20000));
  EXPECT_EQ(user_.information, std::vector<std::string>{"¡ Eeprom leída con éxito !"});
  EXPECT_TRUE(window->findChild<QWidget*>("TabSheet1")->isEnabled());
  const auto bytes = window->image().Bytes();
  ASSERT_TRUE(bytes);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(bytes->data()), 2048), Pattern());
  EXPECT_TRUE(window->eeprom_page()->log()->toPlainText().startsWith("%EE?00010F1\n$.EE"));

  // One row written back from the grid reaches the decoder's EEPROM.
  window->image().SetCell(8, 1, "00");
  window->edit_rules().Select(8);
  window->eeprom_page()->findChild<QRadioButton*>("RangeRow")->setChecked(true);
  user_.information.clear();
  window->eeprom_page()->send_button()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !user_.information.empty(); }, 20000));
  EXPECT_EQ(user_.information, std::vector<std::string>{"¡ Eeprom escrita con éxito !"});
  ASSERT_TRUE(decoder.Stop());
  QFile saved(eeprom);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  QByteArray expected = Pattern();
  expected[0x70] = 0;
  EXPECT_EQ(saved.readAll(), expected);
}

TEST_F(EepromPageTest, TheTerminalSendsTypedLinesAndShowsReplies) {
  VirtualDecoderProcess decoder({});
  ASSERT_TRUE(decoder.started());
  auto window = Open(decoder.device());
  QLineEdit* input = window->terminal_page()->input();
  LogPaneWidget* pane = window->terminal_page()->pane();
  QTest::keyClick(input, Qt::Key_Return);  // an empty line sends nothing
  EXPECT_TRUE(pane->toPlainText().isEmpty());
  QTest::keyClicks(input, "%PR?");
  QTest::keyClick(input, Qt::Key_Return);
  EXPECT_TRUE(input->text().isEmpty());
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane->toPlainText().contains("$.PR"); }, 10000));
  EXPECT_EQ(pane->toPlainText(), "%PR?" + QString::fromStdString(AddChecksum("%PR?").substr(4)) +
                                     "\n$.PR");
  EXPECT_EQ(window->link().current_task(), ServiceTask::kTerminalLine);
}

TEST_F(EepromPageTest, ASilentDecoderTimesOutAndUnlocksThePages) {
  VirtualDecoderProcess decoder({"--silent"});
  ASSERT_TRUE(decoder.started());
  auto window = Open(decoder.device());
  window->link().set_reply_interval_ms(200);
  window->eeprom_page()->receive_button()->click();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !user_.errors.empty(); }, 10000));
  EXPECT_EQ(user_.errors[0],
            "¡ No hay respuesta del decodificador en ese puerto serie !\r\nComprueba que está en "
            "Modo de Servicio y que el puerto es el adecuado.");
  EXPECT_TRUE(window->findChild<QWidget*>("TabSheet1")->isEnabled());
  EXPECT_TRUE(window->eeprom_page()->log()->toPlainText().endsWith(
      "¡ No hay respuesta del decodificador en ese puerto serie !"));
}

TEST_F(EepromPageTest, AnExtraPortIsUsedButNotSaved) {
  data_.Write("Atalaya.ini", "[TForm1]\r\nPuerto=4\r\n");
  VirtualDecoderProcess decoder({});
  ASSERT_TRUE(decoder.started());
  auto window = Open(decoder.device());
  EXPECT_TRUE(decoder.device().endsWith(window->serial_port().name()));
  window->close();
  EXPECT_TRUE(data_.Read("Atalaya.ini").contains("\r\nPuerto=-1\r\n"));
}

}  // namespace
}  // namespace atalaya
