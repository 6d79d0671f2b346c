#pragma once

#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/config/text_table.h"

namespace atalaya {

extern const char kFrameUsage[];

// "atalaya-cli frame convert CAPTURE OUT.bmp|OUT.jpg [--size 720x576]
// [--format 4:3|16:9|original] [--quality N]": turns a captured frame buffer into the picture
// the "Imagen" page would show and save. `arguments` are those after "frame"; what is not
// given comes from the settings (capture size, picture format, JPEG quality). Messages go to
// standard error. Returns 0 on success, 1 when a file cannot be read or written, 2 for a
// command line it does not take.
int RunFrameCommand(const std::vector<std::string>& arguments, const TextTable& texts,
                    const Settings& settings);

}  // namespace atalaya
