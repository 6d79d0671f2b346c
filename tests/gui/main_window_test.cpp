#include "gui/main/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "gui/channels/channels_page.h"
#include "gui/eeprom/eeprom_page.h"
#include "gui/main/about_page.h"
#include "gui/service/terminal_page.h"
#include "gui/shell/log_pane_widget.h"
#include "gui/shell/logged_task_page.h"
#include "gui/shell/scrolling_credits.h"
#include "gui/shell/task_status_box.h"
#include "test_support.h"

namespace atalaya {
namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<MainWindow> Open() {
    auto window = std::make_unique<MainWindow>(MainWindowOptions{data_.folder(), {}, {}}, &user_);
    return window;
  }

  void ShowAndWait(MainWindow& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::processEvents();
  }

  DataFolder data_;
  RecordingOperator user_;
};

TEST_F(MainWindowTest, PagesComeInTabOrderWithTheirCaptions) {
  auto window = Open();
  EXPECT_EQ(window->objectName(), "TForm1");
  EXPECT_EQ(window->windowTitle(), "Atalaya v4.0 (FINAL)");
  const std::vector<std::pair<QString, QString>> expected = {
      {"TabSheet1", "Eeprom"},        {"TabSheet3", "Firmware (Paralelo+Serie)"},
      {"TabSheet2", "Firmware (JTag)"}, {"TabSheet6", "Terminal"},
      {"TabSheet7", "Sintonización"}, {"TabSheet10", "Imagen"},
      {"TabSheet5", "Configuración"}, {"TabSheet4", "Acerca de..."}};
  PageControl* pages = window->pages();
  ASSERT_EQ(pages->count(), static_cast<int>(expected.size()));
  for (int i = 0; i < pages->count(); ++i) {
    EXPECT_EQ(pages->widget(i)->objectName(), expected[static_cast<size_t>(i)].first);
    EXPECT_EQ(pages->tabText(i), expected[static_cast<size_t>(i)].second);
  }
  QTabWidget* eeprom_inner = window->eeprom_page()->inner_pages();
  EXPECT_EQ(eeprom_inner->tabPosition(), QTabWidget::East);
  EXPECT_EQ(eeprom_inner->tabText(0), "Editor Hexadecimal");
  EXPECT_EQ(eeprom_inner->tabText(1), "Datos Interpretados");
  QTabWidget* tuning_inner = window->channels_page()->inner_pages();
  EXPECT_EQ(tuning_inner->widget(0)->objectName(), "TabSheet8");
  EXPECT_EQ(tuning_inner->tabText(0), "Tabla de Canales");
  EXPECT_EQ(tuning_inner->tabText(1), "Tabla de Transpondedores");
}

