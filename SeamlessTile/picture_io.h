// Pictures in and out of PNG files, for one file at a time on any thread.
// Failures come back as a reason in plain words, never as a stop.
#pragma once
#include <cstdint>
#include <string>

#include "image.h"
#include "png_writer.h"

// The largest picture read is the picture loader's (MAX_PICTURE_SIDE,
// MAX_PICTURE_PIXELS in image.h).

// A new buffer whose pixels the caller writes (row padding zeroed); made
// without a drawing surface, as the picture loader makes its buffers. Null
// when the size is past the limits or memory runs out.
IMAGE* new_picture(int64_t w, int64_t h);

// Reads a PNG file into a buffer. A picture narrower or shorter than
// `min_side`, or past the limits above, is refused from its header, before
// anything is decoded. Null with `why` set on failure.
IMAGE* read_picture(const std::string& path, int min_side, std::string& why);

// How a buffer is written: as a picture (RGB when every pixel is opaque,
// else RGBA) or as a grey picture of each pixel's low byte (a mask's weight).
enum class PngKind { picture, grey };

// How PNG files are written: the encoder's effort and the threads it may use.
struct PngSettings {
    PngEffort effort = PngEffort::fast;
    unsigned threads = 1;
};

// Writes the buffer as a PNG file. The bytes go to a new temporary file
// beside `path`, which replaces `path` only once it is complete; on any
// failure it is removed and `path` is untouched. False with `why` set.
bool write_picture(const std::string& path, const IMAGE* img, PngKind kind, const PngSettings& png, std::string& why);
