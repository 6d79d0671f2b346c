// Saves that fail, for real: into a folder the saving user may not write, and with the disk
// refusing more bytes half-way through the write (a file-size limit, so the write stops with
// EFBIG as on a full disk). Every save must leave the previous file byte for byte as it was,
// leave nothing of its own behind and tell the user why.
//
// Permissions do not stop root, who runs the tests in CI, so the saving is done as nobody when
// the tests run as root: in a child process of this one for the window's own saves, and through
// the real atalaya-cli for the command line's.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <optional>

#include "core/eeprom/eeprom_files.h"
#include "fault_support.h"
#include "gui/shell/log_pane_widget.h"

namespace atalaya::faults {
namespace {

enum class Obstacle { kFolderNotWritable, kWriteFails };

// File names in the saving folder, with their contents.
using Files = std::map<QString, QByteArray>;

constexpr uid_t kNobody = 65534;
// Every save below writes more than this.
constexpr rlim_t kFileSizeLimit = 256;
// A child's exit status when it could not put the obstacle in its own way.
constexpr int kCannotRestrict = 97;

// Puts the obstacle in the way of this process's saves. Runs in a child between fork and the
// save (or exec), so it makes system calls only.
bool PutInTheWay(Obstacle obstacle) {
  if (obstacle == Obstacle::kWriteFails) {
    // Ignored, the signal leaves the write to fail with EFBIG, as the saving code expects.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    const rlimit limit{kFileSizeLimit, kFileSizeLimit};
    return ::sigaction(SIGXFSZ, &ignore, nullptr) == 0 && ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  if (::geteuid() != 0) return true;  // permissions already apply
  return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0 &&
         ::setresuid(kNobody, kNobody, kNobody) == 0;
}

std::string ObstacleName(const ::testing::TestParamInfo<Obstacle>& info) {
  return info.param == Obstacle::kFolderNotWritable ? "FolderNotWritable" : "WriteFails";
}

class SaveUnderFailureTest : public ::testing::TestWithParam<Obstacle> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(base_.isValid());
    // Whoever saves must reach the folder, nobody too.
    ASSERT_TRUE(QFile::setPermissions(base_.path(), kOpenFolder));
    ASSERT_TRUE(QDir(base_.path()).mkdir("INIs"));
    ASSERT_TRUE(QFile::setPermissions(folder(), kOpenFolder));
  }
  // Writable again, so the temporary folder can go.
  void TearDown() override { QFile::setPermissions(folder(), kOpenFolder); }

  QString folder() const { return base_.path() + "/INIs"; }
  QString Path(const QString& name) const { return folder() + "/" + name; }

  // The files as they are before the save, writable by anyone; with the folder as the obstacle,
  // the folder then loses its write permission, so it alone stands in the way.
  void PlacePrevious(const Files& files) {
    for (const auto& [name, bytes] : files) {
      WriteBytes(Path(name), bytes);
      ASSERT_TRUE(QFile::setPermissions(Path(name), kAnyoneWrites));
    }
    if (GetParam() == Obstacle::kFolderNotWritable) {
      ASSERT_TRUE(QFile::setPermissions(folder(), kOpenFolder & ~kWritable));
    }
  }

  std::string Reason() const {
    return std::strerror(GetParam() == Obstacle::kFolderNotWritable ? EACCES : EFBIG);
  }

  // One report: what could not be saved, where, and the system's reason.
  void ExpectReported(const std::string& told, const std::string& header, const QString& name) {
    const std::string head = header + " " + Path(name).toStdString() + "\n";
    EXPECT_TRUE(told.starts_with(head)) << told;
    EXPECT_NE(told.find(Reason(), head.size()), std::string::npos) << told;
  }