TEST_F(MainWindowTest, StatusGroupsShowTheirRowsAndValues) {
  auto window = Open();
  for (TaskStatusBox* status : {window->eeprom_page()->status(), window->firmware_page()->status(),
                                window->jtag_page()->status()}) {
    EXPECT_EQ(status->title(), " Estado ");
    QStringList captions;
    for (QLabel* label : status->findChildren<QLabel*>()) {
      if (!label->objectName().startsWith("StatusValue")) captions << label->text();
    }
    EXPECT_EQ(captions.size(), 5);
    EXPECT_TRUE(captions.contains("Velocidad :"));
    EXPECT_TRUE(captions.contains("Tiempo rest.:"));
  }
  TaskStatusBox* status = window->eeprom_page()->status();
  auto* bar = window->eeprom_page()->findChild<QProgressBar*>();
  EXPECT_EQ(bar->maximum(), 127);
  EXPECT_FALSE(bar->isTextVisible());
  status->ShowTask("Recibe");
  status->ShowErrors(3);
  status->SetProgress(40);
  EXPECT_EQ(status->value(0)->text(), "Recibe");
  EXPECT_EQ(status->value(2)->text(), "3");
  EXPECT_EQ(status->value(2)->alignment() & Qt::AlignRight, Qt::AlignRight);
  EXPECT_EQ(bar->value(), 40);
  status->Clear();
  for (int row = 0; row < 5; ++row) EXPECT_TRUE(status->value(row)->text().isEmpty());
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(MainWindowTest, LockPagesDisablesAllButThePictureAndTheTransponderTable) {
  auto window = Open();
  auto* tuning_button = new QPushButton(window->channels_page());  // a control of the page
  window->LockPages();
  const auto enabled = [&](const char* name) {
    return window->findChild<QWidget*>(name)->isEnabled();
  };
  for (const char* name : {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5",
                           "TabSheet6", "TabSheet8"}) {
    EXPECT_FALSE(enabled(name)) << name;
  }
  EXPECT_FALSE(tuning_button->isEnabled());
  EXPECT_TRUE(enabled("TabSheet9"));
  EXPECT_TRUE(enabled("TabSheet10"));
  EXPECT_TRUE(window->pages()->tab(0)->isEnabled());  // locked pages can still be looked at

  window->UnlockPages();
  for (const char* name : {"TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4", "TabSheet5",
                           "TabSheet6", "TabSheet8", "TabSheet9", "TabSheet10"}) {
    EXPECT_TRUE(enabled(name)) << name;
  }
  EXPECT_TRUE(tuning_button->isEnabled());
}

TEST_F(MainWindowTest, TheWindowCannotShrinkBelowTheLimitOnceShown) {
  data_.Write("Atalaya.ini", "[TForm1]\r\nWindowWidth=900\r\nWindowHeight=700\r\n");
  auto window = Open();
  window->resize(300, 200);  // before showing any size is taken
  EXPECT_EQ(window->size(), QSize(300, 200));
  window->resize(900, 700);
  ShowAndWait(*window);
  window->resize(755, 700);
  EXPECT_EQ(window->width(), 756);
  window->resize(756, 570);
  EXPECT_EQ(window->size(), QSize(756, 570));
  window->resize(700, 500);
  EXPECT_EQ(window->size(), QSize(756, 570));
}

TEST_F(MainWindowTest, WithoutASettingsFileTheWindowOpensAtTheDefaults) {
  auto window = Open();
  EXPECT_EQ(window->size(), QSize(736, 657));
  EXPECT_EQ(window->pos(), QPoint(0, 0));
  EXPECT_EQ(window->pages()->currentIndex(), 0);
  ShowAndWait(*window);
  EXPECT_EQ(window->width(), 736);  // a smaller saved size is kept, not forced up
  EXPECT_TRUE(user_.errors.empty());
}

TEST_F(MainWindowTest, ControlsFollowTheAnchoringRules) {
  auto window = Open();
  ShowAndWait(*window);
  window->resize(1000, 760);
  QApplication::processEvents();
  struct Case {
    QWidget* page;
    QWidget* control;
    std::function<QRect(QSize)> rule;  // the expected geometry for the page size
  };
  auto* eeprom = window->eeprom_page();
  auto* terminal = window->terminal_page();
  auto* firmware = window->firmware_page();
  auto* jtag = window->jtag_page();
  const std::vector<Case> cases = {
      {terminal, terminal->pane(),
       [](QSize p) { return QRect(0, 0, p.width(), p.height() - 23); }},
      {terminal, terminal->input(),
       [](QSize p) { return QRect(0, p.height() - 21, p.width(), 21); }},
      {firmware, firmware->log(),
       [](QSize p) { return QRect(175, 0, p.width() - 179, p.height() - 15); }},
      {jtag, jtag->log(), [](QSize p) { return QRect(175, 0, p.width() - 179, p.height() - 15); }},
      {eeprom, eeprom->inner_pages(),
       [](QSize p) { return QRect(0, 0, p.width() - 145, p.height() - 15); }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.control->geometry(), c.rule(c.page->size())) << c.control->objectName().toStdString();
  }
  for (LoggedTaskPage* page : {firmware, jtag}) {
    EXPECT_EQ(page->status()->y(), page->height() - 134);
  }
  EXPECT_EQ(eeprom->status()->y(), eeprom->height() - 134);
  QWidget* hex_sheet = eeprom->hex_editor_sheet();
  EXPECT_EQ(eeprom->log()->geometry(),
            QRect(0, hex_sheet->height() - 104, hex_sheet->width() - 2, 102));
  AboutPage* about = window->about_page();
  const QRect panel = about->panel()->geometry();
  EXPECT_LE(std::abs(panel.center().x() - about->rect().center().x()), 1);
  EXPECT_LE(std::abs(panel.center().y() - about->rect().center().y()), 1);
  EXPECT_EQ(window->channels_page()->inner_pages()->width(), window->channels_page()->width() - 158);
}

TEST_F(MainWindowTest, LogPaneMenuOffersCopyOnlyWithASelection) {
  auto window = Open();
  for (LogPaneWidget* pane : {window->eeprom_page()->log(), window->terminal_page()->pane(),
                              window->firmware_page()->log(), window->jtag_page()->log()}) {
    EXPECT_TRUE(pane->isReadOnly());
    QMenu* menu = pane->PrepareMenu();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "Guardar como...");
    EXPECT_EQ(items[1]->text(), "Borrar");
    EXPECT_EQ(items[2]->text(), "Copiar");

    pane->Append("%EE?00");
    pane->Append("respuesta");
    EXPECT_FALSE(pane->PrepareMenu()->actions()[2]->isEnabled());
    pane->selectAll();
    EXPECT_TRUE(pane->PrepareMenu()->actions()[2]->isEnabled());
    pane->copy_action()->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "%EE?00\nrespuesta");
    pane->clear_action()->trigger();
    EXPECT_TRUE(pane->toPlainText().isEmpty());
  }
}

