#include "picture_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "image_file.h"
#include "platform/file_write.h"
#include "png_reader.h"

namespace {
std::string size_text(int64_t w, int64_t h) { return std::to_string(w) + " x " + std::to_string(h) + " pixels"; }

uint32_t big_endian(const unsigned char* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// 4 channels when any pixel is not opaque, else 3 (a grey picture: 1).
int channels_of(const IMAGE* img, PngKind kind) {
    if (kind == PngKind::grey) return 1;
    for (uint32_t y = 0; y < img->HEIGHT; ++y) {
        const uint32_t* row = image_row(img, y);
        for (uint32_t x = 0; x < img->WIDTH; ++x)
            if (row[x] < 0xFF000000u) return 4;
    }
    return 3;
}
}  // namespace

bool read_file(const std::string& path, std::vector<unsigned char>& bytes, std::string& why) {
    // Not blocking: a FIFO would otherwise wait here for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0;
    if (!ok) why = std::strerror(errno);
    else if (S_ISDIR(st.st_mode)) ok = false, why = "is a folder, not a file";
    else if (!S_ISREG(st.st_mode)) ok = false, why = "not a regular file";
    else if (st.st_size > INT_MAX) ok = false, why = "file too large to be a picture read here";
    if (ok) {
        try {
            bytes.resize(size_t(st.st_size));
        } catch (...) {
            ::close(fd);
            throw;
        }
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ok = false, why = std::strerror(errno);
                break;
            }
            if (n == 0) break;  // shrank while read: what there is gets checked
            got += size_t(n);
        }
        bytes.resize(got);
    }
    ::close(fd);
    return ok;
}

bool picture_size(const std::vector<unsigned char>& bytes, int min_side, int64_t& w, int64_t& h, std::string& why) {
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || std::memcmp(bytes.data(), SIGNATURE, 8) != 0) {
        why = "not a PNG file";
        return false;
    }
    // The size, from the header chunk that must come first.
    if (bytes.size() < 24 || std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) {
        why = "damaged PNG file: no picture header";
        return false;
    }
    w = big_endian(&bytes[16]), h = big_endian(&bytes[20]);
    if (w > MAX_PICTURE_SIDE || h > MAX_PICTURE_SIDE || w * h > MAX_PICTURE_PIXELS) {
        why = "picture of " + size_text(w, h) + " is too large (at most 64 megapixels and " +
              std::to_string(MAX_PICTURE_SIDE) + " pixels a side)";
        return false;
    }
    if (w < min_side || h < min_side) {
        why = "picture of " + size_text(w, h) + " is too small (a tile needs at least " +
              std::to_string(min_side) + " pixels each way)";
        return false;
    }
    return true;
}

// The PNG reader's short reasons, in an artist's words; others as they are.
static std::string damage(const std::string& reason) {
    static const std::pair<const char*, const char*> WORDS[] = {
        {"outofdata", "it ends too soon"},
        {"unexpected end", "it ends too soon"},
        {"read past buffer", "it ends too soon"},
        {"no IDAT", "it holds no pixels"},
        {"not enough pixels", "it holds fewer pixels than its size says"},
        {"bad zlib header", "its compressed pixels are damaged"},
        {"bad huffman code", "its compressed pixels are damaged"},
        {"bad codelengths", "its compressed pixels are damaged"},
        {"bad dist", "its compressed pixels are damaged"},
        {"bad codes", "its compressed pixels are damaged"},
        {"output buffer limit", "its compressed pixels are damaged"},
        {"invalid filter", "its compressed pixels are damaged"},
    };
    std::string text = reason;
    for (const auto& [code, words] : WORDS)
        if (reason == code) text = words;
    return "damaged PNG file" + (text.empty() ? std::string() : ": " + text);
}

IMAGE* decode_picture(const std::vector<unsigned char>& bytes, std::string& why) {
    // The usual pictures the quick way; the rest as the library reads them.
    if (IMAGE* quick = decode_png_quickly(bytes.data(), bytes.size())) return quick;
    IMAGE* img = LoadRGBAMemory(bytes.data(), bytes.size());
    if (!img) {
        const std::string reason = GetLastResult();
        if (reason.find("out of memory") != std::string::npos || reason == "outofmem") why = OUT_OF_MEMORY;
        else why = damage(reason);
    }
    return img;
}

IMAGE* read_picture(const std::string& path, int min_side, std::string& why) {
    std::vector<unsigned char> bytes;
    int64_t w = 0, h = 0;
    if (!read_file(path, bytes, why) || !picture_size(bytes, min_side, w, h, why)) return nullptr;
    return decode_picture(bytes, why);
}

bool write_picture(const std::string& path, const IMAGE* img, PngKind kind, const PngSettings& settings,
                   std::string& why) {
    std::vector<unsigned char> png;
    if (!encode_png(img, channels_of(img, kind), settings.effort, settings.threads, png)) {
        why = OUT_OF_MEMORY;
        return false;
    }
    return file_write(path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), why);
}
