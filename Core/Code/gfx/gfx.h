// Buffer compositing and the seamless-tile maker. "Blend" means image_put in
// the per-pixel alpha mode, "copy" the copy mode. A null buffer where a routine
// needs one ends the program with the null-pointer report.
#pragma once
#include <cstdint>
#include <string>

#include "image.h"

int GFX_VALIDATE_DISPLAY();
// An 8 x 8 translucent pattern grown from a 2 x 2 checker (colour indices, -1 = none).
IMAGE* GFX_MAKE_FILL(int32_t EVEN, int32_t ODD);
void GFX_VBOX(IMAGE* DEST_MASK, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t ODD, int32_t EVEN);
// Blends SOURCE centred onto DEST (unsigned offsets: a larger SOURCE lands off DEST).
void GFX_BUFFER_INLAY(IMAGE*& SOURCE, IMAGE* DEST);
// DEST becomes a new mirrored copy (the old DEST is left to its owner);
// X = Y = 0 makes DEST the very SOURCE buffer. SOURCE and DEST may be one variable.
void GFX_BUFFER_FLIP(IMAGE*& SOURCE, IMAGE*& DEST, int32_t X, int32_t Y);
// DEST is replaced by SOURCE shifted cyclically X right and Y down (unsigned wrap).
void GFX_BUFFER_SHIFT(IMAGE* SOURCE, IMAGE*& DEST, int32_t X, int32_t Y);
// Nearest-neighbour resampling of SOURCE onto all of DEST.
void GFX_BUFFER_STRETCH(IMAGE*& SOURCE, IMAGE*& DEST);
// "height"/"h" narrows DEST, "width"/"w" shortens it, to SOURCE's proportions; then stretches.
void GFX_BUFFER_STRETCH_ASPECT(IMAGE*& SOURCE, IMAGE*& DEST, const std::string& ASPECT_CORRECTION);
// Blends the top-left 8 x 8 of the pattern picture FONT over cells X1..X2 x Y1..Y2.
void GFX_BUFFER_FILL(IMAGE* DEST_MASK, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t ODD,
                     int32_t EVEN, const std::string& FONT);
void GFX_BUFFER_REPEAT(IMAGE*& SOURCE, IMAGE*& DEST);
void GFX_BUFFER_WALLPAPER(const std::string& FILENAME, IMAGE*& DEST);
// DEST is replaced by a translucent grey ghost of itself.
void GFX_BUFFER_ALPHA(IMAGE*& DEST, int32_t A);
// DEST becomes a seamless tile made from SOURCE, which is consumed, with the
// mask ".\<PROJECTSPACE>\Code\Assets\Sprites\alpha mask.png".
void GFX_QUILTIFY(IMAGE* SOURCE, IMAGE*& DEST);
// The same with the mask given as a buffer, stretched to SOURCE's size; each
// mask pixel's whole value is the weight of SOURCE (0..255), 255 minus it that
// of SOURCE shifted by half its size. SOURCE is consumed, MASK stays the
// caller's; a null MASK ends the program with the null-pointer report. Needs
// no open surface (its buffers are made as loaded pictures are).
void GFX_QUILTIFY_MASK(IMAGE* SOURCE, IMAGE* MASK, IMAGE*& DEST);
