// Start-up of the window as a user sees it: from the moment the process was created (as the
// kernel recorded it, so loading the libraries counts) until the main window is on screen, and
// the resident memory at that moment.
//   xvfb-run -a build/atalaya-startup-bench [DATA_FOLDER]
#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <vector>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "gui/eeprom/eeprom_page.h"
#include "gui/eeprom/interpreted_page.h"
#include "gui/main/main_window.h"
#include "platform/machine.h"

namespace {

// Seconds since boot at which this process started, from /proc/self/stat field 22.
double ProcessStartSeconds() {
  std::ifstream stat("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  for (int i = 3; i <= 22; ++i) fields >> field;
  return std::stod(field) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double SecondsSinceBoot() {
  std::ifstream uptime("/proc/uptime");
  double seconds = 0;
  uptime >> seconds;
  return seconds;
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const std::string data = argc > 1 ? std::string(argv[1]) : atalaya::DefaultDataFolder();
  atalaya::MainWindow window({data, atalaya::ListSerialPorts(), {}});
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) return 1;
  const double shown = SecondsSinceBoot();
  std::printf("ventana visible tras %.0f ms desde el inicio del proceso (resolucion 10 ms)\n",
              (shown - ProcessStartSeconds()) * 1000.0);
  std::printf("memoria residente: %.1f MB\n", ResidentKilobytes() / 1024.0);

  // Refreshing the interpreted fields happens after every read, load and "Borrar".
  window.pages()->setCurrentIndex(0);
  window.eeprom_page()->inner_pages()->setCurrentIndex(1);
  QApplication::processEvents();
  constexpr int kRounds = 200;
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < kRounds; ++i) {
    // Every field changes each round: the whole image flips between two contents.
    const std::vector<uint8_t> bytes(2048, i % 2 ? 0x00 : 0x41);
    window.image().LoadBytes(bytes.data(), 0, bytes.size());
    window.eeprom_page()->interpreted()->Refresh();
    QApplication::processEvents();
  }
  std::printf("Interpret en la ventana: %.3f ms de media\n",
              static_cast<double>(timer.nsecsElapsed()) / 1e6 / kRounds);
  return 0;
}