  // The previous files whole, and nothing else in their folder: no temporary file left behind.
  void ExpectPreviousKept(const Files& files) {
    QStringList names;
    for (const auto& [name, bytes] : files) {
      EXPECT_EQ(ReadBytes(Path(name)), bytes) << name.toStdString();
      names << name;
    }
    EXPECT_EQ(
        QDir(folder()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
        names);
  }

  // Runs `save` in a child process with the obstacle in its way; gives back what the user was
  // told there, or nothing when the child could not put the obstacle in place.
  std::optional<std::vector<std::string>> SaveInChild(RecordingOperator& user,
                                                      const std::function<void()>& save) {
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0) {
      ADD_FAILURE() << "pipe: " << std::strerror(errno);
      return std::vector<std::string>{};
    }
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(pipe_ends[0]);
      if (!PutInTheWay(GetParam())) ::_exit(kCannotRestrict);
      save();
      std::string told;
      for (const std::string& error : user.errors) told += error + '\0';
      for (size_t done = 0; done < told.size();) {
        const ssize_t n = ::write(pipe_ends[1], told.data() + done, told.size() - done);
        if (n <= 0) ::_exit(1);
        done += static_cast<size_t>(n);
      }
      ::_exit(0);  // nothing of this process's own teardown in the child
    }
    ::close(pipe_ends[1]);
    std::string told;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      told.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipe_ends[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotRestrict) return std::nullopt;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    std::vector<std::string> errors;
    for (size_t start = 0, end; (end = told.find('\0', start)) != std::string::npos;
         start = end + 1) {
      errors.push_back(told.substr(start, end - start));
    }
    return errors;
  }

  // The real atalaya-cli with the obstacle in its way. It runs from a copy in the open folder,
  // which nobody can reach wherever the build is.
  std::optional<CliRun> RunCliInTheWay(const QStringList& arguments) {
    const QString program = base_.path() + "/bin/atalaya-cli";
    if (!QFile::exists(program)) {
      QDir(base_.path()).mkdir("bin");
      QFile::setPermissions(base_.path() + "/bin", kOpenFolder);
      if (!QFile::copy(ATALAYA_CLI_PATH, program)) return CliRun{-1, {}, "cannot copy atalaya-cli"};
      QFile::setPermissions(program, kOpenFolder);
    }
    QProcess cli;
    const Obstacle obstacle = GetParam();
    cli.setChildProcessModifier([obstacle] {
      if (!PutInTheWay(obstacle)) ::_exit(kCannotRestrict);
    });
    cli.start(program, arguments);
    if (!cli.waitForFinished(60000)) {
      cli.kill();
      cli.waitForFinished(5000);
      return CliRun{-1, {}, "atalaya-cli did not finish"};
    }
    if (cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == kCannotRestrict) {
      return std::nullopt;
    }
    return CliRun{cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
                  cli.readAllStandardOutput(), cli.readAllStandardError()};
  }

  static constexpr QFileDevice::Permissions kWritable =
      QFileDevice::WriteOwner | QFileDevice::WriteUser;
  static constexpr QFileDevice::Permissions kAnyoneWrites =
      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
      QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::WriteGroup |
      QFileDevice::ReadOther | QFileDevice::WriteOther;
  static constexpr QFileDevice::Permissions kOpenFolder =
      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
      QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser |
      QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
      QFileDevice::ExeOther;

  QTemporaryDir base_;
};

// Ends the test when the saving process could not put the obstacle in its own way: skipped when
// root may not become nobody here (folder permissions cannot stop root), failed otherwise.
#define RETURN_UNLESS_IN_THE_WAY(result)                                                    \
  if (!(result)) {                                                                          \
    if (GetParam() == Obstacle::kFolderNotWritable) {                                       \
      GTEST_SKIP() << "root cannot become nobody here, and folder permissions do not stop " \
                      "root";                                                               \
    }                                                                                       \
    FAIL() << "the file-size limit could not be set";                                       \
  }

// A window on the folder, shown, as the user has it before the save.
std::unique_ptr<MainWindow> OpenWindow(const QString& folder, RecordingOperator& user) {
  auto window =
      std::make_unique<MainWindow>(MainWindowOptions{folder.toStdString() + "/", {}, {}}, &user);
  window->show();
  if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
  return window;
}

TEST_P(SaveUnderFailureTest, ClosingTheWindowKeepsThePreviousSettings) {
  // A long line of someone else's is kept by every save, so the file is well over the limit.
  const Files previous = {
      {"Atalaya.ini", "; " + QByteArray(400, 'x') + "\r\n[TForm1]\r\nVelocidad=3\r\n"}};
  PlacePrevious(previous);
  RecordingOperator user;
  auto window = OpenWindow(folder(), user);
  ASSERT_TRUE(window);
  window->settings().baud = 9;
  const auto told = SaveInChild(user, [&] { window->close(); });
  RETURN_UNLESS_IN_THE_WAY(told);
  ASSERT_EQ(told->size(), 1u);
  ExpectReported(told->front(),
                 "No se ha podido guardar la configuración en el archivo :", "Atalaya.ini");
  ExpectPreviousKept(previous);
}

