#include "platform/qt_serial_port.h"

#include <grp.h>
#include <sys/stat.h>

#include <QSerialPortInfo>
#include <array>

namespace atalaya {
namespace {

constexpr std::array<QSerialPort::DataBits, 3> kDataBitValues = {
    QSerialPort::Data6, QSerialPort::Data7, QSerialPort::Data8};
constexpr std::array<QSerialPort::FlowControl, 3> kFlowValues = {
    QSerialPort::NoFlowControl, QSerialPort::SoftwareControl, QSerialPort::HardwareControl};
constexpr std::array<QSerialPort::Parity, 5> kParityValues = {
    QSerialPort::NoParity, QSerialPort::EvenParity, QSerialPort::OddParity,
    QSerialPort::MarkParity, QSerialPort::SpaceParity};
constexpr std::array<QSerialPort::StopBits, 2> kStopValues = {QSerialPort::OneStop,
                                                              QSerialPort::TwoStop};
// The decoder's replies are short; the buffers only need to hold a few of them.
constexpr qint64 kBufferSize = 2048;

template <typename Array, typename Value>
void Choose(const Array& values, int position, Value& target) {
  if (position >= 0 && position < static_cast<int>(values.size())) {
    target = values[static_cast<size_t>(position)];
  }
}

}  // namespace

std::optional<std::string> DeviceGroup(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  const group* owner = getgrgid(info.st_gid);
  if (owner == nullptr) return std::nullopt;
  return std::string(owner->gr_name);
}

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
  port_.setReadBufferSize(kBufferSize);
  connect(&port_, &QSerialPort::readyRead, this, [this] {
    const QByteArray bytes = port_.readAll();
    if (on_received && !bytes.isEmpty()) {
      on_received(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
  });
  connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::OnPortError);
}

void QtSerialPort::OnPortError(QSerialPort::SerialPortError error) {
  // A device that is gone fails every read and write, and the port library says so again on
  // every turn of the event loop for as long as the port stays open (as a resource error, or as
  // a read error when the read found the end of the line); closing it ends that. A task waiting
  // for a reply then ends at its time-out, as with a silent decoder.
  const bool lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                    error == QSerialPort::WriteError;
  if (!lost || !port_.isOpen()) return;
  const std::string message = DevicePath() + ": " + port_.errorString().toStdString();
  port_.close();
  port_.clearError();
  lost_ = true;
  if (on_lost) on_lost(message);
}

std::string QtSerialPort::DevicePath() const {
  const QString listed = QSerialPortInfo(port_).systemLocation();
  if (!listed.isEmpty()) return listed.toStdString();
  // A device the system does not list (a pseudo-terminal, say): the port library takes a name
  // without a folder as one in /dev.
  const QString name = port_.portName();
  return (name.startsWith('/') ? name : "/dev/" + name).toStdString();
}

void QtSerialPort::ApplySettings(const Settings& settings) {
  Choose(kBaudRates, settings.baud, baud_);
  Choose(kDataBitValues, settings.data_bits, data_bits_);
  Choose(kFlowValues, settings.flow_control, flow_);
  Choose(kParityValues, settings.parity, parity_);
  Choose(kStopValues, settings.stop_bits, stop_bits_);
  ApplyLineSettings();

  if (settings.port < 0 || settings.port >= static_cast<int>(settings.serial_ports.size())) return;
  const QString name =
      QString::fromStdString(settings.serial_ports[static_cast<size_t>(settings.port)]);
  if (name == port_.portName() || name == QSerialPortInfo(port_).systemLocation()) return;
  const bool was_open = port_.isOpen();
  if (was_open) port_.close();
  port_.setPortName(name);
  if (was_open && port_.open(QIODevice::ReadWrite)) ApplyLineSettings();
}

void QtSerialPort::ApplyLineSettings() {
  // Each setting is taken on its own: one the device refuses does not hold back the others.
  port_.setBaudRate(baud_);
  port_.setDataBits(data_bits_);
  port_.setParity(parity_);
  port_.setStopBits(stop_bits_);
  port_.setFlowControl(flow_);
  if (port_.isOpen()) {
    port_.setDataTerminalReady(true);
    if (flow_ != QSerialPort::HardwareControl) port_.setRequestToSend(false);
  }
  port_.clearError();
}

std::optional<std::string> QtSerialPort::Open(const TextTable& texts) {
  if (port_.isOpen()) return std::nullopt;
  if (!port_.open(QIODevice::ReadWrite)) {
    std::string error = port_.errorString().toStdString();
    if (port_.error() == QSerialPort::PermissionError) {
      const std::string path = DevicePath();
      error += "\n" + texts.Text(ExtraText::kSerialPermission) + " " + path;
      if (const auto group = DeviceGroup(path)) {
        error += "\n  sudo adduser $USER " + *group;
      }
    }
    port_.clearError();
    return error;
  }
  ApplyLineSettings();
  return std::nullopt;
}

std::optional<std::string> QtSerialPort::Write(std::string_view bytes) {
  // The port closed when its device went away: the device may be back by now.
  if (lost_ && !port_.isOpen()) {
    if (!port_.open(QIODevice::ReadWrite)) {
      const std::string error = DevicePath() + ": " + port_.errorString().toStdString();
      port_.clearError();
      return error;
    }
    lost_ = false;
    ApplyLineSettings();
  }
  const qint64 written = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (written != static_cast<qint64>(bytes.size())) {
    const std::string error = port_.errorString().toStdString();
    port_.clearError();
    return error;
  }
  return std::nullopt;
}

}  // namespace atalaya
