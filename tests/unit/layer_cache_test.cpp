// Frames composed from the layers a page keeps are the frames composed
// afresh, and a kept layer never outlives what it was made from.
#include <cstdlib>
#include <cstring>
#include <set>

#include "gfx/gfx.h"
#include "image_file.h"
#include "story_support.h"

namespace {
const fs::path SOURCE_ROOT = std::getenv("PROJECT_ROOT") ? std::getenv("PROJECT_ROOT") : ".";


bool same_rows(IMAGE* a, IMAGE* b) {
    if (!a || !b || a->WIDTH != b->WIDTH || a->HEIGHT != b->HEIGHT) return false;
    for (uint32_t y = 0; y < a->HEIGHT; ++y)
        if (std::memcmp(image_row(a, y), image_row(b, y), size_t(a->WIDTH) * 4) != 0) return false;
    return true;
}

// The frame's last steps worked out the plain way, one whole put at a time,
// from the kept scenery: the composition (gallery, bars, progress text),
// the output layer (the composition stretched) and the shown page (the
// output layer blended onto a cleared page). "" when all agree.
std::string last_steps_differ() {
    const int32_t p = PAGELOCATION;
    IMAGE* s7 = DISPOUT(p, LAYER_COMPOSITION);
    Image composition(image_create(320, 240, 0));
    image_put(composition.get(), 0, 0, DISPOUT(p, LAYER_SCENERY), PUT_COPY);
    if (STORY_GALLERY_SHOWN()) image_put(composition.get(), 0, 0, DISPOUT(0, LAYER_GALLERY), PUT_ALPHA);
    image_put(composition.get(), 0, 16, DISPOUT(p, LAYER_TITLE), PUT_ALPHA);
    image_put(composition.get(), 0, 160, DISPOUT(p, LAYER_TEXT), PUT_ALPHA);
    image_put(composition.get(), 0, 216, DISPOUT(p, LAYER_OPTIONS), PUT_ALPHA);
    if (STORY_PROGRESS_SHOWN()) {
        const STORY_PROGRESS_FIGURES f = STORY_PROGRESS();  // the counts this frame showed
        const std::string text = PROGRESS_TEXT(f.TALLY, f.TOTAL, f.TURNS, f.GRADE, SETTING_EFFICIENCY);
        IMAGE* c = composition.get();
        RENDER_SCROLL(STORY.PAGES(p), text, c, 0, 4, 0xFFFFFFFFu);
    }
    if (!same_rows(composition.get(), s7)) return "composition";
    Image output(image_create(640, 480, 0));
    IMAGE* o = output.get();
    GFX_BUFFER_STRETCH(s7, o);
    if (!same_rows(output.get(), DISPOUT(p, LAYER_OUTPUT))) return "output layer";
    Image shown(image_create(640, 480, 0x00000000));
    image_put(shown.get(), 0, 0, output.get(), PUT_ALPHA);
    if (!same_rows(shown.get(), surface_page(0))) return "shown page";
    return "";
}

uint32_t next(uint32_t& seed) { return seed = seed * 1664525u + 1013904223u; }
}  // namespace

using LayerCache = Story;

