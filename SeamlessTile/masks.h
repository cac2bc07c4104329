// The masks a tile is made with: each pixel's whole value is the weight
// (0..255) of the picture itself; 255 minus it is the weight of the picture
// shifted by half its size. A mask is 0 along every border, so the tile's
// edges come wholly from the shifted copy, whose edges meet.
#pragma once
#include <string>

#include "image.h"

enum class MaskShape { radial, diamond, square };

// A mask of w x h pixels: 0 on the border, rising over a soft band `blend`
// of the side wide (0 < blend <= 0.5, measured inward from the middle of
// each edge) to 255. radial: circles, diamond: |u| + |v|, square: the
// nearer edge. The rise follows 3t^2 - 2t^3.
IMAGE* make_mask(MaskShape shape, double blend, int w, int h);

// Reads a mask picture: grey pixels (red = green = blue, any alpha) weigh
// their grey level; pixels already holding a weight (red, green and alpha
// 0) keep it. Any other colour is refused. Null with `why` set.
IMAGE* read_mask(const std::string& path, std::string& why);

// The mask stretched to w x h as the tile maker stretches it (a new buffer).
IMAGE* mask_at_size(IMAGE* mask, int w, int h);
