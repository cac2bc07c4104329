// Sets of reader states as reduced ordered binary decision diagrams: a set
// is a node, and two equal sets are the same node. Variable 0 is whether the
// progress text is shown; variable 1 + b is bit b of the state (a page some
// condition names, played or not). A set of every combination of many
// independent bits is a handful of nodes, which is what lets a search hold
// all the states of a story whose conditions a reader can set freely.
//
// Nodes are never freed while the sets live: a search makes one StateSets
// and drops it whole. Every operation may throw SETS_BUDGET when the node
// budget or the deadline is passed; the sets made before stay valid.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

using SET = uint32_t;
constexpr SET NO_STATES = 0, ALL_STATES = 1;

struct SETS_BUDGET {
    enum WHAT { MEMORY, TIME } what;
};

class StateSets {
public:
    // `variables` in all; at most `max_bytes` held (nodes, tables, memo);
    // operations throw past `deadline`.
    StateSets(uint32_t variables, size_t max_bytes, std::chrono::steady_clock::time_point deadline);

    SET literal(uint32_t var, bool value);
    SET both(SET a, SET b);      // intersection
    SET either(SET a, SET b);    // union
    SET without(SET a, SET b);   // a less b
    // a with variable `var` set to `value` in every state.
    SET with(SET a, uint32_t var, bool value);
    // a with variable 0 flipped in every state.
    SET flip_first(SET a);
    // The states of `a`, counted over every variable.
    long double count(SET a);
    // Whether the state (variable v is bit v of `bits`) is in a.
    bool holds(SET a, const std::vector<uint64_t>& bits) const;
    // One state of a non-empty set, each free variable 0 (bit v of the result).
    std::vector<uint64_t> one(SET a) const;
    // A state in both a and b (with variable 0 equal to `first` unless it is
    // -1), free variables 0; false when there is none. Makes no node.
    bool common(SET a, SET b, int first, std::vector<uint64_t>& state) const;
    // The set of exactly this state.
    SET only(const std::vector<uint64_t>& bits);
    // Each state of a, in order (bit v of the argument is variable v).
    void each(SET a, const std::function<void(const std::vector<uint64_t>&)>& visit) const;

    size_t nodes() const { return nodes_.size(); }
    // What the sets hold now, in bytes.
    size_t bytes() const;

private:
    struct Node {
        uint32_t var, low, high;
    };
    struct Memo {
        uint32_t op, a, b, result;
    };
    enum Op : uint32_t { AND = 1, OR, DIFF, WITH0, WITH1, EMPTY_MEMO = 0 };

    uint32_t variables_;
    size_t max_bytes_;
    std::chrono::steady_clock::time_point deadline_;
    uint32_t ticks_ = 0;
    std::vector<Node> nodes_;
    std::vector<uint32_t> unique_;  // open addressing: node index, 0 empty
    std::vector<Memo> memo_;
    std::vector<long double> share_;  // per node: the share of all states it holds (-1: not worked out)

    uint32_t var(SET a) const { return nodes_[a].var; }
    SET make(uint32_t var, SET low, SET high);
    void grow_unique();
    void tick();
    void need(size_t more) const;  // throws unless `more` bytes fit
    SET apply(Op op, SET a, SET b);
    SET set_var(SET a, uint32_t v, bool value);
    Memo& memo(Op op, SET a, SET b);
};
