#include "sim/channel_image.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "core/config/cp1252.h"

namespace atalaya::sim {
namespace {

constexpr size_t kHeadSize = 68;
constexpr size_t kChannelCapacity = 2002;
constexpr size_t kTransponderCapacity = 199;
constexpr size_t kFirmwareEnd = 0x160000;

struct Downlink {
  int megahertz;
  bool horizontal;
  uint8_t symbol_rate_code;
  uint8_t fec_code;
};

// Transponders of the two satellites as a receiver in Spain would tune them.
constexpr std::array<Downlink, 12> kSatelliteA = {{{10743, true, 0, 3},
                                                   {10773, true, 0, 3},
                                                   {10818, false, 0, 3},
                                                   {10847, false, 0, 3},
                                                   {11719, true, 1, 2},
                                                   {11739, false, 1, 2},
                                                   {11778, false, 1, 2},
                                                   {11836, true, 1, 2},
                                                   {11954, true, 1, 2},
                                                   {12012, false, 1, 2},
                                                   {12363, false, 1, 2},
                                                   {12604, true, 0, 3}}};
constexpr std::array<Downlink, 4> kSatelliteB = {
    {{11731, false, 1, 2}, {11811, false, 1, 2}, {12012, true, 1, 2}, {12172, false, 1, 2}}};

constexpr std::array<std::string_view, 40> kTvNames = {"TVE 1",
                                                       "La 2",
                                                       "Antena 3",
                                                       "Telecinco",
                                                       "Canal+",
                                                       "Eurosport",
                                                       "BBC World",
                                                       "CNN Int.",
                                                       "Euronews",
                                                       "MTV Europe",
                                                       "Arte",
                                                       "TV5 Europe",
                                                       "RAI Uno",
                                                       "ZDF",
                                                       "Das Erste",
                                                       "Sky News",
                                                       "Canal Sur",
                                                       "TV3 Catalunya",
                                                       "Telemadrid",
                                                       "TVG Galicia",
                                                       "Discovery",
                                                       "Cartoon Netw.",
                                                       "National Geogr.",
                                                       "Canal Clásico",
                                                       "Eurosport Italia",
                                                       "Cinemanía",
                                                       "Documanía",
                                                       "Sportmanía",
                                                       "Canal Hollywood",
                                                       "Odisea",
                                                       "Fox Kids",
                                                       "Disney Channel",
                                                       "Bloomberg TV",
                                                       "CNBC Europe",
                                                       "3sat",
                                                       "RTL",
                                                       "SAT.1",
                                                       "ProSieben",
                                                       "Kabel 1",
                                                       "VOX"};
constexpr std::array<std::string_view, 8> kRadioNames = {"RNE 1",        "RNE Clásica", "Radio 3",
                                                         "Cadena SER",   "COPE",        "Onda Cero",
                                                         "Catalunya R.", "BBC Radio 4"};

// Encryption codes in the high half of the status byte: none, Seca, Nagravision, Irdeto,
// Viaccess.
constexpr std::array<uint8_t, 5> kEncryption = {0x00, 0x20, 0x40, 0x80, 0xA0};

void PutBe16(std::string& image, size_t at, uint16_t value) {
  image[at] = static_cast<char>(value >> 8);
  image[at + 1] = static_cast<char>(value);
}

void PutBe32(std::string& image, size_t at, uint32_t value) {
  PutBe16(image, at, static_cast<uint16_t>(value >> 16));
  PutBe16(image, at + 2, static_cast<uint16_t>(value));
}

// A head as the decoder writes it: a prefix of its own, the marker twice, and version and
// record-size bytes in between that nothing on the PC side interprets.
void PutHead(std::string& image, size_t at, std::string_view marker, uint8_t record_size) {
  std::fill_n(image.begin() + static_cast<ptrdiff_t>(at), kHeadSize, '\0');
  image.replace(at, 8, "LISTHEAD");
  image[at + 8] = 0x01;
  image.replace(at + 32, 3, marker);
  image[at + 35] = 0x02;
  image[at + 36] = static_cast<char>(record_size);
  image.replace(at + 48, 3, marker);
  image[at + 51] = 0x5A;
}

}  // namespace

SimChannelList MakeSimChannelList(int channel_count, int transponder_count) {
  SimChannelList list;
  transponder_count = std::clamp(transponder_count, 1, static_cast<int>(kTransponderCapacity));
  channel_count = std::clamp(channel_count, 0, static_cast<int>(kChannelCapacity));
  size_t on_a = 0;
  size_t on_b = 0;
  for (int t = 0; t < transponder_count; ++t) {
    // Every fourth transponder is on satellite B. Beyond the satellites' real transponders the
    // list repeats them 2 MHz higher, as a longer list of the same satellites would look.
    const bool satellite_b = t % 4 == 3;
    const size_t n = satellite_b ? on_b++ : on_a++;
    const Downlink& base =
        satellite_b ? kSatelliteB[n % kSatelliteB.size()] : kSatelliteA[n % kSatelliteA.size()];
    const size_t round = n / (satellite_b ? kSatelliteB.size() : kSatelliteA.size());
    const int megahertz = base.megahertz + 2 * static_cast<int>(round);
    const bool high_band = megahertz >= 11700;
    SimTransponder transponder;
    transponder.tuner_khz_x1000 =
        static_cast<uint32_t>(megahertz - (high_band ? 10600 : 9750)) * 1000000u;
    transponder.transponder_id = static_cast<uint16_t>(1001 + t);
    transponder.network_id = satellite_b ? 49 : 1;
    transponder.symbol_rate_code = base.symbol_rate_code;
    transponder.fec_code = base.fec_code;
    transponder.flags = static_cast<uint8_t>((high_band ? 0x01 : 0) | (base.horizontal ? 0x02 : 0) |
                                             (satellite_b ? 0x08 : 0));
    list.transponders.push_back(transponder);
  }
  for (int c = 0; c < channel_count; ++c) {
    const size_t n = static_cast<size_t>(c);
    // Channels come grouped by transponder, in transponder order.
    const int t = static_cast<int>(int64_t{c} * transponder_count / channel_count);
    const int kind = c % 10;  // 0 … 6 television, 7 and 8 radio, 9 data
    std::string name = Utf8ToCp1252(kind <= 6   ? kTvNames[n % kTvNames.size()]
                                    : kind <= 8 ? kRadioNames[n % kRadioNames.size()]
                                                : std::string_view("Datos"));
    // Repeated names get a number, still within the 16 bytes of a record.
    if (n >= kTvNames.size()) {
      std::string suffix(1, ' ');
      suffix += std::to_string(n / kTvNames.size());
      name = name.substr(0, std::min(name.size(), 16 - suffix.size())) + suffix;
    }
    SimChannel channel;
    channel.name = Cp1252ToUtf8(name);
    channel.transponder = static_cast<uint8_t>(t + 1);
    channel.sid = static_cast<uint16_t>(100 + c);
    const uint16_t pids = static_cast<uint16_t>(0x100 + 0x10 * (c % 400));
    const uint8_t encryption = kind <= 6 ? kEncryption[n % kEncryption.size()] : 0;
    channel.status = static_cast<uint8_t>(encryption | 0x04 | (c % 7 == 0 ? 0x02 : 0) |
                                          (c % 29 == 5 ? 0x01 : 0));
    if (kind <= 6) {
      channel.vpid = pids;
      channel.apid = static_cast<uint16_t>(pids + 1);
      channel.pcr = pids;
      if (encryption != 0) {
        channel.vecm = static_cast<uint16_t>(pids + 6);
        channel.aecm = static_cast<uint16_t>(pids + 6);
      }
    } else if (kind <= 8) {
      channel.vpid = 0xFFFF;  // radio: sound only
      channel.apid = static_cast<uint16_t>(pids + 2);
      channel.pcr = channel.apid;
    } else {
      channel.vpid = 0xFFFF;
      channel.apid = 0xFFFF;
      channel.pcr = 0x1FFF;
    }
    ++list.transponders[static_cast<size_t>(t)].channel_count;
    list.channels.push_back(channel);
  }
  return list;
}

std::string MakeFlashImage(const SimChannelList& list) {
  std::string image(kSimFlashSize, static_cast<char>(0xFF));
  // Firmware: the same bytes every time, from a small generator, standing in for code.
  uint32_t state = 0x2545F491u;
  for (size_t i = 0; i < kFirmwareEnd; ++i) {
    state = state * 1664525u + 1013904223u;
    image[i] = static_cast<char>(state >> 24);
  }
  image.replace(0x100, 32, "ST20 Receiver firmware 4.12 (c) ");

  PutHead(image, kSimTransponderTable, "TPT", 12);
  const size_t tpt_records = kSimTransponderTable + kHeadSize;
  std::fill_n(image.begin() + static_cast<ptrdiff_t>(tpt_records), kTransponderCapacity * 12, '\0');
  for (size_t i = 0; i < list.transponders.size() && i < kTransponderCapacity; ++i) {
    const SimTransponder& t = list.transponders[i];
    const size_t at = tpt_records + 12 * i;
    PutBe32(image, at, t.tuner_khz_x1000);
    PutBe16(image, at + 4, t.transponder_id);
    PutBe16(image, at + 6, t.network_id);
    image[at + 8] = static_cast<char>(t.channel_count);
    image[at + 9] = static_cast<char>(t.symbol_rate_code);
    image[at + 10] = static_cast<char>(t.fec_code);
    image[at + 11] = static_cast<char>(t.flags);
  }

  // The channel table does not start its section: a small block of settings comes first.
  const size_t section = kSimChannelTable - kSimChannelTable % 0x10000;
  std::fill_n(image.begin() + static_cast<ptrdiff_t>(section), kSimChannelTable - section, '\0');
  image.replace(section, 8, "USERCFG1");
  PutHead(image, kSimChannelTable, "TCS", 30);
  const size_t tcs_records = kSimChannelTable + kHeadSize;
  std::fill_n(image.begin() + static_cast<ptrdiff_t>(tcs_records), kChannelCapacity * 30, '\0');
  for (size_t i = 0; i < list.channels.size() && i < kChannelCapacity; ++i) {
    const SimChannel& c = list.channels[i];
    const size_t at = tcs_records + 30 * i;
    const std::string name = Utf8ToCp1252(c.name);
    image.replace(at, std::min<size_t>(name.size(), 16), name.substr(0, 16));
    image[at + 16] = static_cast<char>(c.status);
    image[at + 17] = static_cast<char>(c.transponder);
    PutBe16(image, at + 18, c.sid);
    PutBe16(image, at + 20, c.vpid);
    PutBe16(image, at + 22, c.apid);
    PutBe16(image, at + 24, c.vecm);
    PutBe16(image, at + 26, c.aecm);
    PutBe16(image, at + 28, c.pcr);
  }
  return image;
}

std::string MakeFlashImageWithChannels(int channel_count, int transponder_count) {
  return MakeFlashImage(MakeSimChannelList(channel_count, transponder_count));
}

}  // namespace atalaya::sim
