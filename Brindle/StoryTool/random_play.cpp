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

    PressedKeys pressed(size_t(last) + 1);
    std::vector<bool> ending(size_t(last) + 1, false);
    for (int32_t p = 0; p <= last; ++p) {
        if (!PAGE_EXISTS(p)) continue;
        ending[size_t(p)] = IS_ENDING(pages(p));
        for (int32_t slot = 1; slot <= 4; ++slot) pressed[size_t(p)][size_t(slot)] = PRESSED_KEY(pages(p).OPTIONS(slot).KEY);
    }
    std::vector<int64_t> hits(size_t(last) + 1, 0);
    std::vector<std::array<int64_t, 5>> taken(size_t(last) + 1, {0, 0, 0, 0, 0});
    std::map<std::pair<int, int32_t>, RANDOM_END> ends;  // (kind, page)
    for (int32_t p : STORY_ENDINGS()) ends[{RANDOM_ENDING, p}] = {RANDOM_ENDING, p, 0, {}, ""};
    std::map<std::string, int64_t> grades;

    uint64_t seed = settings.SEED;
    std::vector<std::string> keys;
    for (int64_t run = 1; run <= settings.RUNS; ++run) {
        if (run > 1) {
            seed = RANDOM_NEXT_SEED(seed);
            if (!STORY_RESTART().ok) STORY_OPEN(folder, STORY_LOGIC);
        }
        Pcg32 random(seed);
        keys.clear();
        ++hits[0];
        RANDOM_END_KIND how = RANDOM_OUT_OF_STEPS;
        int32_t where = -1;
        std::string message;
        for (int64_t step = 0;; ++step) {
            const int32_t p = STORY_LOCATION();
            if (step > 0 && ending[size_t(p)]) {
                how = RANDOM_ENDING, where = p;
                break;
            }
            if (step == settings.STEPS) break;
            std::array<int32_t, 4> choices{};
            int n = 0;
            {
                FatalCatch catching;
                try {
                    n = available(pages(p), pressed[size_t(p)], choices);
                } catch (const FatalReport& fault) {
                    how = RANDOM_FAULT, where = p, message = fault.text;
                    break;
                }
            }
            if (n == 0) {
                how = RANDOM_DEAD_END, where = p;
                break;
            }
            int32_t slot = choices[0];
            if (settings.LEAST_USED) {
                for (int i = 1; i < n; ++i)
                    if (taken[size_t(p)][size_t(choices[size_t(i)])] < taken[size_t(p)][size_t(slot)]) slot = choices[size_t(i)];
            } else {
                slot = choices[random.below(uint32_t(n))];
            }
            const std::string& key = pressed[size_t(p)][size_t(slot)];
            keys.push_back(key);
            ++taken[size_t(p)][size_t(slot)];
            ++report.STEPS_TAKEN;
            const STORY_RESULT r = STORY_PRESS(key);
            if (!r.ok) {
                how = RANDOM_FAULT, where = p, message = r.message;
                break;
            }
            ++hits[size_t(STORY_LOCATION())];
        }
        RANDOM_END& end = ends[{how, where}];
        end.KIND = how;
        end.PAGE = where;
        if (end.RUNS++ == 0) {
            end.FIRST = {run, seed, keys};
            end.MESSAGE = message;
        }
        ++grades[STORY_PROGRESS().GRADE];
        if (progress) progress(run);
    }

    // The counts beside what the checker proves a reader can reach.
    // (A search given for other pages, the files changed since, is not used.)
    const bool fits = given && given->PAGES.size() == size_t(last) + 1;
    const REACH_RESULT searched = fits ? REACH_RESULT{} : STORY_REACH(settings.BUDGET);
    const REACH_RESULT& reach = fits ? *given : searched;
    report.REACH_COMPLETE = reach.COMPLETE;
    for (int32_t p = 0; p <= last; ++p) {
        if (!PAGE_EXISTS(p)) continue;
        const STORY_PAGE_TYPE& page = pages(p);
        const REACH_PAGE& rp = reach.PAGES[size_t(p)];
        report.PAGES.push_back({p, page.CAPTION, ending[size_t(p)], hits[size_t(p)], rp.REACHABLE, REACH_KEYS(reach, rp.PROOF)});
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
            if (o.KEY.empty()) continue;
            const REACH_OPTION& ro = reach.OPTIONS[size_t(p)][size_t(slot - 1)];
            report.OPTIONS.push_back({p, slot, o.KEY, o.CAPTION, o.DEST, o.REQ, taken[size_t(p)][size_t(slot)], ro.TAKEN,
                                      REACH_KEYS(reach, ro.PROOF)});
        }
    }
    for (auto& [where, end] : ends) report.ENDS.push_back(std::move(end));
    report.GRADES.assign(grades.begin(), grades.end());
    STORY_CLOSE();
    return report;
}
