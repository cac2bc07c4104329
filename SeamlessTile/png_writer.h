// A PNG encoder for the command's output: the rows are filtered and
// deflated in as many pieces as there are threads to share the work.
#pragma once
#include <vector>

#include "image.h"

enum class PngEffort {
    fast,       // literals and runs, Huffman-coded block by block: quick, and on photographs as small as any
    small,      // zlib's best: slower, smaller on drawn pictures with repeating patterns
    zlib_runs,  // zlib's run-length strategy: what `fast` was before; the benchmark's reference
};

// Encodes the buffer with 1 (each pixel's low byte as grey), 3 (RGB) or 4
// (RGBA) channels into `png`. False only when memory runs out.
bool encode_png(const IMAGE* img, int channels, PngEffort effort, unsigned threads, std::vector<unsigned char>& png);
