#include "play_script.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "commands.h"
#include "engine.h"
#include "image_file.h"
#include "key_names.h"
#include "page_text.h"
#include "paging_module.h"
#include "platform/file_read.h"
#include "platform/file_write.h"
#include "platform/process.h"
#include "runtime.h"
#include "story_shape.h"
#include "string_support.h"

namespace fs = std::filesystem;

namespace {
// What separates words: the blank characters words_of splits at.
const char* const BLANKS = " \t\f\v\r";

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(BLANKS);
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(BLANKS) - a + 1);
}

// A caption as written in a script: the rest of the line, quotes optional.
std::string unquote(std::string s) {
    s = trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

bool whole_number(const std::string& s, int64_t most, int32_t& out) {
    if (s.empty() || s.size() > 9) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    const int64_t v = std::stoll(s);
    if (v > most) return false;
    out = int32_t(v);
    return true;
}

// "013.04%", "13.04", "13%": hundredths of a percent.
bool grade_hundredths(std::string s, int32_t& out) {
    if (!s.empty() && s.back() == '%') s.pop_back();
    const size_t dot = s.find('.');
    const std::string whole = s.substr(0, dot), part = dot == std::string::npos ? "" : s.substr(dot + 1);
    int32_t w = 0, f = 0;
    if (!whole_number(whole, 100, w) || part.size() > 2 || (!part.empty() && !whole_number(part, 99, f))) return false;
    if (part.size() == 1) f *= 10;
    out = w * 100 + f;
    return out <= 10000;
}

std::string grade_text(int32_t hundredths) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%03d.%02d%%", hundredths / 100, hundredths % 100);
    return buf;
}

