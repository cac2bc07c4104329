// A quick PNG decoder for the pictures artists mostly have: 8 bits a sample,
// not interlaced (grey, grey and alpha, RGB, RGBA, or a palette), inflated by
// libdeflate. It gives the pixels the library's loader gives.
#pragma once
#include <cstddef>

#include "image.h"

// A new picture buffer (row padding zeroed), or null when the file is one
// this decoder leaves to the library's loader: another bit depth,
// interlaced, damaged, or anything unusual. Throws std::bad_alloc when memory
// runs out.
IMAGE* decode_png_quickly(const unsigned char* data, size_t size);
