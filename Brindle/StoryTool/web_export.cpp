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

bool is_utf8(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += n;
    }
    return true;
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

bool inside(const fs::path& dir, const fs::path& p) {
    auto d = dir.begin(), q = p.begin();
    for (; d != dir.end(); ++d, ++q)
        if (q == p.end() || *d != *q) return false;
    return true;
}
}  // namespace

WEB_STORY WEB_STORY_FILES(const std::string& folder) {
    WEB_STORY story;
    STORY_OPEN(folder, STORY_LOGIC, true);
    std::vector<std::string> wanted = {
        ASSET_PATH("\\Assets\\VGA Table.seq"),
        ASSET_PATH("\\Assets\\Fonts\\mishap22.alpha.png"),
        ASSET_PATH("\\Assets\\Fonts\\Fill.png"),
        ASSET_PATH("\\Assets\\Sprites\\background.png"),
        BACKDROP_PATH(),
    };
    for (const PAGE_SOURCE& s : STORY_SOURCES()) wanted.push_back(s.PATH);
    const auto& pages = STORY_PAGES();
    for (int32_t p = pages.lbound(); p <= pages.ubound(); ++p) {
        const STORY_PAGE_TYPE& page = pages(p);
        if (!page.SPRITE.empty()) wanted.push_back(SCENE_PICTURE_PATH(page.SPRITE));
        for (int32_t i = 1; i <= page.ENTITY.ubound(); ++i)
            if (!page.ENTITY(i).empty()) wanted.push_back(ENTITY_SPRITE_PATH(page.ENTITY(i)));
    }
    if (!pages.empty()) story.TITLE = pages(0).CAPTION;
    const std::string prefix = ASSET_PATH("");  // the story folder and "\Brindle"
    STORY_CLOSE();

    const fs::path root = fs::path(native_path(folder.empty() ? "." : folder));
    std::error_code ec;
    const fs::path assets = fs::canonical(root / "Brindle" / "Assets", ec);
    std::set<std::string> seen, outside;
    for (const std::string& path : wanted) {
        if (!file_readable(path) || path.size() <= prefix.size() + 1 || path.compare(0, prefix.size(), prefix) != 0)
            continue;
        // As the page sees it: under Brindle/, with any "." and ".." worked out.
        const fs::path relative = (fs::path("Brindle") / native_path(path.substr(prefix.size() + 1))).lexically_normal();
        const fs::path real = fs::canonical(native_path(path), ec);
        if (ec || assets.empty() || !inside(fs::path("Brindle") / "Assets", relative) || !inside(assets, real))
            outside.insert(native_path(path));
        else if (seen.insert(relative.generic_string()).second)
            story.FILES.push_back(relative.generic_string());
    }
    story.OUTSIDE.assign(outside.begin(), outside.end());
    return story;
}

std::string WEB_PLAYER_PATH() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    const fs::path page = fs::path(std::string(buf, size_t(n))).parent_path() / "brindle-web-player.html";
    return page.string();
}

bool WEB_PAGE(const std::string& templ, const std::string& title, const std::string& folder, const WEB_STORY& story,
              std::string& page, std::string& error) {
    nlohmann::json files = nlohmann::json::array();
    for (const std::string& name : story.FILES) {
        if (!is_utf8(name)) {
            error = "the file name \"" + name + "\" is not UTF-8 text, which a web page cannot name";
            return false;
        }
        std::string bytes;
        const std::string path = (fs::path(native_path(folder.empty() ? "." : folder)) / name).string();
        if (!file_read_all(path, bytes)) {
            error = "cannot read " + path;
            return false;
        }
        files.push_back({name, base64(bytes)});
    }
    // Inside a script element nothing may read as a tag: "<" only occurs in
    // names, and JSON spells it as an escape just as well.
    std::string data = nlohmann::json{{"files", files}}.dump();
    for (size_t at = 0; (at = data.find('<', at)) != std::string::npos;) data.replace(at, 1, "\\u003c");

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

bool WRITE_WHOLE(const std::string& path, const std::string& data, std::string& error) {
    const std::string temp = path + "." + std::to_string(getpid()) + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size() && std::fflush(f) == 0 &&
                         fsync(fileno(f)) == 0;
    const int why = errno;
    if (std::fclose(f) != 0 || !written) {
        std::remove(temp.c_str());
        error = "cannot write " + path + ": " + std::strerror(written ? errno : why);
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
