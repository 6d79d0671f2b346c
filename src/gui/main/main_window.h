#pragma once

#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/eeprom/eeprom_fields.h"
#include "core/eeprom/eeprom_files.h"
#include "core/eeprom/eeprom_image.h"
#include "core/service/eeprom_transfer.h"
#include "core/service/service_link.h"
#include "core/config/text_table.h"
#include "core/shell/operator.h"
#include "core/shell/task_status.h"
#include "core/shell/window_limits.h"
#include "gui/shell/file_dialogs.h"
#include "gui/shell/page_context.h"
#include "gui/shell/text_bindings.h"
#include "platform/qt_reply_timer.h"
#include "platform/qt_serial_port.h"
#include "platform/settings_store.h"


namespace atalaya {

class AboutPage;
class ChannelsPage;
class EepromPage;
class LoggedTaskPage;
class PicturePage;
class TerminalPage;

struct MainWindowOptions {
  std::string data_folder;                // with or without its final slash
  std::vector<std::string> serial_ports;  // sorted
  // A device the port list does not show (a pseudo-terminal, a virtual port), chosen for this
  // run only: the port saved in the settings stays as it was.
  std::string extra_port;
};

// The main window "TForm1": owns the settings, the texts and every page; loads the settings
// as it is created and saves them as it closes.
class MainWindow : public QWidget, public PageLock {
 public:
  // `user` receives the window's messages; without one, message boxes ask.
  explicit MainWindow(MainWindowOptions options, Operator* user = nullptr);
  ~MainWindow() override;

  void LockPages() override;
  void UnlockPages() override;

  // Reads the chosen language file and shows its texts everywhere.
  void LoadTexts();

  // The "Leer archivo..." and "Guardar como..." work of the Eeprom page once a file is chosen.
  // The file is read whole before the image changes; the fields are refreshed after any load.
  bool LoadEepromFile(const QString& path, EepromFileFormat format);
  bool SaveEepromFile(const QString& path, EepromFileFormat format);

  Settings& settings() { return settings_; }
  EepromImage& image() { return image_; }
  HexEditRules& edit_rules() { return rules_; }
  ServiceLink& link() { return *link_; }
  QtSerialPort& serial_port() { return *port_; }
  QtReplyTimer& reply_timer() { return reply_timer_; }
  const TextTable& texts() const { return texts_; }
  PageControl* pages() const { return pages_; }
  EepromPage* eeprom_page() const { return eeprom_page_; }
  LoggedTaskPage* firmware_page() const { return firmware_page_; }
  LoggedTaskPage* jtag_page() const { return jtag_page_; }
  TerminalPage* terminal_page() const { return terminal_page_; }
  ChannelsPage* channels_page() const { return channels_page_; }
  AboutPage* about_page() const { return about_page_; }
  PicturePage* picture_page() const { return picture_page_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildPages();
  void ConnectSerialTasks();
  void OpenSerialPort();
  void StartTransfer(TransferKind kind);
  void SendTerminalLine();
  // Refreshes the "Datos Interpretados" page from the image.
  void Interpret();
  void ReportRefusedFlashTypes();
  // Shows a message once the window is up, so it has the window behind it.
  void ReportWhenShown(std::string message);
  void ApplyWindowSettings();
  void CollectWindowSettings();
  void SetPagesEnabled(bool enabled);
  // Runs once, when the window first comes up.
  void Activate();

  std::unique_ptr<Operator> own_user_;
  Operator& user_;
  SettingsStore store_;
  Settings settings_;
  TextTable texts_;
  TextBindings bindings_;
  FileDialogs dialogs_;
  PageContext context_;
  EepromImage image_;
  HexEditRules rules_{image_};
  EepromFields fields_{image_, settings_.symbol_rates};
  SteadyClock clock_;
  QtReplyTimer reply_timer_;
  std::unique_ptr<QtSerialPort> port_;
  std::unique_ptr<ServiceLink> link_;
  std::unique_ptr<EepromTransfer> transfer_;
  int port_from_file_ = -1;
  bool extra_port_chosen_ = false;
  std::vector<std::string> pending_reports_;
  int eeprom_open_filter_ = 0;
  int eeprom_save_filter_ = 0;

  PageControl* pages_ = nullptr;
  EepromPage* eeprom_page_ = nullptr;
  LoggedTaskPage* firmware_page_ = nullptr;
  LoggedTaskPage* jtag_page_ = nullptr;
  TerminalPage* terminal_page_ = nullptr;
  ChannelsPage* channels_page_ = nullptr;
  PicturePage* picture_page_ = nullptr;
  QWidget* config_page_ = nullptr;
  AboutPage* about_page_ = nullptr;

  bool activated_ = false;
  WindowSize minimum_{0, 0};
};

}  // namespace atalaya
