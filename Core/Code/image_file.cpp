#include "image_file.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <climits>
#include <cstring>
#include <vector>

#include "platform/process.h"

namespace {
std::string g_last_result = "LoadImage initialized";

// Widest picture whose row still fits a 20-bit pitch.
constexpr int MAX_WIDTH = 262140;
// Most pixels a picture may have (256 MB decoded): a small file claiming a
// huge picture must not take all the memory there is.
constexpr int64_t MAX_PIXELS = int64_t(1) << 26;

IMAGE* decode(const unsigned char* bytes, size_t size) {
    if (size > size_t(INT_MAX)) {
        g_last_result = "Image load failed picture too large !";
        return nullptr;
    }
    // PNG only: the decoder would also take other formats, some of which
    // claim vast pictures in a few bytes.
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 8 || std::memcmp(bytes, SIGNATURE, 8) != 0) {
        g_last_result = "Image load failed not a PNG file !";
        return nullptr;
    }
    int w = 0, h = 0, channels = 0;
    if (stbi_info_from_memory(bytes, int(size), &w, &h, &channels) &&
        (w > MAX_WIDTH || h > MAX_WIDTH || int64_t(w) * h > MAX_PIXELS)) {
        g_last_result = "Image load failed picture too large !";
        return nullptr;
    }
    unsigned char* rgba = stbi_load_from_memory(bytes, int(size), &w, &h, &channels, 4);
    if (!rgba) {
        const char* why = stbi_failure_reason();
        g_last_result = why ? why : "unknown image error";
        return nullptr;
    }
    IMAGE* img = image_alloc(w, h);
    if (!img) {
        stbi_image_free(rgba);
        g_last_result = w > MAX_WIDTH || h > MAX_WIDTH ? "Image load failed picture too large !"
                                                       : "Image load failed out of memory !";
        return nullptr;
    }
    const unsigned char* s = rgba;
    for (int y = 0; y < h; ++y) {
        uint32_t* row = image_row(img, uint32_t(y));
        for (int x = 0; x < w; ++x, s += 4)
            row[x] = uint32_t(s[3]) << 24 | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
    }
    stbi_image_free(rgba);
    return img;
}
}  // namespace

IMAGE* LoadRGBAFile(const char* filename) {
    if (!filename) {
        g_last_result = "Image load failed no filename !";
        return nullptr;
    }
    std::string bytes;
    if (!file_read_all(filename, bytes)) {
        g_last_result = "can't fopen";
        return nullptr;
    }
    return decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

IMAGE* LoadRGBAMemory(const void* buffer, size_t size) {
    if (!buffer) {
        g_last_result = "Image load failed no buffer !";
        return nullptr;
    }
    if (size < 10) {
        g_last_result = "Image load failed wrong buffersize !";
        return nullptr;
    }
    return decode(static_cast<const unsigned char*>(buffer), size);
}

std::string GetLastResult() { return g_last_result; }

bool SavePNGFile(IMAGE* buffer, const char* filename, int save_alpha) {
    if (!buffer || !filename || buffer->TYPE != 7 || buffer->WIDTH < 1 || buffer->HEIGHT < 1) return false;
    const int w = int(buffer->WIDTH), h = int(buffer->HEIGHT);
    const std::string path = native_path(filename);
    std::vector<unsigned char> packed;
    int channels;
    if (buffer->BPP == 1 || buffer->BPP == 2) {
        channels = buffer->BPP;
        packed.resize(size_t(w) * h * channels);
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const unsigned char*>(buffer) + 32 + size_t(y) * buffer->PITCH;
            std::copy(row, row + size_t(w) * channels, packed.begin() + ptrdiff_t(size_t(y) * w * channels));
        }
    } else if (buffer->BPP == 4) {
        channels = (save_alpha & 0xFF) ? 4 : 3;
        packed.resize(size_t(w) * h * channels);
        unsigned char* d = packed.data();
        for (int y = 0; y < h; ++y) {
            const uint32_t* row = image_row(buffer, uint32_t(y));
            for (int x = 0; x < w; ++x) {
                uint32_t p = row[x];
                *d++ = uint8_t(p >> 16);
                *d++ = uint8_t(p >> 8);
                *d++ = uint8_t(p);
                if (channels == 4) *d++ = uint8_t(p >> 24);
            }
        }
    } else {
        return false;
    }
    return stbi_write_png(path.c_str(), w, h, channels, packed.data(), w * channels) != 0;
}
