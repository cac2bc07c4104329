// PNG files to image buffers and back. Loaded buffers are released with
// image_destroy. Failures return null (or false) and leave the reason in
// GetLastResult().
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "image.h"

IMAGE* LoadRGBAFile(const char* filename);
IMAGE* LoadRGBAMemory(const void* buffer, size_t size);
std::string GetLastResult();
// BPP 4 writes RGBA when the low byte of save_alpha is non-zero, else RGB.
// Written through file_write: on failure the old file stays and
// GetLastResult() names the file and why.
bool SavePNGFile(IMAGE* buffer, const char* filename, int save_alpha);
