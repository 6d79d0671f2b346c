#include "platform/machine.h"

#include <QCoreApplication>
#include <QSerialPortInfo>
#include <algorithm>

namespace atalaya {

std::string DefaultDataFolder() {
  return (QCoreApplication::applicationDirPath() + "/INIs/").toStdString();
}

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> names;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    names.push_back(info.portName().toStdString());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace atalaya
