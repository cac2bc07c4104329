// The reader's state: taken, checked against the story, kept as text.
#include <cinttypes>
#include <cstdio>

#include "core.h"
#include "engine.h"
#include "story_state.h"

namespace {
const char MAGIC[] = "brindle-reader 1";

uint64_t mix(uint64_t h, const std::string& text) {
    for (unsigned char c : text) h = (h ^ c) * 0x100000001B3ull;
    return (h ^ 0xFF) * 0x100000001B3ull;  // ends the field: "ab","c" is not "a","bc"
}
uint64_t mix(uint64_t h, int64_t v) { return mix(h, std::to_string(v)); }

// Whether `state` is one a reader of the open story can be in.
std::string misfit(const STORY_READER_STATE& s) {
    const size_t pages = size_t(PAGES.count());
    if (s.HISTORY.size() != pages || s.VISITED.size() != pages) return "it is for a story of another size";
    if (!PAGE_HAS_FILE(PAGES, s.PAGELOCATION)) return "its page has no page file";
    for (size_t i = 0; i < pages; ++i)
        if (s.HISTORY[i] < 0 || s.VISITED[i] < 0) return "a page's counts are out of range";
    const auto bit = [](int32_t v) { return v == 0 || v == 1; };
    if (!bit(s.SETTING_GALLERY) || !bit(s.SETTING_GRADE) || s.SETTING_EFFICIENCY != s.SETTING_GRADE)
        return "its switches are out of range";
    if ((s.TOTAL != 0 && s.TOTAL != int32_t(pages)) || s.TALLY < 0 || s.TALLY > int32_t(pages) || s.TURNS < 0)
        return "its counters are out of range";
    return "";
}
}  // namespace

STORY_READER_STATE STORY_SAVE() {
    STORY_READER_STATE s;
    s.PAGELOCATION = PAGELOCATION;
    for (int32_t i = 0; i <= PAGES.ubound(); ++i) {
        s.HISTORY.push_back(PAGES(i).HISTORY);
        s.VISITED.push_back(PAGES(i).VISITED);
    }
    s.TOTAL = TOTAL, s.TALLY = TALLY, s.TURNS = TURNS;
    s.SETTING_GALLERY = SETTING_GALLERY, s.SETTING_GRADE = SETTING_GRADE, s.SETTING_EFFICIENCY = SETTING_EFFICIENCY;
    return s;
}

// Sets the state's fields in the open story; the caller has checked it fits.
void READER_STATE_SET(const STORY_READER_STATE& s) {
    if (s.HISTORY.size() != size_t(PAGES.count()) || s.VISITED.size() != s.HISTORY.size()) return;
    PAGELOCATION = s.PAGELOCATION;
    for (int32_t i = 0; i <= PAGES.ubound(); ++i) {
        PAGES(i).HISTORY = s.HISTORY[size_t(i)];
        PAGES(i).VISITED = s.VISITED[size_t(i)];
    }
    TOTAL = s.TOTAL, TALLY = s.TALLY, TURNS = s.TURNS;
    SETTING_GALLERY = s.SETTING_GALLERY, SETTING_GRADE = s.SETTING_GRADE, SETTING_EFFICIENCY = s.SETTING_EFFICIENCY;
}

std::string READER_STATE_MISFIT(const STORY_READER_STATE& s) { return misfit(s); }

uint64_t STORY_IDENTITY() {
    uint64_t h = mix(0xCBF29CE484222325ull, int64_t(PAGES.count()));
    for (int32_t i = 0; i <= PAGES.ubound(); ++i) {
        const STORY_PAGE_TYPE& P = PAGES(i);
        h = mix(mix(mix(mix(h, P.INDEX), P.CAPTION), P.SPRITE), int64_t(P.ENTITY.ubound()));
        for (int32_t e = P.ENTITY.lbound(); e <= P.ENTITY.ubound(); ++e) h = mix(h, P.ENTITY(e));
        h = mix(h, int64_t(P.OPTIONS.count()));
        for (int32_t o = P.OPTIONS.lbound(); o <= P.OPTIONS.ubound(); ++o) {
            const STORY_OPTION_TYPE& O = P.OPTIONS(o);
            h = mix(mix(mix(mix(h, O.KEY), O.DEST), O.REQ), O.CAPTION);
        }
        for (int32_t d = P.DESC.lbound(); d <= P.DESC.ubound(); ++d) h = mix(h, P.DESC(d));
    }
    return h;
}

std::string STORY_STATE_TEXT(const STORY_READER_STATE& s) {
    char head[160];
    std::snprintf(head, sizeof head, "%s %016" PRIx64 " %d %d %d %d %d %d %d %zu", MAGIC, STORY_IDENTITY(),
                  s.PAGELOCATION, s.TOTAL, s.TALLY, s.TURNS, s.SETTING_GALLERY, s.SETTING_GRADE,
                  s.SETTING_EFFICIENCY, s.HISTORY.size());
    std::string text = head;
    for (size_t i = 0; i < s.HISTORY.size() && i < s.VISITED.size(); ++i)
        text += " " + std::to_string(s.HISTORY[i]) + " " + std::to_string(s.VISITED[i]);
    return text;
}

bool STORY_STATE_FROM_TEXT(const std::string& text, STORY_READER_STATE& state, std::string& why) {
    size_t at = 0;
    // A whole number from 0 (or -2^31) to 2^31 - 1, then one blank or the end.
    auto number = [&](int64_t& v) {
        const size_t start = at;
        bool negative = at < text.size() && text[at] == '-';
        if (negative) ++at;
        v = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 12) v = v * 10 + (text[at++] - '0');
        if (negative) v = -v;
        const bool digits = at > start + (negative ? 1 : 0);
        if (!digits || v < INT32_MIN || v > INT32_MAX || (at < text.size() && text[at] != ' ')) return false;
        if (at < text.size()) ++at;
        return true;
    };
    const std::string magic = std::string(MAGIC) + " ";
    if (text.compare(0, magic.size(), magic) != 0) return why = "it is not a saved place", false;
    at = magic.size();
    char identity[17];
    std::snprintf(identity, sizeof identity, "%016" PRIx64, STORY_IDENTITY());
    if (text.compare(at, 17, std::string(identity) + " ") != 0) return why = "it is for another story, or other pages", false;
    at += 17;
    STORY_READER_STATE s;
    int64_t v[8];
    for (int64_t& x : v)
        if (!number(x)) return why = "it is damaged", false;
    s.PAGELOCATION = int32_t(v[0]), s.TOTAL = int32_t(v[1]), s.TALLY = int32_t(v[2]), s.TURNS = int32_t(v[3]);
    s.SETTING_GALLERY = int32_t(v[4]), s.SETTING_GRADE = int32_t(v[5]), s.SETTING_EFFICIENCY = int32_t(v[6]);
    if (v[7] != PAGES.count()) return why = "it is for a story of another size", false;
    for (int64_t i = 0; i < v[7]; ++i) {
        int64_t h, n;
        if (!number(h) || !number(n)) return why = "it is damaged", false;
        s.HISTORY.push_back(int32_t(h));
        s.VISITED.push_back(int32_t(n));
    }
    if (at != text.size()) return why = "it is damaged", false;
    if (std::string m = misfit(s); !m.empty()) return why = m, false;
    state = std::move(s);
    return true;
}

STORY_STATE_KEEPER::STORY_STATE_KEEPER() : kept_(STORY_SAVE()), key_(C), turn_(SETTING_TURN) {}
STORY_STATE_KEEPER::~STORY_STATE_KEEPER() {
    READER_STATE_SET(kept_);
    C = key_;
    SETTING_TURN = turn_;
}
