#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace atalaya::sim {

// A decoder's flash with a channel list in it, as the virtual decoder holds it: firmware in
// the low sections, erased space, and the transponder and channel tables in two sections near
// the top, each behind its 68-byte head. The records are written here from the record layout
// itself, not through the program's encoder, so that loading one checks the other.

inline constexpr size_t kSimFlashSize = 0x200000;
inline constexpr size_t kSimTransponderTable = 0x1C0000;  // at its section's start
inline constexpr size_t kSimChannelTable = 0x1D0020;      // 20 hex into its section

struct SimTransponder {
  uint32_t tuner_khz_x1000 = 0;  // the tuner's intermediate frequency in kHz, times 1000
  uint16_t transponder_id = 0;
  uint16_t network_id = 0;
  uint8_t channel_count = 0;
  uint8_t symbol_rate_code = 0;  // into the symbol-rate table: 0 is 22000, 1 is 27500
  uint8_t fec_code = 0;
  uint8_t flags = 0;  // 22 kHz, horizontal, C band, satellite B
};

struct SimChannel {
  std::string name;  // UTF-8; stored in Windows-1252, at most 16 bytes
  uint8_t status = 0;
  uint8_t transponder = 0;  // row of the transponder table, from 1
  uint16_t sid = 0;
  uint16_t vpid = 0;
  uint16_t apid = 0;
  uint16_t vecm = 0;
  uint16_t aecm = 0;
  uint16_t pcr = 0;
};

struct SimChannelList {
  std::vector<SimTransponder> transponders;
  std::vector<SimChannel> channels;
};

// A believable list on two satellites (A at 19.2° East, B at 30° West): TV, radio and data
// services, free and encrypted, with their PIDs. Every channel belongs to a transponder; the
// channels are spread over the transponders in order.
SimChannelList MakeSimChannelList(int channel_count, int transponder_count);

// The flash image holding `list`; the table space behind the records is zero up to the largest
// capacity (2002 channels, 199 transponders), as a decoder leaves it.
std::string MakeFlashImage(const SimChannelList& list);

// The image the virtual decoder starts with: 64 channels on 12 transponders. The benchmark
// and the large-table tests use 2002 channels on 199 transponders.
std::string MakeFlashImageWithChannels(int channel_count = 64, int transponder_count = 12);

}  // namespace atalaya::sim
