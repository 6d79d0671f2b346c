#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace atalaya {

// The real atalaya-virtual-decoder program behind a pseudo-terminal, for tests that talk to
// it through a real serial port.
class VirtualDecoderProcess {
 public:
  explicit VirtualDecoderProcess(const QStringList& arguments) {
    process_.setProgram(VIRTUAL_DECODER_PATH);
    process_.setArguments(arguments);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    // The first line of its output is the device to open.
    if (process_.waitForStarted(5000)) {
      while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
      }
      device_ = QString::fromUtf8(process_.readLine()).trimmed();
    }
  }

  ~VirtualDecoderProcess() { Stop(); }

  const QString& device() const { return device_; }
  bool started() const { return !device_.isEmpty(); }

  // Ends it at once with SIGKILL, as a crash or a pulled cable would: nothing is saved and the
  // kernel closes its side of the pseudo-terminal under whoever holds the other.
  void Kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
  }

  // Asks it to save its EEPROM and end; returns whether it ended cleanly.
  bool Stop() {
    if (process_.state() == QProcess::NotRunning) return process_.exitCode() == 0;
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
      process_.kill();
      process_.waitForFinished(5000);
      return false;
    }
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
  }

 private:
  QProcess process_;
  QString device_;
};

}  // namespace atalaya
