// Picture buffers for the command: its size limits, and buffers made
// without a drawing surface.
#pragma once
#include <cstdint>

#include "image.h"

// The largest picture read is the picture loader's: MAX_PICTURE_SIDE and
// MAX_PICTURE_PIXELS (image.h).

// A new buffer whose pixels the caller writes (row padding zeroed); made
// without a drawing surface, as the picture loader makes its buffers. Null
// when the size is past the limits or memory runs out.
IMAGE* new_picture(int64_t w, int64_t h);
