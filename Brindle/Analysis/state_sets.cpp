#include "state_sets.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace {
constexpr uint32_t TERMINAL = UINT32_MAX;  // the variable of the two terminals: below every other
constexpr size_t MEMO_MIN = size_t(1) << 16, MEMO_MAX = size_t(1) << 22;

uint64_t mix(uint64_t a, uint64_t b, uint64_t c) {
    uint64_t h = a * 0x9E3779B97F4A7C15ull ^ (b + 0x632BE59BD9B4E019ull) * 0xFF51AFD7ED558CCDull;
    h ^= (h >> 29) + c * 0xC4CEB9FE1A85EC53ull;
    h *= 0xBF58476D1CE4E5B9ull;
    return h ^ (h >> 32);
}

bool bit(const std::vector<uint64_t>& bits, uint32_t v) {
    return v / 64 < bits.size() && (bits[v / 64] >> (v % 64) & 1);
}
}  // namespace

size_t StateSets::bytes() const {
    return nodes_.capacity() * sizeof(Node) + unique_.capacity() * sizeof(uint32_t) + memo_.capacity() * sizeof(Memo) +
           share_.capacity() * sizeof(long double);
}

void StateSets::need(size_t more) const {
    if (bytes() + more > max_bytes_) throw SETS_BUDGET{SETS_BUDGET::MEMORY};
}

StateSets::StateSets(uint32_t variables, size_t max_bytes, std::chrono::steady_clock::time_point deadline)
    : variables_(variables), max_bytes_(max_bytes), deadline_(deadline) {
    nodes_.push_back({TERMINAL, 0, 0});  // NO_STATES
    nodes_.push_back({TERMINAL, 1, 1});  // ALL_STATES
    unique_.assign(1024, 0);
    memo_.assign(MEMO_MIN, Memo{EMPTY_MEMO, 0, 0, 0});
}

void StateSets::tick() {
    if (++ticks_ % 4096 == 0 && std::chrono::steady_clock::now() > deadline_) throw SETS_BUDGET{SETS_BUDGET::TIME};
}

void StateSets::grow_unique() {
    need(unique_.size() * 2 * sizeof(uint32_t));  // the new table while the old one is still held
    std::vector<uint32_t> table(unique_.size() * 2, 0);
    const size_t mask = table.size() - 1;
    for (uint32_t i : unique_)
        if (i) {
            size_t at = mix(nodes_[i].var, nodes_[i].low, nodes_[i].high) & mask;
            while (table[at]) at = (at + 1) & mask;
            table[at] = i;
        }
    unique_.swap(table);
    table = {};
    // The memo grows with the sets, so that it keeps most of what a search
    // repeats, as far as the budget allows.
    const size_t size = std::min(MEMO_MAX, memo_.size() * 4);
    if (memo_.size() < nodes_.size() && size > memo_.size() &&
        bytes() - memo_.capacity() * sizeof(Memo) + size * sizeof(Memo) <= max_bytes_) {
        memo_ = {};
        memo_.assign(size, Memo{EMPTY_MEMO, 0, 0, 0});
    }
}

SET StateSets::make(uint32_t v, SET low, SET high) {
    if (low == high) return low;
    if ((nodes_.size() + 1) * 2 > unique_.size()) grow_unique();
    const size_t mask = unique_.size() - 1;
    size_t at = mix(v, low, high) & mask;
    for (; unique_[at]; at = (at + 1) & mask) {
        const Node& n = nodes_[unique_[at]];
        if (n.var == v && n.low == low && n.high == high) return unique_[at];
    }
    if (nodes_.size() == nodes_.capacity()) need(std::max<size_t>(nodes_.capacity(), 64) * sizeof(Node));
    if (nodes_.size() >= UINT32_MAX - 1) throw SETS_BUDGET{SETS_BUDGET::MEMORY};
    tick();
    nodes_.push_back({v, low, high});
    unique_[at] = uint32_t(nodes_.size() - 1);
    return unique_[at];
}

StateSets::Memo& StateSets::memo(Op op, SET a, SET b) {
    return memo_[mix(op, a, b) & (memo_.size() - 1)];
}

SET StateSets::literal(uint32_t v, bool value) {
    return value ? make(v, NO_STATES, ALL_STATES) : make(v, ALL_STATES, NO_STATES);
}

SET StateSets::apply(Op op, SET a, SET b) {
    switch (op) {
        case AND:
            if (a == NO_STATES || b == NO_STATES) return NO_STATES;
            if (a == ALL_STATES || a == b) return b;
            if (b == ALL_STATES) return a;
            if (a > b) std::swap(a, b);
            break;
        case OR:
            if (a == ALL_STATES || b == ALL_STATES) return ALL_STATES;
            if (a == NO_STATES || a == b) return b;
            if (b == NO_STATES) return a;
            if (a > b) std::swap(a, b);
            break;
        default:  // DIFF
            if (a == NO_STATES || b == ALL_STATES || a == b) return NO_STATES;
            if (b == NO_STATES) return a;
            break;
    }
    Memo& m = memo(op, a, b);
    if (m.op == op && m.a == a && m.b == b) return m.result;
    tick();
    const uint32_t v = std::min(var(a), var(b));
    const SET a0 = var(a) == v ? nodes_[a].low : a, a1 = var(a) == v ? nodes_[a].high : a;
    const SET b0 = var(b) == v ? nodes_[b].low : b, b1 = var(b) == v ? nodes_[b].high : b;
    const SET low = apply(op, a0, b0);
    const SET high = apply(op, a1, b1);
    const SET r = make(v, low, high);
    memo(op, a, b) = {op, a, b, r};  // looked up again: the table may have been replaced
    return r;
}

