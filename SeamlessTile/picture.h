// Picture buffers for the command: its size limits, and buffers made
// without a drawing surface.
#pragma once
#include <cstdint>

#include "image.h"

// The largest picture read (as the picture loader allows): 64 megapixels,
// at most 262140 pixels a side.
constexpr int64_t MAX_PICTURE_PIXELS = int64_t(1) << 26;
constexpr int64_t MAX_PICTURE_SIDE = 262140;

// A new buffer whose pixels the caller writes (row padding zeroed); made
// without a drawing surface, as the picture loader makes its buffers. Null
// when the size is past the limits or memory runs out.
IMAGE* new_picture(int64_t w, int64_t h);
