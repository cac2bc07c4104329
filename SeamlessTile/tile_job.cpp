#include "tile_job.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>
#include <optional>

#include "gfx/gfx.h"
#include "picture_io.h"
#include "runtime.h"
#include "scores.h"
#include "seam_cut.h"

namespace {
// Releases a buffer when the job ends, however it ends.
struct Owned {
    IMAGE* p = nullptr;
    Owned() = default;
    explicit Owned(IMAGE* q) : p(q) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { image_destroy(p); }
    void reset(IMAGE* q) {
        image_destroy(p);
        p = q;
    }
};

// Ends the job with "out of memory" when a buffer could not be made.
IMAGE* made(IMAGE* img) {
    if (!img) throw std::bad_alloc();
    return img;
}

std::string size_text(const IMAGE* img) {
    return std::to_string(img->WIDTH) + " x " + std::to_string(img->HEIGHT);
}

// The tile of one picture through the weights: the picture is consumed.
IMAGE* fade(Owned& picture, const IMAGE* weights) {
    Owned shifted(made(new_picture(picture.p->WIDTH, picture.p->HEIGHT)));
    GFX_QUILTIFY_SHIFTED(picture.p, shifted.p);
    IMAGE* tile = made(new_picture(picture.p->WIDTH, picture.p->HEIGHT));
    GFX_QUILTIFY_FADE(picture.p, shifted.p, weights, tile);
    picture.reset(nullptr);
    return tile;
}

// What a job holds at most at once, in bytes: the file, the picture, its
// shifted copy, mask and weights, the tile, and the encoder's rows and
// output; a map adds its own four; a preview nine tiles, twice; the cut its
// weights and its search (at most about 150 MB).
uint64_t job_bytes(int64_t w, int64_t h, const TileTask& task, bool cut) {
    const uint64_t picture = uint64_t(w) * uint64_t(h) * 4;
    return picture * (8 + 4 * (task.maps.empty() ? 0 : 1) + (task.preview.empty() ? 0 : 18) + (cut ? 2 : 0)) +
           (cut ? std::min<uint64_t>(picture * 3, uint64_t(150) << 20) : 0);
}

bool work(const TileTask& task, const TileSettings& settings, std::string& report, std::string& why) {
    std::vector<unsigned char> bytes;
    int64_t w64 = 0, h64 = 0;
    if (!read_file(task.input, bytes, why) || !picture_size(bytes, 2, w64, h64, why)) return false;
    std::optional<MemoryBudget::Share> share;
    if (settings.budget) share.emplace(*settings.budget, job_bytes(w64, h64, task, settings.cut));
    Owned picture(decode_picture(bytes, why));
    if (!picture.p) return false;
    std::vector<unsigned char>().swap(bytes);
    const int w = int(picture.p->WIDTH), h = int(picture.p->HEIGHT);

    Owned sized;
    const IMAGE* weights = settings.mask;
    if (!weights) weights = sized.p = made(make_mask(settings.shape, settings.blend, w, h));
    else if (weights->WIDTH != picture.p->WIDTH || weights->HEIGHT != picture.p->HEIGHT)
        weights = sized.p = made(mask_at_size(settings.mask, w, h));
    double input_seam = 0, input_detail = 0, input_spread = 0;
    if (settings.report) {
        input_seam = seam_score(picture.p);
        input_detail = detail_energy(picture.p);
        input_spread = spread(picture.p);
    }
    Owned cut;
    if (settings.cut) {
        Owned shifted(made(new_picture(w, h)));
        GFX_QUILTIFY_SHIFTED(picture.p, shifted.p);
        weights = cut.p = made(cut_weights(picture.p, shifted.p, weights, settings.feather));
    }
    if (!task.save_mask.empty() && !write_picture(task.save_mask, weights, PngKind::grey, settings.png, why))
        return false;
    Owned tile(fade(picture, weights));
    if (!write_picture(task.output, tile.p, PngKind::picture, settings.png, why)) return false;

    for (const MapTask& m : task.maps) {
        Owned map(read_picture(m.input, 2, why));
        if (!map.p) {
            why = m.input + ": " + why;
            return false;
        }
        if (map.p->WIDTH != tile.p->WIDTH || map.p->HEIGHT != tile.p->HEIGHT) {
            why = m.input + ": the map is " + size_text(map.p) + " pixels, the picture " + size_text(tile.p);
            return false;
        }
        Owned made_map(fade(map, weights));
        if (m.normal) renormalise(made_map.p, weights);
        if (!write_picture(m.output, made_map.p, PngKind::picture, settings.png, why)) return false;
    }
    if (!task.preview.empty()) {
        Owned preview(make_preview(tile.p));
        if (!preview.p) {
            why = "cannot make " + task.preview + ": a 3 x 3 repeat of " + std::to_string(w) + " x " +
                  std::to_string(h) + " pixels is past the picture limits";
            return false;
        }
        if (!write_picture(task.preview, preview.p, PngKind::picture, settings.png, why)) return false;
    }
    if (settings.report) {
        char exact[32];
        std::snprintf(exact, sizeof exact, "%.1f%%", 100 * exact_share(weights));
        report = task.input + ": seam " + score_text(input_seam) + " -> " + score_text(seam_score(tile.p)) +
                 ", exact copies " + exact + ", contrast " + score_text(ratio(spread(tile.p), input_spread)) +
                 ", detail " + score_text(detail_score(input_detail, detail_energy(tile.p)));
    }
    return true;
}
}  // namespace

IMAGE* make_preview(IMAGE* tile) {
    const int64_t w = tile->WIDTH, h = tile->HEIGHT;
    if (3 * w > MAX_PICTURE_SIDE || 3 * h > MAX_PICTURE_SIDE || 9 * w * h > MAX_PICTURE_PIXELS) return nullptr;
    IMAGE* p = new_picture(3 * w, 3 * h);
    if (!p) throw std::bad_alloc();
    for (int64_t y = 0; y < 3; ++y)
        for (int64_t x = 0; x < 3; ++x) check(image_put(p, float(x * w), float(y * h), tile, PUT_COPY));
    return p;
}

void renormalise(IMAGE* normals, const IMAGE* weights) {
    for (uint32_t y = 0; y < normals->HEIGHT; ++y) {
        uint32_t* row = image_row(normals, y);
        const uint32_t* m = image_row(weights, y);
        for (uint32_t x = 0; x < normals->WIDTH; ++x) {
            if (m[x] == 0 || m[x] >= 255) continue;
            double v[3], length = 0;
            for (int c = 0; c < 3; ++c) {
                v[c] = double((row[x] >> (16 - 8 * c)) & 0xFF) / 127.5 - 1;
                length += v[c] * v[c];
            }
            length = std::sqrt(length);
            if (length < 1e-6) continue;  // no direction to keep
            uint32_t p = row[x] & 0xFF000000u;
            for (int c = 0; c < 3; ++c)
                p |= uint32_t(std::lround(std::clamp((v[c] / length + 1) * 127.5, 0.0, 255.0))) << (16 - 8 * c);
            row[x] = p;
        }
    }
}

bool make_tile(const TileTask& task, const TileSettings& settings, std::string& report, std::string& why) {
    ROUTINE("Seamless Tile", "make_tile");
    try {
        return work(task, settings, report, why);
    } catch (const std::bad_alloc&) {
        why = OUT_OF_MEMORY;
        return false;
    }
}
