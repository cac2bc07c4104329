#include "random_play.h"

#include <array>
#include <map>

#include "engine.h"
#include "paging_module.h"
#include "runtime.h"
#include "story_shape.h"

namespace {
// PCG32 (O'Neill), written out here so that a seed gives the same choices
// with every compiler and standard library.
class Pcg32 {
public:
    explicit Pcg32(uint64_t seed) {
        next();
        state_ += seed;
        next();
    }
    uint32_t next() {
        const uint64_t old = state_;
        state_ = old * 6364136223846793005ull + INC;
        const uint32_t xorshifted = uint32_t(((old >> 18) ^ old) >> 27);
        const uint32_t rot = uint32_t(old >> 59);
        return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
    }
    // Uniform in 0 .. n - 1 (n > 0), without the modulo's bias.
    uint32_t below(uint32_t n) {
        const uint32_t threshold = (0u - n) % n;
        for (;;)
            if (const uint32_t r = next(); r >= threshold) return r % n;
    }

private:
    static constexpr uint64_t INC = 0xDA3E39CB94B95BDBull << 1 | 1;
    uint64_t state_ = 0;
};

// The key each option is taken with ("" when none gives it), by page and slot.
using PressedKeys = std::vector<std::array<std::string, 5>>;

// The slots a key press takes now on page p: its condition holds, a key
// gives it, and no earlier option takes the same key first. Faults (a
// condition naming a page outside the story) come back as FatalReport.
int available(const STORY_PAGE_TYPE& page, const std::array<std::string, 5>& pressed, std::array<int32_t, 4>& out) {
    int n = 0;
    for (int32_t slot = 1; slot <= 4; ++slot) {
        if (pressed[size_t(slot)].empty() || !OPTION_AVAILABLE(page.OPTIONS(slot))) continue;
        if (OPTION_CHOSEN(page, pressed[size_t(slot)]) == slot) out[size_t(n++)] = slot;
    }
    return n;
}

// What the runs have counted so far, and what they read of the story.
struct Tally {
    PressedKeys pressed;                          // by page and slot
    std::vector<bool> ending;                     // by page
    std::vector<int64_t> hits;                    // arrivals, by page
    std::vector<std::array<int64_t, 5>> taken;    // by page and slot
    int64_t steps = 0;
};

struct RunEnd {
    RANDOM_END_KIND how = RANDOM_OUT_OF_STEPS;
    int32_t where = -1;
    std::string message;
};

// One run from a fresh start on page 0, its keys into `keys`.
RunEnd one_run(const RANDOM_SETTINGS& settings, Pcg32& random, Tally& t, std::vector<std::string>& keys) {
    const auto& pages = STORY_PAGES();
    keys.clear();
    ++t.hits[0];
    for (int64_t step = 0;; ++step) {
        const int32_t p = STORY_LOCATION();
        if (step > 0 && t.ending[size_t(p)]) return {RANDOM_ENDING, p, ""};
        if (step == settings.STEPS) return {};
        std::array<int32_t, 4> choices{};
        int n = 0;
        {
            FatalCatch catching;
            try {
                n = available(pages(p), t.pressed[size_t(p)], choices);
            } catch (const FatalReport& fault) {
                return {RANDOM_FAULT, p, fault.text};
            }
        }
        if (n == 0) return {RANDOM_DEAD_END, p, ""};
        int32_t slot = choices[0];
        if (settings.LEAST_USED) {
            for (int i = 1; i < n; ++i)
                if (t.taken[size_t(p)][size_t(choices[size_t(i)])] < t.taken[size_t(p)][size_t(slot)]) slot = choices[size_t(i)];
        } else {
            slot = choices[random.below(uint32_t(n))];
        }
        const std::string& key = t.pressed[size_t(p)][size_t(slot)];
        keys.push_back(key);
        ++t.taken[size_t(p)][size_t(slot)];
        ++t.steps;
        const STORY_RESULT r = STORY_PRESS(key);
        if (!r.ok) return {RANDOM_FAULT, p, r.message};
        ++t.hits[size_t(STORY_LOCATION())];
    }
}
}  // namespace