std::vector<std::string> words_of(const std::string& s) {
    std::vector<std::string> words;
    std::istringstream in(s);
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The rest of `line` after its first `n` words.
std::string after_words(const std::string& line, size_t n) {
    size_t at = 0;
    for (size_t i = 0; i < n; ++i) {
        at = line.find_first_not_of(BLANKS, at);
        at = line.find_first_of(BLANKS, at);
        if (at == std::string::npos) return "";
    }
    return trim(line.substr(at));
}

// Parses one line into `step`; "" when it is well formed, else what is wrong.
std::string parse_line(const std::string& line, PLAY_STEP& step) {
    const std::vector<std::string> w = words_of(line);
    if (w.empty()) return "a line of nothing but blank characters";
    const std::string command = ascii_lower(w[0]);
    if (command == "press") {
        step.COMMAND = PLAY_PRESS;
        if (w.size() < 2) return "press needs at least one key";
        std::string unknown;
        if (!KEYS_FROM_NAMES(after_words(line, 1), step.KEYS, unknown))
            return "no key is called '" + unknown +
                   "' (a single character stands for itself; the others are space, tab, backspace, enter, escape, "
                   "up, down, left, right, home, end, pageup, pagedown, insert, delete, f1 to f12, close and ctrl+a "
                   "to ctrl+z)";
        return "";
    }
    if (command == "restart") {
        step.COMMAND = PLAY_RESTART;
        return w.size() == 1 ? "" : "restart takes nothing after it";
    }
    if (command == "frame") {
        step.COMMAND = PLAY_FRAME;
        if (w.size() != 2 && w.size() != 7) return "write 'frame NAME.png' or 'frame NAME.png at X Y WIDTH HEIGHT'";
        step.FRAME = w[1];
        if (!name_stays_inside(step.FRAME))
            return "a stored frame stays in the script's folder: its name is not absolute and has no '..'";
        const std::string lower = ascii_lower(step.FRAME);
        if (lower.size() < 5 || lower.compare(lower.size() - 4, 4, ".png") != 0)
            return "a stored frame is a PNG file: its name ends in .png";
        for (const char* kept : {".got.png", ".diff.png"})
            if (lower.size() >= std::strlen(kept) && lower.compare(lower.size() - std::strlen(kept), std::strlen(kept), kept) == 0)
                return std::string("names ending in ") + kept + " are kept for the frames a failing run writes";
        if (w.size() == 7) {
            if (ascii_lower(w[2]) != "at") return "write 'frame NAME.png at X Y WIDTH HEIGHT'";
            step.RECT = true;
            if (!whole_number(w[3], 639, step.X) || !whole_number(w[4], 479, step.Y) || !whole_number(w[5], 640, step.W) ||
                !whole_number(w[6], 480, step.H) || step.W < 1 || step.H < 1 || step.X + step.W > 640 ||
                step.Y + step.H > 480)
                return "the rectangle 'X Y WIDTH HEIGHT' must lie inside the 640 x 480 frame";
        }
        return "";
    }
    if (command != "expect") return "unknown command '" + w[0] + "' (the commands are press, expect, frame and restart)";
    if (w.size() < 2) return "expect what? (page, offered, not offered or progress)";
    const std::string what = ascii_lower(w[1]);
    if (what == "page") {
        step.COMMAND = PLAY_EXPECT_PAGE;
        if (w.size() != 3 || !whole_number(w[2], 99999, step.PAGE)) return "write 'expect page N', N a page number";
        return "";
    }
    size_t at = 2;
    if (what == "offered") {
        step.COMMAND = PLAY_EXPECT_OFFERED;
    } else if (what == "not" && w.size() > 2 && ascii_lower(w[2]) == "offered") {
        step.COMMAND = PLAY_EXPECT_NOT_OFFERED;
        at = 3;
    } else if (what == "progress") {
        step.COMMAND = PLAY_EXPECT_PROGRESS;
        const std::string figures = after_words(line, 2);
        if (figures.empty()) return "write 'expect progress P of N, T turns, grade G%' (any of the three)";
        std::istringstream parts(figures);
        for (std::string part; std::getline(parts, part, ',');) {
            const std::vector<std::string> p = words_of(ascii_lower(part));
            bool ok = false;
            if (p.size() >= 3 && p.size() <= 4 && p[1] == "of" && (p.size() == 3 || p[3] == "pages" || p[3] == "page"))
                ok = whole_number(p[0], 99999, step.TALLY) && whole_number(p[2], 100000, step.TOTAL);
            else if (p.size() == 2 && (p[1] == "turns" || p[1] == "turn"))
                ok = whole_number(p[0], INT32_MAX, step.TURNS);
            else if (p.size() == 2 && p[0] == "grade")
                ok = grade_hundredths(p[1], step.GRADE);
            if (!ok)
                return "'" + trim(part) + "' is not a progress figure (write 'P of N', 'T turns' or 'grade G%')";
        }
        return "";
    } else {
        return "expect what? '" + w[1] + "' is not page, offered, not offered or progress";
    }
    if (w.size() <= at) return "name the option's key: 'expect offered k' (a caption after it picks one of several)";
    if (!KEY_FROM_NAME(w[at], step.KEY)) return "no key is called '" + w[at] + "'";
    step.CAPTION = unquote(after_words(line, at + 1));
    step.HAS_CAPTION = !step.CAPTION.empty();
    return "";
}

// What the script has done so far, for the messages.
struct Press {
    bool any = false;
    int32_t from = 0, slot = 0;
    std::string key;
};

std::string quoted_key(const std::string& key) { return "'" + KEY_NAME(key) + "'"; }

// The pages a reader went through since the page was last checked:
// "0 -n-> 1 -s-> 5", the most recent steps only when there are many.
struct Way {
    int32_t from = 0, line = 0;  // where it starts, and the line that checked it (0: the start)
    std::vector<std::pair<std::string, int32_t>> steps;  // key, page after it
    void reset(int32_t page, int32_t at) {
        from = page, line = at;
        steps.clear();
    }
    std::string text() const {
        constexpr size_t MOST = 16;
        std::string s = steps.size() > MOST ? "... " + std::to_string(steps[steps.size() - MOST - 1].second)
                                            : std::to_string(from);
        for (size_t i = steps.size() > MOST ? steps.size() - MOST : 0; i < steps.size(); ++i)
            s += " -" + KEY_NAME(steps[i].first) + "-> " + std::to_string(steps[i].second);
        return s;
    }
};

// " (an ending)", " (a dead end)" or "", by the rule every command shares;
// the search behind it is made once for the open story's pages.
std::string end_note(int32_t p) {
    static bool done = false;
    static uint64_t searched = 0;
    static STORY_END_PAGES ends;
    if (!done || searched != STORY_IDENTITY()) {
        ends = STORY_ENDS(STORY_REACH(1000000));
        searched = STORY_IDENTITY();
        done = true;
    }
    auto in = [p](const std::vector<int32_t>& v) { return std::find(v.begin(), v.end(), p) != v.end(); };
    return in(ends.ENDINGS) ? " (an ending)" : in(ends.DEAD_ENDS) ? " (a dead end)" : "";
}

std::string page_label(int32_t p) {
    if (!PAGE_EXISTS(p)) return "page " + std::to_string(p) + " (no page file)";
    return "page " + std::to_string(p) + " '" + STORY_PAGES()(p).CAPTION + "'";
}

std::string last_press(const Press& press) {
    if (!press.any) return "at the start, before any key";
    if (press.slot > 0)
        return "after " + quoted_key(press.key) + " on " + page_label(press.from) + " took its option " +
               std::to_string(press.slot);
    return "after " + quoted_key(press.key) + ", which no option of " + page_label(press.from) + " takes";
}

// The first slot the key takes on page p, or 0; a fault on the way is 0
// (STORY_PRESS reports it).
int32_t chosen_slot(int32_t p, const std::string& key) {
    if (!PAGE_EXISTS(p)) return 0;
    FatalCatch catching;
    try {
        return OPTION_CHOSEN(STORY_PAGES()(p), key);
    } catch (const FatalReport&) {
        return 0;
    }
}

std::string condition_text(const STORY_OPTION_TYPE& o) {
    if (o.REQ > 0) return "it needs page " + std::to_string(o.REQ) + " played";
    if (o.REQ < 0) return "it needs page " + std::to_string(-int64_t(o.REQ)) + " not played yet";
    return "it has no condition";
}

std::string option_label(const std::string& key, const std::string& caption) {
    return "option " + quoted_key(key) + (caption.empty() ? "" : " (" + caption + ")");
}

// Every option of the page, as the author wrote them.
std::string all_options(const STORY_PAGE_TYPE& page) {
    std::string s;
    for (int32_t slot = 1; slot <= 4; ++slot) {
        const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
        if (o.KEY.empty()) continue;
        s += (s.empty() ? "" : ", ") + quoted_key(o.KEY) + (o.CAPTION.empty() ? " (no caption)" : " " + o.CAPTION);
    }
    return s.empty() ? "none" : s;
}

std::string check_offered(const PLAY_STEP& step) {
    const int32_t p = STORY_LOCATION();
    const STORY_PAGE_TYPE& page = STORY_PAGES()(p);
    const bool want = step.COMMAND == PLAY_EXPECT_OFFERED;
    const std::string label = option_label(step.KEY, step.CAPTION);
    FatalCatch catching;
    try {
        const STORY_OPTION_TYPE* match = nullptr;
        bool offered = false;
        for (int32_t slot = 1; slot <= 4 && !offered; ++slot) {
            const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
            if (o.KEY.empty() || ascii_lower(o.KEY) != ascii_lower(step.KEY)) continue;
            if (step.HAS_CAPTION && trim(o.CAPTION) != step.CAPTION) continue;
            match = &o;
            offered = OPTION_AVAILABLE(o);
        }
        if (!match)
            return "expected " + label + (want ? " to be offered" : " not to be offered") + " on " + page_label(p) +
                   ", but the page has no such option; its options: " + all_options(page);
        if (offered == want) return "";
        const std::string bar = PAGE_OPTIONS_LINE(page);
        return "expected " + label + (want ? " to be offered" : " not to be offered") + " on " + page_label(p) +
               ", found it " + (offered ? "offered" : "not offered") + " (" + condition_text(*match) +
               "); the option bar shows: " + (bar.empty() ? "nothing" : bar);
    } catch (const FatalReport& report) {
        return "the options of " + page_label(p) + " cannot be worked out: " + trim(report.text);
    }
}

std::string progress_text(int32_t tally, int32_t total, int32_t turns, int32_t grade) {
    std::string s;
    auto add = [&](const std::string& part) { s += (s.empty() ? "" : ", ") + part; };
    if (tally >= 0) add(std::to_string(tally) + " of " + std::to_string(total));
    if (turns >= 0) add(std::to_string(turns) + " turns");
    if (grade >= 0) add("grade " + grade_text(grade));
    return s;
}

std::string check_progress(const PLAY_STEP& step) {
    const STORY_PROGRESS_FIGURES f = STORY_PROGRESS();
    int32_t grade = 0;
    grade_hundredths(f.GRADE, grade);
    const bool same = (step.TALLY < 0 || (step.TALLY == f.TALLY && step.TOTAL == f.TOTAL)) &&
                      (step.TURNS < 0 || step.TURNS == f.TURNS) && (step.GRADE < 0 || step.GRADE == grade);
    if (same) return "";
    return "expected progress " + progress_text(step.TALLY, step.TOTAL, step.TURNS, step.GRADE) + ", found " +
           progress_text(f.TALLY, f.TOTAL, f.TURNS, grade);
}

struct ImageHolder {
    IMAGE* img = nullptr;
    ~ImageHolder() { image_destroy(img); }
};

// True when the script may write or remove a file at `path`: inside the
// script's folder, also where a folder on the way is a link, and not a file
// the story reads. Otherwise `error` says why.
bool may_touch(const PLAY_SCRIPT& script, const std::string& path, std::string& error) {
    // A script named without a folder is in the current one.
    const auto real_folder = [](const std::string& file) {
        std::error_code ec;
        const fs::path folder = fs::absolute(file, ec).parent_path();
        return ec ? fs::path() : fs::weakly_canonical(folder, ec);
    };
    const fs::path folder = real_folder(script.PATH), parent = real_folder(path);
    const auto [end, _] = std::mismatch(folder.begin(), folder.end(), parent.begin(), parent.end());
    if (folder.empty() || parent.empty() || end != folder.end()) {
        error = "cannot write " + path + ": its folder leads out of the script's folder";
        return false;
    }
    error = STORY_OUTPUT_PROBLEM(STORY_FILE_PATHS(), path);
    return error.empty();
}

// Writes `img` (RGB; the window shows no alpha) as a PNG, whole or not at
// all, making the folders on the way, where the script may (may_touch).
bool write_png(IMAGE* img, const PLAY_SCRIPT& script, const std::string& path, std::string& error) {
    if (!may_touch(script, path, error)) return false;
    const std::string parent = fs::path(path).parent_path().string();
    if (!parent.empty() && !dir_make(parent, error)) return false;
    if (SavePNGFile(img, path.c_str(), 0)) return true;
    error = GetLastResult();
    return false;
}

// The stored frame dimmed to five sixteenths, with every pixel the frame got
// differently in bright magenta: where the differences are, at a glance.
IMAGE* difference(IMAGE* stored, IMAGE* got) {
    IMAGE* diff = image_create(int(got->WIDTH), int(got->HEIGHT), 0, 32);
    if (!diff) return nullptr;
    for (uint32_t y = 0; y < got->HEIGHT; ++y) {
        const uint32_t* a = image_row(stored, y);
        const uint32_t* b = image_row(got, y);
        uint32_t* d = image_row(diff, y);
        for (uint32_t x = 0; x < got->WIDTH; ++x)
            d[x] = ((a[x] ^ b[x]) & 0xFFFFFFu) != 0 ? 0xFFFF00FFu : 0xFF000000u | (((a[x] >> 2) & 0x3F3F3Fu) + ((a[x] >> 4) & 0x0F0F0Fu));
    }
    return diff;
}

std::string hex_rgb(uint32_t p) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%06X", p & 0xFFFFFFu);
    return buf;
}

