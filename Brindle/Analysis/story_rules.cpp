#include "story_rules.h"

#include <algorithm>
#include <map>

#include "engine.h"
#include "main.h"
#include "string_support.h"
#include "surface.h"

std::string PRESSED_KEY(const std::string& KEY) {
    if (KEY == "\x1B") return "";  // Escape ends the story before any option is looked at
    const std::string folded = ascii_lower(KEY);
    if (key_can_be_pressed(folded)) return folded;
    if (key_can_be_pressed(KEY)) return KEY;
    if (KEY.size() == 2 && static_cast<unsigned char>(KEY[0]) == 255)
        for (const EXTENDED_KEY& k : EXTENDED_KEYS)
            if (ascii_lower(std::string(1, char(k.scan))) == ascii_lower(KEY.substr(1))) return extended_key(k.scan);
    return "";
}

STORY_RULES STORY_RULES_READ(bool all_tracked) {
    STORY_RULES rules;
    const Array<STORY_PAGE_TYPE>& pages = STORY_PAGES();
    const int32_t last = pages.ubound();
    rules.LAST = last;
    if (last < 0) return rules;
    const size_t n = size_t(last) + 1;
    rules.BIT_OF.assign(n, -1);
    rules.OPTIONS.assign(n, false);
    rules.KEYS.resize(n);
    rules.TESTS.resize(n);
    rules.KEY_TABLE = {"\t", "\b"};
    std::map<std::string, uint16_t> ids{{"\t", 0}, {"\b", 1}};

    // The pages conditions name, in page order: the bits of a state. A page
    // named only by options no key can take changes no key's effect: it is
    // passive, kept apart.
    std::vector<int8_t> named(n, 0);  // 1 passive, 2 tracked
    for (int32_t p = 0; p <= last; ++p) {
        if (!PAGE_HAS_FILE(pages, p)) continue;
        std::vector<std::string> pressed;
        for (int32_t slot = 1; slot <= 4; ++slot) pressed.push_back(ascii_lower(PRESSED_KEY(pages(p).OPTIONS(slot).KEY)));
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const STORY_OPTION_TYPE& o = pages(p).OPTIONS(slot);
            const int64_t page = o.REQ < 0 ? -int64_t(o.REQ) : o.REQ;
            if (page <= 0 || page > last || !PAGE_HAS_FILE(pages, page)) continue;
            const std::string key = ascii_lower(o.KEY);
            const bool takeable = std::any_of(pressed.begin(), pressed.end(), [&](const std::string& k) { return !k.empty() && k == key; });
            named[size_t(page)] = std::max<int8_t>(named[size_t(page)], takeable || all_tracked ? 2 : 1);
        }
    }
    rules.PASSIVE_OF.assign(n, -1);
    for (int32_t p = 0; p <= last; ++p) {
        if (named[size_t(p)] == 2) {
            rules.BIT_OF[size_t(p)] = int32_t(rules.TRACKED.size());
            rules.TRACKED.push_back(p);
        } else if (named[size_t(p)] == 1) {
            rules.PASSIVE_OF[size_t(p)] = int32_t(rules.PASSIVE.size());
            rules.PASSIVE.push_back(p);
        }
    }

    // A page whose option bar lists an option with a condition beyond the
    // story ends the story as it is shown: working out the bar faults.
    std::vector<bool>& bar_faults = rules.BAR_FAULTS;
    bar_faults.assign(n, false);
    for (int32_t p = 0; p <= last; ++p)
        if (PAGE_HAS_FILE(pages, p))
            for (int32_t slot = 1; slot <= 4; ++slot) {
                const STORY_OPTION_TYPE& o = pages(p).OPTIONS(slot);
                const int64_t page = o.REQ < 0 ? -int64_t(o.REQ) : o.REQ;
                if (!o.CAPTION.empty() && page > last) bar_faults[size_t(p)] = true;
            }

    for (int32_t p = 0; p <= last; ++p) {
        const STORY_PAGE_TYPE& page = pages(p);
        rules.OPTIONS[size_t(p)] = page.INDEX == p && !page.OPTIONS.empty();
        std::vector<RULE_KEY>& keys = rules.KEYS[size_t(p)];
        keys.push_back({0, false, false, false, {}});
        keys.push_back({1, false, true, false, {}});
        if (!PAGE_HAS_FILE(pages, p)) continue;
        std::vector<RULE_TEST>& tests = rules.TESTS[size_t(p)];
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const int64_t req = page.OPTIONS(slot).REQ, named_page = req < 0 ? -req : req;
            RULE_TEST t;
            if (req == 0) t.KIND = RULE_TEST::ALWAYS;
            else if (named_page > last) t.KIND = RULE_TEST::FAULT;
            else if (const int32_t bit = rules.BIT_OF[size_t(named_page)]; bit >= 0)
                t = {req > 0 ? RULE_TEST::PLAYED : RULE_TEST::NOT_PLAYED, bit};
            else if (const int32_t passive = rules.PASSIVE_OF[size_t(named_page)]; passive >= 0)
                t = {req > 0 ? RULE_TEST::PASSIVE_PLAYED : RULE_TEST::PASSIVE_NOT_PLAYED, passive};
            else t.KIND = req > 0 ? RULE_TEST::NEVER : RULE_TEST::ALWAYS;
            tests.push_back(t);
            const std::string pressed = PRESSED_KEY(page.OPTIONS(slot).KEY);
            if (pressed.empty() || rules.KEY_TABLE.size() >= 65535) continue;
            const auto [it, fresh] = ids.emplace(pressed, uint16_t(rules.KEY_TABLE.size()));
            if (fresh) rules.KEY_TABLE.push_back(pressed);
            const auto known = std::find_if(keys.begin(), keys.end(), [&](const RULE_KEY& k) { return k.KEY == it->second; });
            if (known != keys.end()) {
                known->OPTION = true;
            } else {
                const unsigned char first = static_cast<unsigned char>(pressed[0]);
                keys.push_back({it->second, first != 9 && first != 8, first == 8, true, {}});
            }
        }
        // What each key meets, slot by slot, as NAVIGATE_PAGE looks.
        for (RULE_KEY& k : keys) {
            const std::string key = ascii_lower(rules.KEY_TABLE[k.KEY]);
            for (int32_t slot = 1; slot <= 4; ++slot) {
                const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
                const RULE_TEST& t = tests[size_t(slot - 1)];
                if (t.KIND != RULE_TEST::FAULT && key != ascii_lower(o.KEY)) continue;
                const bool shown = o.DEST >= 0 && o.DEST <= last && pages(o.DEST).INDEX == o.DEST;
                k.SLOTS.push_back({slot, t, o.DEST, shown});
                if (t.KIND == RULE_TEST::FAULT) break;
            }
        }
    }
    return rules;
}