TEST_F(LayerCache, AWalkWithEveryToggleGivesTheFramesComposedAfresh) {
    const std::string root = SOURCE_ROOT.string();
    ASSERT_TRUE(STORY_OPEN(root, STORY_FRAMES).ok);
    // The walk: first a tour that reaches every page (the market's haggle
    // leads back to the market; conditions hide and show options; the dawn
    // leads to page 0 with the progress shown and the tower offered), going
    // through all four toggle combinations on every page it reaches; then
    // random keys from a fixed seed: toggles, keys that match nothing,
    // options the page offers or hides.
    const std::vector<std::string> tour = {"n", "m", "p", "p", "p", "m", "b", "b", "a", "b", "s", "k", "b", "w", "d", "e",
                                           "k", "g", "t", "l", "r", "e", "f", "r", "b", " ", "g", "f", "r", "r",
                                           "e", "c", "s", "r", "w", "k", "b", "d", "e", "k", "r", "n", "s", "k",
                                           "b", "w", "d", "e", "k", "g", "t", "b", "x"};
    std::vector<std::string> script = {"\b"};
    for (const std::string& option : tour)
        for (const char* key : {"\t", "\b", "x", "\t", "\b", "\t", option.c_str()}) script.push_back(key);
    std::vector<std::string> keys;
    std::vector<uint64_t> frames;
    std::set<int32_t> pages_seen;
    std::set<std::pair<int32_t, int>> page_toggles;  // (page, gallery * 2 + progress)
    int same_page_moves = 0, option_bar_changes = 0, resets_on_page_0 = 0, conditional_moves = 0;
    uint32_t seed = 7;
    for (size_t step = 0; step < script.size() + 400; ++step) {
        const int32_t at = STORY_LOCATION();
        const STORY_PAGE_TYPE& page = STORY_PAGES()(at);
        const std::string bar_before = STORY.LAYER_CACHE.OPTIONS;  // the option bar as last drawn
        const int32_t history_before = page.HISTORY;
        std::string key;
        if (step < script.size()) {
            key = script[step];
        } else {
            const uint32_t r = next(seed) >> 8;
            key = r % 10 < 2 ? "\t" : r % 10 < 4 ? "\b" : r % 10 < 5 ? "x" : page.OPTIONS(1 + int32_t(r % 4)).KEY;
            if (key.empty()) key = "x";
        }
        int32_t req = 0;
        if (const int32_t o = OPTION_CHOSEN(page, key)) req = page.OPTIONS(o).REQ;
        int32_t played = 0;
        for (int32_t i = 0; i <= STORY_PAGES().ubound(); ++i) played += STORY_PAGES()(i).HISTORY > 0;
        ASSERT_TRUE(STORY_PRESS(key).ok) << "step " << step;
        keys.push_back(key);
        frames.push_back(frame_hash());
        if (step % 3 == 0) {
            ASSERT_EQ(last_steps_differ(), "") << "step " << step;
        }

        const int32_t now = STORY_LOCATION();
        pages_seen.insert(now);
        page_toggles.insert({now, 2 * int(STORY_GALLERY_SHOWN()) + int(STORY_PROGRESS_SHOWN())});
        same_page_moves += now == at && STORY_PAGES()(at).HISTORY > history_before;
        option_bar_changes += now == at && STORY.LAYER_CACHE.OPTIONS != bar_before;
        resets_on_page_0 += now == 0 && STORY_PROGRESS_SHOWN() && played > 0;
        conditional_moves += now != at && req != 0;
    }
    // The walk reached what it is meant to: every page, every toggle
    // combination on most pages, options back to the same page, option bars
    // changing under the reader, page 0's reset and conditional options.
    EXPECT_EQ(int(pages_seen.size()), STORY_PAGES().ubound() + 1);
    int pages_with_all_toggles = 0;
    for (int32_t p : pages_seen) {
        int combos = 0;
        for (int t = 0; t < 4; ++t) combos += page_toggles.count({p, t});
        pages_with_all_toggles += combos == 4;
    }
    EXPECT_GE(pages_with_all_toggles, STORY_PAGES().ubound() + 1);
    EXPECT_GE(same_page_moves, 3);
    EXPECT_GE(option_bar_changes, 2);
    EXPECT_GE(resets_on_page_0, 2);
    EXPECT_GE(conditional_moves, 3);

    // The same keys with every kept layer dropped before each one.
    ASSERT_TRUE(STORY_OPEN(root, STORY_FRAMES).ok);
    for (size_t i = 0; i < keys.size(); ++i) {
        STORY_DROP_CACHES();
        ASSERT_TRUE(STORY_PRESS(keys[i]).ok);
        ASSERT_EQ(frame_hash(), frames[i]) << "step " << i << ", key " << int(keys[i][0]) << ", page " << STORY_LOCATION();
    }
}