// Compares the frame shown now with the stored one, or (bless) stores it.
std::string check_frame(const PLAY_SCRIPT& script, const PLAY_STEP& step, bool bless, PLAY_OUTCOME& outcome) {
    ImageHolder frame, got, stored;
    frame.img = image_create(640, 480, 0, 32);
    if (!frame.img || !STORY_SNAPSHOT(frame.img)) return "no frame to compare: the story shows no pictures";
    got.img = image_create(step.W, step.H, 0, 32);
    for (int32_t y = 0; y < step.H; ++y)
        for (int32_t x = 0; x < step.W; ++x)
            image_row(got.img, uint32_t(y))[x] = image_row(frame.img, uint32_t(step.Y + y))[step.X + x] | 0xFF000000u;

    const std::string path = PLAY_FRAME_PATH(script, step.FRAME), got_path = PLAY_GOT_PATH(path),
                      diff_path = PLAY_DIFF_PATH(path);
    const std::string rect = step.RECT ? " inside (" + std::to_string(step.X) + ", " + std::to_string(step.Y) + ") " +
                                             std::to_string(step.W) + " x " + std::to_string(step.H)
                                       : "";
    std::error_code ec;
    const bool exists = fs::exists(path, ec);
    if (exists) stored.img = LoadRGBAFile(path.c_str());
    int64_t differ = 0;
    int32_t fx = -1, fy = -1, x0 = step.W, y0 = step.H, x1 = -1, y1 = -1;
    uint32_t want = 0, found = 0;
    const bool same_size = stored.img && int32_t(stored.img->WIDTH) == step.W && int32_t(stored.img->HEIGHT) == step.H;
    if (same_size)
        for (int32_t y = 0; y < step.H; ++y) {
            const uint32_t* a = image_row(stored.img, uint32_t(y));
            const uint32_t* b = image_row(got.img, uint32_t(y));
            for (int32_t x = 0; x < step.W; ++x) {
                if (((a[x] ^ b[x]) & 0xFFFFFFu) == 0) continue;
                if (differ++ == 0) fx = x, fy = y, want = a[x], found = b[x];
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
        }
    // What an earlier failing run left beside the stored frame goes once it is not so.
    auto forget_failure = [&] {
        for (const std::string& left : {got_path, diff_path})
            if (std::string unused; may_touch(script, left, unused)) fs::remove(left, ec);
    };
    if (same_size && differ == 0) {
        forget_failure();
        if (bless) ++outcome.UNCHANGED;
        return "";
    }
    std::string error;
    if (bless) {
        if (!write_png(got.img, script, path, error)) return error;
        forget_failure();
        outcome.BLESSED.push_back(path);
        return "";
    }
    std::string why;
    if (!exists)
        why = "no stored frame " + path + " (write it with --bless)";
    else if (!stored.img)
        why = "the stored frame " + path + " cannot be read: " + GetLastResult();
    else if (!same_size)
        why = "the stored frame " + path + " is " + std::to_string(stored.img->WIDTH) + " x " +
              std::to_string(stored.img->HEIGHT) + ", " +
              (step.RECT ? "the rectangle (" + std::to_string(step.X) + ", " + std::to_string(step.Y) + ") "
                         : std::string("the frame ")) +
              std::to_string(step.W) + " x " + std::to_string(step.H);
    else
        why = "frame " + path + rect + " differs: " + std::to_string(differ) + " of " +
              std::to_string(int64_t(step.W) * step.H) + " pixels, the first at (" + std::to_string(step.X + fx) + ", " +
              std::to_string(step.Y + fy) + ") (expected " + hex_rgb(want) + ", found " + hex_rgb(found) +
              "), all within (" + std::to_string(step.X + x0) + ", " + std::to_string(step.Y + y0) + ")-(" +
              std::to_string(step.X + x1) + ", " + std::to_string(step.Y + y1) + ")";
    if (!write_png(got.img, script, got_path, error)) return why + "; " + error;
    if (differ == 0) {
        fs::remove(diff_path, ec);
        return why + "; the frame got: " + got_path;
    }
    ImageHolder diff;
    diff.img = difference(stored.img, got.img);
    if (!diff.img || !write_png(diff.img, script, diff_path, error))
        return why + "; the frame got: " + got_path + (diff.img ? "; " + error : "");
    return why + "; the frame got: " + got_path + ", the differences: " + diff_path;
}
}  // namespace

