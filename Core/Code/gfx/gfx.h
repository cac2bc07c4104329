// Buffer compositing and the seamless-tile maker. "Blend" means image_put in
// the per-pixel alpha mode, "copy" the copy mode. A null buffer where a routine
// needs one ends the program with the null-pointer report. A buffer passed as
// IMAGE*& may come back replaced; the caller owns whatever it holds afterwards.
#pragma once
#include <cstdint>
#include <string>

#include "image.h"

// 0. Opens the surface (reading VGA_TABLE entry 15 for its message, then
// waiting for a key) only when no buffer can be made yet.
int GFX_VALIDATE_DISPLAY();
// A new 8 x 8 translucent pattern grown from a 2 x 2 checker, owned by the
// caller. EVEN and ODD are colour-table indices (-1: none); reads VGA_TABLE.
IMAGE* GFX_MAKE_FILL(int32_t EVEN, int32_t ODD);
// Blends GFX_MAKE_FILL(EVEN, ODD) over cells X1..X2 x Y1..Y2 of DEST_MASK
// (drawn into; the caller keeps it).
void GFX_VBOX(IMAGE* DEST_MASK, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t ODD, int32_t EVEN);
// Blends SOURCE (read, not replaced) centred onto DEST (drawn into). Unsigned
// offsets: a SOURCE larger than DEST lands off it and draws nothing.
void GFX_BUFFER_INLAY(IMAGE*& SOURCE, IMAGE* DEST);
// DEST becomes a new mirrored copy of SOURCE (left-right when X != 0,
// top-bottom when Y != 0), owned by the caller; the buffer DEST held before
// is not destroyed (its owner keeps it). X = Y = 0 makes DEST the very SOURCE
// buffer. SOURCE and DEST may be one variable.
void GFX_BUFFER_FLIP(IMAGE*& SOURCE, IMAGE*& DEST, int32_t X, int32_t Y);
// DEST (destroyed if it held a buffer) becomes a new copy of SOURCE (read
// only) shifted cyclically X right and Y down (unsigned wrap), owned by the caller.
void GFX_BUFFER_SHIFT(IMAGE* SOURCE, IMAGE*& DEST, int32_t X, int32_t Y);
// Nearest-neighbour resampling of SOURCE (read) onto every pixel of DEST
// (drawn into at its own size, not replaced).
void GFX_BUFFER_STRETCH(IMAGE*& SOURCE, IMAGE*& DEST);
// "height"/"h" narrows DEST, "width"/"w" shortens it, to SOURCE's proportions
// (any case; anything else keeps its size), then stretches SOURCE onto it. A
// reshaped DEST is a new buffer, owned by the caller; the old one is destroyed.
void GFX_BUFFER_STRETCH_ASPECT(IMAGE*& SOURCE, IMAGE*& DEST, const std::string& ASPECT_CORRECTION);
// Blends the top-left 8 x 8 of the picture ASSET_PATH("\Assets\Fonts\" +
// FONT + ".png") over cells X1..X2 x Y1..Y2 of DEST_MASK (drawn into). ODD
// and EVEN are ignored.
void GFX_BUFFER_FILL(IMAGE* DEST_MASK, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t ODD,
                     int32_t EVEN, const std::string& FONT);
// The picture GFX_BUFFER_FILL reads for FONT.
std::string FILL_PATH(const std::string& FONT);
// Tiles SOURCE (read, not replaced) over DEST (drawn into, not replaced).
void GFX_BUFFER_REPEAT(IMAGE*& SOURCE, IMAGE*& DEST);
// Tiles the picture ASSET_PATH("\Assets\Sprites\" + FILENAME + ".png") over
// DEST (drawn into, not replaced).
void GFX_BUFFER_WALLPAPER(const std::string& FILENAME, IMAGE*& DEST);
// The picture GFX_BUFFER_WALLPAPER reads for FILENAME.
std::string WALLPAPER_PATH(const std::string& FILENAME);
// DEST is replaced by a new translucent grey ghost of itself, owned by the
// caller; the old buffer is destroyed. A is ignored.
void GFX_BUFFER_ALPHA(IMAGE*& DEST, int32_t A);
// DEST (destroyed if it held a buffer) becomes a new seamless tile made from
// SOURCE with the mask ASSET_PATH("\Code\Assets\Sprites\alpha mask.png"),
// owned by the caller. SOURCE is consumed (destroyed).
void GFX_QUILTIFY(IMAGE* SOURCE, IMAGE*& DEST);
// The same with the mask given as a buffer, stretched to SOURCE's size; each
// mask pixel's whole value is the weight of SOURCE (0..255), 255 minus it that
// of SOURCE shifted by half its size. SOURCE is consumed, MASK stays the
// caller's; a null MASK ends the program with the null-pointer report. Needs
// no open surface (its buffers are made as loaded pictures are).
void GFX_QUILTIFY_MASK(IMAGE* SOURCE, IMAGE* MASK, IMAGE*& DEST);
// The tile maker's two steps on buffers the caller owns, for callers that
// make their own buffers (and so can answer running out of memory).
// SHIFTED copies SOURCE into DEST (of SOURCE's size) shifted by half its size
// with wrap-around. FADE writes into DEST the cross-fade of LAYER1 (the
// picture) and LAYER2 (its shifted copy) through MASK, all of DEST's size; a
// size that differs ends the program with the illegal-call report.
void GFX_QUILTIFY_SHIFTED(IMAGE* SOURCE, IMAGE* DEST);
void GFX_QUILTIFY_FADE(const IMAGE* LAYER1, const IMAGE* LAYER2, const IMAGE* MASK, IMAGE* DEST);
