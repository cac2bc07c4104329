#include "key_names.h"

#include <sstream>

#include "string_support.h"
#include "surface.h"

namespace {
struct Named {
    const char* name;
    const char* key;
};
constexpr Named SIMPLE[] = {{"space", " "}, {"tab", "\t"}, {"backspace", "\b"}, {"enter", "\r"}, {"escape", "\x1B"}};

// A Latin-1 character (160 to 255) written in UTF-8, as a terminal shows it.
std::string utf8_of(unsigned char c) {
    return std::string{char(0xC0 | (c >> 6)), char(0x80 | (c & 0x3F))};
}
}  // namespace

std::string KEY_NAME(const std::string& key) {
    for (const Named& n : SIMPLE)
        if (key == n.key) return n.name;
    if (key.size() == 2 && static_cast<unsigned char>(key[0]) == 255)
        for (const EXTENDED_KEY& k : EXTENDED_KEYS)
            if (static_cast<unsigned char>(key[1]) == k.scan) return k.name;
    if (key.size() == 1) {
        const unsigned char c = static_cast<unsigned char>(key[0]);
        if (c >= 1 && c <= 26) return std::string("ctrl+") + char('a' + c - 1);
        if (c >= 160) return utf8_of(c);
        if (c >= 33 && c <= 126) return key;
    }
    // Not a key a reader can press: its bytes, escaped.
    std::string shown;
    for (unsigned char c : key) {
        char buf[8];
        std::snprintf(buf, sizeof buf, c >= 33 && c <= 126 ? "%c" : "\\x%02X", c);
        shown += buf;
    }
    return shown;
}

std::string KEY_NAMES(const std::vector<std::string>& keys) {
    std::string s;
    for (const std::string& k : keys) s += (s.empty() ? "" : " ") + KEY_NAME(k);
    return s;
}

bool KEY_FROM_NAME(const std::string& name, std::string& key) {
    if (name.size() == 1) {
        key = name;
        return true;
    }
    // A Latin-1 letter typed in UTF-8.
    const unsigned char a = static_cast<unsigned char>(name[0]);
    if (name.size() == 2 && (a == 0xC2 || a == 0xC3)) {
        const unsigned char c = static_cast<unsigned char>(((a & 0x1F) << 6) | (name[1] & 0x3F));
        if (c >= 160) {
            key = std::string(1, char(c));
            return true;
        }
    }
    const std::string lower = ascii_lower(name);
    for (const Named& n : SIMPLE)
        if (lower == n.name) return key = n.key, true;
    for (const EXTENDED_KEY& k : EXTENDED_KEYS)
        if (lower == k.name) return key = extended_key(k.scan), true;
    if (lower.size() == 6 && lower.compare(0, 5, "ctrl+") == 0 && lower[5] >= 'a' && lower[5] <= 'z') {
        key = std::string(1, char(lower[5] - 'a' + 1));
        return true;
    }
    return false;
}

bool KEYS_FROM_NAMES(const std::string& names, std::vector<std::string>& keys, std::string& error) {
    keys.clear();
    std::istringstream in(names);
    for (std::string name; in >> name;) {
        std::string key;
        if (!KEY_FROM_NAME(name, key)) {
            error = name;
            return false;
        }
        keys.push_back(key);
    }
    return true;
}

std::string KEY_AS_TEXT(const std::string& key) {
    std::string s;
    for (unsigned char c : key) s += c < 128 ? std::string(1, char(c)) : utf8_of(c);
    return s;
}

std::string JSON_TEXT(const std::string& s) { return is_utf8(s) ? s : KEY_AS_TEXT(s); }

std::string JSON_DUMP(const nlohmann::json& value) {
    // Text that is still not UTF-8 is replaced, never a reason to stop.
    return value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}
