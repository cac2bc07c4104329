#include "string_support.h"

#include "runtime.h"

int64_t find_first(const std::string& haystack, const std::string& needle) {
    if (haystack.empty() || needle.empty()) return 0;
    size_t p = haystack.find(needle);
    return p == std::string::npos ? 0 : int64_t(p) + 1;
}

int64_t find_last(const std::string& haystack, const std::string& needle) {
    if (haystack.empty() || needle.empty()) return 0;
    size_t p = haystack.rfind(needle);
    return p == std::string::npos ? 0 : int64_t(p) + 1;
}

std::string middle(const std::string& s, int64_t p, int64_t n) {
    const int64_t len = int64_t(s.size());
    if (p < 1 || p > len || n == 0) return "";
    if (n < 0 || n > len - p + 1) return s.substr(size_t(p - 1));
    return s.substr(size_t(p - 1), size_t(n));
}

std::string left(const std::string& s, int64_t n) {
    if (n <= 0) return "";
    return n >= int64_t(s.size()) ? s : s.substr(0, size_t(n));
}

int32_t STRPOS(const std::string& NEEDLE, const std::string& HAYSTACK) {
    return int32_t(find_first(HAYSTACK, NEEDLE));
}

int32_t STRRPOS(const std::string& NEEDLE, const std::string& HAYSTACK) {
    int64_t p = find_last(HAYSTACK, NEEDLE);
    return int32_t(p == 0 ? int64_t(HAYSTACK.size()) + 1 : p);
}

std::string PREFIX(const std::string& NEEDLE, const std::string& HAYSTACK) {
    return middle(HAYSTACK, 1, find_first(HAYSTACK, NEEDLE) - 1);
}

std::string SUFFIX(const std::string& NEEDLE, const std::string& HAYSTACK) {
    int64_t o = find_first(HAYSTACK, NEEDLE);
    return o == 0 ? "" : middle(HAYSTACK, o + int64_t(NEEDLE.size()), -1);
}

std::string EXT_PREFIX(const std::string& NEEDLE, const std::string& HAYSTACK) {
    return left(HAYSTACK, int64_t(STRRPOS(NEEDLE, HAYSTACK)) - 1);
}

std::string EXT_SUFFIX(const std::string& NEEDLE, const std::string& HAYSTACK) {
    return middle(HAYSTACK, int64_t(STRRPOS(NEEDLE, HAYSTACK)) + int64_t(NEEDLE.size()), -1);
}

std::string AXISLABEL_S(const std::string& BUFFER, const std::string& OPEN_S, const std::string& CLOSE_S) {
    int64_t o1 = find_first(BUFFER, OPEN_S), o2 = find_first(BUFFER, CLOSE_S);
    if (o1 > 0 && o2 == 0) return left(BUFFER, o1 - 1);
    if (o2 > o1) return left(BUFFER, o1 - 1);
    return BUFFER;
}

std::string AXISPARAM_S(const std::string& BUFFER, const std::string& OPEN_S, const std::string& CLOSE_S) {
    int64_t o1 = find_first(BUFFER, OPEN_S), o2 = find_first(BUFFER, CLOSE_S);
    if (o1 > 0 && o2 > o1) return middle(BUFFER, o1 + int64_t(OPEN_S.size()), o2 - o1 - int64_t(OPEN_S.size()));
    return "";
}

std::string STR_REPLACE(const std::string& NEEDLE, const std::string& REPLACEMENT, std::string& HAYSTACK) {
    if (NEEDLE.empty()) return HAYSTACK;
    const size_t n = NEEDLE.size();
    if (REPLACEMENT.find(NEEDLE) != std::string::npos) {
        // Searching again would find the replacement itself for ever.
        std::string out;
        size_t from = 0, at;
        while ((at = HAYSTACK.find(NEEDLE, from)) != std::string::npos) {
            out.append(HAYSTACK, from, at - from).append(REPLACEMENT);
            from = at + n;
        }
        HAYSTACK = out.append(HAYSTACK, from, std::string::npos);
        return HAYSTACK;
    }
    // Same result as searching from the start after every replacement: text
    // before the change held no occurrence, so the search resumes just before it.
    size_t from = 0, at;
    while ((at = HAYSTACK.find(NEEDLE, from)) != std::string::npos) {
        HAYSTACK.replace(at, n, REPLACEMENT);
        from = at >= n - 1 ? at - (n - 1) : 0;
    }
    return HAYSTACK;
}

std::string PACKTEXT(std::string& BUFFER, const std::string& NEWLINE) {
    if (!BUFFER.empty()) BUFFER += "\r\n";
    BUFFER += NEWLINE;
    return BUFFER;
}

std::string PACKTEXTREVERSE(std::string& BUFFER, const std::string& NEWLINE) {
    if (!BUFFER.empty()) BUFFER.insert(0, "\r\n");
    BUFFER.insert(0, NEWLINE);
    return BUFFER;
}

int32_t NEEDLECOUNT(const std::string& NEEDLE, std::string& HAYSTACK) {
    int32_t count = 0;
    size_t from = 0;
    if (!NEEDLE.empty()) {
        size_t at;
        // An occurrence counts when something follows it.
        while ((at = HAYSTACK.find(NEEDLE, from)) != std::string::npos && at + NEEDLE.size() < HAYSTACK.size()) {
            ++count;
            from = at + NEEDLE.size();
        }
    }
    HAYSTACK.clear();
    return count;
}

std::string ascii_lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string ascii_upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

bool is_utf8(const std::string& s) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        // The sequence's length, and the range its second byte may take
        // (which rules out overlong forms, surrogates and code points past
        // U+10FFFF); later bytes are 80 to BF.
        size_t n = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) n = 2;
        else if (c >= 0xE0 && c <= 0xEF) n = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        else if (c >= 0xF0 && c <= 0xF4) n = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        else return false;
        if (i + n > s.size() || byte(i + 1) < low || byte(i + 1) > high) return false;
        for (size_t k = 2; k < n; ++k)
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return false;
        i += n;
    }
    return true;
}
