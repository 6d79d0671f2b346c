#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "support/recording_sinks.h"

namespace atalaya {

using RecordingOperator = RecordingUser;

// A data folder of its own for one test.
class DataFolder {
 public:
  QString path() const { return dir_.path() + "/INIs"; }
  std::string folder() const { return path().toStdString() + "/"; }

  DataFolder() { QDir(dir_.path()).mkpath("INIs"); }

  void Write(const QString& name, const QByteArray& bytes) const {
    QFile file(path() + "/" + name);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
  }

  QByteArray Read(const QString& name) const {
    QFile file(path() + "/" + name);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }

 private:
  QTemporaryDir dir_;
};

}  // namespace atalaya
