#include "reach.h"

#include <algorithm>
#include <map>

#include "core.h"
#include "main.h"
#include "paging_module.h"
#include "story_state.h"
#include "string_support.h"
#include "surface.h"

namespace {
constexpr size_t MEMORY_BUDGET = size_t(512) << 20;
constexpr size_t MAX_FAULTS = 32;
const std::string TAB = "\t", BACKSPACE = "\b";

// The search's states live in one arena, `words` 64-bit words each: word 0
// holds the page and the progress switch, the rest one bit per page that a
// condition names.
struct Search {
    std::vector<int32_t> bit_of;      // page -> its bit, or -1 when no condition names it
    std::vector<int32_t> named;       // the pages conditions name, by bit
    size_t words = 1;
    std::vector<uint64_t> arena;
    std::vector<int32_t> parent;      // the state each was first reached from (-1: the start)
    std::vector<uint16_t> via;        // and the key that led there
    std::vector<std::string> keys;    // every key the search presses
    std::vector<std::vector<uint16_t>> keys_of;  // page -> the keys worth pressing there
    std::vector<int32_t> table;       // open addressing: state index + 1, 0 empty
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
    // The index of state s, adding it (reached from `from` by key `key`)
    // when it is new. -1: new, but the budget is spent.
    int64_t find_or_add(const std::vector<uint64_t>& s, int32_t from, uint16_t key, bool& added) {
        added = false;
        if ((parent.size() + 1) * 2 > table.size()) grow_table();
        const size_t mask = table.size() - 1;
        size_t at = hash(s.data()) & mask;
        for (; table[at]; at = (at + 1) & mask)
            if (std::equal(s.begin(), s.end(), state(size_t(table[at] - 1)))) return table[at] - 1;
        if (parent.size() >= limit) return -1;
        arena.insert(arena.end(), s.begin(), s.end());
        parent.push_back(from);
        via.push_back(key);
        table[at] = int32_t(parent.size());
        added = true;
        return int64_t(parent.size()) - 1;
    }
    std::vector<std::string> path_to(int64_t i) const {
        std::vector<std::string> path;
        for (; i >= 0 && parent[size_t(i)] >= 0; i = parent[size_t(i)]) path.push_back(keys[via[size_t(i)]]);
        std::reverse(path.begin(), path.end());
        return path;
    }
};

uint16_t key_id(Search& search, std::map<std::string, uint16_t>& ids, const std::string& key) {
    auto [it, fresh] = ids.emplace(key, uint16_t(search.keys.size()));
    if (fresh) search.keys.push_back(key);
    return it->second;
}

// Puts state s into the engine: the page, the switches, the visits.
void load(const Search& search, const uint64_t* s) {
    PAGELOCATION = Search::page_of(s);
    SETTING_GRADE = SETTING_EFFICIENCY = Search::grade_of(s);
    SETTING_GALLERY = SETTING_TURN = 0;
    for (size_t b = 0; b < search.named.size(); ++b)
        PAGES(search.named[b]).HISTORY = int32_t((s[1 + b / 64] >> (b % 64)) & 1);
    if (search.bit_of[size_t(PAGELOCATION)] < 0) PAGES(PAGELOCATION).HISTORY = 0;
}

// The state the engine is in now, after the frame that follows a key.
std::vector<uint64_t> capture(const Search& search) {
    std::vector<uint64_t> s(search.words, 0);
    s[0] = uint64_t(uint32_t(PAGELOCATION)) << 1 | uint64_t(SETTING_GRADE & 1);
    const bool cleared = SETTING_GRADE == 1 && HISTORY_CLEARED_ON(PAGELOCATION);
    if (!cleared)
        for (size_t b = 0; b < search.named.size(); ++b)
            if (PAGES(search.named[b]).HISTORY > 0) s[1 + b / 64] |= uint64_t(1) << (b % 64);
    return s;
}

bool shows_a_page(int32_t page) {
    return page >= PAGES.lbound() && page <= PAGES.ubound() && PAGES(page).INDEX == page;
}

std::string single_line(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
    return text;
}
}  // namespace

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

