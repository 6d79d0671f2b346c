#include "core/image/jpeg_writer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// jpeglib.h expects FILE and size_t declared before it.
#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo is needed: the picture's blue-green-red rows go to it as they are"
#endif

namespace atalaya {
namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return. It leaves
// through longjmp back to Compress, whose locals need no destructors for that to be sound.
struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf resume;
};

[[noreturn]] void LeaveOnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->resume, 1);
}

// Warnings would otherwise go to standard error.
void IgnoreMessage(j_common_ptr) {}

// Encodes into a buffer libjpeg allocates with malloc; the caller frees it, also on failure.
bool Compress(const RgbPicture& picture, int quality, unsigned char** buffer, unsigned long* size) {
  jpeg_compress_struct info;
  ErrorTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = LeaveOnError;
  trap.manager.output_message = IgnoreMessage;
  if (setjmp(trap.resume) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = static_cast<JDIMENSION>(picture.width());
  info.image_height = static_cast<JDIMENSION>(picture.height());
  info.input_components = RgbPicture::kBytesPerPixel;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);  // TRUE: quantizers kept to baseline's 8 bits
  jpeg_start_compress(&info, TRUE);
  constexpr JDIMENSION kRowsPerCall = 16;
  JSAMPROW rows[kRowsPerCall];
  while (info.next_scanline < info.image_height) {
    const JDIMENSION count = std::min(kRowsPerCall, info.image_height - info.next_scanline);
    for (JDIMENSION i = 0; i < count; ++i) {
      // libjpeg's row type is not const, but compression only reads the rows.
      rows[i] = const_cast<JSAMPROW>(picture.Row(static_cast<int>(info.next_scanline + i)));
    }
    jpeg_write_scanlines(&info, rows, count);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

std::string EncodeJpeg(const RgbPicture& picture, int quality) {
  if (picture.empty()) return {};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool encoded = Compress(picture, std::clamp(quality, 1, 100), &buffer, &size);
  std::string bytes;
  if (encoded) bytes.assign(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return bytes;
}

}  // namespace atalaya