TEST_F(MainWindowTest, SavingALogPaneWritesCrLfLinesAndReportsFailures) {
  auto window = Open();
  LogPaneWidget* pane = window->terminal_page()->pane();
  const QString empty_file = data_.path() + "/empty.txt";
  ASSERT_TRUE(pane->SaveTo(empty_file));
  EXPECT_EQ(data_.Read("empty.txt"), QByteArray());

  pane->Append("%PR?");
  pane->Append("¡ No hay respuesta del decodificador en ese puerto serie !");
  ASSERT_TRUE(pane->SaveTo(data_.path() + "/log.txt"));
  const QByteArray written("%PR?\r\n¡ No hay respuesta del decodificador en ese puerto serie !\r\n");
  EXPECT_EQ(data_.Read("log.txt"), written);

  EXPECT_FALSE(pane->SaveTo(data_.path() + "/missing/log.txt"));
  ASSERT_EQ(user_.errors.size(), 1u);
  EXPECT_TRUE(user_.errors[0].starts_with("No se ha podido guardar el archivo :"));
}

TEST_F(MainWindowTest, CreditsScrollOnlyWhileTheAboutPageShows) {
  auto window = Open();
  ShowAndWait(*window);
  ScrollingCredits* credits = window->about_page()->credits();
  EXPECT_FALSE(credits->IsScrolling());
  window->pages()->setCurrentWidget(window->about_page());
  EXPECT_TRUE(credits->IsScrolling());
  const int before = credits->offset();
  QTest::qWait(200);
  EXPECT_GT(credits->offset(), before);
  window->pages()->setCurrentIndex(0);
  EXPECT_FALSE(credits->IsScrolling());
  window->pages()->setCurrentWidget(window->about_page());
  EXPECT_TRUE(credits->IsScrolling());
}

TEST_F(MainWindowTest, TheVersionLabelTakesItsColourWhenTheWindowComesUp) {
  auto window = Open();
  QLabel* version = window->about_page()->version_label();
  EXPECT_EQ(version->text(), "v4.0 ");
  ShowAndWait(*window);
  EXPECT_EQ(version->palette().color(QPalette::WindowText), QColor(153, 51, 51));
  EXPECT_TRUE(version->font().bold());
  EXPECT_TRUE(version->font().italic());
}

TEST_F(MainWindowTest, ALanguageFileRenamesEveryCaptionThatShowsItsKey) {
  data_.Write("Atalaya.ini", "[TForm1]\r\nIdioma0=Mini\r\n");
  data_.Write("Mini.ini", "[Mini]\r\ntraduc47=EEPROM\r\ntraduc112=Copy\r\n");
  auto window = Open();
  EXPECT_EQ(window->pages()->tabText(0), "EEPROM");
  EXPECT_EQ(window->pages()->tabText(1), "Firmware (Paralelo+Serie)");
  EXPECT_EQ(window->jtag_page()->log()->copy_action()->text(), "Copy");
  EXPECT_EQ(window->terminal_page()->pane()->save_action()->text(), "Guardar como...");
}

TEST_F(MainWindowTest, ClosingSavesTheSettingsAndTheyComeBack) {
  auto window = Open();
  ShowAndWait(*window);
  window->resize(950, 720);
  window->pages()->setCurrentIndex(3);
  window->settings().baud = 9;
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(user_.errors.empty());
  const QByteArray saved = data_.Read("Atalaya.ini");
  EXPECT_TRUE(saved.startsWith("\r\n[TForm1]\r\nTop="));
  EXPECT_TRUE(saved.contains("\r\nVelocidad=9\r\n"));
  EXPECT_TRUE(saved.contains("\r\nPesta\xF1" "aActiva=3\r\n"));

  auto again = Open();
  EXPECT_EQ(again->size(), QSize(950, 720));
  EXPECT_EQ(again->pages()->currentIndex(), 3);
  EXPECT_EQ(again->settings().baud, 9);
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowCloses) {
  auto window = std::make_unique<MainWindow>(
      MainWindowOptions{data_.folder() + "no-such-folder/", {}, {}}, &user_);
  ShowAndWait(*window);
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  ASSERT_EQ(user_.errors.size(), 1u);
  EXPECT_TRUE(user_.errors[0].starts_with("No se ha podido guardar la configuración"));
}

TEST_F(MainWindowTest, AnUnreadableSettingsFileIsReportedOnceAfterShowing) {
  QDir(data_.path()).mkdir("Atalaya.ini");
  auto window = Open();
  EXPECT_TRUE(user_.errors.empty());
  ShowAndWait(*window);
  QTest::qWait(20);
  window->hide();
  ShowAndWait(*window);
  QTest::qWait(20);
  ASSERT_EQ(user_.errors.size(), 1u);
  EXPECT_TRUE(user_.errors[0].starts_with("No se ha podido leer la configuración"));
  EXPECT_EQ(window->settings().parallel_base, 0x378);
}

}  // namespace
}  // namespace atalaya