SET StateSets::both(SET a, SET b) { return apply(AND, a, b); }
SET StateSets::either(SET a, SET b) { return apply(OR, a, b); }
SET StateSets::without(SET a, SET b) { return apply(DIFF, a, b); }

SET StateSets::set_var(SET a, uint32_t v, bool value) {
    if (a == NO_STATES) return a;
    if (var(a) > v) return value ? make(v, NO_STATES, a) : make(v, a, NO_STATES);
    if (var(a) == v) {
        const SET any = either(nodes_[a].low, nodes_[a].high);
        return value ? make(v, NO_STATES, any) : make(v, any, NO_STATES);
    }
    const Op op = value ? WITH1 : WITH0;
    Memo& m = memo(op, a, v);
    if (m.op == op && m.a == a && m.b == v) return m.result;
    tick();
    const Node n = nodes_[a];
    const SET low = set_var(n.low, v, value);
    const SET high = set_var(n.high, v, value);
    const SET r = make(n.var, low, high);
    memo(op, a, v) = {op, a, v, r};
    return r;
}

SET StateSets::with(SET a, uint32_t v, bool value) { return set_var(a, v, value); }

SET StateSets::flip_first(SET a) {
    if (var(a) != 0) return a;
    return make(0, nodes_[a].high, nodes_[a].low);
}

long double StateSets::count(SET a) {
    // A node's share of all the states over the variables from its own: the
    // mean of its two children's (a skipped variable halves nothing). Nodes
    // never change, so each is worked out once, children first, on a stack
    // of its own.
    if (share_.size() < nodes_.size()) {
        if (share_.capacity() < nodes_.size()) {
            need(nodes_.capacity() * sizeof(long double));
            share_.reserve(nodes_.capacity());
        }
        share_.resize(nodes_.size(), -1.0L);
    }
    share_[NO_STATES] = 0;
    share_[ALL_STATES] = 1;
    std::vector<SET> stack{a};
    while (!stack.empty()) {
        const SET s = stack.back();
        if (share_[s] >= 0) {
            stack.pop_back();
            continue;
        }
        const Node& n = nodes_[s];
        if (share_[n.low] < 0 || share_[n.high] < 0) {
            if (share_[n.low] < 0) stack.push_back(n.low);
            if (share_[n.high] < 0) stack.push_back(n.high);
            continue;
        }
        share_[s] = (share_[n.low] + share_[n.high]) / 2;
        stack.pop_back();
    }
    return std::ldexp(share_[a], int(variables_));
}

bool StateSets::holds(SET a, const std::vector<uint64_t>& bits) const {
    while (var(a) != TERMINAL) a = bit(bits, var(a)) ? nodes_[a].high : nodes_[a].low;
    return a == ALL_STATES;
}

std::vector<uint64_t> StateSets::one(SET a) const {
    std::vector<uint64_t> bits((variables_ + 63) / 64, 0);
    while (var(a) != TERMINAL) {
        const Node& n = nodes_[a];
        if (n.low != NO_STATES) {
            a = n.low;
        } else {
            bits[n.var / 64] |= uint64_t(1) << (n.var % 64);
            a = n.high;
        }
    }
    return bits;
}

void StateSets::each(SET a, const std::function<void(const std::vector<uint64_t>&)>& visit) const {
    std::vector<uint64_t> bits((variables_ + 63) / 64, 0);
    // Variable by variable: a node's own splits the states, one it skips
    // takes both values.
    std::function<void(SET, uint32_t)> walk = [&](SET s, uint32_t v) {
        if (s == NO_STATES) return;
        if (v == variables_) return visit(bits);
        const bool split = var(s) == v;
        bits[v / 64] &= ~(uint64_t(1) << (v % 64));
        walk(split ? nodes_[s].low : s, v + 1);
        bits[v / 64] |= uint64_t(1) << (v % 64);
        walk(split ? nodes_[s].high : s, v + 1);
        bits[v / 64] &= ~(uint64_t(1) << (v % 64));
    };
    walk(a, 0);
}

bool StateSets::common(SET a, SET b, int first, std::vector<uint64_t>& state) const {
    state.assign((variables_ + 63) / 64, 0);
    if (first >= 0) {  // variable 0 is above every other: take its branch
        if (var(a) == 0) a = first ? nodes_[a].high : nodes_[a].low;
        if (var(b) == 0) b = first ? nodes_[b].high : nodes_[b].low;
        if (first) state[0] |= 1;
    }
    std::unordered_set<uint64_t> empty;  // pairs known to share no state
    std::function<bool(SET, SET)> find = [&](SET x, SET y) {
        if (x == NO_STATES || y == NO_STATES) return false;
        if (x == ALL_STATES && y == ALL_STATES) return true;
        const uint64_t pair = uint64_t(x) << 32 | y;
        if (empty.count(pair)) return false;
        const uint32_t v = std::min(var(x), var(y));
        const SET x0 = var(x) == v ? nodes_[x].low : x, x1 = var(x) == v ? nodes_[x].high : x;
        const SET y0 = var(y) == v ? nodes_[y].low : y, y1 = var(y) == v ? nodes_[y].high : y;
        if (find(x0, y0)) return true;
        state[v / 64] |= uint64_t(1) << (v % 64);
        if (find(x1, y1)) return true;
        state[v / 64] &= ~(uint64_t(1) << (v % 64));
        empty.insert(pair);
        return false;
    };
    return find(a, b);
}

SET StateSets::only(const std::vector<uint64_t>& bits) {
    SET s = ALL_STATES;
    for (uint32_t v = variables_; v-- > 0;) s = bit(bits, v) ? make(v, NO_STATES, s) : make(v, s, NO_STATES);
    return s;
}
