#pragma once

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "core/config/text_table.h"
#include "core/eeprom/eeprom_image.h"
#include "core/service/eeprom_transfer.h"
#include "core/service/service_link.h"
#include "sim/service_mode_decoder.h"
#include "support/recording_sinks.h"

namespace atalaya {

struct FakeTimer : ReplyTimer {
  void Arm(int interval_ms) override {
    armed = true;
    interval = interval_ms;
    ++arms;
  }
  void Stop() override { armed = false; }
  bool armed = false;
  int interval = 0;
  int arms = 0;
};

// Time moves on by 50 ms every time somebody looks, about a row's time on a 9600-baud line.
struct SteppingClock : Clock {
  uint32_t TickMs() override { return now += 50; }
  uint32_t now = 1000;
};

// The serial line to an in-memory virtual decoder. What the decoder answers waits in `pending`
// until the test delivers it, as a real port delivers bytes after the write has returned.
struct DecoderChannel : SerialChannel {
  explicit DecoderChannel(sim::ServiceModeDecoder& decoder) : decoder(decoder) {}
  std::optional<std::string> Write(std::string_view bytes) override {
    written.emplace_back(bytes);
    for (std::string& chunk : decoder.Receive(bytes)) pending.push_back(std::move(chunk));
    return std::nullopt;
  }
  sim::ServiceModeDecoder& decoder;
  std::deque<std::string> pending;
  std::vector<std::string> written;
};

// A service link wired to the virtual decoder, with every sink recording.
struct LinkFixture {
  LinkFixture()
      : channel(decoder),
        link(channel, timer,
             ServiceSinks{eeprom_log, firmware_log, terminal, eeprom_status, firmware_status, pages,
                          user, texts}),
        transfer(link, image,
                 EepromTransferSinks{eeprom_status, eeprom_log, terminal, pages, user, texts,
                                     clock}) {
    link.SetEngine(ServiceLink::Slot::kEeprom, &transfer);
    transfer.on_finished = [this](TransferOutcome outcome) { outcomes.push_back(outcome); };
    transfer.on_interpret = [this] { ++interpretations; };
  }

  // Delivers the decoder's next chunk, if it has one.
  void DeliverOne() {
    if (channel.pending.empty()) return;
    const std::string chunk = channel.pending.front();
    channel.pending.pop_front();
    link.OnRxChar(chunk);
  }

  // Delivers everything the decoder has said, chunk by chunk, until it has nothing more to say.
  void Pump() {
    while (!channel.pending.empty()) DeliverOne();
  }

  // Delivers replies; when the decoder stays silent with the timer armed, lets it fire.
  void RunToEnd() {
    for (int guard = 0; guard < 10000 && transfer.running(); ++guard) {
      if (!channel.pending.empty()) {
        Pump();
      } else if (timer.armed) {
        timer.armed = false;
        link.OnReplyTimeout();
      } else {
        break;
      }
    }
  }

  std::array<uint8_t, 2048> ImageBytes() const {
    std::array<uint8_t, 2048> bytes{};
    for (int address = 0; address < 2048; ++address) {
      bytes[static_cast<size_t>(address)] = static_cast<uint8_t>(
          std::stoi(image.Cell(address / 16 + 1, address % 16 + 1), nullptr, 16));
    }
    return bytes;
  }

  sim::ServiceModeDecoder decoder;
  DecoderChannel channel;
  FakeTimer timer;
  SteppingClock clock;
  RecordingLog eeprom_log, firmware_log, terminal;
  RecordingStatus eeprom_status, firmware_status;
  RecordingPages pages;
  RecordingUser user;
  TextTable texts;
  EepromImage image;
  ServiceLink link;
  EepromTransfer transfer;
  std::vector<TransferOutcome> outcomes;
  int interpretations = 0;
};

}  // namespace atalaya
