#include "png_reader.h"

#include <libdeflate.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "picture.h"

namespace {
uint32_t big_endian(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

struct Header {
    uint32_t w = 0, h = 0;
    int type = 0;      // colour type: 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    int channels = 0;  // bytes a pixel
};

// The samples of one row, unfiltered in place; `up` is the row above (zeros
// above the first). False for an unknown filter.
bool unfilter(int filter, unsigned char* row, const unsigned char* up, size_t n, size_t bpp) {
    switch (filter) {
        case 0:
            return true;
        case 1:
            for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + row[i - bpp]);
            return true;
        case 2:
            for (size_t i = 0; i < n; ++i) row[i] = uint8_t(row[i] + up[i]);
            return true;
        case 3:
            for (size_t i = 0; i < bpp; ++i) row[i] = uint8_t(row[i] + (up[i] >> 1));
            for (size_t i = bpp; i < n; ++i) row[i] = uint8_t(row[i] + ((row[i - bpp] + up[i]) >> 1));
            return true;
        case 4:
            for (size_t i = 0; i < bpp; ++i) row[i] = uint8_t(row[i] + up[i]);  // Paeth with nothing left: the byte above
            for (size_t i = bpp; i < n; ++i) {
                const int a = row[i - bpp], b = up[i], c = up[i - bpp];
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                row[i] = uint8_t(row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
            }
            return true;
        default:
            return false;
    }
}

struct Decompressor {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    ~Decompressor() { libdeflate_free_decompressor(d); }
};
}  // namespace

IMAGE* decode_png_quickly(const unsigned char* data, size_t size) {
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 33 || std::memcmp(data, SIGNATURE, 8) != 0 || big_endian(data + 8) != 13 ||
        std::memcmp(data + 12, "IHDR", 4) != 0)
        return nullptr;
    Header hd;
    hd.w = big_endian(data + 16), hd.h = big_endian(data + 20);
    hd.type = data[25];
    // 8 bits a sample, deflate, the usual filters, not interlaced.
    if (data[24] != 8 || data[26] != 0 || data[27] != 0 || data[28] != 0) return nullptr;
    hd.channels = hd.type == 0 || hd.type == 3 ? 1 : hd.type == 4 ? 2 : hd.type == 2 ? 3 : hd.type == 6 ? 4 : 0;
    if (!hd.channels || hd.w == 0 || hd.h == 0 || hd.w > MAX_PICTURE_SIDE || hd.h > MAX_PICTURE_SIDE ||
        int64_t(hd.w) * hd.h > MAX_PICTURE_PIXELS)
        return nullptr;

