#include "gui/main/main_window.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "core/config/cp1252.h"
#include "core/service/terminal.h"
#include "platform/file_io.h"
#include "gui/channels/channels_page.h"
#include "gui/eeprom/eeprom_page.h"
#include "gui/eeprom/interpreted_page.h"
#include "gui/image/picture_page.h"
#include "gui/main/about_page.h"
#include "gui/service/terminal_page.h"
#include "gui/shell/logged_task_page.h"
#include "gui/shell/message_box_operator.h"

namespace atalaya {
namespace {

Operator& ChooseUser(Operator* given, std::unique_ptr<Operator>& own, QWidget* window) {
  if (given) return *given;
  own = std::make_unique<MessageBoxOperator>(window);
  return *own;
}

// Saved sizes and positions come from a text file: keep them within what a screen can take.
int ScreenInt(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, -32000, 32000)); }

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, Operator* user)
    : user_(ChooseUser(user, own_user_, this)),
      store_(std::move(options.data_folder)),
      dialogs_(settings_.open_dialog_dir, settings_.save_dialog_dir),
      context_{texts_, bindings_, dialogs_, user_} {
  setObjectName("TForm1");
  setWindowTitle("Atalaya v4.0 (FINAL)");

  std::vector<std::string> ports = std::move(options.serial_ports);
  const bool extra_port = !options.extra_port.empty();
  if (extra_port && std::find(ports.begin(), ports.end(), options.extra_port) == ports.end()) {
    ports.push_back(options.extra_port);
  }
  settings_ = store_.Load(ports);
  port_from_file_ = settings_.port;
  if (extra_port) {
    settings_.port = static_cast<int>(
        std::find(ports.begin(), ports.end(), options.extra_port) - ports.begin());
    extra_port_chosen_ = true;
  }
  // The file dialogs start in the data folder until the user picks another.
  std::string data_folder = store_.data_folder();
  if (data_folder.ends_with('/')) data_folder.pop_back();
  if (settings_.open_dialog_dir.empty()) settings_.open_dialog_dir = data_folder;
  if (settings_.save_dialog_dir.empty()) settings_.save_dialog_dir = data_folder;

  BuildPages();
  ApplyWindowSettings();
  LoadTexts();
  ReportRefusedFlashTypes();
  ConnectSerialTasks();
  OpenSerialPort();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildPages() {
  pages_ = new PageControl(this);
  pages_->setObjectName("PageControl1");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pages_);

  eeprom_page_ = new EepromPage(context_, image_, rules_, fields_);
  firmware_page_ = new LoggedTaskPage(context_, {73, {82, 83, 84, 230, 231}}, "FirmwareLog");
  jtag_page_ = new LoggedTaskPage(context_, {70, {76, 79, 84, 230, 231}}, "JtagLog");
  terminal_page_ = new TerminalPage(context_);
  channels_page_ = new ChannelsPage(context_);
  picture_page_ = new PicturePage(context_, settings_);
  picture_page_->on_window_width = [this](int width) { resize(width, height()); };
  config_page_ = new AnchoredPage;
  about_page_ = new AboutPage(context_);

  struct PageEntry {
    QWidget* page;
    const char* name;
    int caption;
  };
  // Tab order; the sheet numbers are the pages' long-standing names.
  const PageEntry entries[] = {
      {eeprom_page_, "TabSheet1", 47},    {firmware_page_, "TabSheet3", 48},
      {jtag_page_, "TabSheet2", 18},      {terminal_page_, "TabSheet6", 51},
      {channels_page_, "TabSheet7", 128}, {picture_page_, "TabSheet10", 228},
      {config_page_, "TabSheet5", 50},    {about_page_, "TabSheet4", 49},
  };
  for (const PageEntry& entry : entries) {
    entry.page->setObjectName(entry.name);
    pages_->addTab(entry.page, QString());
    bindings_.Tab(pages_, entry.page, entry.caption);
  }
}

