// S2I, S2F and the rounding between them.
#include <string>

#include "conversions.h"
#include "string_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string s(reinterpret_cast<const char*>(data), size);
    S2I(s);
    F2I(S2F(s));
    F2S(S2F(s));
    std::string h = s, n = size > 2 ? s.substr(0, 2) : "  ";
    STR_REPLACE(n, " ", h);
    NEEDLECOUNT(",", h = s);
    return 0;
}
