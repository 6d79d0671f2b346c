#pragma once

#include <string>

#include "core/image/frame_image.h"

namespace atalaya {

// A baseline JFIF file of the picture at `quality` 1 … 100 (values outside are taken as the
// nearest end), encoded by libjpeg straight from the picture's rows. Empty for an empty
// picture or one libjpeg refuses (a side over 65500 pixels).
std::string EncodeJpeg(const RgbPicture& picture, int quality);

}  // namespace atalaya
