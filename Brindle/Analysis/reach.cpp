#include "reach.h"

#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "main.h"
#include "state_sets.h"

namespace {
using Clock = std::chrono::steady_clock;

// What a key does on a page, as sets over the state's bits (variable 1 + b
// is bit b; the progress switch, variable 0, plays no part in a condition).
struct KeyGuards {
    std::vector<SET> CHOSEN;  // per entry of RULE_KEY::SLOTS: the states in which it is the option taken
    SET STAYS = NO_STATES;    // the states in which no option is taken and nothing faults
};

// An option (or a progress switch that stays) leading to a page, for
// walking proofs backwards.
struct Arrival {
    int32_t FROM;
    uint16_t KEY;   // index into the rules' KEYS[FROM]
    int32_t ENTRY;  // index into its SLOTS; -1: the reader stays
};

struct Taken {
    int32_t LAYER = -1;
    uint16_t KEY = 0;
    int32_t ENTRY = 0;
};

class Search {
public:
    // The sets hold most of the memory budget; the rest is the story's and the proofs'.
    Search(const STORY_RULES& rules, const REACH_BUDGET& budget, Clock::time_point start, Clock::time_point deadline,
           REACH_RESULT& result)
        : rules_(rules), budget_(budget), result_(result), start_time_(start),
          sets_(uint32_t(rules.TRACKED.size()) + 1, budget.MAX_BYTES / 8 * 7, deadline) {}

    // False when the pages named only by options no key takes are too many
    // to follow beside the states: search again with every named page a bit.
    bool run();

private:
    const STORY_RULES& rules_;
    const REACH_BUDGET& budget_;
    REACH_RESULT& result_;
    Clock::time_point start_time_, told_{};
    StateSets sets_;
    size_t pages_ = 0;
    std::vector<std::vector<KeyGuards>> guards_;          // page -> key
    std::vector<std::vector<SET>> tests_;                 // page -> slot - 1 -> the states its condition holds in
    std::vector<SET> reached_;                            // page -> every state found there
    std::vector<std::vector<std::pair<int32_t, SET>>> layers_;  // page -> (depth, the states first found at it)
    std::vector<std::array<Taken, 4>> taken_;
    std::vector<bool> leaves_;
    int32_t found_ = 0;
    SET cleared_ = NO_STATES;  // the state on page 0 after the progress text cleared the visits

    SET test_set(const RULE_TEST& t) {
        switch (t.KIND) {
            case RULE_TEST::ALWAYS: return ALL_STATES;
            case RULE_TEST::PLAYED: return sets_.literal(uint32_t(t.BIT) + 1, true);
            case RULE_TEST::NOT_PLAYED: return sets_.literal(uint32_t(t.BIT) + 1, false);
            default: return NO_STATES;
        }
    }
    void build_guards();
    SET arrive(SET states, int32_t from, const RULE_KEY& key, bool took, int32_t at);
    REACH_STOP explore();
    void tell(int32_t depth, bool done);
    void verdicts();
    // Which passive pages can be played, and which unplayed, on each page.
    std::vector<std::vector<uint64_t>> passive_played_, passive_unplayed_;  // page -> passive bits
    bool follow_passive();