bool PLAY_PARSE(const std::string& path, const std::string& text, PLAY_SCRIPT& script, std::vector<std::string>& errors) {
    script.PATH = path;
    script.STEPS.clear();
    const size_t before = errors.size();
    std::istringstream in(text);
    int32_t number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = trim(line);
        if (t.empty() || t[0] == '#') continue;
        PLAY_STEP step;
        step.LINE = number;
        const std::string problem = parse_line(t, step);
        if (!problem.empty())
            errors.push_back(path + ":" + std::to_string(number) + ": " + problem);
        else
            script.STEPS.push_back(step);
    }
    if (errors.size() == before && script.STEPS.empty()) errors.push_back(path + ": the script does nothing");
    return errors.size() == before;
}

bool PLAY_READ(const std::string& path, PLAY_SCRIPT& script, std::vector<std::string>& errors) {
    std::string text;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || !file_read_all(path, text)) {
        errors.push_back(path + ": cannot read the script");
        return false;
    }
    return PLAY_PARSE(path, text, script, errors);
}

bool PLAY_NEEDS_FRAMES(const std::vector<PLAY_SCRIPT>& scripts) {
    for (const PLAY_SCRIPT& s : scripts)
        for (const PLAY_STEP& step : s.STEPS)
            if (step.COMMAND == PLAY_FRAME) return true;
    return false;
}

