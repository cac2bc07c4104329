#include "tile_job.h"

#include "gfx/gfx.h"
#include "picture_io.h"
#include "runtime.h"
#include "scores.h"

namespace {
// Releases a buffer when the job ends, however it ends.
struct Owned {
    IMAGE* p = nullptr;
    ~Owned() { image_destroy(p); }
};
}  // namespace

IMAGE* make_preview(IMAGE* tile) {
    const int64_t w = tile->WIDTH, h = tile->HEIGHT;
    if (3 * w > MAX_PICTURE_SIDE || 3 * h > MAX_PICTURE_SIDE || 9 * w * h > MAX_PICTURE_PIXELS) return nullptr;
    IMAGE* p = new_picture(3 * w, 3 * h);
    if (!p) return nullptr;
    for (int64_t y = 0; y < 3; ++y)
        for (int64_t x = 0; x < 3; ++x) check(image_put(p, float(x * w), float(y * h), tile, PUT_COPY));
    return p;
}

bool make_tile(const TileTask& task, const TileSettings& settings, std::string& report, std::string& why) {
    ROUTINE("Seamless Tile", "make_tile");
    Owned picture, mask, tile;
    picture.p = read_picture(task.input, 2, why);
    if (!picture.p) return false;
    const int w = int(picture.p->WIDTH), h = int(picture.p->HEIGHT);
    IMAGE* weights = settings.mask;
    if (!weights) weights = mask.p = need(make_mask(settings.shape, settings.blend, w, h));
    if (!task.save_mask.empty()) {
        Owned sized;
        IMAGE* out = weights;
        if (out->WIDTH != picture.p->WIDTH || out->HEIGHT != picture.p->HEIGHT) out = sized.p = need(mask_at_size(weights, w, h));
        if (!write_picture(task.save_mask, out, PngKind::grey, settings.png, why)) return false;
    }
    double input_seam = 0, input_detail = 0;
    if (settings.report) {
        input_seam = seam_score(picture.p);
        input_detail = detail_energy(picture.p);
    }
    IMAGE* source = picture.p;
    picture.p = nullptr;  // consumed by the tile maker
    GFX_QUILTIFY_MASK(source, weights, tile.p);
    if (!write_picture(task.output, tile.p, PngKind::picture, settings.png, why)) return false;
    if (!task.preview.empty()) {
        Owned preview;
        preview.p = make_preview(tile.p);
        if (!preview.p) {
            why = "cannot make " + task.preview + ": a 3 x 3 repeat of " + std::to_string(w) + " x " +
                  std::to_string(h) + " pixels is past the picture limits";
            return false;
        }
        if (!write_picture(task.preview, preview.p, PngKind::picture, settings.png, why)) return false;
    }
    if (settings.report)
        report = task.input + ": seam " + score_text(input_seam) + " -> " + score_text(seam_score(tile.p)) +
                 ", detail " + score_text(detail_score(input_detail, detail_energy(tile.p)));
    return true;
}
