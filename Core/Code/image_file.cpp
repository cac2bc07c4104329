#include "image_file.h"

#include <stb_image.h>
#include <stb_image_write.h>

#include <climits>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/process.h"

namespace {
// Each thread sees the reason for its own last failure.
thread_local std::string g_last_result = "LoadImage initialized";


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
        (w > MAX_PICTURE_SIDE || h > MAX_PICTURE_SIDE || int64_t(w) * h > MAX_PICTURE_PIXELS)) {
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
        g_last_result = w > MAX_PICTURE_SIDE || h > MAX_PICTURE_SIDE ? "Image load failed picture too large !"
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

namespace {
// Decoded pictures, reused while their file keeps its identity: every frame
// loads the same few pictures, and a copy costs far less than a decode.
struct Cached {
    std::string path;
    FileIdentity id;
    IMAGE* img;
};
// The cache owns its copies until the process ends.
struct Cache : std::vector<Cached> {
    ~Cache() {
        for (Cached& c : *this) image_destroy(c.img);
    }
};
Cache g_cache;
size_t g_cache_bytes = 0;
std::mutex g_cache_lock;  // for g_cache and g_cache_bytes
constexpr size_t CACHE_LIMIT = size_t(64) << 20;

size_t bytes_of(const IMAGE* img) { return IMAGE_HEADER + size_t(img->PITCH) * img->HEIGHT; }

IMAGE* copy_of(const IMAGE* img) {
    IMAGE* c = image_alloc(img->WIDTH, img->HEIGHT);
    if (c) std::memcpy(c, img, bytes_of(img));
    return c;
}

void remember(const std::string& path, const FileIdentity& id, const IMAGE* img) {
    const size_t size = bytes_of(img);
    if (size > CACHE_LIMIT / 4) return;
    for (const Cached& c : g_cache)
        if (c.path == path) return;  // another thread decoded it meanwhile
    while (!g_cache.empty() && g_cache_bytes + size > CACHE_LIMIT) {  // the oldest go first
        g_cache_bytes -= bytes_of(g_cache.front().img);
        image_destroy(g_cache.front().img);
        g_cache.erase(g_cache.begin());
    }
    if (IMAGE* c = copy_of(img)) {
        g_cache.push_back({path, id, c});
        g_cache_bytes += size;
    }
}
}  // namespace

IMAGE* LoadRGBAFile(const char* filename) {
    if (!filename) {
        g_last_result = "Image load failed no filename !";
        return nullptr;
    }
    const std::string path = native_path(filename);
    FileIdentity id;
    const bool known = file_identity(path, id);
    {
        std::lock_guard<std::mutex> hold(g_cache_lock);
        for (auto it = g_cache.begin(); it != g_cache.end(); ++it) {
            if (it->path != path) continue;
            if (known && it->id == id) return copy_of(it->img);
            g_cache_bytes -= bytes_of(it->img);  // the file changed: decode it again
            image_destroy(it->img);
            g_cache.erase(it);
            break;
        }
    }
    std::string bytes;
    if (!file_read_all(filename, bytes)) {
        g_last_result = "can't fopen: " + file_why();
        return nullptr;
    }
    IMAGE* img = decode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    FileIdentity after;  // a file rewritten while it was read is not remembered
    if (img && known && file_identity(path, after) && after == id) {
        std::lock_guard<std::mutex> hold(g_cache_lock);
        remember(path, id, img);
    }
    return img;
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
            const auto* row = reinterpret_cast<const unsigned char*>(buffer) + IMAGE_HEADER + size_t(y) * buffer->PITCH;
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
    std::string png;
    const auto append = [](void* to, void* data, int size) {
        static_cast<std::string*>(to)->append(static_cast<const char*>(data), size_t(size));
    };
    if (!stbi_write_png_to_func(append, &png, w, h, channels, packed.data(), w * channels)) return false;
    std::string error;
    if (file_write(path, png, error)) return true;
    g_last_result = error;
    return false;
}
