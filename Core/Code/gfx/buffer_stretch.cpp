#include <cmath>
#include <cstring>
#include <vector>

#include "gfx.h"
#include "runtime.h"
#include "string_support.h"

namespace {
// One destination row from source row `s` through the column map `col`:
// a plain copy when the map is the identity, pixel doubling when it is
// x / 2, and a gather otherwise.
enum class Columns { SAME, DOUBLED, MAPPED };

void stretch_row(uint32_t* d, const uint32_t* s, const std::vector<uint32_t>& col, Columns kind) {
    const size_t dw = col.size();
    switch (kind) {
        case Columns::SAME:
            std::memcpy(d, s, dw * 4);
            return;
        case Columns::DOUBLED:  // an odd width ends on the first half of a pair
            double_row(d, s, dw / 2);
            if (dw % 2) d[dw - 1] = s[dw / 2];
            return;
        case Columns::MAPPED:
            for (size_t x = 0; x < dw; ++x) d[x] = s[col[x]];
            return;
    }
}
}  // namespace

void GFX_BUFFER_STRETCH(IMAGE*& SOURCE, IMAGE*& DEST) {
    ROUTINE("Buffer Stretch", "GFX_BUFFER_STRETCH");
    need(SOURCE);
    need(DEST);
    const uint32_t sw = SOURCE->WIDTH, sh = SOURCE->HEIGHT, dw = DEST->WIDTH, dh = DEST->HEIGHT;
    // Products in 64 bits: a side of up to 2^18 pixels times an index of as
    // much cannot wrap. An index past the source is held at its last row or
    // column.
    std::vector<uint32_t> col(dw);
    bool same = true, doubled = true;
    for (uint32_t x = 0; x < dw; ++x) {
        col[x] = uint32_t(std::min<uint64_t>(uint64_t(sw) * x / dw, sw - 1));
        same = same && col[x] == x;
        doubled = doubled && col[x] == x / 2;
    }
    const Columns kind = same ? Columns::SAME : doubled ? Columns::DOUBLED : Columns::MAPPED;
    IMAGE* from = SOURCE;
    if (SOURCE == DEST) {  // read from a copy when drawing into the source itself
        from = need(image_create(int(sw), int(sh), 0x00000000, 32));
        check(image_put(from, 0, 0, SOURCE, PUT_COPY));
    }
    uint32_t last = 0;
    for (uint32_t y = 0; y < dh; ++y) {
        const uint32_t sy = uint32_t(std::min<uint64_t>(uint64_t(sh) * y / dh, sh - 1));
        uint32_t* d = image_row(DEST, y);
        if (y > 0 && sy == last)  // the row above came from the same source row
            std::memcpy(d, image_row(DEST, y - 1), size_t(dw) * 4);
        else
            stretch_row(d, image_row(from, sy), col, kind);
        last = sy;
    }
    if (from != SOURCE) image_destroy(from);
}

void GFX_BUFFER_STRETCH_ASPECT(IMAGE*& SOURCE, IMAGE*& DEST, const std::string& ASPECT_CORRECTION) {
    ROUTINE("Buffer Stretch", "GFX_BUFFER_STRETCH_ASPECT");
    need(SOURCE);
    need(DEST);
    const std::string mode = ascii_lower(ASPECT_CORRECTION);
    const uint32_t sw = SOURCE->WIDTH, sh = SOURCE->HEIGHT, dw = DEST->WIDTH, dh = DEST->HEIGHT;
    const double d = double(dw) / double(dh), s = double(sw) / double(sh);
    int64_t nw = dw, nh = dh;
    if ((mode == "height" || mode == "h") && d > s)
        nw = int64_t(std::nearbyint(double(uint64_t(sw) * dh) / double(sh)));
    else if ((mode == "width" || mode == "w") && d < s)
        nh = int64_t(std::nearbyint(double(uint64_t(sh) * dw) / double(sw)));
    // A very thin picture would round to zero pixels: keep at least one.
    nw = std::max<int64_t>(nw, 1);
    nh = std::max<int64_t>(nh, 1);
    if (nw != dw || nh != dh) {
        image_destroy(DEST);
        DEST = image_create(int(nw), int(nh), 0x00000000, 32);
    }
    GFX_BUFFER_STRETCH(SOURCE, DEST);
}
