// Program entry of the Atalaya window.

#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>

#include "gui/main/main_window.h"
#include "platform/machine.h"

namespace {

// Without a display Qt aborts with a terse platform-plugin error; say instead what is missing
// and how to start the program anyway.
bool HasDisplay() {
  const auto set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  return set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!HasDisplay()) {
    std::fputs(
        "atalaya: no hay pantalla (DISPLAY y WAYLAND_DISPLAY están vacías).\n"
        "Atalaya es un programa de ventanas. Para abrirlo sin pantalla real:\n"
        "  xvfb-run -a ./build/atalaya\n"
        "o en una sesión gráfica, desde su terminal: ./build/atalaya\n",
        stderr);
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Atalaya");
  atalaya::MainWindow window({atalaya::DefaultDataFolder(), atalaya::ListSerialPorts()});
  window.show();
  return QApplication::exec();
}