uint64_t RANDOM_NEXT_SEED(uint64_t seed) {
    // SplitMix64's step: every seed leads to a well-mixed next one.
    uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

RANDOM_REPORT RANDOM_PLAY(const std::string& folder, const RANDOM_SETTINGS& settings,
                          const std::function<void(int64_t)>& progress, const REACH_RESULT* given) {
    RANDOM_REPORT report;
    report.FOLDER = folder.empty() ? "." : folder;
    report.SETTINGS = settings;
    const STORY_RESULT opened = STORY_OPEN(folder, STORY_LOGIC);
    if (!opened.ok) {
        report.PROBLEM = opened.message;
        report.NO_STORY = opened.empty || opened.error == 0;
        STORY_CLOSE();
        return report;
    }
    // Every reader starts on page 0: without it the player's first frame is
    // its fault report, and no run can be played.
    if (!PAGE_EXISTS(0)) {
        report.PROBLEM = "there is no page 0, where every reader starts";
        STORY_CLOSE();
        return report;
    }
    const auto& pages = STORY_PAGES();
    const int32_t last = pages.ubound();
    report.TOTAL = int32_t(pages.count());

    // What the checker proves a reader can reach: the endings, and the
    // counts set beside it. (A search given for other pages, the files
    // changed since, is not used.)
    const bool fits = given && given->PAGES.size() == size_t(last) + 1;
    const REACH_RESULT searched = fits ? REACH_RESULT{} : STORY_REACH(settings.BUDGET);
    const REACH_RESULT& reach = fits ? *given : searched;
    report.REACH_COMPLETE = reach.COMPLETE;
    Tally t;
    t.pressed.resize(size_t(last) + 1);
    t.ending.assign(size_t(last) + 1, false);
    t.hits.assign(size_t(last) + 1, 0);
    t.taken.assign(size_t(last) + 1, {0, 0, 0, 0, 0});
    for (int32_t p = 0; p <= last; ++p) {
        if (!PAGE_EXISTS(p)) continue;
        for (int32_t slot = 1; slot <= 4; ++slot) t.pressed[size_t(p)][size_t(slot)] = PRESSED_KEY(pages(p).OPTIONS(slot).KEY);
    }
    std::map<std::pair<int, int32_t>, RANDOM_END> ends;  // (kind, page)
    const STORY_END_PAGES shape = STORY_ENDS(reach);
    for (int32_t p : shape.ENDINGS) {
        t.ending[size_t(p)] = true;
        ends[{RANDOM_ENDING, p}] = {RANDOM_ENDING, p, 0, {}, ""};
    }
    std::vector<bool> dead_end(size_t(last) + 1, false);
    for (int32_t p : shape.DEAD_ENDS) {
        dead_end[size_t(p)] = true;
        ends[{RANDOM_DEAD_END, p}] = {RANDOM_DEAD_END, p, 0, {}, ""};
    }
    std::map<std::string, int64_t> grades;

    uint64_t seed = settings.SEED;
    std::vector<std::string> keys;
    for (int64_t run = 1; run <= settings.RUNS; ++run) {
        if (run > 1) {
            seed = RANDOM_NEXT_SEED(seed);
            if (!STORY_RESTART().ok) STORY_OPEN(folder, STORY_LOGIC);
        }
        Pcg32 random(seed);
        const RunEnd e = one_run(settings, random, t, keys);
        RANDOM_END& end = ends[{e.how, e.where}];
        end.KIND = e.how;
        end.PAGE = e.where;
        if (end.RUNS++ == 0) {
            end.FIRST = {run, seed, keys};
            end.MESSAGE = e.message;
        }
        ++grades[STORY_PROGRESS().GRADE];
        if (progress) progress(run);
    }
    report.STEPS_TAKEN = t.steps;

    for (int32_t p = 0; p <= last; ++p) {
        if (!PAGE_EXISTS(p)) continue;
        const STORY_PAGE_TYPE& page = pages(p);
        const REACH_PAGE& rp = reach.PAGES[size_t(p)];
        report.PAGES.push_back({p, page.CAPTION, t.ending[size_t(p)], dead_end[size_t(p)], t.hits[size_t(p)], rp.REACHABLE,
                                REACH_KEYS(reach, rp.PROOF)});
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
            if (o.KEY.empty()) continue;
            const REACH_OPTION& ro = reach.OPTIONS[size_t(p)][size_t(slot - 1)];
            report.OPTIONS.push_back({p, slot, o.KEY, o.CAPTION, o.DEST, o.REQ, t.taken[size_t(p)][size_t(slot)], ro.TAKEN,
                                      REACH_KEYS(reach, ro.PROOF)});
        }
    }
    for (auto& [where, end] : ends) report.ENDS.push_back(std::move(end));
    report.GRADES.assign(grades.begin(), grades.end());
    STORY_CLOSE();
    return report;
}
