// Program entry of the Atalaya window.

#include <QApplication>
#include <QString>
#include <QStringList>
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
  // --port PATH: a device the port list does not show, such as the virtual decoder's.
  std::string extra_port;
  const QStringList arguments = QApplication::arguments();
  for (int i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--port" && i + 1 < arguments.size()) {
      extra_port = arguments[++i].toStdString();
    } else {
      std::fprintf(stderr, "uso: atalaya [--port DISPOSITIVO]\n");
      return 2;
    }
  }
  atalaya::MainWindow window(
      {atalaya::DefaultDataFolder(), atalaya::ListSerialPorts(), extra_port});
  window.show();
  return QApplication::exec();
}
