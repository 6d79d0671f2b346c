#include "platform/file_io.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace atalaya {

FileReadResult ReadWholeFile(const std::string& path) {
  FileReadResult result;
  QFile file(QString::fromStdString(path));
  if (!file.exists()) return result;
  if (!file.open(QIODevice::ReadOnly)) {
    result.status = FileReadResult::Status::kUnreadable;
    result.error = file.errorString().toStdString();
    return result;
  }
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    result.status = FileReadResult::Status::kUnreadable;
    result.error = file.errorString().toStdString();
    return result;
  }
  result.status = FileReadResult::Status::kOk;
  result.bytes = data.toStdString();
  return result;
}

std::optional<std::string> WriteFileAtomically(const std::string& path, const std::string& bytes) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) return file.errorString().toStdString();
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
      static_cast<qint64>(bytes.size())) {
    const std::string error = file.errorString().toStdString();
    file.cancelWriting();
    return error;
  }
  if (!file.commit()) return file.errorString().toStdString();
  return std::nullopt;
}

bool FileExists(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).isFile();
}

}  // namespace atalaya
