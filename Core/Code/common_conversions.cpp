#include <cmath>
#include <cstdio>
#include <cctype>
#include <cstdlib>

#include "conversions.h"
#include "runtime.h"

namespace {
int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// "&H", "&O", "&B" (and a bare "&", octal) at position i; false when absent.
bool radix_prefix(const std::string& s, size_t& i, int& radix) {
    if (s.size() - i < 2 || s[i] != '&') return false;
    char k = s[i + 1];
    if (k == 'H' || k == 'h') radix = 16, i += 2;
    else if (k == 'O' || k == 'o') radix = 8, i += 2;
    else if (k == 'B' || k == 'b') radix = 2, i += 2;
    else radix = 8, i += 1;
    return true;
}

uint64_t read_radix(const std::string& s, size_t i, int radix) {
    uint64_t v = 0;  // wraps
    for (; i < s.size() && digit_value(s[i]) < radix; ++i) v = v * uint64_t(radix) + uint64_t(digit_value(s[i]));
    return v;
}

size_t skip_blanks(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    return i;
}
}  // namespace

std::string S2S(const std::string& _ARG_S) { return _ARG_S; }

std::string I2S(int32_t _ARG_I) { return std::to_string(_ARG_I); }

std::string F2S(double _ARG_F) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.16g", _ARG_F);
    std::string s = buf;
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

int32_t S2I(const std::string& _ARG_S) {
    const std::string& s = _ARG_S;
    size_t i = skip_blanks(s);
    int radix = 10;
    if (radix_prefix(s, i, radix)) return int32_t(uint32_t(read_radix(s, i, radix)));
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    uint64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + uint64_t(s[i] - '0');
        if (v > 0xFFFFFFFFull) v = 0xFFFFFFFFull;  // saturates
    }
    uint32_t u = uint32_t(v);
    if (negative) u = 0u - u;
    return int32_t(u);
}

int32_t I2I(int32_t _ARG_I) { return _ARG_I; }

int32_t F2I(double _ARG_F) {
    if (std::isnan(_ARG_F)) return 0;
    double r = std::nearbyint(_ARG_F);  // the default rounding mode: ties to even
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return int32_t(r);
}

double S2F(const std::string& _ARG_S) {
    const std::string& s = _ARG_S;
    size_t i = skip_blanks(s);
    int radix = 10;
    if (radix_prefix(s, i, radix)) return double(int64_t(read_radix(s, i, radix)));
    if (s.compare(i, 2, "0x") == 0 || s.compare(i, 2, "0X") == 0) return 0;
    // The longest leading decimal number: sign, digits, fraction, exponent.
    std::string num;
    size_t j = i;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) num += s[j++];
    size_t digits = 0;
    while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) num += s[j++], ++digits;
    if (j < s.size() && s[j] == '.') {
        num += s[j++];
        while (j < s.size() && isdigit(static_cast<unsigned char>(s[j]))) num += s[j++], ++digits;
    }
    if (digits == 0) return 0;
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E' || s[j] == 'd' || s[j] == 'D')) {
        size_t k = j + 1;
        std::string exp = "e";
        if (k < s.size() && (s[k] == '+' || s[k] == '-')) exp += s[k++];
        size_t exp_digits = 0;
        while (k < s.size() && isdigit(static_cast<unsigned char>(s[k]))) exp += s[k++], ++exp_digits;
        if (exp_digits > 0) num += exp;
    }
    return std::strtod(num.c_str(), nullptr);
}

double I2F(int32_t _ARG_I) { return double(_ARG_I); }

double F2F(double _ARG_F) { return _ARG_F; }
