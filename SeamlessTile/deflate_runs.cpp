#include "deflate_runs.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <numeric>

namespace {
constexpr size_t BLOCK = 16384;  // symbols a block: few enough to follow the picture's changes
constexpr int MAX_BITS = 15, MAX_CL_BITS = 7;
constexpr int END = 256;

// Length symbols 257..285 for match lengths 3..258, with their extra bits.
struct LengthCode {
    uint16_t symbol;
    uint8_t extra_bits;
    uint16_t extra;
};
struct LengthTable {
    LengthCode code[259];
    LengthTable() {
        static const int base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
        static const int bits[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        for (int len = 3; len <= 258; ++len) {
            int k = 28;
            while (base[k] > len) --k;
            code[len] = {uint16_t(257 + k), uint8_t(bits[k]), uint16_t(len - base[k])};
        }
    }
};
const LengthTable LENGTHS;

// Writes bits least significant first, as deflate packs them, into room
// the caller has made: at least 8 bytes past the last whole byte written.
class BitWriter {
public:
    explicit BitWriter(unsigned char* at) : at_(at) {}
    void put(uint32_t bits, int n) {  // n <= 16
        add(bits, n);
        if (count_ >= 48) flush();
    }
    // Without a flush: after one, three codes of up to 15 bits still fit.
    void add(uint32_t bits, int n) {
        buffer_ |= uint64_t(bits) << count_;
        count_ += n;
    }
    void flush() {
        static_assert(std::endian::native == std::endian::little, "the buffer is stored as it lies in memory");
        std::memcpy(at_, &buffer_, 8);
        at_ += count_ >> 3;
        buffer_ = (count_ & ~7) == 64 ? 0 : buffer_ >> (count_ & ~7);
        count_ &= 7;
    }
    // Flushes and pads to a byte boundary; returns where the next byte goes.
    unsigned char* align() {
        flush();
        if (count_) *at_++ = uint8_t(buffer_), buffer_ = 0, count_ = 0;
        return at_;
    }
    unsigned char* at() const { return at_; }

private:
    unsigned char* at_;
    uint64_t buffer_ = 0;
    int count_ = 0;
};

// Code lengths (at most `limit` bits) for the given frequencies: Huffman's,
// with lengths past the limit folded back the way that keeps the code
// complete. Two symbols at least get a code, so the code is always complete.
void code_lengths(const uint32_t* freq, int n, int limit, uint8_t* length) {
    std::fill(length, length + n, 0);
    std::vector<int> used;
    for (int i = 0; i < n; ++i)
        if (freq[i]) used.push_back(i);
    for (int i = 0; used.size() < 2; ++i)  // a lone symbol still needs a partner
        if (!freq[i]) used.push_back(i);
    std::sort(used.begin(), used.end(), [&](int a, int b) { return freq[a] != freq[b] ? freq[a] < freq[b] : a < b; });
    const size_t m = used.size();
    // Huffman's tree over the sorted leaves with two queues: leaves, then
    // inner nodes in the order they are made (their weights never fall).
    std::vector<uint64_t> weight(2 * m);
    std::vector<int> parent(2 * m, -1);
    for (size_t i = 0; i < m; ++i) weight[i] = std::max<uint32_t>(freq[used[i]], 1);
    size_t leaf = 0, inner = m, made = m;
    auto take = [&]() -> size_t {
        if (leaf < m && (inner >= made || weight[leaf] <= weight[inner])) return leaf++;
        return inner++;
    };
    while (made < 2 * m - 1) {
        const size_t a = take(), b = take();
        weight[made] = weight[a] + weight[b];
        parent[a] = parent[b] = int(made);
        ++made;
    }
    std::vector<int> depth(2 * m, 0);
    int longest = 1;
    std::vector<int> count(64, 0);
    for (size_t i = 2 * m - 2; i-- > 0;) {  // parents come after their children; the root has depth 0
        depth[i] = depth[size_t(parent[i])] + 1;
        if (i < m) ++count[size_t(std::min(depth[i], 63))], longest = std::max(longest, depth[i]);
    }
    if (longest > limit) {
        // Fold the long codes to the limit, then lengthen shorter ones until
        // the Kraft sum is exact again.
        for (int d = limit + 1; d < 64; ++d) count[size_t(limit)] += count[size_t(d)], count[size_t(d)] = 0;
        uint64_t total = 0;
        for (int d = 1; d <= limit; ++d) total += uint64_t(count[size_t(d)]) << (limit - d);
        while (total > (uint64_t(1) << limit)) {
            --count[size_t(limit)];
            for (int d = limit - 1; d > 0; --d)
                if (count[size_t(d)]) {
                    --count[size_t(d)];
                    count[size_t(d) + 1] += 2;
                    break;
                }
            --total;
        }
    }
    // The rarest symbols take the longest codes.
    size_t i = 0;
    for (int d = std::min(longest, limit); d > 0; --d)
        for (int k = 0; k < count[size_t(d)]; ++k) length[used[i++]] = uint8_t(d);
}

// Canonical codes for the lengths, bit-reversed for the writer.
void canonical(const uint8_t* length, int n, uint16_t* code) {
    int count[MAX_BITS + 1] = {}, next[MAX_BITS + 1] = {};
    for (int i = 0; i < n; ++i) ++count[length[i]];
    count[0] = 0;
    for (int b = 1, c = 0; b <= MAX_BITS; ++b) next[b] = c = (c + count[b - 1]) << 1;
    for (int i = 0; i < n; ++i) {
        if (!length[i]) continue;
        const uint32_t v = uint32_t(next[length[i]]++);
        uint32_t r = 0;
        for (int b = 0; b < length[i]; ++b) r = (r << 1) | ((v >> b) & 1);
        code[i] = uint16_t(r);
    }
}

// The length of the run at data[i] (bytes equal to data[i - 1], at most 258,
// none past `end`), or 0 when it is shorter than 3. Most positions start no
// run: one comparison of four bytes tells.
inline size_t run_at(const unsigned char* data, size_t i, size_t end) {
    if (i == 0 || end - i < 3) return 0;
    uint32_t four;
    std::memcpy(&four, data + i - 1, 4);
    if (four != data[i - 1] * 0x01010101u) return 0;
    const size_t most = std::min<size_t>(258, end - i);
    size_t run = 3;
    while (run < most && data[i + run] == data[i - 1]) ++run;
    return run;
}

// One block: BLOCK symbols (literals and runs) from data[from] on, or those
// up to `n`, coded with their own tables (or the fixed ones when they come
// out shorter). `last`: the block that reaches `n` ends the stream. Returns
// where the block ended.
size_t write_block(BitWriter& bits, const unsigned char* data, size_t from, size_t n, bool last,
                   std::vector<std::pair<size_t, size_t>>& runs_found) {
    // Four counts a symbol, taken in turn, so that a byte repeated does not
    // wait on its own count.
    uint32_t counts[4][286] = {};
    size_t to = from;
    runs_found.clear();
    for (size_t symbols = 0; symbols < BLOCK && to < n; ++symbols) {
        if (const size_t run = run_at(data, to, n)) {
            ++counts[0][LENGTHS.code[run].symbol];
            runs_found.emplace_back(to, run);
            to += run;
        } else {
            ++counts[symbols & 3][data[to++]];
        }
    }
    uint32_t freq_in[286];
    for (int k = 0; k < 286; ++k) freq_in[k] = counts[0][k] + counts[1][k] + counts[2][k] + counts[3][k];
    const bool final = last && to == n;
    uint32_t freq[286] = {};
    std::memcpy(freq, freq_in, sizeof freq);
    freq[END] = 1;
    uint8_t lit_len[286];
    code_lengths(freq, 286, MAX_BITS, lit_len);
    int hlit = 286;
    while (hlit > 257 && !lit_len[hlit - 1]) --hlit;
    // Two distance codes of one bit: only distance 1 (code 0) is used.
    const uint8_t dist_len[2] = {1, 1};

    // The code lengths, run-length coded: 16 repeats the previous length
    // 3..6 times, 17 and 18 repeat a zero 3..10 and 11..138 times.
    std::vector<uint8_t> all(lit_len, lit_len + hlit);
    all.insert(all.end(), dist_len, dist_len + 2);
    std::vector<std::pair<uint8_t, uint8_t>> runs;  // (symbol, extra)
    for (size_t i = 0; i < all.size();) {
        size_t j = i;
        while (j < all.size() && all[j] == all[i]) ++j;
        size_t left = j - i;
        if (all[i] == 0) {
            while (left >= 11) {
                const size_t take = std::min<size_t>(left, 138);
                runs.emplace_back(18, uint8_t(take - 11)), left -= take;
            }
            if (left >= 3) runs.emplace_back(17, uint8_t(left - 3)), left = 0;
        } else {
            runs.emplace_back(all[i], 0), --left;
            while (left >= 3) {
                const size_t take = std::min<size_t>(left, 6);
                runs.emplace_back(16, uint8_t(take - 3)), left -= take;
            }
        }
        for (; left > 0; --left) runs.emplace_back(all[i], 0);
        i = j;
    }
    uint32_t cl_freq[19] = {};
    for (const auto& r : runs) ++cl_freq[r.first];
    uint8_t cl_len[19];
    code_lengths(cl_freq, 19, MAX_CL_BITS, cl_len);
    static const int ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int hclen = 19;
    while (hclen > 4 && !cl_len[ORDER[hclen - 1]]) --hclen;

    // Sizes in bits of the payload either way, and of the dynamic header.
    static const int EXTRA_CL[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
    uint64_t dynamic = 5 + 5 + 4 + 3 * uint64_t(hclen), fixed = 0;
    for (const auto& r : runs) dynamic += cl_len[r.first] + EXTRA_CL[r.first];
    for (int s = 0; s < 286; ++s) {
        if (!freq[s]) continue;
        const int extra = s >= 265 && s < 285 ? (s - 261) / 4 : 0;
        const int fixed_len = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
        dynamic += uint64_t(freq[s]) * (lit_len[s] + extra + (s > END ? 1 : 0));
        fixed += uint64_t(freq[s]) * (uint64_t(fixed_len) + extra + (s > END ? 5 : 0));
    }

    // The fixed code spans 288 symbols (286 and 287 are never sent but take
    // their places among the 8-bit codes).
    uint8_t len[288];
    uint16_t code[288] = {};
    uint16_t dist_code[2] = {0, 1};
    int dist_bits = 1;
    if (fixed < dynamic) {
        bits.put(final ? 1 : 0, 1);
        bits.put(1, 2);
        for (int s = 0; s < 288; ++s) len[s] = uint8_t(s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8);
        canonical(len, 288, code);
        dist_code[0] = 0, dist_bits = 5;
    } else {
        bits.put(final ? 1 : 0, 1);
        bits.put(2, 2);
        bits.put(uint32_t(hlit - 257), 5);
        bits.put(1, 5);  // two distance codes
        bits.put(uint32_t(hclen - 4), 4);
        for (int i = 0; i < hclen; ++i) bits.put(cl_len[ORDER[i]], 3);
        uint16_t cl_code[19] = {};
        canonical(cl_len, 19, cl_code);
        for (const auto& r : runs) {
            bits.put(cl_code[r.first], cl_len[r.first]);
            if (EXTRA_CL[r.first]) bits.put(r.second, EXTRA_CL[r.first]);
        }
        std::memcpy(len, lit_len, sizeof lit_len);
        canonical(len, 286, code);
        canonical(dist_len, 2, dist_code);
    }
    // The literals between the runs found above, then each run.
    uint32_t literal[256];
    for (int c = 0; c < 256; ++c) literal[c] = code[c] | uint32_t(len[c]) << 16;
    auto literals = [&](size_t i, size_t end) {
        bits.flush();
        for (; i + 3 <= end; i += 3) {
            for (size_t k = 0; k < 3; ++k) bits.add(literal[data[i + k]] & 0xFFFF, int(literal[data[i + k]] >> 16));
            bits.flush();
        }
        for (; i < end; ++i) bits.put(literal[data[i]] & 0xFFFF, int(literal[data[i]] >> 16));
    };
    size_t i = from;
    for (const auto& [at, run] : runs_found) {
        literals(i, at);
        const LengthCode& lc = LENGTHS.code[run];
        bits.put(code[lc.symbol], len[lc.symbol]);
        if (lc.extra_bits) bits.put(lc.extra, lc.extra_bits);
        bits.put(dist_code[0], dist_bits);
        i = at + run;
    }
    literals(i, to);
    bits.put(code[END], len[END]);
    return to;
}
}  // namespace

void deflate_runs(const unsigned char* data, size_t n, bool last, std::vector<unsigned char>& out) {
    // A block never takes more than the fixed codes would: 9 bits a literal,
    // 18 bits a run of 3 or more, plus its end; and the empty stored block.
    const size_t start = out.size();
    out.resize(start + n + n / 8 + (n / BLOCK + 2) * 8 + 64);
    BitWriter bits(out.data() + start);
    std::vector<std::pair<size_t, size_t>> runs;  // where each run of a block starts, and its length
    for (size_t from = 0; from < n;) from = write_block(bits, data, from, n, last, runs);
    if (n == 0 && last) write_block(bits, data, 0, 0, true, runs);  // an empty stream still needs its final block
    if (!last) bits.put(0, 3);  // an empty stored block, which ends on a byte boundary
    unsigned char* end = bits.align();
    if (!last) {
        const unsigned char empty[4] = {0, 0, 0xFF, 0xFF};
        std::memcpy(end, empty, 4);
        end += 4;
    }
    out.resize(size_t(end - out.data()));
}
