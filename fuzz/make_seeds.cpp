// Writes the seeds of the fuzz targets that are made rather than copied: INI sets from the
// supplied data folder, EEPROM files, short flash images with the virtual decoder's channel
// list, frame-buffer samples and reply streams of the virtual decoder. Every seed stays well
// under 64 KiB; the targets' headers make the large images and captures out of them.
//
//   atalaya-fuzz-seeds SOURCE_DIR     writes SOURCE_DIR/fuzz/corpus/<target>/seed-*

#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/channels/list_records.h"
#include "core/config/ini_file.h"
#include "core/config/settings.h"
#include "core/config/text_table.h"
#include "core/eeprom/eeprom_fields.h"
#include "core/eeprom/eeprom_files.h"
#include "core/eeprom/eeprom_image.h"
#include "core/image/frame_image.h"
#include "core/service/eeprom_transfer.h"
#include "core/service/service_link.h"
#include "core/service/terminal.h"
#include "sim/channel_image.h"
#include "sim/service_mode_decoder.h"
#include "sim/test_picture.h"

namespace fs = std::filesystem;
using namespace atalaya;

namespace {

fs::path g_corpus;
fs::path g_data;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
  const fs::path folder = g_corpus / target;
  fs::create_directories(folder);
  std::ofstream out(folder / ("seed-" + name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::cerr << "cannot write " << (folder / name) << "\n";
    std::exit(1);
  }
}

std::string DataFile(const std::string& name) {
  std::ifstream in(g_data / name, std::ios::binary);
  if (!in) {
    std::cerr << "cannot read " << (g_data / name) << "\n";
    std::exit(1);
  }
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Le16(uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

std::string Le24(uint32_t value) { return Le16(value) + static_cast<char>((value >> 16) & 0xFF); }

// The channel and frame targets do their slowest work (a whole 2 MiB flash, a stretched
// picture) for one input in `every`, picked by a hash of the input. Seeds meant for that work
// get one more byte at the end, where it changes nothing that matters, chosen to be picked.
std::string PickedForSlowWork(std::string seed, size_t every) {
  seed += '\0';
  for (int byte = 0; byte < 256; ++byte) {
    seed.back() = static_cast<char>(byte);
    if (std::hash<std::string_view>()(seed) % every == 0) return seed;
  }
  std::cerr << "no byte picks the seed\n";
  std::exit(1);
}

std::string Joined(const std::vector<std::string>& files) {
  std::string input;
  for (size_t i = 0; i < files.size(); ++i) {
    if (i > 0) input += '\0';
    input += files[i];
  }
  return input;
}

void IniSeeds() {
  Write("fuzz_ini", "data-folder",
        Joined({DataFile("Atalaya.ini"), DataFile("SR_Europa.ini"), DataFile("SR_Basico.ini"),
                DataFile("AM29LV160DB.ini"), DataFile("AM29LV160DT.ini")}));
  Write("fuzz_ini", "english",
        Joined({DataFile("Atalaya.ini") + "Idioma=1\r\n", DataFile("English.ini"),
                DataFile("Español.ini")}));
  Write("fuzz_ini", "model",
        Joined({"[TForm1]\r\nFlashIC0=AM29F160DB\r\nFlashIC1=AM29F016D\r\nModel1=K2002\r\n"
                "Model=1\r\nVelocidad=12\r\nTCS=$1D\r\nTPT=0x1C\r\n",
                "[K2002]\r\nFlash1Start=7FE00000\r\nFlash1Type=0\r\nFlash2Start=60000000\r\n"
                "Flash2Type=1\r\n",
                DataFile("AM29F160DB.ini"), DataFile("AM29F016D.ini")}));
  // Every key the program writes, as a first save leaves the file (LF line ends).
  IniFile saved = IniFile::FromBytes("; Atalaya\n");
  SaveSettings(Settings(), saved);
  Write("fuzz_ini", "saved", saved.ToBytes());
}

EepromImage FieldsImage() {
  EepromImage image;
  std::array<uint8_t, EepromImage::kSize> bytes{};
  for (size_t a = 0; a < bytes.size(); ++a) bytes[a] = static_cast<uint8_t>(a * 37 + 11);
  image.LoadBytes(bytes.data(), 0, bytes.size());
  const SymbolRateTable rates = {22000, 27500};
  EepromFields fields(image, rates);
  fields.ChooseItem(field::kCountry, 0, "");
  fields.ChooseItem(field::kProvider, 5, "");
  fields.ChooseItem(field::kAudioPrimary, 1, "");
  fields.LeaveNumber(field::kLastChannel, "120");
  fields.LeaveDigits(field::kSerialNumber, "123456789012");
  fields.LeaveSatelliteName(0, "astra");
  fields.LeaveSatelliteFrequency(0, "11778");
  fields.LeaveSatelliteName(1, "HISPASAT");
  return image;
}

void EepromSeeds() {
  const EepromImage image = FieldsImage();
  // The first byte picks the file name: 0 "eeprom.bin", 1 "eeprom.txt", 3 no extension.
  const std::string own = SaveEepromFile(EepromFileFormat::kOwnText, image);
  Write("fuzz_eeprom_files", "own-text", '\1' + own);
  Write("fuzz_eeprom_files", "own-text-3-lines", '\1' + own.substr(0, 3 * 45));
  Write("fuzz_eeprom_files", "znb4720", '\3' + SaveEepromFile(EepromFileFormat::kHexLines, image));
  Write("fuzz_eeprom_files", "raw", '\0' + SaveEepromFile(EepromFileFormat::kRaw, image));
}

// The head and `records` records of the table at `at` of the virtual decoder's flash.
std::string Table(const std::string& flash, size_t at, size_t record_size, size_t records) {
  return flash.substr(at, kTableHeadSize + record_size * records);
}

void ChannelSeeds() {
  const std::string flash = sim::MakeFlashImageWithChannels(64, 12);
  const std::string transponders = Table(flash, sim::kSimTransponderTable, 12, 12);
  const std::string channels = Table(flash, sim::kSimChannelTable, 30, 64);

  // Header: TCS, TPT, channel rows, transponder rows, flags, length (3), answers (4), edits.
  // A short image as it is: the transponder table at 0, the channel table 20 hex into its
  // section behind some other bytes, as on the decoder.
  std::string short_image = transponders;
  short_image.resize(0x300, '\0');
  short_image.replace(0x200, 8, "USERCFG1");
  short_image += channels.substr(0, kTableHeadSize + 30 * 20);
  Write("fuzz_channels", "short-image",
        std::string("\x00\x00\x14\x0C\x20", 5) + Le24(0) + std::string(4, '\0') + '\0' +
            short_image);

  // The virtual decoder's 2 MiB flash from its pieces, with a second copy of each table so
  // the chooser is asked, and an edit of a frequency and a name.
  std::string pieces;
  const auto piece = [&pieces](size_t at, const std::string& bytes) {
    pieces += Le24(static_cast<uint32_t>(at)) + Le16(static_cast<uint32_t>(bytes.size())) + bytes;
  };
  piece(0x100, "ST20 Receiver firmware 4.12 (c) ");
  piece(sim::kSimTransponderTable, transponders);
  piece(sim::kSimChannelTable - 0x20, "USERCFG1");
  piece(sim::kSimChannelTable, channels);
  piece(0x1E0000, channels.substr(0, kTableHeadSize + 30 * 4));
  piece(0x1F0000, transponders.substr(0, kTableHeadSize + 12 * 2));
  // Two edits: table (0 transponders, 1 channels), row, column − 1, text.
  const std::string edits = std::string("\x02\x00\x01\x00\x07", 5) + "11778,5" +
                            std::string("\x01\x02\x00\x05", 4) + "NUEVO";
  // TCS and TPT stay in sections 1D and 1C, 2003 and 200 rows, ',' as separator, the image
  // appended again, erased flash, SR_Europa; the chooser takes the first copies, then the
  // second ones for the appended image.
  // The extra byte starts a piece that is cut short, so it writes nothing.
  Write("fuzz_channels", "flash-two-copies",
        PickedForSlowWork(std::string("\x9E\x9D\xFF\xFF\x6B", 5) + Le24(sim::kSimFlashSize) +
                              std::string("\x00\x00\x01\x01", 4) + edits + pieces,
                          4));

  // A RAM list: bare channel records from offset 0.
  Write("fuzz_channels", "ram-list",
        std::string("\x00\x00\x0B\x01\x10", 5) + Le24(0) + std::string(4, '\0') + '\0' +
            channels.substr(kTableHeadSize, 30 * 10));
}

void FrameSeeds() {
  // Header: format, size class, width (2), height (2), quality, capture length (3).
  const std::string bars720 = sim::MakeTestFrameBuffer(720);
  const std::string bars352 = sim::MakeTestFrameBuffer(352);
  // 720 × 576 at 4:3 from a capture of the full buffer's length, its first tiles repeated.
  Write("fuzz_frame", "full-length-720",
        PickedForSlowWork(std::string("\x01\x06", 2) + Le16(359) + Le16(287) + '\x5A' +
                              Le24(sim::kFrameBufferBytes) + bars720.substr(0, 3072),
                          8));
  // 352 wide as captured, cut short after some luma and chroma bytes.
  Write("fuzz_frame", "short-352-original",
        std::string("\x03\x06", 2) + Le16(175) + Le16(287) + '\x4B' + Le24(0) +
            bars352.substr(0, 2048) + bars352.substr(kChromaAreaStart, 2048));
  // Small pictures: 16:9 from the chroma area's first bytes, as it stands from a short capture.
  Write("fuzz_frame", "small-16-9",
        PickedForSlowWork(std::string("\x00\x00", 2) + Le16(31) + Le16(15) + '\x64' +
                              Le24(kChromaAreaStart + 4096) +
                              bars720.substr(kChromaAreaStart, 1024),
                          8));
  Write("fuzz_frame", "small-original",
        std::string("\x03\x00", 2) + Le16(7) + Le16(9) + '\x32' + Le24(0) + bars720.substr(0, 1100));
  // A size no capture has.
  Write("fuzz_frame", "odd-size", std::string("\x03\x01", 2) + Le16(721) + Le16(577) + '\x00' +
                                      Le24(0) + bars720.substr(0, 256));
}

// The serial line between the real link and engine and the in-memory virtual decoder, with
// every event written down in the fuzz target's terms as it happens.
struct RecordedLine : SerialChannel, ReplyTimer, Clock, LogPane, TaskStatus, PageLock, Operator {
  explicit RecordedLine(sim::FaultPlan plan)
      : decoder(plan),
        link(*this, *this, ServiceSinks{*this, *this, *this, *this, *this, *this, *this, texts}),
        transfer(link, image, EepromTransferSinks{*this, *this, *this, *this, *this, texts, *this}) {
    link.SetEngine(ServiceLink::Slot::kEeprom, &transfer);
    for (size_t a = 0; a < decoder.eeprom().size(); ++a) {
      decoder.eeprom()[a] = static_cast<uint8_t>(a * 13 + 5);
    }
  }

  std::optional<std::string> Write(std::string_view bytes) override {
    for (std::string& chunk : decoder.Receive(bytes)) pending.push_back(std::move(chunk));
    return std::nullopt;
  }
  void Arm(int) override { armed = true; }
  void Stop() override { armed = false; }
  uint32_t TickMs() override { return now += 50; }
  void Append(std::string_view) override {}
  void ShowTask(std::string_view) override {}
  void ShowAddress(std::string_view) override {}
  void ShowErrors(int64_t) override {}
  void ShowSpeed(std::string_view) override {}
  void ShowRemaining(std::string_view) override {}
  void SetProgressMax(int64_t) override {}
  void SetProgress(int64_t) override {}
  void Clear() override {}
  void LockPages() override {}
  void UnlockPages() override {}
  void ShowInformation(std::string_view) override {}
  void ShowError(std::string_view) override {}

  void Start(TransferKind kind, TransferRange range, int row) {
    events += '\x04';
    events += static_cast<char>(static_cast<int>(kind) + 3 * static_cast<int>(range));
    events += static_cast<char>(row);
    transfer.Start(kind, range, row);
  }
  void Terminal(std::string_view line) {
    events += std::string("\x05\x01", 2) + static_cast<char>(line.size()) + std::string(line);
    SendTypedLine(link, line, true);
  }
  // Delivers what the decoder said, chunk by chunk, until it is silent.
  void Pump() {
    while (!pending.empty()) {
      const std::string chunk = pending.front();
      pending.pop_front();
      events += '\x00';
      events += static_cast<char>(chunk.size());
      events += chunk;
      link.OnRxChar(chunk);
    }
  }
  void TimeOut() {
    events += '\x03';
    if (armed) link.OnReplyTimeout();
  }

  sim::ServiceModeDecoder decoder;
  TextTable texts;
  EepromImage image;
  ServiceLink link;
  EepromTransfer transfer;
  std::deque<std::string> pending;
  std::string events;
  bool armed = false;
  uint32_t now = 0;
};

void ReplySeeds() {
  {
    RecordedLine line({});
    line.Start(TransferKind::kRead, TransferRange::kAll, 1);
    line.Pump();
    Write("fuzz_service_link", "read-all", line.events);
  }
  {
    sim::FaultPlan plan;
    plan.refuse_row = 3;
    plan.refuse_times = 2;
    plan.chunk_size = 5;
    plan.crlf = true;
    RecordedLine line(plan);
    line.Start(TransferKind::kWrite, TransferRange::kLow, 1);
    line.Pump();
    line.Start(TransferKind::kVerify, TransferRange::kSelectedRow, 18);
    line.Pump();
    Write("fuzz_service_link", "write-low-refused-chunked", line.events);
  }
  {
    sim::FaultPlan plan;
    plan.no_line_end = true;
    RecordedLine line(plan);
    line.Terminal("%PR?");
    line.Pump();
    line.TimeOut();
    line.decoder.set_fault_plan({});
    line.Start(TransferKind::kRead, TransferRange::kSelectedRow, 128);
    line.Pump();
    // A line that was never asked for, then the port goes away during a terminal line.
    line.events += std::string("\x00\x05$.PR\r", 7) + '\x07';
    line.Terminal("%EE?7F010");
    line.TimeOut();
    Write("fuzz_service_link", "terminal-silence-and-unplug", line.events);
  }
  {
    sim::FaultPlan plan;
    plan.garbage = true;
    RecordedLine line(plan);
    line.Start(TransferKind::kRead, TransferRange::kLow, 1);
    for (int i = 0; i < 12; ++i) line.Pump();
    Write("fuzz_service_link", "garbage", line.events);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: atalaya-fuzz-seeds SOURCE_DIR\n";
    return 2;
  }
  g_corpus = fs::path(argv[1]) / "fuzz" / "corpus";
  g_data = fs::path(argv[1]) / "data" / "INIs";
  IniSeeds();
  EepromSeeds();
  ChannelSeeds();
  FrameSeeds();
  ReplySeeds();
  return 0;
}
