// The story checker on arbitrary stories: the input is up to four page files
// (split at each 0x1E byte), checked with a small state budget.
#include <filesystem>

#include "check.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_setup();
    namespace fs = std::filesystem;
    fs::remove_all("Brindle/Assets/Pages");
    fs::create_directories("Brindle/Assets/Pages");
    const char* names[] = {"0 start", "1 next", "7", "x"};
    size_t start = 0, page = 0;
    for (size_t i = 0; i <= size && page < 4; ++i)
        if (i == size || data[i] == 0x1E) {
            fuzz_write("Brindle/Assets/Pages/" + std::string(names[page++]) + ".seq", data + start, i - start);
            start = i + 1;
        }
    const CHECK_REPORT report = CHECK_STORY("", 2000);
    // Every finding has a name and a severity, and the count adds up.
    if (int(report.DIAGNOSTICS.size()) != report.ERRORS + report.WARNINGS + report.NOTES) __builtin_trap();
    return 0;
}
