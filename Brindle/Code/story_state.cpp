#include "story_state.h"

STORY_STATE STORY;

void STORY_RESET() {
    for (IMAGE*& img : DISPOUT.raw()) image_destroy(img);
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) image_destroy(PAGES(i).SCENE);
    image_destroy(FONTSHEET);
    STORY = STORY_STATE{};
}
