// The built-in 8 x 8 font: our own glyph art for the printable ASCII codes.
// Also the seed of the story font sheet made by tools/make_assets.
#pragma once
#include <cstdint>

// Row bits of code c (bit 7 = leftmost pixel); all zero for codes without art.
const uint8_t* console_glyph(unsigned char c);
