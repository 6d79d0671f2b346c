#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/settings.h"
#include "core/shell/operator.h"
#include "support/recording_sinks.h"

namespace atalaya {

// Flash images for the channel-list tests, written byte by byte from the record layout.

// A 12-byte transponder record, multi-byte fields big-endian.
inline std::string TransponderBytes(uint32_t frequency, uint16_t id, uint16_t network,
                                    uint8_t channels, uint8_t symbol_rate, uint8_t fec,
                                    uint8_t flags) {
  return {static_cast<char>(frequency >> 24),
          static_cast<char>(frequency >> 16),
          static_cast<char>(frequency >> 8),
          static_cast<char>(frequency),
          static_cast<char>(id >> 8),
          static_cast<char>(id),
          static_cast<char>(network >> 8),
          static_cast<char>(network),
          static_cast<char>(channels),
          static_cast<char>(symbol_rate),
          static_cast<char>(fec),
          static_cast<char>(flags)};
}

struct ChannelFields {
  std::string name;  // the stored bytes, at most 16
  uint8_t status = 0x04;
  uint8_t transponder = 1;
  uint16_t sid = 1;
  uint16_t vpid = 0x100;
  uint16_t apid = 0x101;
  uint16_t vecm = 0;
  uint16_t aecm = 0;
  uint16_t pcr = 0x100;
};

// A 30-byte channel record.
inline std::string ChannelBytes(const ChannelFields& f) {
  std::string record = f.name.substr(0, 16);
  record.resize(16, '\0');
  record += static_cast<char>(f.status);
  record += static_cast<char>(f.transponder);
  for (const uint16_t value : {f.sid, f.vpid, f.apid, f.vecm, f.aecm, f.pcr}) {
    record += static_cast<char>(value >> 8);
    record += static_cast<char>(value);
  }
  return record;
}

class ListImage {
 public:
  // Bytes outside the tables are a pattern no table field would hold by chance.
  explicit ListImage(size_t size) : bytes(size, '\0') {
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(0x80 + i % 61);
  }

  // A table head at `position` (prefix "PFX…", the marker at +32 and +48, other bytes between)
  // followed by `capacity` zeroed records, all clipped to the image.
  void AddTable(size_t position, std::string_view marker, size_t record_size, size_t capacity) {
    std::string head(68, '\0');
    for (size_t i = 0; i < 32; ++i) head[i] = static_cast<char>('a' + i % 26);
    head.replace(32, 3, marker);
    head.replace(35, 13, "-between-one-");
    head.replace(48, 3, marker);
    head.replace(51, 17, "+after-second-mk+");
    Put(position, head);
    Put(position + 68, std::string(record_size * capacity, '\0'));
  }

  void PutTransponder(size_t table, size_t index, const std::string& record) {
    Put(table + 68 + 12 * index, record);
  }
  void PutChannel(size_t table, size_t index, const ChannelFields& fields) {
    Put(table + 68 + 30 * index, ChannelBytes(fields));
  }

  void Put(size_t at, std::string_view data) {
    if (at >= bytes.size()) return;
    bytes.replace(at, std::min(data.size(), bytes.size() - at), data.substr(0, bytes.size() - at));
  }

  std::string bytes;
};

// The settings every channel-list test starts from: 999 channels, 99 transponders, two named
// satellites and the two common symbol rates.
inline Settings ListSettings() {
  Settings settings;
  settings.channel_row_count = 1000;
  settings.transponder_row_count = 100;
  settings.symbol_rates = {22000, 27500, 30000};
  settings.previous_satellite_names = {"Astra", "Hispasat"};
  return settings;
}

// A user who answers the section chooser with a fixed row, or not at all.
struct ChoosingUser : RecordingUser {
  std::optional<size_t> ChooseSection(const std::vector<SectionRow>& rows) override {
    asked.push_back(rows);
    return answer;
  }
  std::optional<size_t> answer;
  std::vector<std::vector<SectionRow>> asked;
};

}  // namespace atalaya
