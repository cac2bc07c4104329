#include "web_export.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "asset_path.h"
#include "engine.h"
#include "platform/file_read.h"
#include "platform/process.h"
#include "scene.h"
#include "string_support.h"

namespace fs = std::filesystem;

namespace {
std::string base64(const std::string& bytes) {
    static const char A[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
        out += {A[v >> 18], A[(v >> 12) & 63], A[(v >> 6) & 63], A[v & 63]};
    }
    if (i + 1 == bytes.size()) {
        const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16;
        out += {A[v >> 18], A[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == bytes.size()) {
        const uint32_t v = uint32_t(uint8_t(bytes[i])) << 16 | uint32_t(uint8_t(bytes[i + 1])) << 8;
        out += {A[v >> 18], A[(v >> 12) & 63], A[(v >> 6) & 63], '='};
    }
    return out;
}

std::string html_text(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

WEB_STORY WEB_STORY_FILES(const std::string& folder) {
    WEB_STORY story;
    STORY_OPEN(folder, STORY_LOGIC);
    const std::string prefix = ASSET_PATH("");  // the story folder and "\\Brindle"
    std::set<std::string> seen;
    for (const STORY_FILE_TYPE& f : STORY_FILES()) {
        if (f.PATH.size() <= prefix.size() + 1 || f.PATH.compare(0, prefix.size(), prefix) != 0) continue;
        // Named as the page's player asks for it, "." and ".." worked out on
        // the names as its file system does; read once, by the story reader,
        // which keeps to ordinary files inside Brindle/Assets.
        const std::string name =
            (fs::path("Brindle") / native_path(f.PATH.substr(prefix.size() + 1))).lexically_normal().generic_string();
        if (!seen.insert(name).second) continue;
        std::string bytes;
        if (file_read_all(f.PATH, bytes)) story.FILES.push_back({name, std::move(bytes)});
    }
    story.REFUSED = STORY_REFUSED();
    const auto& pages = STORY_PAGES();
    if (!pages.empty()) story.TITLE = pages(0).CAPTION;
    STORY_CLOSE();
    return story;
}

std::string WEB_PLAYER_PATH() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    const fs::path page = fs::path(std::string(buf, size_t(n))).parent_path() / "brindle-web-player.html";
    return page.string();
}

bool WEB_PAGE(const std::string& templ, const std::string& title, const WEB_STORY& story, std::string& page,
              std::string& error) {
    nlohmann::json files = nlohmann::json::array();
    for (const WEB_FILE& f : story.FILES) {
        if (!is_utf8(f.NAME)) {
            error = "the file name \"" + f.NAME + "\" is not UTF-8 text, which a web page cannot name";
            return false;
        }
        files.push_back({f.NAME, base64(f.BYTES)});
    }
    // Inside a script element nothing may read as a tag: "<" only occurs in
    // names, and JSON spells it as an escape just as well. One pass.
    const std::string json = nlohmann::json{{"files", files}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string data;
    data.reserve(json.size());
    for (char c : json) {
        if (c == '<') data += "\\u003c";
        else data += c;
    }

    page = templ;
    const std::string title_mark = "{{TITLE}}", story_mark = "{{STORY}}";
    const size_t t = page.find(title_mark);
    if (t == std::string::npos) {
        error = "the web player's page has no place for the title";
        return false;
    }
    const std::string shown = html_text(is_utf8(title) ? title : std::string("Brindle"));
    page.replace(t, title_mark.size(), shown);
    const size_t s = page.find(story_mark, t + shown.size());
    if (s == std::string::npos) {
        error = "the web player's page has no place for the story";
        return false;
    }
    page.replace(s, story_mark.size(), data);
    return true;
}
