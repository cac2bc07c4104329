#include "story_state.h"

STORY_STATE STORY;

void LAYERS_DROP_CACHE() {
    STORY.LAYER_CACHE = LAYER_CACHE_TYPE{};
    if (DISPOUT.lbound2() > LAYER_SCENERY || DISPOUT.ubound2() < LAYER_SCENERY) return;
    for (int32_t i = DISPOUT.lbound1(); i <= DISPOUT.ubound1(); ++i) {
        image_destroy(DISPOUT(i, LAYER_SCENERY));
        DISPOUT(i, LAYER_SCENERY) = nullptr;
    }
}

void STORY_RESET() {
    LAYERS_DROP_CACHE();
    for (IMAGE*& img : DISPOUT.raw()) image_destroy(img);
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) image_destroy(PAGES(i).SCENE);
    image_destroy(FONTSHEET);
    STORY = STORY_STATE{};
}
