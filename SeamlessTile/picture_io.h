// Pictures in and out of PNG files, for one file at a time on any thread.
// Failures come back as a reason in plain words, never as a stop.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "picture.h"
#include "png_writer.h"

// The reason given when memory runs out, wherever it does.
inline const char* const OUT_OF_MEMORY = "out of memory";

// Reads a whole file. Anything but a regular file (a folder, a FIFO, a
// device) is refused at once, without waiting for a writer. False with `why`
// set; a lack of memory throws std::bad_alloc.
bool read_file(const std::string& path, std::vector<unsigned char>& bytes, std::string& why);

// The picture's size, from the header of a PNG file's bytes. A picture
// narrower or shorter than `min_side`, or past the limits above, is refused.
bool picture_size(const std::vector<unsigned char>& bytes, int min_side, int64_t& w, int64_t& h, std::string& why);

// Decodes a PNG file's bytes that picture_size() accepted. Null with `why` set.
IMAGE* decode_picture(const std::vector<unsigned char>& bytes, std::string& why);

// read_file, picture_size and decode_picture in one: null with `why` set.
IMAGE* read_picture(const std::string& path, int min_side, std::string& why);

// How a buffer is written: as a picture (RGB when every pixel is opaque,
// else RGBA) or as a grey picture of each pixel's low byte (a mask's weight).
enum class PngKind { picture, grey };

// How PNG files are written: the encoder's effort and the threads it may use.
struct PngSettings {
    PngEffort effort = PngEffort::fast;
    unsigned threads = 1;
};

// Writes the buffer as a PNG file through the platform's file writer: `path`
// is replaced only by a complete file, and on any failure it is untouched.
// False with `why` set.
bool write_picture(const std::string& path, const IMAGE* img, PngKind kind, const PngSettings& png, std::string& why);