RULE_STATE RULE_START(const STORY_RULES& rules, bool passive) {
    return {0, false, std::vector<uint64_t>(rules.words(), 0),
            std::vector<uint64_t>(passive ? (rules.PASSIVE.size() + 63) / 64 : 0, 0)};
}

bool RULE_HOLDS(const RULE_TEST& test, const RULE_STATE& state) {
    auto passive = [&](int32_t b) { return size_t(b) / 64 < state.PASSIVE.size() && (state.PASSIVE[size_t(b) / 64] >> (b % 64) & 1); };
    switch (test.KIND) {
        case RULE_TEST::ALWAYS: return true;
        case RULE_TEST::PLAYED: return state.played(test.BIT);
        case RULE_TEST::NOT_PLAYED: return !state.played(test.BIT);
        case RULE_TEST::PASSIVE_PLAYED: return passive(test.BIT);
        case RULE_TEST::PASSIVE_NOT_PLAYED: return !passive(test.BIT);
        default: return false;
    }
}

RULE_STEP RULE_PRESS(const STORY_RULES& rules, const RULE_STATE& state, const RULE_KEY& key) {
    RULE_STEP out;
    if (!rules.OPTIONS[size_t(state.PAGE)]) {  // a slot no file filled: no option to look at
        out.OUTCOME = RULE_STEP::FAULT;
        return out;
    }
    out.NEXT = state;
    out.NEXT.PROGRESS = state.PROGRESS != key.PROGRESS;
    for (const RULE_SLOT& s : key.SLOTS) {
        if (s.TEST.KIND == RULE_TEST::FAULT) {
            out.OUTCOME = RULE_STEP::FAULT;
            return out;
        }
        if (!RULE_HOLDS(s.TEST, state)) continue;
        out.SLOT = s.SLOT;
        if (!s.DEST_SHOWN) {
            out.OUTCOME = RULE_STEP::FAULT;
            return out;
        }
        out.OUTCOME = RULE_STEP::MOVED;
        const int32_t bit = rules.BIT_OF[size_t(state.PAGE)], passive = rules.PASSIVE_OF[size_t(state.PAGE)];
        if (key.TURN && bit >= 0) out.NEXT.PLAYED[size_t(bit) / 64] |= uint64_t(1) << (bit % 64);
        if (key.TURN && passive >= 0 && !out.NEXT.PASSIVE.empty())
            out.NEXT.PASSIVE[size_t(passive) / 64] |= uint64_t(1) << (passive % 64);
        out.NEXT.PAGE = s.DEST;
        break;
    }
    // The progress text, shown on page 0, starts every count afresh.
    if (out.NEXT.PROGRESS && HISTORY_CLEARED_ON(out.NEXT.PAGE)) {
        std::fill(out.NEXT.PLAYED.begin(), out.NEXT.PLAYED.end(), 0);
        std::fill(out.NEXT.PASSIVE.begin(), out.NEXT.PASSIVE.end(), 0);
    }
    return out;
}