std::string PLAY_FRAME_PATH(const PLAY_SCRIPT& script, const std::string& frame) {
    return (fs::path(script.PATH).parent_path() / native_path(frame)).string();
}

std::string PLAY_GOT_PATH(const std::string& stored) { return stored.substr(0, stored.size() - 4) + ".got.png"; }
std::string PLAY_DIFF_PATH(const std::string& stored) { return stored.substr(0, stored.size() - 4) + ".diff.png"; }

namespace {
// A script being played: what it has done, and how it stands.
struct Playing {
    PLAY_OUTCOME outcome;
    Press press;
    Way way;
    int32_t ended_at = 0;  // the line whose Escape ended the story

    void fail(const PLAY_STEP& step, const std::string& message) { outcome.FAILURES.push_back({step.LINE, message}); }
    // A key that cannot be pressed (a fault, or the story ended) is a check
    // that failed, and nothing after it runs.
    void stop(const PLAY_STEP& step, const std::string& message, bool faulted = false) {
        ++outcome.CHECKS;
        fail(step, message);
        outcome.FAULTED = faulted;
        outcome.STOPPED_AT = step.LINE;
    }

    // The keys of one press line, in turn; false when the script stops there.
    bool press_keys(const PLAY_STEP& step) {
        for (const std::string& key : step.KEYS) {
            if (ended_at > 0) {
                stop(step, "the story was ended by Escape earlier on this line; " + quoted_key(key) +
                               " and the keys after it are never pressed");
                return false;
            }
            const int32_t from = STORY_LOCATION();
            const int32_t slot = chosen_slot(from, key);
            const STORY_RESULT r = STORY_PRESS(key);
            if (r.ended) {
                ended_at = step.LINE;
                continue;
            }
            if (!r.ok) {
                std::string why = r.message;
                if (slot > 0) {
                    const int32_t dest = STORY_PAGES()(from).OPTIONS(slot).DEST;
                    if (!PAGE_EXISTS(dest))
                        why += " (its option " + std::to_string(slot) + " leads to page " + std::to_string(dest) +
                               ", which has no page file)";
                }
                stop(step, "pressing " + quoted_key(key) + " on " + page_label(from) + " ended the story: " + why, true);
                return false;
            }
            press = {true, from, slot, key};
            way.steps.push_back({key, STORY_LOCATION()});
        }
        return true;
    }

