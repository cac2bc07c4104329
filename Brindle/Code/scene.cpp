#include "scene.h"

#include <cmath>

#include "asset_path.h"
#include "conversions.h"
#include "file_support.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "string_support.h"

namespace {
// A picture from the asset tree, or a transparent 64 x 64 stand-in when the file is missing.
IMAGE* picture_or_blank(const std::string& path) {
    if (IS_FILE(path)) return LoadRGBAFile(path.c_str());
    return image_create(64, 64, 0x00000000, 32);
}
}  // namespace

std::string BACKDROP_PATH() { return ASSET_PATH("\\Assets\\Sprites\\interface\\background.png"); }

std::string SCENE_PICTURE_PATH(const std::string& SPRITE) {
    return ASSET_PATH("\\Assets\\Sprites\\scene\\" + SPRITE + ".png");
}

std::string ENTITY_SPRITE_PATH(const std::string& SUBJECT) {
    std::string CLASSIFICATION, ID, subject = SUBJECT;
    int32_t COUNT = 0;
    ENTITY_PARTS(subject, CLASSIFICATION, ID, COUNT);
    return ASSET_PATH("\\Assets\\Sprites\\" + CLASSIFICATION + "\\" + ID + ".png");
}

std::string PICTURE_DESCRIPTION_PATH(const std::string& picture) {
    const std::string png = ".png";
    if (picture.size() >= png.size() && picture.compare(picture.size() - png.size(), png.size(), png) == 0)
        return picture.substr(0, picture.size() - png.size()) + ".txt";
    return picture + ".txt";
}

void PAGE_PICTURES(const STORY_PAGE_TYPE& PAGE, std::vector<STORY_FILE_TYPE>& files) {
    files.push_back({STORY_FILE_SCENE, SCENE_PICTURE_PATH(PAGE.SPRITE), PAGE.INDEX});
    for (int32_t i = 1; i <= PAGE.ENTITY.ubound(); ++i)
        files.push_back({STORY_FILE_FIGURE, ENTITY_SPRITE_PATH(PAGE.ENTITY(i)), PAGE.INDEX, i});
}

void SCENE_RENDER(STORY_PAGE_TYPE& PAGE) {
    ROUTINE("Scene", "SCENE_RENDER");
    // Released however this ends: a library caller gets a fault back as an
    // exception (a picture that cannot be decoded) and goes on.
    struct Owned {
        IMAGE* p;
        ~Owned() { image_destroy(p); }
    } backdrop{picture_or_blank(BACKDROP_PATH())}, source{picture_or_blank(SCENE_PICTURE_PATH(PAGE.SPRITE))};
    IMAGE*& BACKDROP = backdrop.p;
    IMAGE*& SOURCE = source.p;
    GFX_BUFFER_REPEAT(BACKDROP, DISPOUT(PAGE.INDEX, LAYER_BACKGROUND));
    GFX_BUFFER_STRETCH_ASPECT(SOURCE, DISPOUT(PAGE.INDEX, LAYER_FRAME), "height");
    image_destroy(PAGE.SCENE);
    IMAGE* frame0 = need(DISPOUT(0, LAYER_FRAME));
    PAGE.SCENE = image_create(int(2 * frame0->WIDTH), int(2 * frame0->HEIGHT), 0x00000000, 32);
    ENTITY_RENDER(PAGE.ENTITY, PAGE.SCENE);
}

void ENTITY_PARTS(std::string& SUBJECT, std::string& CLASSIFICATION, std::string& ID, int32_t& COUNT) {
    ROUTINE("Scene", "ENTITY_PARTS");
    if (STRPOS(" = ", SUBJECT) > 0) {
        CLASSIFICATION = ascii_lower(PREFIX(" = ", SUBJECT));
        SUBJECT = SUFFIX(" = ", SUBJECT);
    }
    if (STRPOS(":", SUBJECT) > 0) {
        COUNT = S2I(PREFIX(":", SUBJECT));
        SUBJECT = SUFFIX(":", SUBJECT);
    }
    ID = SUBJECT;
}

IMAGE* ENTITY_SPRITE(const std::string& SUBJECT) {
    ROUTINE("Scene", "ENTITY_SPRITE");
    const std::string path = ENTITY_SPRITE_PATH(SUBJECT);
    if (IS_FILE(path)) return LoadRGBAFile(path.c_str());
    return nullptr;
}

void ENTITY_SCALE(IMAGE* SOURCE, IMAGE*& DEST) {
    ROUTINE("Scene", "ENTITY_SCALE");
    if (!SOURCE) return;
    image_destroy(DEST);
    DEST = image_create(FIGURE_HEIGHT, FIGURE_HEIGHT, 0x00000000, 32);
    GFX_BUFFER_STRETCH_ASPECT(SOURCE, DEST, "height");
}

void ENTITY_RENDER(Array<std::string>& ENTITY, IMAGE*& DEST) {
    ROUTINE("Scene", "ENTITY_RENDER");
    need(DEST);
    const double CX = DEST->WIDTH / 2, CY = DEST->HEIGHT / 2;
    std::string CLASSIFICATION, ID;
    int32_t COUNT = 0;
    const int32_t N = ENTITY.ubound();
    for (int32_t ENTITY_INDEX = 1; ENTITY_INDEX <= N; ++ENTITY_INDEX) {
        std::string subject = ENTITY(ENTITY_INDEX);
        ENTITY_PARTS(subject, CLASSIFICATION, ID, COUNT);  // no " = ": the previous class stays
        double X0, Y0;
        ENTITY_OFFSET(ENTITY_INDEX, N, CLASSIFICATION, X0, Y0);
        IMAGE* ENTITY_SPRITE_SOURCE = ENTITY_SPRITE(ENTITY(ENTITY_INDEX));
        if (!ENTITY_SPRITE_SOURCE) continue;
        IMAGE* ENTITY_SPRITE_SCALED = nullptr;
        ENTITY_SCALE(ENTITY_SPRITE_SOURCE, ENTITY_SPRITE_SCALED);
        if (ENTITY_SPRITE_SCALED) {
            const double X2 = (CX - X0) - ENTITY_SPRITE_SCALED->WIDTH / 2.0;
            const double Y2 = (CY - Y0) - ENTITY_SPRITE_SCALED->HEIGHT / 2.0;
            check(image_put(DEST, float(X2), float(Y2), ENTITY_SPRITE_SCALED, PUT_ALPHA));
            image_destroy(ENTITY_SPRITE_SCALED);
        }
        image_destroy(ENTITY_SPRITE_SOURCE);
    }
}

void ENTITY_OFFSET(int32_t index, int32_t count, const std::string& CLASSIFICATION, double& x, double& y) {
    const double TURN = 6.283185307179586;
    const double R = double(index) / double(count);
    x = -std::cos(TURN * R);
    y = std::sin(TURN * R);
    if (CLASSIFICATION == "npc") {
        x = 48 * x;
        y = 24 * y;
    } else if (CLASSIFICATION == "item") {
        x = 120 * x;
        y = 32 * y;
    }
}
