#include "near_name.h"

#include <algorithm>

#include "string_support.h"

namespace {
// Longer names are not compared: no one misspells a name that long, and the
// comparison grows with the square of the length.
constexpr size_t MOST_LETTERS = 64;

// Edits (insert, delete, change, swap of neighbours) from a to b, or
// `most` + 1 when it takes more.
size_t edits(const std::string& a, const std::string& b, size_t most) {
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > most) return most + 1;
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return std::min(d[a.size()][b.size()], most + 1);
}
}  // namespace

std::string NEAR_NAME(const std::string& name, const std::vector<std::string>& candidates) {
    if (name.empty() || name.size() > MOST_LETTERS) return "";
    if (std::find(candidates.begin(), candidates.end(), name) != candidates.end()) return "";
    const std::string lower = ascii_lower(name);
    std::string sorted = lower;
    std::sort(sorted.begin(), sorted.end());
    const size_t most = lower.size() <= 4 ? 1 : 2;
    std::string best;
    size_t best_score = most + 2;  // anagrams score most + 1
    for (const std::string& c : candidates) {
        if (c.size() > MOST_LETTERS) continue;
        const std::string other = ascii_lower(c);
        size_t score = edits(lower, other, most);
        if (score > most) {
            std::string letters = other;
            std::sort(letters.begin(), letters.end());
            if (letters != sorted) continue;
            score = most + 1;
        }
        if (score < best_score) best = c, best_score = score;
    }
    return best;
}
