#pragma once

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <optional>
#include <string>

#include "core/config/settings.h"
#include "core/config/text_table.h"
#include "core/service/serial_channel.h"

namespace atalaya {

// The decoder's serial port through QSerialPort. Received bytes are handed to `on_received` as
// they arrive, on the thread that owns the port.
class QtSerialPort : public QObject, public SerialChannel {
 public:
  explicit QtSerialPort(QObject* parent = nullptr);

  std::function<void(std::string_view bytes)> on_received;
  // Called once when the device goes away under the open port (an adapter pulled out, the other
  // side of a pseudo-terminal closed), with the device and the port library's reason. The port
  // is closed by then; the next write opens it again, as the device may be back.
  std::function<void(std::string message)> on_lost;

  // Hands the chosen port name, speed, data bits, flow control, parity and stop bits to the
  // port; a list position outside its list leaves that property as it was. A new name on an
  // open port closes it and opens the new one. A pseudo-terminal refuses some settings (7 data
  // bits, DTR); the port works on without them, as the peer is not a real line.
  void ApplySettings(const Settings& settings);
  // Opens the port with the applied name; returns the port library's error, with a hint of
  // what to do when the system refuses access to the device.
  std::optional<std::string> Open(const TextTable& texts);
  bool IsOpen() const { return port_.isOpen(); }
  QString name() const { return port_.portName(); }

  std::optional<std::string> Write(std::string_view bytes) override;

 private:
  void ApplyLineSettings();
  std::string DevicePath() const;
  void OnPortError(QSerialPort::SerialPortError error);

  QSerialPort port_;
  bool lost_ = false;
  QSerialPort::DataBits data_bits_ = QSerialPort::Data7;
  QSerialPort::Parity parity_ = QSerialPort::OddParity;
  QSerialPort::StopBits stop_bits_ = QSerialPort::OneStop;
  QSerialPort::FlowControl flow_ = QSerialPort::SoftwareControl;
  qint32 baud_ = 9600;
};

// The Unix group that owns a device node, or nothing when it cannot be told.
std::optional<std::string> DeviceGroup(const std::string& path);

}  // namespace atalaya
