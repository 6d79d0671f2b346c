#pragma once

#include <string>

#include "core/image/frame_image.h"

namespace atalaya {

// A Windows bitmap file of the picture: 24 bits per pixel, uncompressed, rows bottom to top,
// each row padded to a multiple of 4 bytes. Empty for an empty picture or one too large for
// the format's 32-bit sizes.
std::string EncodeBmp(const RgbPicture& picture);

}  // namespace atalaya