void MainWindow::ConnectSerialTasks() {
  port_ = std::make_unique<QtSerialPort>(this);
  link_ = std::make_unique<ServiceLink>(
      *port_, reply_timer_,
      ServiceSinks{*eeprom_page_->log(), *firmware_page_->log(), *terminal_page_->pane(),
                   *eeprom_page_->status(), *firmware_page_->status(), *this, user_, texts_});
  port_->on_received = [this](std::string_view bytes) { link_->OnRxChar(bytes); };
  // Said once the port's own signal is over; a task in progress ends at its time-out.
  port_->on_lost = [this](std::string message) { ReportWhenShown(std::move(message)); };
  reply_timer_.on_timeout = [this] { link_->OnReplyTimeout(); };

  transfer_ = std::make_unique<EepromTransfer>(
      *link_, image_,
      EepromTransferSinks{*eeprom_page_->status(), *eeprom_page_->log(), *terminal_page_->pane(),
                          *this, user_, texts_, clock_});
  link_->SetEngine(ServiceLink::Slot::kEeprom, transfer_.get());
  transfer_->on_interpret = [this] { Interpret(); };
  transfer_->on_show_hex_editor = [this] { eeprom_page_->ShowHexEditor(); };
  const QString point = QLocale().decimalPoint();
  if (point.size() == 1 && point[0].unicode() < 0x80) {
    transfer_->decimal_separator = static_cast<char>(point[0].unicode());
  }

  connect(eeprom_page_->receive_button(), &QPushButton::clicked, this,
          [this] { StartTransfer(TransferKind::kRead); });
  connect(eeprom_page_->send_button(), &QPushButton::clicked, this,
          [this] { StartTransfer(TransferKind::kWrite); });
  connect(eeprom_page_->verify_button(), &QPushButton::clicked, this,
          [this] { StartTransfer(TransferKind::kVerify); });
  connect(eeprom_page_->clear_button(), &QPushButton::clicked, this, [this] {
    image_.FillFF();
    Interpret();
  });
  connect(eeprom_page_->open_button(), &QPushButton::clicked, this, [this] {
    // Each open starts with the program's own format chosen; the save dialog keeps its last.
    eeprom_open_filter_ = 0;
    const QString path = dialogs_.AskOpenFile(this, texts_.Text(7), eeprom_open_filter_);
    if (!path.isEmpty()) LoadEepromFile(path, static_cast<EepromFileFormat>(eeprom_open_filter_));
  });
  connect(eeprom_page_->save_button(), &QPushButton::clicked, this, [this] {
    const QString path = dialogs_.AskSaveFile(this, texts_.Text(7), eeprom_save_filter_, "txt");
    if (!path.isEmpty()) SaveEepromFile(path, static_cast<EepromFileFormat>(eeprom_save_filter_));
  });
  connect(terminal_page_->input(), &QLineEdit::returnPressed, this,
          [this] { SendTerminalLine(); });
}

void MainWindow::OpenSerialPort() {
  port_->ApplySettings(settings_);
  if (settings_.port < 0) return;
  if (auto error = port_->Open(texts_)) ReportWhenShown(std::move(*error));
}

void MainWindow::StartTransfer(TransferKind kind) {
  transfer_->Start(kind, eeprom_page_->ChosenRange(), rules_.selected_row());
}

void MainWindow::SendTerminalLine() {
  QLineEdit* input = terminal_page_->input();
  // The decoder speaks 8-bit text; characters it cannot take go out as "?".
  if (SendTypedLine(*link_, Utf8ToCp1252(input->text().toStdString()), settings_.checksum)) {
    input->clear();
  }
}

bool MainWindow::LoadEepromFile(const QString& path, EepromFileFormat format) {
  const FileReadResult file = ReadWholeFile(path.toStdString());
  bool loaded = false;
  if (file.status == FileReadResult::Status::kOk) {
    loaded = atalaya::LoadEepromFile(format, file.bytes, image_, texts_, user_);
  } else {
    user_.ShowError(texts_.Text(ExtraText::kFileNotRead) + " " + path.toStdString() +
                    (file.error.empty() ? "" : "\n" + file.error));
  }
  Interpret();
  return loaded;
}

