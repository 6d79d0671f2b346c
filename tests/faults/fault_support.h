#pragma once

// The window attached to the real virtual decoder program over a pseudo-terminal, for the
// fault tests: the decoder misbehaves as its command line says and the window meets it through
// its real serial port, timer and pages.

#include <QByteArray>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "core/eeprom/eeprom_image.h"
#include "core/service/eeprom_transfer.h"
#include "gui/eeprom/eeprom_page.h"
#include "gui/main/main_window.h"
#include "gui/service/terminal_page.h"
#include "gui/test_support.h"
#include "support/cli_run.h"
#include "support/virtual_decoder_process.h"

namespace atalaya::faults {

// Short enough that silence ends a task soon, long enough that a pseudo-terminal answers well
// within it, a byte at a time, on a loaded machine.
constexpr int kReplyIntervalMs = 1000;
// How long a test waits for a task to end before calling it stuck.
constexpr int kTaskEndWaitMs = 20000;

inline const std::string kNoReplyLine =
    "¡ No hay respuesta del decodificador en ese puerto serie !";
inline const std::string kNoReply =
    kNoReplyLine + "\r\nComprueba que está en Modo de Servicio y que el puerto es el adecuado.";
inline const std::string kRetryLimit =
    "Se ha llegado al limite de reintentos. \n\rContacte con el autor de este programa.";
inline const std::string kVerifyRetryLimit =
    "Se ha llegado al límite de reintentos. \n\rContacte con el autor de este programa.";
inline const std::string kReadDone = "¡ Eeprom leída con éxito !";
inline const std::string kWriteDone = "¡ Eeprom escrita con éxito !";
inline const std::string kVerifyDone =
    "¡ Verificación completada !\n\rLos resultados se encuentran en el log.";

// A recognisable EEPROM; different seeds differ in every byte.
inline QByteArray Pattern(int seed) {
  QByteArray bytes(2048, '\0');
  for (int i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7 + seed) & 0xFF);
  return bytes;
}

inline QByteArray Row(const QByteArray& eeprom, int row) { return eeprom.mid(row * 16, 16); }

// The image's row (0-based) as the text of its cells, which need not be bytes.
inline std::string ImageRow(const EepromImage& image, int row) {
  std::string text;
  for (int column = 1; column <= EepromImage::kColumns; ++column) {
    text += image.Cell(row + 1, column);
  }
  return text;
}

inline std::string HexRow(const QByteArray& row) { return row.toHex().toUpper().toStdString(); }

// A virtual decoder program with its EEPROM in a file, and the window on its port.
class DecoderWindow {
 public:
  // With `through_link`, the window opens the port by a stable name in its data folder (see
  // port_link()) rather than by the device itself, so another decoder can take the name over.
  DecoderWindow(QStringList decoder_arguments, const QByteArray& decoder_eeprom,
                bool through_link = false) {
    eeprom_path_ = data_.path() + "/decoder.bin";
    data_.Write("decoder.bin", decoder_eeprom);
    decoder_arguments << "--eeprom" << eeprom_path_;
    if (through_link) decoder_arguments << "--link" << port_link();
    decoder_ = std::make_unique<VirtualDecoderProcess>(decoder_arguments);
    if (!decoder_->started()) return;
    const QString port = through_link ? port_link() : decoder_->device();
    window_ = std::make_unique<MainWindow>(
        MainWindowOptions{data_.folder(), {}, port.toStdString()}, &user_);
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) {
      window_.reset();
      return;
    }
    window_->link().set_reply_interval_ms(kReplyIntervalMs);
  }

  bool ready() const { return window_ && window_->serial_port().IsOpen(); }
  MainWindow& window() { return *window_; }
  RecordingOperator& user() { return user_; }
  VirtualDecoderProcess& decoder() { return *decoder_; }
  const DataFolder& data() const { return data_; }
  QString port_link() const { return data_.path() + "/port"; }

  bool PagesUnlocked() const { return window_->findChild<QWidget*>("TabSheet1")->isEnabled(); }

  // Chooses the range on the page (and the grid row for a single row) and presses the button.
  void Start(TransferKind kind, TransferRange range, int selected_row = 1) {
    EepromPage* page = window_->eeprom_page();
    const char* range_button = range == TransferRange::kAll   ? "RangeAll"
                               : range == TransferRange::kLow ? "RangeLow"
                                                              : "RangeRow";
    page->findChild<QRadioButton*>(range_button)->setChecked(true);
    window_->edit_rules().Select(selected_row);
    QPushButton* button = kind == TransferKind::kRead    ? page->receive_button()
                          : kind == TransferKind::kWrite ? page->send_button()
                                                         : page->verify_button();
    button->click();
  }

  // Types a line on the "Terminal" page.
  void Type(const QString& line) {
    QLineEdit* input = window_->terminal_page()->input();
    QTest::keyClicks(input, line);
    QTest::keyClick(input, Qt::Key_Return);
  }

  // Waits until a task has told its end: the link waits for nothing more, the pages are back
  // and the user has been told something.
  bool WaitForTaskEnd() {
    return QTest::qWaitFor(
        [&] {
          return (!user_.information.empty() || !user_.errors.empty()) && PagesUnlocked() &&
                 !window_->link().awaiting_reply();
        },
        kTaskEndWaitMs);
  }

  // Waits until the link has its reply, or has given up waiting for it.
  bool WaitForReplyOrTimeOut() {
    return QTest::qWaitFor([&] { return !window_->link().awaiting_reply(); }, kTaskEndWaitMs);
  }

  QStringList EepromLog() const { return window_->eeprom_page()->log()->toPlainText().split('\n'); }
  QStringList TerminalLines() const {
    return window_->terminal_page()->pane()->toPlainText().split('\n');
  }

  // Stops the decoder (which saves its EEPROM) and gives the bytes it holds.
  QByteArray DecoderEeprom() {
    decoder_->Stop();
    return ReadBytes(eeprom_path_);
  }
  QByteArray DecoderEepromFile() const { return ReadBytes(eeprom_path_); }

 private:
  DataFolder data_;
  RecordingOperator user_;
  QString eeprom_path_;
  std::unique_ptr<VirtualDecoderProcess> decoder_;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace atalaya::faults
