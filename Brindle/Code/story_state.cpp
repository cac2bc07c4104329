#include "story_state.h"

STORY_STATE STORY;

void STORY_RESET(STORY_STATE& state) {
    for (IMAGE*& img : state.DISPOUT.raw()) image_destroy(img);
    for (int32_t i = state.PAGES.lbound(); i <= state.PAGES.ubound(); ++i) image_destroy(state.PAGES(i).SCENE);
    image_destroy(state.FONTSHEET);
    state = STORY_STATE{};
}
