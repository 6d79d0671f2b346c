#pragma once

#include <cstddef>
#include <string>

namespace atalaya::sim {

// The length of the decoder's frame buffer as the JTAG capture reads it (address C00D0000).
inline constexpr size_t kFrameBufferBytes = 0x98000;

// A frame buffer as the decoder's video decoder keeps it, in its tiled luma and chroma layout,
// holding a test picture `width` pixels wide and 576 high: the top two thirds are eight full
// colour bars (white, yellow, cyan, green, magenta, red, blue, black, left to right), the
// bottom third a grey ramp from black on the left to white on the right. Bytes the layout does
// not use are 0. A width the capture sizes do not allow gives a buffer of zeros.
std::string MakeTestFrameBuffer(int width);

}  // namespace atalaya::sim
