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

// The kept layers live in DISPOUT and the cache's record in the state, so
// releasing the state releases them.
void STORY_RESET(STORY_STATE& state) {
    for (IMAGE*& img : state.DISPOUT.raw()) image_destroy(img);
    for (int32_t i = state.PAGES.lbound(); i <= state.PAGES.ubound(); ++i) image_destroy(state.PAGES(i).SCENE);
    image_destroy(state.FONTSHEET);
    state = STORY_STATE{};
}
