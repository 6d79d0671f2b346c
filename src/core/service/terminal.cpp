#include "core/service/terminal.h"

#include "core/service/checksum.h"

namespace atalaya {

bool SendTypedLine(ServiceLink& link, std::string_view typed, bool add_checksum) {
  if (typed.empty()) return false;
  link.set_current_task(ServiceTask::kTerminalLine);
  link.SendCommand(add_checksum ? AddChecksum(typed) : std::string(typed));
  return true;
}

}  // namespace atalaya
