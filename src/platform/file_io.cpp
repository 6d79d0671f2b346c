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
  // Unbuffered, so that every failed write is seen here: commit() does not check the flush of
  // QSaveFile's own buffer, and would put a file cut short in place of the old one.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    return file.errorString().toStdString();
  }
  // A write the disk cuts short (full, or over a size limit) reports no error itself; writing
  // the rest then fails with the system's reason.
  const qint64 size = static_cast<qint64>(bytes.size());
  for (qint64 done = 0; done < size;) {
    const qint64 written = file.write(bytes.data() + done, size - done);
    if (written <= 0) {
      const std::string error = file.errorString().toStdString();
      file.cancelWriting();
      return error;
    }
    done += written;
  }
  if (!file.commit()) return file.errorString().toStdString();
  return std::nullopt;
}

bool FileExists(const std::string& path) {
  return QFileInfo(QString::fromStdString(path)).isFile();
}

}  // namespace atalaya
