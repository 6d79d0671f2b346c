// Saves a picture of the main window, page by page, for a person to look at:
//   build/atalaya-screenshot OUT_PREFIX [DATA_FOLDER [CAPTURE]]
// writes OUT_PREFIX-0.png … OUT_PREFIX-7.png. Runs on any Qt platform (offscreen, xvfb).
#include <QApplication>
#include <QTabWidget>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

#include "gui/eeprom/eeprom_page.h"
#include "gui/image/picture_page.h"
#include "gui/main/main_window.h"
#include "platform/machine.h"

int main(int argc, char* argv[]) {
  if (argc < 2) {
    std::fputs("uso: atalaya-screenshot PREFIJO [CARPETA_DE_DATOS]\n", stderr);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  const std::string data = argc > 2 ? std::string(argv[2]) : atalaya::DefaultDataFolder();
  atalaya::MainWindow window({data, atalaya::ListSerialPorts(), {}});
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  // A capture file to show on the "Imagen" page, e.g. the virtual decoder's frame.bin.
  if (argc > 3) window.picture_page()->LoadCapture(QString::fromLocal8Bit(argv[3]));
  for (int page = 0; page < window.pages()->count(); ++page) {
    window.pages()->setCurrentIndex(page);
    QTest::qWait(100);
    const QString path = QString("%1-%2.png").arg(argv[1]).arg(page);
    if (!window.grab().save(path)) return 1;
    std::printf("%s\n", qPrintable(path));
  }
  // The Eeprom page's second inner page, the interpreted fields.
  window.pages()->setCurrentIndex(0);
  window.eeprom_page()->inner_pages()->setCurrentIndex(1);
  QTest::qWait(100);
  const QString fields = QString("%1-fields.png").arg(argv[1]);
  if (!window.grab().save(fields)) return 1;
  std::printf("%s\n", qPrintable(fields));
  return 0;
}
