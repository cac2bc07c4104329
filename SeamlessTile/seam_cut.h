// The cut: instead of cross-fading the picture with its shifted copy across
// the mask's soft band, switch from one to the other along the closed path
// around the middle where the two differ least, so that nearly every pixel of
// the tile is a real pixel of one or the other.
#pragma once
#include "image.h"

// New weights (0..255 in each pixel's whole value, as a mask holds them) for
// the tile of `picture` and `shifted` (its copy shifted by half its size):
// 255 inside the path, 0 outside it, and across the path a linear ramp over
// `feather` pixels on each side (0: a hard cut). Where `mask` is 255 the
// weight stays 255, where it is 0 it stays 0, so the border still comes
// whole from the shifted copy. The path is found by dynamic programming over
// rays from the middle (see the .cpp). Null when memory runs out.
IMAGE* cut_weights(const IMAGE* picture, const IMAGE* shifted, const IMAGE* mask, int feather);
