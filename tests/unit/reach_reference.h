// The reachability search as it was before states were held as sets: one
// state at a time, each stepped with the engine's own key handling. Kept
// here as the reference the set search must agree with (verdicts, proof
// lengths and the number of states), on stories small enough for it.
#pragma once
#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "core.h"
#include "engine.h"
#include "main.h"
#include "page_text.h"
#include "paging_module.h"
#include "reach.h"
#include "story_state.h"
#include "surface.h"

namespace reach_reference {
struct Verdicts {
    bool COMPLETE = false;
    int64_t STATES = 0;
    std::vector<REACH_VERDICT> REACHABLE, LEAVES;
    std::vector<int> PAGE_KEYS;  // proof lengths, -1: none
    std::vector<std::array<REACH_VERDICT, 4>> AVAILABLE, TAKEN;
    std::vector<std::array<int, 4>> OPTION_KEYS;
};

struct Search {
    std::vector<int32_t> bit_of, named;
    size_t words = 1;
    std::vector<uint64_t> arena;
    std::vector<int32_t> parent, depth;
    std::vector<std::vector<uint16_t>> keys_of;
    std::vector<std::string> keys;
    std::vector<int32_t> table;
    size_t limit = 0;

    const uint64_t* state(size_t i) const { return &arena[i * words]; }
    static int32_t page_of(const uint64_t* s) { return int32_t(s[0] >> 1); }
    static int32_t grade_of(const uint64_t* s) { return int32_t(s[0] & 1); }
    uint64_t hash(const uint64_t* s) const {
        uint64_t h = 0x9E3779B97F4A7C15ull;
        for (size_t w = 0; w < words; ++w) h = (h ^ s[w]) * 0xFF51AFD7ED558CCDull, h ^= h >> 29;
        return h;
    }
    void grow_table() {
        std::vector<int32_t> old(std::max<size_t>(1024, table.size() * 2), 0);
        old.swap(table);
        const size_t mask = table.size() - 1;
        for (int32_t v : old)
            if (v) {
                size_t at = hash(state(size_t(v - 1))) & mask;
                while (table[at]) at = (at + 1) & mask;
                table[at] = v;
            }
    }
    int64_t find_or_add(const std::vector<uint64_t>& s, int32_t from) {
        if ((parent.size() + 1) * 2 > table.size()) grow_table();
        const size_t mask = table.size() - 1;
        size_t at = hash(s.data()) & mask;
        for (; table[at]; at = (at + 1) & mask)
            if (std::equal(s.begin(), s.end(), state(size_t(table[at] - 1)))) return table[at] - 1;
        if (parent.size() >= limit) return -1;
        arena.insert(arena.end(), s.begin(), s.end());
        parent.push_back(from);
        depth.push_back(from < 0 ? 0 : depth[size_t(from)] + 1);
        table[at] = int32_t(parent.size());
        return int64_t(parent.size()) - 1;
    }
};

inline void load(const Search& search, const uint64_t* s) {
    PAGELOCATION = Search::page_of(s);
    SETTING_GRADE = SETTING_EFFICIENCY = Search::grade_of(s);
    SETTING_GALLERY = SETTING_TURN = 0;
    for (size_t b = 0; b < search.named.size(); ++b)
        PAGES(search.named[b]).HISTORY = int32_t((s[1 + b / 64] >> (b % 64)) & 1);
    if (search.bit_of[size_t(PAGELOCATION)] < 0) PAGES(PAGELOCATION).HISTORY = 0;
}

inline std::vector<uint64_t> capture(const Search& search) {
    std::vector<uint64_t> s(search.words, 0);
    s[0] = uint64_t(uint32_t(PAGELOCATION)) << 1 | uint64_t(SETTING_GRADE & 1);
    const bool cleared = SETTING_GRADE == 1 && HISTORY_CLEARED_ON(PAGELOCATION);
    if (!cleared)
        for (size_t b = 0; b < search.named.size(); ++b)
            if (PAGES(search.named[b]).HISTORY > 0) s[1 + b / 64] |= uint64_t(1) << (b % 64);
    return s;
}

inline bool shows_a_page(int32_t q) {
    return q >= PAGES.lbound() && q <= PAGES.ubound() && PAGES(q).INDEX == q;
}

// Searches the open story from a fresh start; puts the reader's state back.
inline Verdicts explicit_reach(int64_t max_states) {
    Verdicts v;
    const int32_t last = PAGES.ubound();
    if (last < 0) return v;
    const size_t n = size_t(last) + 1;
    STORY_STATE_KEEPER keeper;
    Search search;
    search.bit_of.assign(n, -1);
    std::map<std::string, uint16_t> ids;
    auto key_id = [&](const std::string& k) {
        auto [it, fresh] = ids.emplace(k, uint16_t(search.keys.size()));
        if (fresh) search.keys.push_back(k);
        return it->second;
    };
    key_id("\t");
    key_id("\b");
    search.keys_of.resize(n);
    for (int32_t p = 0; p <= last; ++p) {
        std::vector<uint16_t>& here = search.keys_of[size_t(p)];
        here = {0, 1};
        if (!PAGE_HAS_FILE(PAGES, p)) continue;
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const STORY_OPTION_TYPE& O = PAGES(p).OPTIONS(slot);
            const int64_t named = O.REQ < 0 ? -int64_t(O.REQ) : O.REQ;
            if (named > 0 && named <= last && search.bit_of[size_t(named)] < 0) {
                search.bit_of[size_t(named)] = int32_t(search.named.size());
                search.named.push_back(int32_t(named));
            }
            const std::string pressed = PRESSED_KEY(O.KEY);
            if (pressed.empty()) continue;
            const uint16_t id = key_id(pressed);
            if (std::find(here.begin(), here.end(), id) == here.end()) here.push_back(id);
        }
    }
    search.words = 1 + (search.named.size() + 63) / 64;
    search.limit = size_t(max_states);