REACH_RESULT STORY_REACH(int64_t max_states) {
    REACH_RESULT result;
    const int32_t last = PAGES.ubound();
    if (last < 0) return result;
    result.PAGES.resize(size_t(last) + 1);
    result.OPTIONS.resize(size_t(last) + 1);

    // What the search changes, put back at the end.
    std::vector<int32_t> saved_history;
    for (int32_t i = 0; i <= last; ++i) saved_history.push_back(PAGES(i).HISTORY);
    const int32_t saved_location = PAGELOCATION, saved_gallery = SETTING_GALLERY, saved_grade = SETTING_GRADE,
                  saved_efficiency = SETTING_EFFICIENCY, saved_turn = SETTING_TURN;
    const std::string saved_key = C;

    Search search;
    search.bit_of.assign(size_t(last) + 1, -1);
    std::map<std::string, uint16_t> ids;
    key_id(search, ids, TAB);
    key_id(search, ids, BACKSPACE);
    search.keys_of.resize(size_t(last) + 1);
    for (int32_t p = 0; p <= last; ++p) {
        const STORY_PAGE_TYPE& page = PAGES(p);
        std::vector<uint16_t>& here = search.keys_of[size_t(p)];
        here = {0, 1};
        if (!PAGE_HAS_FILE(PAGES, p)) continue;
        for (int32_t slot = 1; slot <= 4; ++slot) {
            const STORY_OPTION_TYPE& O = page.OPTIONS(slot);
            const int64_t named = O.REQ < 0 ? -int64_t(O.REQ) : O.REQ;
            if (named > 0 && named <= last && search.bit_of[size_t(named)] < 0) {
                search.bit_of[size_t(named)] = int32_t(search.named.size());
                search.named.push_back(int32_t(named));
            }
            const std::string pressed = PRESSED_KEY(O.KEY);
            if (pressed.empty() || search.keys.size() >= 65535) continue;
            const uint16_t id = key_id(search, ids, pressed);
            if (std::find(here.begin(), here.end(), id) == here.end()) here.push_back(id);
        }
    }
    search.words = 1 + (search.named.size() + 63) / 64;
    const size_t per_state = search.words * 8 + sizeof(int32_t) * 3 + sizeof(uint16_t);
    search.limit = size_t(std::clamp<int64_t>(max_states, 1, int64_t(MEMORY_BUDGET / per_state)));

    std::vector<int64_t> first_state(size_t(last) + 1, -1);  // the first state found on each page
    struct Taken {
        int64_t state = -1;
        uint16_t key = 0;
    };
    std::vector<std::array<Taken, 4>> taken(size_t(last) + 1);
    std::vector<std::array<bool, 4>> available(size_t(last) + 1, {false, false, false, false});
    std::vector<bool> leaves(size_t(last) + 1, false);
    std::map<std::pair<int32_t, uint16_t>, bool> fault_seen;

    FatalCatch catching;
    bool added = false;
    search.find_or_add(std::vector<uint64_t>(search.words, 0), -1, 0, added);
    bool complete = true;
    for (size_t i = 0; i < search.parent.size(); ++i) {
        const int32_t p = Search::page_of(search.state(i));
        if (first_state[size_t(p)] < 0) first_state[size_t(p)] = int64_t(i);
        STORY_PAGE_TYPE& page = PAGES(p);
        if (!page.OPTIONS.empty()) {
            load(search, search.state(i));
            for (int32_t slot = 1; slot <= 4; ++slot) try {
                    if (OPTION_AVAILABLE(page.OPTIONS(slot))) available[size_t(p)][size_t(slot - 1)] = true;
                } catch (const FatalReport&) {
                }
        }
        for (uint16_t k : search.keys_of[size_t(p)]) {
            const std::string& key = search.keys[k];
            load(search, search.state(i));
            int32_t slot = 0;
            std::string fault;
            try {
                if (!page.OPTIONS.empty()) slot = OPTION_CHOSEN(page, key);
                BRINDLE_KEY(key);
            } catch (const FatalReport& report) {
                fault = single_line(report.text);
            }
            const int32_t q = PAGELOCATION;
            if (slot > 0) {
                Taken& t = taken[size_t(p)][size_t(slot - 1)];
                if (t.state < 0) t = {int64_t(i), k};
                if (q != p) leaves[size_t(p)] = true;
            }
            if (fault.empty() && !shows_a_page(q))
                fault = "option '" + key + "' leads to page " + std::to_string(q) + ", which has no page file";
            if (!fault.empty()) {
                if (result.FAULTS.size() < MAX_FAULTS && !fault_seen[{p, k}]) {
                    fault_seen[{p, k}] = true;
                    std::vector<std::string> keys = search.path_to(int64_t(i));
                    keys.push_back(key);
                    result.FAULTS.push_back({p, keys, fault});
                }
                continue;
            }
            if (search.find_or_add(capture(search), int32_t(i), k, added) < 0) complete = false;
        }
    }

    result.COMPLETE = complete;
    result.STATES = int64_t(search.parent.size());
    const REACH_VERDICT unseen = complete ? REACH_NO : REACH_UNDECIDED;
    for (int32_t p = 0; p <= last; ++p) {
        REACH_PAGE& page = result.PAGES[size_t(p)];
        page.REACHABLE = first_state[size_t(p)] >= 0 ? REACH_YES : unseen;
        page.PROOF.STATE = first_state[size_t(p)];
        page.LEAVES = leaves[size_t(p)] ? REACH_YES : unseen;
        for (int32_t slot = 1; slot <= 4; ++slot) {
            REACH_OPTION& option = result.OPTIONS[size_t(p)][size_t(slot - 1)];
            const Taken& t = taken[size_t(p)][size_t(slot - 1)];
            option.AVAILABLE = available[size_t(p)][size_t(slot - 1)] ? REACH_YES : unseen;
            option.TAKEN = t.state >= 0 ? REACH_YES : unseen;
            if (t.state >= 0) option.PROOF = {t.state, t.key};
        }
    }
    result.PARENT = std::move(search.parent);
    result.VIA = std::move(search.via);
    result.KEY_TABLE = std::move(search.keys);

    for (int32_t i = 0; i <= last; ++i) PAGES(i).HISTORY = saved_history[size_t(i)];
    PAGELOCATION = saved_location;
    SETTING_GALLERY = saved_gallery;
    SETTING_GRADE = saved_grade;
    SETTING_EFFICIENCY = saved_efficiency;
    SETTING_TURN = saved_turn;
    C = saved_key;
    return result;
}

std::vector<std::string> REACH_KEYS(const REACH_RESULT& result, const REACH_PROOF& proof) {
    std::vector<std::string> keys;
    if (proof.STATE < 0) return keys;
    for (int64_t i = proof.STATE; i >= 0 && result.PARENT[size_t(i)] >= 0; i = result.PARENT[size_t(i)])
        keys.push_back(result.KEY_TABLE[result.VIA[size_t(i)]]);
    std::reverse(keys.begin(), keys.end());
    if (proof.KEY >= 0) keys.push_back(result.KEY_TABLE[size_t(proof.KEY)]);
    return keys;
}