bool MainWindow::SaveEepromFile(const QString& path, EepromFileFormat format) {
  if (auto error = WriteFileAtomically(path.toStdString(), atalaya::SaveEepromFile(format, image_))) {
    user_.ShowError(texts_.Text(ExtraText::kFileNotSaved) + " " + path.toStdString() + "\n" +
                    *error);
    return false;
  }
  return true;
}

void MainWindow::Interpret() { eeprom_page_->interpreted()->Refresh(); }

void MainWindow::ReportRefusedFlashTypes() {
  for (const std::string& name : settings_.refused_flash_types) {
    ReportWhenShown(texts_.Text(ExtraText::kFlashTypeRefused) + " " + name);
  }
  settings_.refused_flash_types.clear();
}

void MainWindow::ReportWhenShown(std::string message) {
  if (activated_) {
    QTimer::singleShot(0, this, [this, message] { user_.ShowError(message); });
  } else {
    pending_reports_.push_back(std::move(message));
  }
}

void MainWindow::LoadTexts() {
  store_.LoadTexts(settings_, texts_);
  bindings_.Apply(texts_);
}

void MainWindow::ApplyWindowSettings() {
  move(ScreenInt(settings_.left), ScreenInt(settings_.top));
  resize(ScreenInt(settings_.window_width), ScreenInt(settings_.window_height));
  if (settings_.active_page >= 0) pages_->setCurrentIndex(settings_.active_page);
}

void MainWindow::CollectWindowSettings() {
  settings_.left = pos().x();
  settings_.top = pos().y();
  settings_.window_width = width();
  settings_.window_height = height();
  settings_.active_page = pages_->currentIndex();
}

void MainWindow::LockPages() { SetPagesEnabled(false); }
void MainWindow::UnlockPages() { SetPagesEnabled(true); }

void MainWindow::SetPagesEnabled(bool enabled) {
  for (QWidget* page : {static_cast<QWidget*>(eeprom_page_), static_cast<QWidget*>(jtag_page_),
                        static_cast<QWidget*>(firmware_page_), static_cast<QWidget*>(about_page_),
                        config_page_, static_cast<QWidget*>(terminal_page_)}) {
    page->setEnabled(enabled);
  }
  // The transponder table stays usable while a task runs: on the tuning page everything but
  // the inner pages follows the lock, and of those only the channel table.
  for (QWidget* child : channels_page_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child != channels_page_->inner_pages()) child->setEnabled(enabled);
  }
  channels_page_->channel_sheet()->setEnabled(enabled);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (activated_) return;
  activated_ = true;
  minimum_ = NextMinimumSize({0, 0}, {width(), height()});
  setMinimumSize(minimum_.width, minimum_.height);
  Activate();
}

void MainWindow::Activate() {
  image_.FillFF();
  about_page_->ColourVersionLabel();
  Interpret();
  if (const auto& error = store_.read_error()) {
    pending_reports_.insert(pending_reports_.begin(), texts_.Text(ExtraText::kSettingsNotRead) +
                                                          " " + store_.SettingsPath() + "\n" +
                                                          *error);
  }
  for (std::string& message : pending_reports_) ReportWhenShown(std::move(message));
  pending_reports_.clear();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!activated_) return;
  minimum_ = NextMinimumSize(minimum_, {width(), height()});
  setMinimumSize(minimum_.width, minimum_.height);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  CollectWindowSettings();
  // A device given on the command line is for this run; the saved choice stays.
  if (extra_port_chosen_) settings_.port = port_from_file_;
  if (const auto error = store_.Save(settings_)) {
    user_.ShowError(texts_.Text(ExtraText::kSettingsNotSaved) + " " + store_.SettingsPath() +
                    "\n" + *error);
  }
  event->accept();
}

}  // namespace atalaya