TEST_P(SaveUnderFailureTest, SavingALogPaneKeepsThePreviousFile) {
  const Files previous = {{"log.txt", "an older log\r\n"}};
  PlacePrevious(previous);
  RecordingOperator user;
  auto window = OpenWindow(base_.path(), user);  // its data folder is not the one saved into
  ASSERT_TRUE(window);
  LogPaneWidget* pane = window->terminal_page()->pane();
  for (int i = 0; i < 40; ++i) pane->Append("%EE?00010F1");
  const auto told = SaveInChild(user, [&] { pane->SaveTo(Path("log.txt")); });
  RETURN_UNLESS_IN_THE_WAY(told);
  ASSERT_EQ(told->size(), 1u);
  ExpectReported(told->front(), "No se ha podido guardar el archivo :", "log.txt");
  ExpectPreviousKept(previous);
}

TEST_P(SaveUnderFailureTest, SavingTheEepromKeepsThePreviousFile) {
  const Files previous = {{"eeprom.bin", Pattern(4)}, {"eeprom.txt", "%EE=000100\r\n"}};
  PlacePrevious(previous);
  RecordingOperator user;
  auto window = OpenWindow(base_.path(), user);
  ASSERT_TRUE(window);
  const QByteArray shown = Pattern(6);
  window->image().LoadBytes(reinterpret_cast<const uint8_t*>(shown.constData()), 0, 2048);
  const auto told = SaveInChild(user, [&] {
    window->SaveEepromFile(Path("eeprom.txt"), EepromFileFormat::kOwnText);
    window->SaveEepromFile(Path("eeprom.bin"), EepromFileFormat::kRaw);
  });
  RETURN_UNLESS_IN_THE_WAY(told);
  ASSERT_EQ(told->size(), 2u);
  ExpectReported((*told)[0], "No se ha podido guardar el archivo :", "eeprom.txt");
  ExpectReported((*told)[1], "No se ha podido guardar el archivo :", "eeprom.bin");
  ExpectPreviousKept(previous);
}

TEST_P(SaveUnderFailureTest, TheCommandLinesConvertKeepsThePreviousFile) {
  const QString input = base_.path() + "/input.bin";
  WriteBytes(input, Pattern(8));
  const Files previous = {{"eeprom.txt", "%EE=000100\r\n"}};
  PlacePrevious(previous);
  const auto run = RunCliInTheWay({"eeprom", "convert", input, Path("eeprom.txt")});
  RETURN_UNLESS_IN_THE_WAY(run);
  EXPECT_EQ(run->exit_code, 1);
  const std::string err = run->err.toStdString();
  const size_t report = err.find("No se ha podido guardar el archivo :");
  ASSERT_NE(report, std::string::npos) << err;
  ExpectReported(err.substr(report), "No se ha podido guardar el archivo :", "eeprom.txt");
  ExpectPreviousKept(previous);
}

TEST_P(SaveUnderFailureTest, TheCommandLinesReadKeepsThePreviousFile) {
  const QString decoder_file = base_.path() + "/decoder.bin";
  WriteBytes(decoder_file, Pattern(9));
  VirtualDecoderProcess decoder({"--eeprom", decoder_file});
  ASSERT_TRUE(decoder.started());
  // The device belongs to whoever started the decoder; nobody must be able to open it too.
  if (::geteuid() == 0) {
    ASSERT_TRUE(QFile::setPermissions(decoder.device(), kAnyoneWrites));
  }
  const Files previous = {{"eeprom.bin", Pattern(10)}};
  PlacePrevious(previous);
  const auto run =
      RunCliInTheWay({"eeprom", "read", "--port", decoder.device(), Path("eeprom.bin")});
  RETURN_UNLESS_IN_THE_WAY(run);
  EXPECT_EQ(run->exit_code, 1);
  const std::string err = run->err.toStdString();
  // The decoder was read; only the file could not be written.
  EXPECT_NE(err.find("¡ Eeprom leída con éxito !"), std::string::npos) << err;
  const size_t report = err.find("No se ha podido guardar el archivo :");
  ASSERT_NE(report, std::string::npos) << err;
  ExpectReported(err.substr(report), "No se ha podido guardar el archivo :", "eeprom.bin");
  ExpectPreviousKept(previous);
}

INSTANTIATE_TEST_SUITE_P(EveryObstacle, SaveUnderFailureTest,
                         ::testing::Values(Obstacle::kFolderNotWritable, Obstacle::kWriteFails),
                         ObstacleName);

}  // namespace
}  // namespace atalaya::faults
