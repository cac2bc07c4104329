// "Did you mean": the name among others that a misspelling most likely meant.
#pragma once
#include <string>
#include <vector>

// The candidate closest to `name`: the same but for letter case, a few
// letters added, dropped, changed or swapped with a neighbour (one for a
// name of up to four letters, two for a longer one), or the same letters in
// another order. Ties go to the first in `candidates`. "" when none is
// close, `name` is itself among them, or it is longer than 64 letters.
std::string NEAR_NAME(const std::string& name, const std::vector<std::string>& candidates);