    bool restart(const PLAY_STEP& step) {
        const STORY_RESULT r = STORY_RESTART();
        press = {};
        way.reset(0, step.LINE);
        ended_at = 0;
        if (r.ok) return true;
        stop(step, "the story could not start again: " + r.message, true);
        return false;
    }

    bool expect_page(const PLAY_STEP& step) {
        ++outcome.CHECKS;
        if (STORY_LOCATION() == step.PAGE) {
            way.reset(step.PAGE, step.LINE);
            return true;
        }
        std::string m = "expected page " + std::to_string(step.PAGE) + ", found " + page_label(STORY_LOCATION()) +
                        (PAGE_EXISTS(STORY_LOCATION()) ? end_note(STORY_LOCATION()) : "") + " (" + last_press(press) + ")";
        if (way.steps.size() > 1)
            m += "; the way since " + (way.line > 0 ? "line " + std::to_string(way.line) : "the start") + ": " + way.text();
        fail(step, m);
        outcome.STOPPED_AT = step.LINE;
        return false;
    }

    // One step of the script; false when the script stops there.
    bool run_step(const PLAY_SCRIPT& script, const PLAY_STEP& step, bool bless) {
        if (ended_at > 0 && step.COMMAND != PLAY_RESTART) {
            stop(step, "the story was ended by Escape on line " + std::to_string(ended_at) +
                           "; write 'restart' to begin again");
            return false;
        }
        std::string m;
        switch (step.COMMAND) {
            case PLAY_PRESS: return press_keys(step);
            case PLAY_RESTART: return restart(step);
            case PLAY_EXPECT_PAGE: return expect_page(step);
            case PLAY_EXPECT_OFFERED:
            case PLAY_EXPECT_NOT_OFFERED: m = check_offered(step); break;
            case PLAY_EXPECT_PROGRESS: m = check_progress(step); break;
            case PLAY_FRAME: m = check_frame(script, step, bless, outcome); break;
        }
        ++outcome.CHECKS;
        if (!m.empty()) fail(step, m);
        return true;
    }
};
}  // namespace

PLAY_OUTCOME PLAY_RUN(const PLAY_SCRIPT& script, bool bless) {
    Playing playing;
    for (const PLAY_STEP& step : script.STEPS)
        if (!playing.run_step(script, step, bless)) break;
    return playing.outcome;
}