TEST_F(LayerCache, EditedPicturesShowInTheNextFrame) {
    // The shipped story, copied, so its pictures can be changed under it.
    fs::copy(SOURCE_ROOT / "Brindle", "Brindle", fs::copy_options::recursive);
    ASSERT_TRUE(STORY_OPEN("", STORY_FRAMES).ok);
    STORY_PRESS("n");
    STORY_PRESS("m");  // the market: a scene picture and two figures
    ASSERT_EQ(STORY_LOCATION(), 4);
    STORY_PRESS("x");
    const uint64_t kept = frame_hash();
    ASSERT_EQ(STORY.LAYER_CACHE.PAGE, 4);

    auto afresh = [] {
        STORY_DROP_CACHES();
        STORY_PRESS("x");
        return frame_hash();
    };
    auto repaint = [](const std::string& path, uint32_t colour) {
        IMAGE* old = LoadRGBAFile(path.c_str());
        ASSERT_NE(old, nullptr) << path;
        IMAGE* img = image_create(int(old->WIDTH), int(old->HEIGHT), colour);
        ASSERT_TRUE(SavePNGFile(img, path.c_str(), 1));
        image_destroy(img);
        image_destroy(old);
    };
    // Each change in turn: the next frame shows it, as a frame composed afresh does.
    const std::vector<std::function<void()>> changes = {
        [&] { repaint("Brindle/Assets/Sprites/scene/market.png", 0xFF2040A0u); },
        [&] { repaint("Brindle/Assets/Sprites/npc/merchant.png", 0xFFFF0000u); },
        [&] { fs::remove("Brindle/Assets/Sprites/item/apple.png"); },
        [&] { repaint("Brindle/Assets/Sprites/background.png", 0xFF00FF00u); },
        [&] { repaint("Brindle/Assets/Sprites/interface/background.png", 0x80FFFFFFu); },
        [&] { repaint("Brindle/Assets/Fonts/Fill.png", 0xC0804020u); },
    };
    uint64_t before = kept;
    for (size_t i = 0; i < changes.size(); ++i) {
        changes[i]();
        STORY_PRESS("x");
        const uint64_t seen = frame_hash();
        EXPECT_NE(seen, before) << "change " << i << " did not show";
        EXPECT_EQ(seen, afresh()) << "change " << i;
        before = seen;
    }
}

TEST_F(LayerCache, KeptLayersGoWithTheirPageAndOnRestart) {
    ASSERT_TRUE(STORY_OPEN(SOURCE_ROOT.string(), STORY_FRAMES).ok);
    EXPECT_EQ(STORY.LAYER_CACHE.PAGE, 0);
    EXPECT_NE(DISPOUT(0, LAYER_SCENERY), nullptr);
    STORY_PRESS("n");
    EXPECT_EQ(STORY.LAYER_CACHE.PAGE, 1);
    EXPECT_EQ(DISPOUT(0, LAYER_SCENERY), nullptr);  // page 0 left: its kept layers released
    EXPECT_NE(DISPOUT(1, LAYER_SCENERY), nullptr);
    const uint64_t village = frame_hash();
    ASSERT_TRUE(STORY_RESTART().ok);
    EXPECT_EQ(DISPOUT(1, LAYER_SCENERY), nullptr);
    EXPECT_EQ(STORY.LAYER_CACHE.PAGE, 0);
    STORY_PRESS("n");
    EXPECT_EQ(frame_hash(), village);
    STORY_DROP_CACHES();
    EXPECT_EQ(STORY.LAYER_CACHE.PAGE, -1);
    EXPECT_EQ(DISPOUT(1, LAYER_SCENERY), nullptr);
    STORY_PRESS("x");
    EXPECT_EQ(frame_hash(), village);
}
