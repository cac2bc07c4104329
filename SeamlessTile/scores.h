// How well a picture repeats, and what making it repeat cost. Every channel
// (red, green, blue, alpha) counts alike.
#pragma once
#include <string>

#include "image.h"

// The mean absolute difference across the wrapped edges (last column against
// first, last row against first) divided by the mean absolute difference
// between neighbouring pixels inside the picture. About 1: no visible seam.
// 1 for a flat picture; infinite when only the wrapped edges differ.
double seam_score(const IMAGE* img);

// The high-frequency energy: the mean square of the Laplacian
// 4p(x, y) - p(x-1, y) - p(x+1, y) - p(x, y-1) - p(x, y+1) over the pixels
// that have all four neighbours. NaN when there are none (a side below 3).
double detail_energy(const IMAGE* img);

// The spread of the values: the square root of the mean, over the four
// channels, of each channel's variance across the pixels.
double spread(const IMAGE* img);

// The share of pixels (0..1) whose weight (0..255) is 0 or 255: there the
// tile is an exact copy of the shifted picture or of the picture.
double exact_share(const IMAGE* weights);

// a / b: 1 when both are 0, infinite when only b is, NaN when either is.
double ratio(double a, double b);

// detail_energy(tile) / detail_energy(input): below 1, the blend smoothed
// detail away. 1 when both are 0, NaN when either is undefined.
double detail_score(double input_energy, double tile_energy);

// Two decimals, "inf" or "n/a".
std::string score_text(double score);
