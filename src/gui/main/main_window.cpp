#include "gui/main/main_window.h"

#include <QCloseEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/channels/channels_page.h"
#include "gui/eeprom/eeprom_page.h"
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

  settings_ = store_.Load(options.serial_ports);
  // The file dialogs start in the data folder until the user picks another.
  std::string data_folder = store_.data_folder();
  if (data_folder.ends_with('/')) data_folder.pop_back();
  if (settings_.open_dialog_dir.empty()) settings_.open_dialog_dir = data_folder;
  if (settings_.save_dialog_dir.empty()) settings_.save_dialog_dir = data_folder;

  BuildPages();
  ApplyWindowSettings();
  LoadTexts();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildPages() {
  pages_ = new PageControl(this);
  pages_->setObjectName("PageControl1");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pages_);

  eeprom_page_ = new EepromPage(context_);
  firmware_page_ = new LoggedTaskPage(context_, {73, {82, 83, 84, 230, 231}}, "FirmwareLog");
  jtag_page_ = new LoggedTaskPage(context_, {70, {76, 79, 84, 230, 231}}, "JtagLog");
  terminal_page_ = new TerminalPage(context_);
  channels_page_ = new ChannelsPage(context_);
  picture_page_ = new AnchoredPage;
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
  about_page_->ColourVersionLabel();
  if (const auto& error = store_.read_error()) {
    // Reported once the window is up, so the message has the window behind it.
    const std::string message = texts_.Text(ExtraText::kSettingsNotRead) + " " +
                                store_.SettingsPath() + "\n" + *error;
    QTimer::singleShot(0, this, [this, message] { user_.ShowError(message); });
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!activated_) return;
  minimum_ = NextMinimumSize(minimum_, {width(), height()});
  setMinimumSize(minimum_.width, minimum_.height);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  CollectWindowSettings();
  if (const auto error = store_.Save(settings_)) {
    user_.ShowError(texts_.Text(ExtraText::kSettingsNotSaved) + " " + store_.SettingsPath() +
                    "\n" + *error);
  }
  event->accept();
}

}  // namespace atalaya
