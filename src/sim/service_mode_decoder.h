#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace atalaya::sim {

inline constexpr size_t kEepromSize = 2048;
inline constexpr size_t kEepromRowSize = 16;
inline constexpr int kEepromRows = static_cast<int>(kEepromSize / kEepromRowSize);

using Eeprom = std::array<uint8_t, kEepromSize>;

// The ways a decoder or its cable misbehaves, so the PC side can be tried against them without
// breaking real hardware. The default plan is a healthy decoder.
struct FaultPlan {
  int refuse_row = -1;       // EEPROM row (0..127) whose %EE? / %EE= commands are refused ...
  int refuse_times = 0;      // ... this many times in a row before being served (large: always)
  bool silent = false;       // never answers anything, and nothing sent to it has any effect
  size_t chunk_size = 0;     // 0: each reply in one chunk; otherwise chunks of this many bytes
  bool crlf = false;         // end replies with CR LF instead of CR
  bool garbage = false;      // answer every command with a line of random bytes (no CR inside)
  bool no_line_end = false;  // never send the line end of a reply
  bool lowercase = false;    // hex digits of read replies in lower case
};

// The service-mode side of a decoder: it takes the bytes the PC sends over the serial line and
// gives back what a decoder would answer.
//
// Commands carry no line end, so they are framed by their length: a "%" starts a command (and
// abandons an unfinished one), and the name and "?"/"=" that follow fix how many characters it
// has. Bytes outside a command are line noise and are ignored. Commands that fail any check are
// refused with "$?C0" and have no effect.
class ServiceModeDecoder {
 public:
  explicit ServiceModeDecoder(FaultPlan plan = {});

  // Bytes from the PC in any chunking: a command may be split over several calls and one call
  // may hold several commands. Returns the reply chunks to send back, in order.
  std::vector<std::string> Receive(std::string_view bytes);

  // Starts all 0xFF, like an erased part.
  Eeprom& eeprom() { return eeprom_; }
  const Eeprom& eeprom() const { return eeprom_; }

  // A new plan also restarts the count of refusals for refuse_row.
  void set_fault_plan(const FaultPlan& plan);
  const FaultPlan& fault_plan() const { return plan_; }

  int commands_served() const { return commands_served_; }  // answered with "$."
  int refusals_sent() const { return refusals_sent_; }      // answered with "$?C0"

 private:
  // The reply line without its line end, for the complete command in command_.
  std::string Execute();
  std::string Refuse();
  std::string GarbageLine();
  // Adds the line end the plan asks for and cuts the reply into chunks.
  void Send(std::string line, std::vector<std::string>& replies) const;

  FaultPlan plan_;
  Eeprom eeprom_;
  std::string command_;        // the command being collected, "%" first; empty between commands
  size_t command_length_ = 0;  // its full length once its name is known, 0 before
  int refusals_left_ = 0;      // for plan_.refuse_row
  uint32_t garbage_state_;     // pseudo-random generator, fixed seed so runs can be repeated
  int commands_served_ = 0;
  int refusals_sent_ = 0;
};

}  // namespace atalaya::sim
