// A full EEPROM read and a full write against the virtual decoder program over a real
// pseudo-terminal, through QSerialPort and the same engines as the window.
//   build/atalaya-eeprom-bench
// Reports rows per second and the CPU time this program spends per row (its own thread only:
// the virtual decoder runs in another process). A real 9600-baud line needs about 50 ms a row.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

#include "core/config/text_table.h"
#include "core/eeprom/eeprom_image.h"
#include "core/service/eeprom_transfer.h"
#include "core/service/service_link.h"
#include "platform/qt_reply_timer.h"
#include "platform/qt_serial_port.h"

namespace atalaya {
namespace {

struct QuietLog : LogPane {
  void Append(std::string_view) override {}
};
struct QuietStatus : TaskStatus {
  void ShowTask(std::string_view) override {}
  void ShowAddress(std::string_view) override {}
  void ShowErrors(int64_t) override {}
  void ShowSpeed(std::string_view) override {}
  void ShowRemaining(std::string_view) override {}
  void SetProgressMax(int64_t) override {}
  void SetProgress(int64_t) override {}
  void Clear() override {}
};
struct QuietPages : PageLock {
  void LockPages() override {}
  void UnlockPages() override {}
};
struct QuietUser : Operator {
  void ShowInformation(std::string_view) override {}
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  std::vector<std::string> errors;
};

double ThreadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString g_device;

void RunTransfer(benchmark::State& state, TransferKind kind) {
  QuietLog log;
  QuietStatus status;
  QuietPages pages;
  QuietUser user;
  TextTable texts;
  SteadyClock clock;
  QtReplyTimer timer;
  QtSerialPort port;
  EepromImage image;
  ServiceLink link(port, timer, ServiceSinks{log, log, log, status, status, pages, user, texts});
  EepromTransfer transfer(link, image, EepromTransferSinks{status, log, log, pages, user, texts, clock});
  link.SetEngine(ServiceLink::Slot::kEeprom, &transfer);
  port.on_received = [&](std::string_view bytes) { link.OnRxChar(bytes); };
  timer.on_timeout = [&] { link.OnReplyTimeout(); };
  Settings serial;
  serial.serial_ports = {g_device.toStdString()};
  port.ApplySettings(serial);
  if (auto error = port.Open(texts)) {
    state.SkipWithError(error->c_str());
    return;
  }

  QEventLoop loop;
  TransferOutcome outcome = TransferOutcome::kSuccess;
  transfer.on_finished = [&](TransferOutcome result) {
    outcome = result;
    loop.quit();
  };
  double cpu = 0;
  for (auto _ : state) {
    const double cpu_before = ThreadCpuSeconds();
    transfer.Start(kind, TransferRange::kAll, 1);
    loop.exec();
    cpu += ThreadCpuSeconds() - cpu_before;
    if (outcome != TransferOutcome::kSuccess) {
      state.SkipWithError("la transferencia no terminó bien");
      return;
    }
  }
  const double rows = 128.0 * static_cast<double>(state.iterations());
  state.counters["rows_per_s"] = benchmark::Counter(rows, benchmark::Counter::kIsRate);
  state.counters["cpu_ms_per_row"] = cpu * 1000.0 / rows;
}

void BM_FullRead(benchmark::State& state) { RunTransfer(state, TransferKind::kRead); }
void BM_FullWrite(benchmark::State& state) { RunTransfer(state, TransferKind::kWrite); }
BENCHMARK(BM_FullRead)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullWrite)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace atalaya

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QProcess decoder;
  decoder.start(VIRTUAL_DECODER_PATH, {});
  if (!decoder.waitForStarted(5000)) return 1;
  while (!decoder.canReadLine() && decoder.waitForReadyRead(5000)) {
  }
  atalaya::g_device = QString::fromUtf8(decoder.readLine()).trimmed();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  decoder.terminate();
  decoder.waitForFinished(5000);
  return 0;
}
