#include "picture.h"

#include <cstring>

IMAGE* new_picture(int64_t w, int64_t h) {
    IMAGE* img = image_alloc(w, h);
    if (img)
        for (uint32_t y = 0; y < img->HEIGHT; ++y)
            std::memset(image_row(img, y) + img->WIDTH, 0, img->PITCH - img->WIDTH * 4);
    return img;
}