    // Proofs, walked backwards from a state to the start.
    std::vector<std::vector<Arrival>> arrivals_;
    std::unordered_map<std::string, int32_t> in_tree_;
    SET layer(int32_t page, int32_t depth) const;
    std::vector<uint64_t> vars_of(const RULE_STATE& s) const;
    RULE_STATE state_of(int32_t page, const std::vector<uint64_t>& vars) const;
    bool before(const RULE_STATE& t, int32_t depth, RULE_STATE& s, uint16_t& key);
    int32_t proof_of(const RULE_STATE& t, int32_t depth);
    void proofs();
};

void Search::build_guards() {
    tests_.resize(pages_);
    for (size_t p = 0; p < pages_; ++p)
        for (const RULE_TEST& t : rules_.TESTS[p]) tests_[p].push_back(test_set(t));
    guards_.resize(pages_);
    for (size_t p = 0; p < pages_; ++p)
        for (const RULE_KEY& k : rules_.KEYS[p]) {
            KeyGuards g;
            SET open = ALL_STATES;  // no option taken yet
            bool faults = !rules_.OPTIONS[p];
            for (const RULE_SLOT& s : k.SLOTS) {
                if (faults || s.TEST.KIND == RULE_TEST::FAULT) {
                    faults = true;
                    g.CHOSEN.push_back(NO_STATES);
                    continue;
                }
                const SET t = test_set(s.TEST);
                g.CHOSEN.push_back(sets_.both(open, t));
                open = sets_.without(open, t);
            }
            g.STAYS = faults ? NO_STATES : open;
            guards_[p].push_back(g);
        }
}

// The states after `key` took the reader from page `from` (having taken an
// option or not) to page `at`.
SET Search::arrive(SET states, int32_t from, const RULE_KEY& key, bool took, int32_t at) {
    const int32_t bit = rules_.BIT_OF[size_t(from)];
    if (took && key.TURN && bit >= 0) states = sets_.with(states, uint32_t(bit) + 1, true);
    if (HISTORY_CLEARED_ON(at)) {
        const SET shown = sets_.both(states, sets_.literal(0, true));
        states = sets_.both(states, sets_.literal(0, false));
        if (shown != NO_STATES) states = sets_.either(states, cleared_);
    }
    return states;
}

void Search::tell(int32_t depth, bool done) {
    if (!budget_.PROGRESS) return;
    const Clock::time_point now = Clock::now();
    if (!done && now - told_ < std::chrono::milliseconds(100)) return;
    told_ = now;
    budget_.PROGRESS({std::chrono::duration<double>(now - start_time_).count(), depth, result_.STATES, found_, done});
}

REACH_STOP Search::explore() {
    std::vector<uint64_t> zero((rules_.TRACKED.size() + 1 + 63) / 64, 0), shown = zero;
    shown[0] = 1;
    const SET start = sets_.only(zero);
    cleared_ = sets_.only(shown);
    build_guards();

    std::vector<std::pair<int32_t, SET>> frontier{{0, start}};
    reached_[0] = start;
    layers_[0].push_back({0, start});
    found_ = 1;
    result_.STATES = 1;
    std::vector<SET> next(pages_, NO_STATES);
    std::vector<int32_t> touched;
    for (int32_t depth = 0; !frontier.empty(); ++depth) {
        tell(depth, false);
        result_.DEPTH = depth;
        for (const auto& [p, states] : frontier) {
            const std::vector<RULE_KEY>& keys = rules_.KEYS[size_t(p)];
            for (size_t k = 0; k < keys.size(); ++k) {
                const RULE_KEY& key = keys[k];
                const KeyGuards& g = guards_[size_t(p)][k];
                const SET pressed = key.PROGRESS ? sets_.flip_first(states) : states;
                auto add = [&](int32_t at, SET s) {
                    if (s == NO_STATES) return;
                    if (next[size_t(at)] == NO_STATES) touched.push_back(at);
                    next[size_t(at)] = sets_.either(next[size_t(at)], s);
                };
                for (size_t e = 0; e < key.SLOTS.size(); ++e) {
                    const RULE_SLOT& slot = key.SLOTS[e];
                    const SET chosen = sets_.both(pressed, g.CHOSEN[e]);
                    if (chosen == NO_STATES) continue;
                    Taken& t = taken_[size_t(p)][size_t(slot.SLOT - 1)];
                    if (t.LAYER < 0) t = {depth, uint16_t(k), int32_t(e)};
                    if (slot.DEST != p) leaves_[size_t(p)] = true;
                    if (slot.DEST_SHOWN) add(slot.DEST, arrive(chosen, p, key, true, slot.DEST));
                }
                // Tab that takes no option changes nothing a search tells apart.
                if (key.PROGRESS) add(p, arrive(sets_.both(pressed, g.STAYS), p, key, false, p));
            }
        }
        std::sort(touched.begin(), touched.end());
        frontier.clear();
        for (int32_t q : touched) {
            const SET fresh = sets_.without(next[size_t(q)], reached_[size_t(q)]);
            next[size_t(q)] = NO_STATES;
            if (fresh == NO_STATES) continue;
            reached_[size_t(q)] = sets_.either(reached_[size_t(q)], fresh);
            if (layers_[size_t(q)].empty()) ++found_;
            layers_[size_t(q)].push_back({depth + 1, fresh});
            frontier.push_back({q, fresh});
            result_.STATES += sets_.count(fresh);
            if (budget_.MAX_STATES > 0 && result_.STATES > budget_.MAX_STATES) {
                result_.DEPTH = depth + 1;
                return REACH_STATE_BUDGET;
            }
        }
        touched.clear();
    }
    return REACH_DONE;
}

std::string state_name(const RULE_STATE& s) {
    std::string n(reinterpret_cast<const char*>(&s.PAGE), sizeof s.PAGE);
    n += char(s.PROGRESS);
    for (uint64_t w : s.PLAYED) n.append(reinterpret_cast<const char*>(&w), sizeof w);
    return n;
}

// The passive pages follow from the states found, one bit each: along
// every move, the page left is played, and the progress text on page 0
// clears them all. Which values each can have on each page is worked out
// over every state at once, 64 pages to a word.
bool Search::follow_passive() {
    const size_t words = (rules_.PASSIVE.size() + 63) / 64;
    if (result_.STATES > 4e6L || size_t(result_.STATES) * words * 16 > budget_.MAX_BYTES / 2) return false;
    std::unordered_map<std::string, int32_t> id;
    std::vector<RULE_STATE> nodes;
    for (size_t p = 0; p < pages_; ++p)
        if (reached_[p] != NO_STATES)
            sets_.each(reached_[p], [&](const std::vector<uint64_t>& vars) {
                RULE_STATE s = state_of(int32_t(p), vars);
                id.emplace(state_name(s), int32_t(nodes.size()));
                nodes.push_back(std::move(s));
            });
    std::vector<uint64_t> played(nodes.size() * words, 0), unplayed(nodes.size() * words, 0);
    std::vector<int32_t> work;
    std::vector<bool> queued(nodes.size(), false);
    auto merge = [&](int32_t v, const uint64_t* one, const uint64_t* zero) {
        bool changed = false;
        for (size_t w = 0; w < words; ++w) {
            const uint64_t a = played[size_t(v) * words + w] | one[w], b = unplayed[size_t(v) * words + w] | zero[w];
            changed |= a != played[size_t(v) * words + w] || b != unplayed[size_t(v) * words + w];
            played[size_t(v) * words + w] = a;
            unplayed[size_t(v) * words + w] = b;
        }
        if (changed && !queued[size_t(v)]) queued[size_t(v)] = true, work.push_back(v);
    };
    std::vector<uint64_t> all(words, ~uint64_t(0)), none(words, 0), one(words), zero(words);
    merge(id.at(state_name(RULE_START(rules_))), none.data(), all.data());
    while (!work.empty()) {
        const int32_t u = work.back();
        work.pop_back();
        queued[size_t(u)] = false;
        const RULE_STATE& s = nodes[size_t(u)];
        const int32_t bit = rules_.PASSIVE_OF[size_t(s.PAGE)];
        for (const RULE_KEY& k : rules_.KEYS[size_t(s.PAGE)]) {
            const RULE_STEP step = RULE_PRESS(rules_, s, k);
            if (step.OUTCOME == RULE_STEP::FAULT) continue;
            const auto v = id.find(state_name(step.NEXT));
            if (v == id.end()) continue;  // not found by the search (it never is)
            if (step.NEXT.PROGRESS && HISTORY_CLEARED_ON(step.NEXT.PAGE)) {
                merge(v->second, none.data(), all.data());
                continue;
            }
            std::copy(played.begin() + ptrdiff_t(size_t(u) * words), played.begin() + ptrdiff_t(size_t(u + 1) * words), one.begin());
            std::copy(unplayed.begin() + ptrdiff_t(size_t(u) * words), unplayed.begin() + ptrdiff_t(size_t(u + 1) * words), zero.begin());
            if (step.OUTCOME == RULE_STEP::MOVED && k.TURN && bit >= 0) {
                one[size_t(bit) / 64] |= uint64_t(1) << (bit % 64);
                zero[size_t(bit) / 64] &= ~(uint64_t(1) << (bit % 64));
            }
            merge(v->second, one.data(), zero.data());
        }
    }
    passive_played_.assign(pages_, {});
    passive_unplayed_.assign(pages_, {});
    for (size_t u = 0; u < nodes.size(); ++u) {
        std::vector<uint64_t>& a = passive_played_[size_t(nodes[u].PAGE)];
        std::vector<uint64_t>& b = passive_unplayed_[size_t(nodes[u].PAGE)];
        a.resize(words, 0);
        b.resize(words, 0);
        for (size_t w = 0; w < words; ++w) a[w] |= played[u * words + w], b[w] |= unplayed[u * words + w];
    }
    return true;
}

bool Search::run() {
    pages_ = size_t(rules_.LAST) + 1;
    result_.PAGES.resize(pages_);
    result_.OPTIONS.resize(pages_);
    reached_.assign(pages_, NO_STATES);
    layers_.resize(pages_);
    taken_.resize(pages_);
    leaves_.assign(pages_, false);
    try {
        result_.STOP = explore();
    } catch (const SETS_BUDGET& stop) {
        result_.STOP = stop.what == SETS_BUDGET::TIME ? REACH_TIME_BUDGET : REACH_MEMORY_BUDGET;
        if (guards_.size() < pages_ || guards_.back().size() < rules_.KEYS.back().size()) {
            // Stopped before the search began: nothing is known.
            layers_.assign(pages_, {});
            found_ = 0;
        }
    }
    result_.COMPLETE = result_.STOP == REACH_DONE;
    if (!rules_.PASSIVE.empty() && result_.COMPLETE && !follow_passive()) return false;
    // What was found stands; spelling it out makes no node, so no budget stops it.
    verdicts();
    proofs();
    result_.SECONDS = std::chrono::duration<double>(Clock::now() - start_time_).count();
    result_.NODES = sets_.nodes();
    tell(result_.DEPTH, true);
    return true;
}

void Search::verdicts() {
    std::vector<uint64_t> vars;
    const REACH_VERDICT unseen = result_.COMPLETE ? REACH_NO : REACH_UNDECIDED;
    for (size_t p = 0; p < pages_; ++p) {
        REACH_PAGE& page = result_.PAGES[p];
        const bool seen = !layers_[p].empty();
        page.REACHABLE = seen ? REACH_YES : unseen;
        page.LEAVES = leaves_[p] ? REACH_YES : unseen;
        for (size_t slot = 0; slot < 4; ++slot) {
            REACH_OPTION& o = result_.OPTIONS[p][slot];
            o.TAKEN = taken_[p][slot].LAYER >= 0 ? REACH_YES : unseen;
            bool available = false;
            if (seen && slot < rules_.TESTS[p].size()) {
                const RULE_TEST& t = rules_.TESTS[p][slot];
                const bool followed = p < passive_played_.size();  // a search cut short did not follow them
                const std::vector<uint64_t>* passive =
                    !followed                                   ? nullptr
                    : t.KIND == RULE_TEST::PASSIVE_PLAYED       ? &passive_played_[p]
                    : t.KIND == RULE_TEST::PASSIVE_NOT_PLAYED   ? &passive_unplayed_[p]
                                                                : nullptr;
                if (passive) available = size_t(t.BIT) / 64 < passive->size() && ((*passive)[size_t(t.BIT) / 64] >> (t.BIT % 64) & 1);
                else available = t.KIND == RULE_TEST::ALWAYS ||
                                 ((t.KIND == RULE_TEST::PLAYED || t.KIND == RULE_TEST::NOT_PLAYED) &&
                                  sets_.common(reached_[p], tests_[p][slot], -1, vars));
            }
            o.AVAILABLE = available ? REACH_YES : unseen;
        }
    }
}

SET Search::layer(int32_t page, int32_t depth) const {
    const auto& l = layers_[size_t(page)];
    const auto it = std::lower_bound(l.begin(), l.end(), std::make_pair(depth, SET(0)),
                                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return it != l.end() && it->first == depth ? it->second : NO_STATES;
}

std::vector<uint64_t> Search::vars_of(const RULE_STATE& s) const {
    std::vector<uint64_t> vars((rules_.TRACKED.size() + 1 + 63) / 64, 0);
    vars[0] = s.PROGRESS ? 1 : 0;
    for (size_t b = 0; b < rules_.TRACKED.size(); ++b)
        if (s.played(int32_t(b))) vars[(b + 1) / 64] |= uint64_t(1) << ((b + 1) % 64);
    return vars;
}

RULE_STATE Search::state_of(int32_t page, const std::vector<uint64_t>& vars) const {
    RULE_STATE s{page, (vars[0] & 1) != 0, std::vector<uint64_t>(rules_.words(), 0), {}};
    for (size_t b = 0; b < rules_.TRACKED.size(); ++b)
        if (vars[(b + 1) / 64] >> ((b + 1) % 64) & 1) s.PLAYED[b / 64] |= uint64_t(1) << (b % 64);
    return s;
}

// A state one key before `t` (found first at `depth`) from which that key
// leads to t, found first at depth - 1.
bool Search::before(const RULE_STATE& t, int32_t depth, RULE_STATE& s, uint16_t& key) {
    for (const Arrival& a : arrivals_[size_t(t.PAGE)]) {
        const SET from = layer(a.FROM, depth - 1);
        if (from == NO_STATES) continue;
        const RULE_KEY& k = rules_.KEYS[size_t(a.FROM)][a.KEY];
        const KeyGuards& g = guards_[size_t(a.FROM)][a.KEY];
        const bool shown = t.PROGRESS != k.PROGRESS;
        std::vector<RULE_STATE> candidates;
        if (t.PROGRESS && HISTORY_CLEARED_ON(t.PAGE)) {
            // The visits were cleared on arrival: any state before will do.
            const SET guard = a.ENTRY < 0 ? g.STAYS : g.CHOSEN[size_t(a.ENTRY)];
            std::vector<uint64_t> vars;
            if (!sets_.common(from, guard, shown ? 1 : 0, vars)) continue;
            candidates.push_back(state_of(a.FROM, vars));
        } else {
            RULE_STATE c = t;
            c.PAGE = a.FROM;
            c.PROGRESS = shown;
            const int32_t bit = rules_.BIT_OF[size_t(a.FROM)];
            if (a.ENTRY >= 0 && k.TURN && bit >= 0) {
                if (!t.played(bit)) continue;  // taking an option plays the page
                candidates.push_back(c);       // played already
                c.PLAYED[size_t(bit) / 64] &= ~(uint64_t(1) << (bit % 64));
            }
            candidates.push_back(c);
        }
        for (const RULE_STATE& c : candidates) {
            if (!sets_.holds(from, vars_of(c))) continue;
            const RULE_STEP step = RULE_PRESS(rules_, c, k);
            if (step.OUTCOME == RULE_STEP::FAULT || !(step.NEXT == t) ||
                step.SLOT != (a.ENTRY < 0 ? 0 : k.SLOTS[size_t(a.ENTRY)].SLOT))
                continue;
            s = c;
            key = k.KEY;
            return true;
        }
    }
    return false;
}

// The proof tree's index of state t, found first at `depth`, adding it and
// the states before it that are not in the tree yet. -1 if none is found,
// which would be a fault in the search.
int32_t Search::proof_of(const RULE_STATE& t, int32_t depth) {
    const auto name = state_name;
    std::vector<std::pair<RULE_STATE, uint16_t>> chain;  // newest first, each with the key reaching it
    RULE_STATE at = t;
    int32_t base = -1;
    for (int32_t d = depth;; --d) {
        if (const auto it = in_tree_.find(name(at)); it != in_tree_.end()) {
            base = it->second;
            break;
        }
        if (d == 0) {
            chain.push_back({at, 0});
            break;
        }
        RULE_STATE s;
        uint16_t key = 0;
        if (!before(at, d, s, key)) return -1;
        chain.push_back({at, key});
        at = std::move(s);
    }
    for (size_t i = chain.size(); i-- > 0;) {
        result_.PARENT.push_back(base);
        result_.VIA.push_back(chain[i].second);
        base = int32_t(result_.PARENT.size() - 1);
        in_tree_.emplace(name(chain[i].first), base);
    }
    return base;
}

void Search::proofs() {
    arrivals_.resize(pages_);
    for (size_t p = 0; p < pages_; ++p) {
        if (layers_[p].empty()) continue;
        const std::vector<RULE_KEY>& keys = rules_.KEYS[p];
        for (size_t k = 0; k < keys.size(); ++k) {
            for (size_t e = 0; e < keys[k].SLOTS.size(); ++e)
                if (keys[k].SLOTS[e].DEST_SHOWN && keys[k].SLOTS[e].TEST.KIND != RULE_TEST::FAULT)
                    arrivals_[size_t(keys[k].SLOTS[e].DEST)].push_back({int32_t(p), uint16_t(k), int32_t(e)});
            if (keys[k].PROGRESS) arrivals_[p].push_back({int32_t(p), uint16_t(k), -1});
        }
    }
    for (size_t p = 0; p < pages_; ++p) {
        if (layers_[p].empty()) continue;
        const auto& [depth, states] = layers_[p].front();
        result_.PAGES[p].PROOF.STATE = proof_of(state_of(int32_t(p), sets_.one(states)), depth);
        for (size_t slot = 0; slot < 4; ++slot) {
            const Taken& t = taken_[p][slot];
            if (t.LAYER < 0) continue;
            std::vector<uint64_t> vars;
            if (!sets_.common(layer(int32_t(p), t.LAYER), guards_[p][t.KEY].CHOSEN[size_t(t.ENTRY)], -1, vars)) continue;
            const int32_t at = proof_of(state_of(int32_t(p), vars), t.LAYER);
            if (at >= 0) result_.OPTIONS[p][slot].PROOF = {at, int32_t(rules_.KEYS[p][t.KEY].KEY)};
        }
    }
}
}  // namespace

REACH_RESULT STORY_REACH(const REACH_BUDGET& budget) {
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline =
        budget.MAX_SECONDS > 0
            ? start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(budget.MAX_SECONDS))
            : Clock::time_point::max();
    for (bool all_tracked : {false, true}) {
        REACH_RESULT result;
        result.BUDGET = budget;
        const STORY_RULES rules = STORY_RULES_READ(all_tracked);
        result.KEY_TABLE = rules.KEY_TABLE;
        if (rules.LAST < 0) return result;
        if (rules.TRACKED.size() > REACH_MAX_BITS) {
            // Each operation on the sets goes one call deeper for each bit.
            result.STOP = REACH_TOO_MANY_BITS;
            result.PAGES.resize(size_t(rules.LAST) + 1, {REACH_UNDECIDED, {}, REACH_UNDECIDED});
            result.OPTIONS.resize(size_t(rules.LAST) + 1);
            for (auto& slots : result.OPTIONS) slots.fill({REACH_UNDECIDED, REACH_UNDECIDED, {}});
            return result;
        }
        if (Search(rules, budget, start, deadline, result).run()) return result;
    }
    return {};  // not reached: with every named page a bit, nothing is passive
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