    std::vector<int64_t> first(n, -1);
    std::vector<std::array<int, 4>> taken(n, {-1, -1, -1, -1});
    std::vector<std::array<bool, 4>> available(n, {false, false, false, false});
    std::vector<bool> leaves(n, false);
    FatalCatch catching;
    search.find_or_add(std::vector<uint64_t>(search.words, 0), -1);
    bool complete = true;
    for (size_t i = 0; i < search.parent.size(); ++i) {
        const int32_t p = Search::page_of(search.state(i));
        if (first[size_t(p)] < 0) first[size_t(p)] = int64_t(i);
        STORY_PAGE_TYPE& page = PAGES(p);
        if (!page.OPTIONS.empty()) {
            load(search, search.state(i));
            for (int32_t slot = 1; slot <= 4; ++slot) try {
                    if (OPTION_AVAILABLE(page.OPTIONS(slot))) available[size_t(p)][size_t(slot - 1)] = true;
                } catch (const FatalReport&) {
                }
        }
        for (uint16_t k : search.keys_of[size_t(p)]) {
            load(search, search.state(i));
            int32_t slot = 0;
            bool fault = false;
            try {
                if (!page.OPTIONS.empty()) slot = OPTION_CHOSEN(page, search.keys[k]);
                BRINDLE_KEY(search.keys[k]);
            } catch (const FatalReport&) {
                fault = true;
            }
            const int32_t q = PAGELOCATION;
            if (slot > 0) {
                if (taken[size_t(p)][size_t(slot - 1)] < 0) taken[size_t(p)][size_t(slot - 1)] = search.depth[i] + 1;
                if (q != p) leaves[size_t(p)] = true;
            }
            if (fault || !shows_a_page(q)) continue;
            const std::vector<uint64_t> next = capture(search);
            if (search.find_or_add(next, int32_t(i)) < 0) complete = false;
        }
    }
    v.COMPLETE = complete;
    v.STATES = int64_t(search.parent.size());
    const REACH_VERDICT unseen = complete ? REACH_NO : REACH_UNDECIDED;
    for (size_t p = 0; p < n; ++p) {
        v.REACHABLE.push_back(first[p] >= 0 ? REACH_YES : unseen);
        v.PAGE_KEYS.push_back(first[p] >= 0 ? search.depth[size_t(first[p])] : -1);
        v.LEAVES.push_back(leaves[p] ? REACH_YES : unseen);
        std::array<REACH_VERDICT, 4> a{}, t{};
        for (size_t s = 0; s < 4; ++s) {
            a[s] = available[p][s] ? REACH_YES : unseen;
            t[s] = taken[p][s] >= 0 ? REACH_YES : unseen;
        }
        v.AVAILABLE.push_back(a);
        v.TAKEN.push_back(t);
        v.OPTION_KEYS.push_back(taken[p]);
    }
    return v;
}
}  // namespace reach_reference
