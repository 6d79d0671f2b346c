#pragma once

#include <string_view>

#include "core/service/service_link.h"

namespace atalaya {

// Sends a line typed in the terminal, with its checksum when `add_checksum` is set and
// otherwise exactly as typed. An empty line sends nothing and leaves the task as it was.
// Returns whether something was sent.
bool SendTypedLine(ServiceLink& link, std::string_view typed, bool add_checksum);

}  // namespace atalaya