    // The chunks: the palette and transparency before the picture data, the
    // picture data in consecutive chunks, and an end. Anything else unusual
    // (an unknown chunk the file says is needed) goes to the library's loader.
    uint32_t palette[256];
    size_t colours = 0;
    const unsigned char* trns = nullptr;
    size_t trns_size = 0;
    std::vector<std::pair<const unsigned char*, size_t>> parts;
    bool ended = false, data_done = false;
    for (size_t at = 33; !ended;) {
        if (size - at < 12) return nullptr;
        const size_t length = big_endian(data + at);
        const unsigned char* type = data + at + 4;
        if (length > size - at - 12) return nullptr;
        const unsigned char* body = data + at + 8;
        const bool idat = std::memcmp(type, "IDAT", 4) == 0;
        if (!parts.empty() && !idat) data_done = true;
        if (idat) {
            if (data_done) return nullptr;
            parts.emplace_back(body, length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            ended = true;
        } else if (std::memcmp(type, "PLTE", 4) == 0) {
            if (!parts.empty() || colours || length == 0 || length % 3 || length > 768) return nullptr;
            colours = length / 3;
            for (size_t i = 0; i < colours; ++i)
                palette[i] = 0xFF000000u | uint32_t(body[3 * i]) << 16 | uint32_t(body[3 * i + 1]) << 8 | body[3 * i + 2];
        } else if (std::memcmp(type, "tRNS", 4) == 0) {
            if (!parts.empty() || trns) return nullptr;
            trns = body, trns_size = length;
        } else if (std::memcmp(type, "IHDR", 4) == 0 || !(type[0] & 0x20)) {
            return nullptr;
        }
        at += 12 + length;
    }
    if (parts.empty() || (hd.type == 3 && !colours)) return nullptr;
    // Transparency: alphas for the first palette entries, or the one grey or
    // RGB value (each sample below 256) that is transparent.
    int key[3] = {-1, -1, -1};
    if (trns) {
        if (hd.type == 3) {
            if (trns_size > colours) return nullptr;
            for (size_t i = 0; i < trns_size; ++i) palette[i] = (palette[i] & 0xFFFFFFu) | uint32_t(trns[i]) << 24;
        } else if (hd.type == 0 || hd.type == 2) {
            const size_t samples = hd.type == 0 ? 1 : 3;
            if (trns_size != 2 * samples) return nullptr;
            for (size_t k = 0; k < samples; ++k) {
                if (trns[2 * k] != 0) return nullptr;
                key[k] = trns[2 * k + 1];
            }
        } else {
            return nullptr;
        }
    }

    const size_t stride = size_t(hd.w) * size_t(hd.channels), expected = size_t(hd.h) * (stride + 1);
    std::vector<unsigned char> joined;
    const unsigned char* in = parts[0].first;
    size_t in_size = parts[0].second;
    if (parts.size() > 1) {
        size_t total = 0;
        for (const auto& p : parts) total += p.second;
        joined.reserve(total);
        for (const auto& p : parts) joined.insert(joined.end(), p.first, p.first + p.second);
        in = joined.data(), in_size = joined.size();
    }
    std::unique_ptr<unsigned char[]> raw(new unsigned char[expected]);
    Decompressor z;
    if (!z.d) throw std::bad_alloc();
    if (libdeflate_zlib_decompress(z.d, in, in_size, raw.get(), expected, nullptr) != LIBDEFLATE_SUCCESS) return nullptr;
    std::vector<unsigned char>().swap(joined);

    IMAGE* img = new_picture(hd.w, hd.h);
    if (!img) throw std::bad_alloc();
    const std::vector<unsigned char> zeros(stride, 0);
    const unsigned char* up = zeros.data();
    for (uint32_t y = 0; y < hd.h; ++y) {
        unsigned char* row = raw.get() + size_t(y) * (stride + 1);
        if (!unfilter(row[0], row + 1, up, stride, size_t(hd.channels))) {
            image_destroy(img);
            return nullptr;
        }
        const unsigned char* s = row + 1;
        uint32_t* d = image_row(img, y);
        switch (hd.type) {
            case 0:
                for (uint32_t x = 0; x < hd.w; ++x)
                    d[x] = (s[x] == key[0] ? 0u : 0xFF000000u) | uint32_t(s[x]) * 0x010101u;
                break;
            case 2:
                for (uint32_t x = 0; x < hd.w; ++x, s += 3) {
                    const bool clear = s[0] == key[0] && s[1] == key[1] && s[2] == key[2];
                    d[x] = (clear ? 0u : 0xFF000000u) | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
                }
                break;
            case 3:  // an index past the palette is opaque black
                for (uint32_t x = 0; x < hd.w; ++x) d[x] = s[x] < colours ? palette[s[x]] : 0xFF000000u;
                break;
            case 4:
                for (uint32_t x = 0; x < hd.w; ++x, s += 2) d[x] = uint32_t(s[1]) << 24 | uint32_t(s[0]) * 0x010101u;
                break;
            default:
                for (uint32_t x = 0; x < hd.w; ++x, s += 4)
                    d[x] = uint32_t(s[3]) << 24 | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
                break;
        }
        up = row + 1;
    }
    return img;
}
