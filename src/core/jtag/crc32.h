#pragma once

#include <cstdint>
#include <string_view>

namespace atalaya {

// The CRC-32 of IEEE 802.3 (reflected polynomial EDB88320, start FFFFFFFF, result
// complemented): the one the decoder's firmware checks its own image with.
uint32_t Crc32(std::string_view data);

}  // namespace atalaya
