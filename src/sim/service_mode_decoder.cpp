#include "sim/service_mode_decoder.h"

#include <algorithm>
#include <optional>

#include "core/service/checksum.h"

namespace atalaya::sim {
namespace {

// "%", two letters, "?" or "=": after these the command's length is known.
constexpr size_t kHeaderLength = 4;
constexpr size_t kChecksumLength = 2;
constexpr size_t kAddressDigits = 3;
constexpr std::string_view kRowCount = "10";  // the PC always moves one 16-byte row
// "%EE?" address count checksum
constexpr size_t kReadLength = kHeaderLength + kAddressDigits + 2 + kChecksumLength;
// "%EE=" address count data checksum
constexpr size_t kWriteLength = kReadLength + 2 * kEepromRowSize;
// "%PR?" checksum
constexpr size_t kPortTestLength = kHeaderLength + kChecksumLength;

constexpr std::string_view kRefusal = "$?C0";

constexpr uint32_t kGarbageSeed = 0x2545F491u;
constexpr uint32_t kGarbageMaxLength = 40;

// 0 for a command this decoder does not know, which is refused as soon as its name is in.
size_t CommandLength(std::string_view header) {
  if (header == "%EE?") return kReadLength;
  if (header == "%EE=") return kWriteLength;
  if (header == "%PR?") return kPortTestLength;
  return 0;
}

// Only upper-case digits count: the PC never sends lower case, so lower case is line damage.
int UpperHexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<uint32_t> ParseUpperHex(std::string_view text) {
  uint32_t value = 0;
  for (char c : text) {
    const int digit = UpperHexDigit(c);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

bool ChecksumMatches(std::string_view command) {
  const std::string_view body = command.substr(0, command.size() - kChecksumLength);
  const std::optional<uint32_t> sent = ParseUpperHex(command.substr(body.size()));
  return sent.has_value() && *sent == CommandChecksum(body);
}

// The first byte of the row an %EE command addresses, or nothing when the address or count is
// malformed or the row lies outside the EEPROM.
std::optional<size_t> RowAddress(std::string_view command) {
  const std::optional<uint32_t> address =
      ParseUpperHex(command.substr(kHeaderLength, kAddressDigits));
  if (!address || *address % kEepromRowSize != 0 || *address + kEepromRowSize > kEepromSize) {
    return std::nullopt;
  }
  if (command.substr(kHeaderLength + kAddressDigits, kRowCount.size()) != kRowCount) {
    return std::nullopt;
  }
  return *address;
}

}  // namespace

ServiceModeDecoder::ServiceModeDecoder(FaultPlan plan)
    : plan_(plan), refusals_left_(plan.refuse_times), garbage_state_(kGarbageSeed) {
  eeprom_.fill(0xFF);
  command_.reserve(kWriteLength);
}

void ServiceModeDecoder::set_fault_plan(const FaultPlan& plan) {
  plan_ = plan;
  refusals_left_ = plan.refuse_times;
}

std::vector<std::string> ServiceModeDecoder::Receive(std::string_view bytes) {
  std::vector<std::string> replies;
  for (const char c : bytes) {
    if (c == '%') {
      command_.assign(1, c);
      command_length_ = 0;
      continue;
    }
    if (command_.empty()) continue;
    command_.push_back(c);
    if (command_.size() == kHeaderLength) command_length_ = CommandLength(command_);
    // The buffer is bounded here: it is emptied as soon as it reaches the header (unknown
    // command) or the known length, whichever comes first.
    if ((command_.size() == kHeaderLength && command_length_ == 0) ||
        command_.size() == command_length_) {
      std::string reply = Execute();
      command_.clear();
      command_length_ = 0;
      if (!plan_.silent) Send(std::move(reply), replies);
    }
  }
  return replies;
}

std::string ServiceModeDecoder::Execute() {
  // A silent decoder stands for one that is off or not wired, so nothing reaches it; a garbage
  // one for a wrong speed or a broken line, so it cannot have understood the command either.
  if (plan_.silent) return {};
  if (plan_.garbage) return GarbageLine();

  if (command_length_ == 0 || !ChecksumMatches(command_)) return Refuse();
  const std::string_view header = std::string_view(command_).substr(0, kHeaderLength);

  if (header == "%PR?") {
    ++commands_served_;
    return "$.PR";
  }

  const std::optional<size_t> address = RowAddress(command_);
  if (!address) return Refuse();
  const bool write = header == "%EE=";
  Eeprom::iterator row = eeprom_.begin() + static_cast<std::ptrdiff_t>(*address);
  std::array<uint8_t, kEepromRowSize> data{};
  if (write) {
    const size_t data_start = kHeaderLength + kAddressDigits + kRowCount.size();
    for (size_t i = 0; i < kEepromRowSize; ++i) {
      const std::optional<uint32_t> byte = ParseUpperHex(command_.substr(data_start + 2 * i, 2));
      if (!byte) return Refuse();
      data[i] = static_cast<uint8_t>(*byte);
    }
  }

  // Only commands that would succeed use up the planned refusals, so "refused K times" means K
  // refusals the PC could not have avoided.
  if (static_cast<int>(*address / kEepromRowSize) == plan_.refuse_row && refusals_left_ > 0) {
    --refusals_left_;
    return Refuse();
  }

  ++commands_served_;
  if (write) {
    std::copy(data.begin(), data.end(), row);
    return "$.EE";
  }
  std::string reply = "$.EE";
  for (size_t i = 0; i < kEepromRowSize; ++i) reply += HexDigits(row[i], 2);
  if (plan_.lowercase) {
    std::transform(reply.begin() + 4, reply.end(), reply.begin() + 4,
                   [](char c) { return c >= 'A' && c <= 'F' ? static_cast<char>(c + 0x20) : c; });
  }
  return reply;
}

std::string ServiceModeDecoder::Refuse() {
  ++refusals_sent_;
  return std::string(kRefusal);
}

std::string ServiceModeDecoder::GarbageLine() {
  // xorshift32: enough to look like noise, and the same noise on every run.
  auto next = [this] {
    garbage_state_ ^= garbage_state_ << 13;
    garbage_state_ ^= garbage_state_ >> 17;
    garbage_state_ ^= garbage_state_ << 5;
    return garbage_state_;
  };
  const uint32_t length = 1 + next() % kGarbageMaxLength;
  std::string line;
  while (line.size() < length) {
    const char c = static_cast<char>(next() & 0xFF);
    // A CR would end the line early and turn one bad reply into two.
    if (c != '\r') line.push_back(c);
  }
  return line;
}

void ServiceModeDecoder::Send(std::string line, std::vector<std::string>& replies) const {
  if (!plan_.no_line_end) line += plan_.crlf ? "\r\n" : "\r";
  if (line.empty()) return;
  if (plan_.chunk_size == 0) {
    replies.push_back(std::move(line));
    return;
  }
  for (size_t start = 0; start < line.size(); start += plan_.chunk_size) {
    replies.push_back(line.substr(start, plan_.chunk_size));
  }
}

}  // namespace atalaya::sim
