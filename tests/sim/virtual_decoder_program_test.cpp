// Runs the real atalaya-virtual-decoder program and talks to it through its pseudo-terminal the
// way the service tool does: plain POSIX, no Qt.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/service/checksum.h"
#include "sim/service_mode_decoder.h"

namespace atalaya::sim {
namespace {

// Generous: these bound how long a broken program can hang the test, they measure nothing.
constexpr int kReplyTimeoutMs = 5000;
constexpr auto kExitTimeout = std::chrono::seconds(10);

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Reads from `fd` until `end` arrives; nothing on timeout, end of file or error.
std::optional<std::string> ReadUntil(int fd, char end, int timeout_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string text;
  while (true) {
    pollfd ready{fd, POLLIN, 0};
    const int polled = ::poll(&ready, 1, RemainingMs(deadline));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    char c;
    const ssize_t n = ::read(fd, &c, 1);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) return std::nullopt;
    text.push_back(c);
    if (c == end) return text;
  }
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The serial port as the PC opens it.
int OpenRawPort(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios settings{};
  if (::tcgetattr(fd, &settings) != 0) {
    ::close(fd);
    return -1;
  }
  ::cfmakeraw(&settings);
  if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// One run of the program, with its standard output on a pipe. Killed if a test leaves it behind.
class DecoderProcess {
 public:
  explicit DecoderProcess(const std::vector<std::string>& args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    std::vector<std::string> all = {VIRTUAL_DECODER_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(out[1], STDOUT_FILENO);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    stdout_ = out[0];
  }

  ~DecoderProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (stdout_ >= 0) ::close(stdout_);
  }

  DecoderProcess(const DecoderProcess&) = delete;
  DecoderProcess& operator=(const DecoderProcess&) = delete;

  bool started() const { return pid_ > 0 && stdout_ >= 0; }

  // The first line of the output, without its LF.
  std::optional<std::string> ReadLine() {
    std::optional<std::string> line = ReadUntil(stdout_, '\n', kReplyTimeoutMs);
    if (line) line->pop_back();
    return line;
  }

  void Signal(int signal_number) { ::kill(pid_, signal_number); }

  // The exit code, or nothing when the program did not exit normally in time.
  std::optional<int> WaitForExit() {
    const Clock::time_point deadline = Clock::now() + kExitTimeout;
    while (Clock::now() < deadline) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        if (!WIFEXITED(status)) return std::nullopt;
        return WEXITSTATUS(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
  }

  // Everything written to standard output, once the program has exited.
  std::string RemainingOutput() {
    std::string text;
    while (std::optional<std::string> chunk = ReadUntil(stdout_, '\n', kReplyTimeoutMs)) {
      text += *chunk;
    }
    return text;
  }

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
};

class VirtualDecoderProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/atalaya_virtual_decoder_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  static std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::filesystem::path dir_;
};

std::string RowCommand(const char* name, int row, const std::string& data = "") {
  return AddChecksum(std::string("%EE") + name + HexDigits(static_cast<uint64_t>(row) * 16, 3) +
                     "10" + data);
}

TEST_F(VirtualDecoderProgramTest, ServesThePortAndKeepsTheEepromFile) {
  const std::filesystem::path eeprom_path = dir_ / "eeprom.bin";
  const std::filesystem::path link_path = dir_ / "ttyDECODER";
  std::array<uint8_t, kEepromRowSize> row3{};
  std::string row3_hex;
  for (size_t i = 0; i < row3.size(); ++i) {
    row3[i] = static_cast<uint8_t>(0xA0 + i * 5);
    row3_hex += HexDigits(row3[i], 2);
  }

  {
    DecoderProcess decoder({"--eeprom", eeprom_path.string(), "--link", link_path.string()});
    ASSERT_TRUE(decoder.started());
    const std::optional<std::string> port = decoder.ReadLine();
    ASSERT_TRUE(port.has_value()) << "the program printed no device path";
    struct stat info {};
    ASSERT_EQ(::stat(port->c_str(), &info), 0) << *port;
    EXPECT_TRUE(S_ISCHR(info.st_mode)) << *port;
    EXPECT_EQ(std::filesystem::read_symlink(link_path).string(), *port);
    // A missing file is created erased at start.
    EXPECT_EQ(FileBytes(eeprom_path), std::string(kEepromSize, '\xFF'));

    // Through the link, as a user who configured that name would.
    int fd = OpenRawPort(link_path.string());
    ASSERT_GE(fd, 0) << std::strerror(errno);
    ASSERT_TRUE(WriteAll(fd, RowCommand("=", 3, row3_hex)));
    EXPECT_EQ(ReadUntil(fd, '\r', kReplyTimeoutMs), "$.EE\r");
    // The row is on disk by the time it is acknowledged.
    EXPECT_EQ(FileBytes(eeprom_path).substr(0x30, 16), std::string(row3.begin(), row3.end()));
    ::close(fd);

    // The PC closing the port and opening it again finds the decoder still there.
    fd = OpenRawPort(*port);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    ASSERT_TRUE(WriteAll(fd, RowCommand("?", 3)));
    EXPECT_EQ(ReadUntil(fd, '\r', kReplyTimeoutMs), "$.EE" + row3_hex + "\r");
    ::close(fd);

    decoder.Signal(SIGTERM);
    EXPECT_EQ(decoder.WaitForExit(), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link_path));
  }

  std::string expected(kEepromSize, '\xFF');
  expected.replace(0x30, 16, std::string(row3.begin(), row3.end()));
  EXPECT_EQ(FileBytes(eeprom_path), expected);

  // A second run starts from the saved file.
  DecoderProcess decoder({"--eeprom", eeprom_path.string()});
  ASSERT_TRUE(decoder.started());
  const std::optional<std::string> port = decoder.ReadLine();
  ASSERT_TRUE(port.has_value());
  const int fd = OpenRawPort(*port);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  ASSERT_TRUE(WriteAll(fd, RowCommand("?", 3)));
  EXPECT_EQ(ReadUntil(fd, '\r', kReplyTimeoutMs), "$.EE" + row3_hex + "\r");
  ::close(fd);
  decoder.Signal(SIGINT);
  EXPECT_EQ(decoder.WaitForExit(), 0);
  EXPECT_EQ(FileBytes(eeprom_path), expected);
}

TEST_F(VirtualDecoderProgramTest, ChunkedRepliesArriveWhole) {
  DecoderProcess decoder({"--chunk", "5", "--crlf"});
  ASSERT_TRUE(decoder.started());
  const std::optional<std::string> port = decoder.ReadLine();
  ASSERT_TRUE(port.has_value());
  const int fd = OpenRawPort(*port);
  ASSERT_GE(fd, 0) << std::strerror(errno);
  ASSERT_TRUE(WriteAll(fd, RowCommand("?", 127)));
  EXPECT_EQ(ReadUntil(fd, '\n', kReplyTimeoutMs), "$.EE" + std::string(32, 'F') + "\r\n");
  ::close(fd);
  decoder.Signal(SIGTERM);
  EXPECT_EQ(decoder.WaitForExit(), 0);
}

TEST_F(VirtualDecoderProgramTest, RejectsBadCommandLinesWithExitCode2) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"},
      {"--chunk"},
      {"--chunk", "0"},
      {"--chunk", "12x"},
      {"--refuse-row", "128"},
      {"--refuse-row", "-1"},
      {"--refuse-row", "3", "--refuse-times", "-2"},
      {"--refuse-times", "2"},
      {"--eeprom"},
      {"--link", ""},
  };
  for (const std::vector<std::string>& args : cases) {
    DecoderProcess decoder(args);
    ASSERT_TRUE(decoder.started());
    EXPECT_EQ(decoder.WaitForExit(), 2) << args[0];
    EXPECT_EQ(decoder.RemainingOutput(), "") << args[0];
  }
}

TEST_F(VirtualDecoderProgramTest, AnEepromFileOfTheWrongSizeIsLeftAloneAndStopsTheStart) {
  const std::filesystem::path eeprom_path = dir_ / "short.bin";
  const std::string bytes(1000, '\x33');
  std::ofstream(eeprom_path, std::ios::binary) << bytes;
  DecoderProcess decoder({"--eeprom", eeprom_path.string()});
  ASSERT_TRUE(decoder.started());
  const std::optional<int> code = decoder.WaitForExit();
  ASSERT_TRUE(code.has_value());
  EXPECT_NE(*code, 0);
  EXPECT_EQ(decoder.RemainingOutput(), "");
  EXPECT_EQ(FileBytes(eeprom_path), bytes);
}

}  // namespace
}  // namespace atalaya::sim
