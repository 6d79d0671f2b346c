#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>

namespace atalaya {

// One run of the real atalaya-cli program.
struct CliRun {
  int exit_code;
  QByteArray out;
  QByteArray err;
};

inline CliRun RunCli(const QStringList& arguments) {
  QProcess cli;
  cli.start(ATALAYA_CLI_PATH, arguments);
  if (!cli.waitForFinished(60000)) {
    cli.kill();
    return {-1, {}, "atalaya-cli did not finish"};
  }
  return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
          cli.readAllStandardOutput(), cli.readAllStandardError()};
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

inline QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace atalaya
