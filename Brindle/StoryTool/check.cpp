#include "check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "ascii_stand_ins.h"
#include "asset_path.h"
#include "commands.h"
#include "engine.h"
#include "file_support.h"
#include "image_file.h"
#include "key_names.h"
#include "main.h"
#include "near_name.h"
#include "page_file_causes.h"
#include "page_text.h"
#include "page_words.h"
#include "platform/file_read.h"
#include "platform/process.h"
#include "scene.h"
#include "story_shape.h"
#include "string_support.h"

namespace {
// What the player's layers measure (the composition, the frame, the text).
constexpr int COMPOSITION_W = LAYER_SIZES[LAYER_COMPOSITION].W, COMPOSITION_H = LAYER_SIZES[LAYER_COMPOSITION].H;
constexpr int FRAME_W = LAYER_SIZES[LAYER_FRAME].W, FRAME_H = LAYER_SIZES[LAYER_FRAME].H;
constexpr int TITLE_H = LAYER_SIZES[LAYER_TITLE].H, TEXT_H = LAYER_SIZES[LAYER_TEXT].H,
              OPTIONS_H = LAYER_SIZES[LAYER_OPTIONS].H;
constexpr int TEXT_ROWS = LAYER_ROWS(LAYER_TEXT), OPTION_ROWS = LAYER_ROWS(LAYER_OPTIONS);

struct Picture {
    bool exists = false, decodes = false;
    uint32_t w = 0, h = 0;
    std::string reason;
    std::string refused;  // there, but the story reader refuses it: why
};

class Checker {
public:
    Checker(const std::string& folder, CHECK_REPORT& report) : folder_(folder), report_(report) {}
    void run(const REACH_BUDGET& budget);

private:
    const std::string& folder_;
    CHECK_REPORT& report_;
    std::map<std::string, Picture> pictures_;  // by asset path
    std::map<int32_t, const PAGE_SOURCE*> source_of_;  // the file each page's text came from (the last read)
    // A mistake that shifts what the loader reads, and what it folds.
    struct Cause {
        size_t index;  // in report_.DIAGNOSTICS
        int32_t folds_from;
    };
    std::vector<Cause> causes_;
    std::map<std::string, std::vector<size_t>> causes_in_;  // by file: its causes, in line order
    // Each text some cause made the loader read out of place (and the picture
    // names among them): the first cause that did.
    std::unordered_map<std::string, size_t> shifted_by_;
    std::map<std::string, std::string> near_names_;  // a missing picture's name: the one it likely meant
    std::string near_name(const std::string& name, const std::vector<std::string>& candidates) {
        const auto [it, fresh] = near_names_.emplace(name, "");
        if (fresh) it->second = NEAR_NAME(name, candidates);
        return it->second;
    }

    void add(const std::string& name, const std::string& severity, int32_t page, const std::string& file, int32_t line,
             int32_t option, const std::string& message) {
        report_.DIAGNOSTICS.push_back({name, severity, page, file, line, option, message, {}});
    }
    std::string file_of(const PAGE_SOURCE& s) const {
        return STORY_FILE(folder_, "Brindle\\Assets\\Pages\\" + s.NAME + ".seq");
    }
    // The display path of an asset path (ASSET_PATH form).
    std::string file_of_asset(const std::string& asset) const {
        const std::string prefix = ASSET_PATH("\\");
        if (asset.compare(0, prefix.size(), prefix) != 0) return native_path(asset);
        return STORY_FILE(folder_, "Brindle\\" + asset.substr(prefix.size()));
    }
    static const FIELD_READ* field(const PAGE_SOURCE* s, PAGE_FIELD f, int32_t slot = 0) {
        if (s)
            for (const FIELD_READ& r : s->FIELDS)
                if (r.FIELD == f && r.SLOT == slot) return &r;
        return nullptr;
    }
    static int32_t line_of(const PAGE_SOURCE* s, PAGE_FIELD f, int32_t slot = 0) {
        const FIELD_READ* r = field(s, f, slot);
        return r ? r->LINE : 0;
    }
    const Picture& picture(const std::string& path);
    std::set<std::string> refusals_told_;  // paths already reported as refused
    // Reports a picture the story reader refuses, at the place that names
    // it; false when it is not refused.
    bool told_refused(const Picture& pic, const std::string& path, int32_t page, const std::string& file, int32_t line) {
        if (pic.refused.empty()) return false;
        refusals_told_.insert(native_path(path));
        add("refused-file", "error", page, file, line, 0, refused_text(file_of_asset(path), pic.refused));
        return true;
    }
    static std::string refused_text(const std::string& shown, const std::string& why) {
        return shown + " is not read: " + why +
               "; the story reads only ordinary files inside its Brindle/Assets folder, up to 64 MB";
    }
    void check_refused();
    void check_descriptions();
    // A page a file gave (a slot no file filled has no options at all).
    bool page_exists(int64_t p) const {
        return PAGE_HAS_FILE(STORY_PAGES(), p);
    }

    void check_sources();
    void check_fields(const PAGE_SOURCE& s, int32_t page, const std::string& file);
    void check_interface();
    void check_page(const STORY_PAGE_TYPE& page, const std::vector<const STORY_FILE_TYPE*>& pictures);
    void check_figures(const STORY_PAGE_TYPE& page, const PAGE_SOURCE* src, const std::vector<const STORY_FILE_TYPE*>& figures);
    void check_text(const STORY_PAGE_TYPE& page, const PAGE_SOURCE* src);
    void check_folders();
    void check_reach(const REACH_BUDGET& budget);
    void fold();
    // The names of the pictures in a folder of Sprites ("scene"), without ".png".
    std::vector<std::string> pictures_in(const std::string& folder) const;
    // Every figure picture there is, as a page names it ("npc = troll"), and
    // every scene picture; listed once.
    const std::vector<std::string>& figure_names();
    const std::vector<std::string>& scene_names();
    std::vector<std::string> figure_names_, scene_names_;
    bool figures_listed_ = false, scenes_listed_ = false;
};

const Picture& Checker::picture(const std::string& path) {
    auto [it, fresh] = pictures_.emplace(path, Picture{});
    if (!fresh) return it->second;
    Picture& p = it->second;
    p.exists = IS_FILE(path) != 0;
    if (!p.exists && file_why() != "no such file") p.refused = file_why();
    if (!p.exists) return p;
    if (IMAGE* img = LoadRGBAFile(path.c_str())) {
        p.decodes = true;
        p.w = img->WIDTH;
        p.h = img->HEIGHT;
        image_destroy(img);
    } else {
        p.reason = GetLastResult();
    }
    return p;
}

// What a field is, for a message.
std::string field_name(const FIELD_READ& r) {
    const std::string slot = std::to_string(r.SLOT);
    switch (r.FIELD) {
        case FIELD_CAPTION: return "the title";
        case FIELD_NPC_COUNT: return "the character count";
        case FIELD_ITEM_COUNT: return "the item count";
        case FIELD_DEST: return "option " + slot + "'s page";
        case FIELD_REQ: return "option " + slot + "'s condition";
        case FIELD_OPTION_CAPTION: return "option " + slot + "'s caption";
        case FIELD_DESC: return "description line " + slot;
        default: return "the field";
    }
}

// Text from the story in quotes, shortened; control bytes escaped.
std::string quoted(const std::string& s, size_t most = 40) {
    std::string shown;
    for (unsigned char c : s.size() > most ? s.substr(0, most) : s) {
        char buf[8];
        std::snprintf(buf, sizeof buf, c < 32 || c == 127 ? "\\x%02X" : "%c", c);
        shown += buf;
    }
    return "'" + shown + (s.size() > most ? "...'" : "'");
}

std::string option_label(const STORY_OPTION_TYPE& o, int32_t slot) {
    return o.KEY.empty() ? "option " + std::to_string(slot) : "option " + quoted(KEY_NAME(o.KEY));
}

// A picture's name: its file name without the folder and ".png".
std::string picture_name(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0 ? name.substr(0, name.size() - 4) : name;
}

// Every character of a text outside ASCII with what to write instead,
// those with the same stand-in together: "“ ” as \", é as e".
std::string non_ascii_advice(const std::vector<NON_ASCII_CHARACTER>& chars) {
    constexpr size_t MOST = 24;  // a field of nothing else is told in part
    std::vector<std::pair<std::string, std::string>> groups;  // characters, what to write
    for (size_t i = 0; i < chars.size() && i < MOST; ++i) {
        const NON_ASCII_CHARACTER& c = chars[i];
        std::string instead = c.STAND_IN;
        if (c.BYTE_ORDER_MARK) instead = "nothing (it is a byte-order mark: save the file without one)";
        else if (!c.HAS_STAND_IN) instead = "something else (no ASCII character says it)";
        else if (c.STAND_IN.empty()) instead = "nothing (it shows nothing)";
        else if (c.STAND_IN == " ") instead = "a blank";
        auto it = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return g.second == instead; });
        if (it == groups.end()) groups.push_back({c.SHOWN, instead});
        else it->first += " " + c.SHOWN;
    }
    std::string list;
    for (size_t i = 0; i < groups.size(); ++i)
        list += (i == 0 ? "" : i + 1 == groups.size() ? " and " : ", ") + groups[i].first + " as " + groups[i].second;
    if (chars.size() > MOST) list += " (and " + std::to_string(chars.size() - MOST) + " more)";
    return list;
}

void Checker::check_sources() {
    std::map<int64_t, const PAGE_SOURCE*> first;
    for (const PAGE_SOURCE& s : STORY_SOURCES()) {
        const std::string file = file_of(s);
        const int32_t page = s.INDEX >= 0 && s.INDEX <= MAX_PAGE_INDEX ? int32_t(s.INDEX) : -1;
        if (!s.REFUSED.empty()) {
            const int32_t line = line_of(&s, FIELD_NPC_COUNT);
            std::string why;
            for (const FILE_REFUSAL& r : STORY_REFUSED())
                if (r.PATH == s.PATH) why = " (" + r.WHY + ")";
            refusals_told_.insert(native_path(s.PATH));
            add("unreadable-page", "error", page, file, line, 0, "the page is skipped: " + native_path(s.REFUSED) + why);
            continue;
        }
        if (auto [it, fresh] = first.emplace(s.INDEX, &s); !fresh)
            add("duplicate-page-number", "warning", page, file, 0, 0,
                "page " + std::to_string(s.INDEX) + " is also given by '" + it->second->NAME +
                    ".seq'; the file listed last wins (the folder's own order), and the other's figures leave "
                    "empty places");
        source_of_[page] = &s;
        for (const FIELD_CAUSE& c : PAGE_FILE_CAUSES(s)) {
            add(c.NAME, c.SEVERITY, page, file, c.LINE, c.OPTION, c.MESSAGE);
            if (c.FOLDS_FROM == 0) continue;
            causes_in_[file].push_back(causes_.size());
            for (const std::string& text : c.SHIFTED) {
                std::string t = text, cls, id;
                int32_t count = 0;
                shifted_by_.emplace(t, causes_.size());
                ENTITY_PARTS(t, cls, id, count);
                shifted_by_.emplace(id, causes_.size());
            }
            causes_.push_back({report_.DIAGNOSTICS.size() - 1, c.FOLDS_FROM});
        }
        check_fields(s, page, file);
    }
}

// What is wrong in single fields: text in a number, a key no key press
// gives, characters the font does not have.
void Checker::check_fields(const PAGE_SOURCE& s, int32_t page, const std::string& file) {
    bool shifted = false;  // after one number with text in it, the rest of the file is shifted
    for (const FIELD_READ& r : s.FIELDS) {
        const bool number = r.FIELD == FIELD_NPC_COUNT || r.FIELD == FIELD_ITEM_COUNT || r.FIELD == FIELD_DEST ||
                            r.FIELD == FIELD_REQ;
        const int32_t option = r.FIELD == FIELD_KEY || r.FIELD == FIELD_DEST || r.FIELD == FIELD_REQ ||
                                       r.FIELD == FIELD_OPTION_CAPTION
                                   ? r.SLOT
                                   : 0;
        if (number && !NUMBER_FIELD_CLEAN(r.TEXT) && !shifted) {
            shifted = true;
            add("number-field-text", "warning", page, file, r.LINE, option,
                field_name(r) + " is written " + quoted(r.TEXT) + " and reads as " +
                    std::to_string(NUMBER_FIELD_VALUE(r.TEXT)) +
                    ": a number field holds the number alone (a comma in an unquoted text before it would shift "
                    "every later field of the file)");
        }
        if (r.FIELD == FIELD_KEY && !r.TEXT.empty() && PRESSED_KEY(r.TEXT).empty()) {
            std::string why = "no key press gives " + quoted(r.TEXT);
            if (r.TEXT == "\x1B") why = "Escape ends the story before any option is looked at";
            else if (r.TEXT.size() > 1 && r.TEXT.back() == ' ') why += " (it ends in a blank)";
            else if (r.TEXT.size() > 1 && r.TEXT.front() == ' ') why += " (it starts with a blank)";
            add("key-never-matches", "error", page, file, r.LINE, r.SLOT, "option " + std::to_string(r.SLOT) + ": " + why);
        }
        const bool shown_text = r.FIELD == FIELD_CAPTION || r.FIELD == FIELD_OPTION_CAPTION || r.FIELD == FIELD_DESC;
        if (!shown_text) continue;
        const std::vector<NON_ASCII_CHARACTER> chars = NON_ASCII_CHARACTERS(r.TEXT);
        if (chars.empty()) continue;
        add("non-ascii-text", "warning", page, file, r.LINE, r.FIELD == FIELD_OPTION_CAPTION ? r.SLOT : 0,
            field_name(r) + " holds " + plural(int64_t(chars.size()), "character") +
                " outside ASCII, which the font draws as one symbol for each of their bytes: write " +
                non_ascii_advice(chars));
    }
}

void Checker::check_interface() {
    struct Needed {
        const char* name;
        std::string path;
        const char* what;
    };
    std::vector<Needed> needed;
    for (const STORY_FILE_TYPE& f : STORY_FILES()) {
        if (f.KIND == STORY_FILE_FONT)
            needed.push_back({"missing-font", f.PATH, "the font: the first text ends the story"});
        else if (f.KIND == STORY_FILE_WALLPAPER)
            needed.push_back({"missing-interface-picture", f.PATH, "the wallpaper: the first frame ends the story"});
        else if (f.KIND == STORY_FILE_PATTERN)
            needed.push_back({"missing-interface-picture", f.PATH, "the bars' Fill pattern: the first frame ends the story"});
        else if (f.KIND == STORY_FILE_BACKDROP)
            needed.push_back({"missing-interface-picture", f.PATH, "the backdrop behind every scene: it is left empty"});
    }
    for (const Needed& n : needed) {
        const Picture& p = picture(n.path);
        if (told_refused(p, n.path, -1, file_of_asset(n.path), 0)) continue;
        if (!p.exists)
            add(n.name, "error", -1, file_of_asset(n.path), 0, 0, std::string("no ") + n.what);
        else if (!p.decodes)
            add("bad-picture", "error", -1, file_of_asset(n.path), 0, 0, "cannot be read as a picture: " + p.reason);
    }
}

void Checker::check_text(const STORY_PAGE_TYPE& page, const PAGE_SOURCE* src) {
    const std::string file = src ? file_of(*src) : "";
    const int32_t p = page.INDEX;
    const int64_t title_room = 40 - TITLE_COLUMN(page.CAPTION, COMPOSITION_W);  // glyphs wholly on the bar
    if (int64_t(page.CAPTION.size()) > title_room)
        add("title-cut", "warning", p, file, line_of(src, FIELD_CAPTION), 0,
            "the title is " + std::to_string(page.CAPTION.size()) + " characters; the bar shows " +
                std::to_string(title_room));
    const auto lines = WRAP_LINES(PAGE_DESCRIPTION(page), TEXT_COLUMNS);
    if (lines.size() > size_t(TEXT_ROWS))
        add("description-cut", "warning", p, file, line_of(src, FIELD_DESC, 1), 0,
            "the description wraps to " + std::to_string(lines.size()) + " lines; the text box shows " +
                std::to_string(TEXT_ROWS) + ", so it ends at " + quoted(lines[TEXT_ROWS - 1], 60));
}

void Checker::check_figures(const STORY_PAGE_TYPE& page, const PAGE_SOURCE* src,
                            const std::vector<const STORY_FILE_TYPE*>& figures) {
    const std::string file = src ? file_of(*src) : "";
    const int32_t p = page.INDEX;
    // The canvas is twice page 0's frame; the frame narrows to a narrow picture.
    auto frame_width = [&](const std::string& sprite) -> uint32_t {
        const Picture& pic = picture(SCENE_PICTURE_PATH(sprite));
        const double w = pic.decodes ? pic.w : 64, h = pic.decodes ? pic.h : 64;
        if (double(FRAME_W) / FRAME_H > w / h)
            return uint32_t(std::max(1.0, std::nearbyint(double(uint32_t(w) * FRAME_H) / h)));
        return FRAME_W;
    };
    const uint32_t canvas_w = 2 * frame_width(STORY_PAGES()(0).SPRITE), canvas_h = 2 * FRAME_H;
    double X1, Y1;
    FRAME_POSITION(COMPOSITION_W, COMPOSITION_H, frame_width(page.SPRITE), FRAME_H, X1, Y1);
    const double CX = canvas_w / 2, CY = canvas_h / 2;

    // An entry without a class word keeps the one before it, as the scene does.
    std::string CLASSIFICATION, ID;
    int32_t COUNT = 0;
    const int32_t N = page.ENTITY.ubound();
    for (const STORY_FILE_TYPE* f : figures) {
        const int32_t i = f->SLOT;
        std::string subject = page.ENTITY(i);
        if (subject.empty()) continue;  // left by a file read earlier for the same page
        std::string own_class, own_id;
        int32_t own_count = 0;
        ENTITY_PARTS(subject, CLASSIFICATION, ID, COUNT);
        subject = page.ENTITY(i);
        ENTITY_PARTS(subject, own_class, own_id, own_count);
        const int32_t count_npc = page.NPC_COUNT;
        const int32_t line = line_of(src, i <= count_npc ? FIELD_NPC : FIELD_ITEM, i <= count_npc ? i : i - count_npc);
        const Picture& pic = picture(f->PATH);
        if (told_refused(pic, f->PATH, p, file, line)) continue;
        if (!pic.exists) {
            const std::string near = near_name(own_class + " = " + own_id, figure_names());
            add("missing-figure-picture", "warning", p, file, line, 0,
                quoted(page.ENTITY(i)) + " has no picture " + file_of_asset(f->PATH) + "; it is not drawn" +
                    (near.empty() ? "" : " (did you mean '" + near + "'?)"));
            continue;
        }
        if (!pic.decodes) {
            add("bad-picture", "error", p, file, line, 0,
                file_of_asset(f->PATH) + " cannot be read as a picture (" + pic.reason + "); the figure is not drawn");
            continue;
        }
        // Placed as the scene places it: 32 pixels high, centred on its ellipse.
        const double w = pic.w >= pic.h ? FIGURE_HEIGHT : std::max(1.0, std::nearbyint(double(pic.w * FIGURE_HEIGHT) / pic.h));
        double x0, y0;
        ENTITY_OFFSET(i, N, CLASSIFICATION, x0, y0);
        const double left = std::round(X1) + std::round((CX - x0) - w / 2),
                     top = std::round(Y1) + std::round((CY - y0) - FIGURE_HEIGHT / 2.0);
        int64_t seen = 0, all = 0;
        for (int64_t y = int64_t(top); y < int64_t(top) + FIGURE_HEIGHT; ++y) {
            const bool row_shown = y >= 0 && y < COMPOSITION_H && !(y >= TITLE_Y && y < TITLE_Y + TITLE_H) &&
                                   !(y >= TEXT_Y && y < TEXT_Y + TEXT_H) && y < COMPOSITION_H - OPTIONS_H;
            for (int64_t x = int64_t(left); x < int64_t(left + w); ++x, ++all)
                if (row_shown && x >= 0 && x < COMPOSITION_W) ++seen;
        }
        if (all > 0 && seen * 2 < all)
            add("figure-hidden", "warning", p, file, line, 0,
                quoted(page.ENTITY(i)) + " is placed at (" + std::to_string(int64_t(left)) + ", " +
                    std::to_string(int64_t(top)) + "), where " + std::to_string(100 - seen * 100 / all) +
                    "% of it is behind the bars or outside the picture");
    }
}

void Checker::check_page(const STORY_PAGE_TYPE& page, const std::vector<const STORY_FILE_TYPE*>& pictures) {
    const int32_t p = page.INDEX;
    const PAGE_SOURCE* src = source_of_.count(p) ? source_of_[p] : nullptr;
    const std::string file = src ? file_of(*src) : "";
    const int32_t last = STORY_PAGES().ubound();
    for (int32_t slot = 1; slot <= 4; ++slot) {
        const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
        const int64_t named = o.REQ < 0 ? -int64_t(o.REQ) : o.REQ;
        // What the reader meets: a page beyond the story is a fault as soon
        // as its condition is worked out; a page without a file is never played.
        if (named > last)
            add("missing-condition-page", "error", p, file, line_of(src, FIELD_REQ, slot), slot,
                option_label(o, slot) + " depends on page " + std::to_string(named) + ", beyond the story's last page (" +
                    std::to_string(last) + "): " +
                    (o.CAPTION.empty()
                         ? "the first key pressed here that no option before it takes ends the story in a fault"
                         : "the story ends in a fault as soon as this page is shown (its option bar works out the "
                           "condition)"));
        else if (named != 0 && !page_exists(named))
            add("missing-condition-page", "error", p, file, line_of(src, FIELD_REQ, slot), slot,
                option_label(o, slot) + " depends on page " + std::to_string(named) +
                    ", which has no page file: no reader plays it, so the option is " +
                    (o.REQ > 0 ? "never offered" : "always offered"));
        if (!PRESSED_KEY(o.KEY).empty() && !page_exists(o.DEST))
            add("missing-destination", "error", p, file, line_of(src, FIELD_DEST, slot), slot,
                option_label(o, slot) + " leads to page " + std::to_string(o.DEST) +
                    ", which has no page file: taking it ends the story in a fault");
    }
    std::vector<const STORY_FILE_TYPE*> figures;
    for (const STORY_FILE_TYPE* f : pictures) {
        if (f->KIND == STORY_FILE_FIGURE) {
            figures.push_back(f);
            continue;
        }
        if (f->KIND != STORY_FILE_SCENE || page.SPRITE.empty()) continue;
        const int32_t line = line_of(src, FIELD_SPRITE);
        const Picture& pic = picture(f->PATH);
        if (told_refused(pic, f->PATH, p, file, line)) continue;
        if (!pic.exists) {
            const std::string near = near_name(page.SPRITE, scene_names());
            add("missing-scene-picture", "error", p, file, line, 0,
                "the scene picture " + quoted(page.SPRITE) + " has no file " + file_of_asset(f->PATH) +
                    "; the reader sees an empty frame" + (near.empty() ? "" : " (did you mean '" + near + "'?)"));
        } else if (!pic.decodes) {
            add("bad-picture", "error", p, file, line, 0,
                file_of_asset(f->PATH) + " cannot be read as a picture (" + pic.reason +
                    "); the first frame of this page ends the story");
        }
    }
    check_text(page, src);
    check_figures(page, src, figures);
}

std::vector<std::string> Checker::pictures_in(const std::string& folder) const {
    std::vector<std::string> names;
    for (std::string name : dir_list_files(ASSET_PATH("\\Assets\\Sprites\\" + folder + "\\*.png")))
        names.push_back(name.substr(0, name.size() - 4));
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string>& Checker::scene_names() {
    if (!scenes_listed_) scene_names_ = pictures_in("scene");
    scenes_listed_ = true;
    return scene_names_;
}

const std::vector<std::string>& Checker::figure_names() {
    if (figures_listed_) return figure_names_;
    figures_listed_ = true;
    std::vector<std::string> folders = dir_list_folders(ASSET_PATH("\\Assets\\Sprites"));
    std::sort(folders.begin(), folders.end());
    for (const std::string& folder : folders)
        if (folder != "scene" && folder != "interface")
            for (const std::string& name : pictures_in(folder)) figure_names_.push_back(folder + " = " + name);
    return figure_names_;
}

void Checker::check_folders() {
    const auto& pages = STORY_PAGES();
    if (pages.empty() || !page_exists(0))
        add("missing-start-page", "error", 0, "", 0, 0, "there is no page 0, where every reader starts");
    for (int32_t p = 1; p <= pages.ubound();) {
        if (page_exists(p)) {
            ++p;
            continue;
        }
        int32_t q = p;
        while (q + 1 <= pages.ubound() && !page_exists(q + 1)) ++q;
        add("gap-in-page-numbers", "warning", p, "", 0, 0,
            (p == q ? "page " + std::to_string(p) + " has" : "pages " + std::to_string(p) + " to " + std::to_string(q) + " have") +
                " no page file; the grade still counts " + (p == q ? "it" : "them") + ", so no reader reaches 100%");
        p = q + 1;
    }
    const std::string pages_dir = ASSET_PATH("\\Assets\\Pages\\");
    std::vector<std::string> names = dir_list_files(pages_dir + "*");
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".seq") != 0)
            add("ignored-file", "warning", -1, STORY_FILE(folder_, "Brindle\\Assets\\Pages\\" + name), 0, 0,
                "the story reads only files whose names end in '.seq' (in small letters); this one is skipped");

    // Pictures under Sprites that nothing shows.
    std::set<std::string> used;
    for (const auto& [path, pic] : pictures_) used.insert(native_path(path));
    std::vector<std::string> dirs = {ASSET_PATH("\\Assets\\Sprites")};
    std::vector<std::string> unused;
    while (!dirs.empty()) {
        const std::string dir = dirs.back();
        dirs.pop_back();
        for (const std::string& sub : dir_list_folders(dir)) dirs.push_back(dir + "\\" + sub);
        for (const std::string& name : dir_list_files(dir + "\\*.png"))
            if (!used.count(native_path(dir + "\\" + name))) unused.push_back(dir + "\\" + name);
    }
    std::sort(unused.begin(), unused.end());
    for (const std::string& path : unused)
        add("unused-picture", "note", -1, file_of_asset(path), 0, 0, "no page shows this picture");
}

void Checker::check_reach(const REACH_BUDGET& budget) {
    report_.REACH = STORY_REACH(budget);
    const REACH_RESULT& reach = report_.REACH;
    const STORY_END_PAGES ends = STORY_ENDS(reach);
    report_.ENDINGS = ends.ENDINGS;
    report_.DEAD_ENDS = ends.DEAD_ENDS;
    const auto& pages = STORY_PAGES();
    for (int32_t p = 0; p <= pages.ubound(); ++p) {
        if (!page_exists(p)) continue;
        const STORY_PAGE_TYPE& page = pages(p);
        const PAGE_SOURCE* src = source_of_.count(p) ? source_of_[p] : nullptr;
        const std::string file = src ? file_of(*src) : "";
        const REACH_PAGE& r = reach.PAGES[size_t(p)];
        // The option bar at its fullest: every option that can ever be offered.
        bool shown[5] = {};
        for (int32_t slot = 1; slot <= 4; ++slot)
            shown[slot] = r.REACHABLE != REACH_YES || reach.OPTIONS[size_t(p)][size_t(slot - 1)].AVAILABLE != REACH_NO;
        const auto bar = WRAP_LINES(OPTIONS_TEXT(page, shown), TEXT_COLUMNS);
        if (bar.size() > size_t(OPTION_ROWS))
            add("options-cut", "warning", p, file, line_of(src, FIELD_KEY, 1), 0,
                "the option bar wraps to " + std::to_string(bar.size()) + " lines; it shows " +
                    std::to_string(OPTION_ROWS) + ", so " + quoted(bar[OPTION_ROWS], 30) + " and after are not seen");
        if (r.REACHABLE == REACH_NO) {
            add("unreachable-page", "warning", p, file, 0, 0, "no reader can reach page " + std::to_string(p));
            continue;
        }
        if (r.REACHABLE != REACH_YES) continue;
        // A condition naming a page beyond the story ends the story at any key
        // that reaches it (at the page's first frame when the option is
        // listed): the options from there on are never looked at.
        const int32_t beyond = FIRST_CONDITION_BEYOND(page);
        const int32_t looked_at = PAGE_FRAME_FAULTS(page) ? 0 : beyond > 0 ? beyond - 1 : 4;
        if (PAGE_END(p, reach) == PAGE_DEAD_END) {
            const std::vector<std::string> keys = REACH_KEYS(reach, r.PROOF);
            add("dead-end", "warning", p, file, 0, 0,
                "no option ever leads away from this page (reached " +
                    (keys.empty() ? "at the start" : "with the keys: " + KEY_NAMES(keys)) +
                    "): the reader can only quit; give an ending an option back to page 0");
        }
        for (int32_t slot = 1; slot <= looked_at; ++slot) {
            const STORY_OPTION_TYPE& o = page.OPTIONS(slot);
            if (PRESSED_KEY(o.KEY).empty()) continue;
            const REACH_OPTION& ro = reach.OPTIONS[size_t(p)][size_t(slot - 1)];
            const int32_t line = line_of(src, FIELD_KEY, slot);
            if (ro.AVAILABLE == REACH_NO) {
                add("option-never-available", "warning", p, file, line, slot,
                    option_label(o, slot) + " is never offered: its condition on page " +
                        std::to_string(o.REQ < 0 ? -int64_t(o.REQ) : o.REQ) + " never holds when a reader is here");
            } else if (ro.AVAILABLE == REACH_YES && ro.TAKEN == REACH_NO) {
                int32_t first = 1;
                while (first < slot && ascii_lower(pages(p).OPTIONS(first).KEY) != ascii_lower(o.KEY)) ++first;
                add("option-shadowed", "warning", p, file, line, slot,
                    option_label(o, slot) + " is never taken: option " + std::to_string(first) +
                        ", with the same key, is always available when it is and is tried first");
            }
        }
    }
}

void Checker::run(const REACH_BUDGET& budget) {
    check_sources();
    check_interface();
    const auto& pages = STORY_PAGES();
    report_.PAGES = int32_t(pages.count());
    const std::vector<STORY_FILE_TYPE> files = STORY_FILES();
    std::map<int32_t, std::vector<const STORY_FILE_TYPE*>> pictures;  // by page
    for (const STORY_FILE_TYPE& f : files)
        if (f.KIND == STORY_FILE_SCENE || f.KIND == STORY_FILE_FIGURE) pictures[f.PAGE].push_back(&f);
    for (int32_t p = 0; p <= pages.ubound(); ++p)
        if (page_exists(p)) {
            report_.PAGE_FILES.push_back(p);
            check_page(pages(p), pictures[p]);
        }
    check_reach(budget);
    check_folders();
    check_refused();
    check_descriptions();
    fold();
}

// Each picture a page shows without the words a screen reader says for it
// (the first line of a .txt file beside it), once.
void Checker::check_descriptions() {
    std::set<std::string> told;
    const std::vector<STORY_FILE_TYPE> files = STORY_FILES();
    for (size_t i = 1; i < files.size(); ++i) {
        const STORY_FILE_TYPE& f = files[i];
        const std::string& shown = files[i - 1].PATH;
        if (f.KIND != STORY_FILE_DESCRIPTION || !picture(shown).exists || !told.insert(native_path(f.PATH)).second) continue;
        if (IS_FILE(f.PATH) || file_why() != "no such file") continue;  // there, or refused (told already)
        const std::string name = native_path(f.PATH).substr(native_path(f.PATH).find_last_of('/') + 1);
        add("picture-without-description", "note", -1, file_of_asset(shown), 0, 0,
            "a screen reader says only \"" + PICTURE_WORDS(shown) + "\" for it: write what it shows on the first line of " +
                name + " beside it");
    }
}

// Puts each finding that follows from a cause under it: the file's later
// findings, its page's dead end, and elsewhere the pages and pictures the
// shifted fields took away (their numbers and names among the texts read
// out of place). A cause takes the worst severity of what it holds.
void Checker::fold() {
    if (causes_.empty()) return;
    std::vector<DIAGNOSTIC>& all = report_.DIAGNOSTICS;
    static const std::set<std::string> own = {"non-ascii-text", "duplicate-page-number", "refused-file", "unreadable-page",
                                              "gap-in-page-numbers", "missing-start-page", "ignored-file"};
    std::vector<int64_t> owner(all.size(), -1);  // the cause each finding follows from
    for (const Cause& c : causes_) owner[c.index] = -2;  // a cause stays where it is
    // The cause a finding follows from, or -1.
    auto cause_of = [&](const DIAGNOSTIC& d) -> int64_t {
        int64_t found = -1;
        if (const auto in = causes_in_.find(d.FILE); in != causes_in_.end())
            for (size_t k : in->second) {
                if (d.LINE == 0 && d.NAME == "dead-end") return int64_t(k);  // its options are read after any cause
                if (d.LINE > 0 && d.LINE >= causes_[k].folds_from) found = int64_t(k);  // the latest cause before it
            }
        if (found >= 0) return found;
        const std::string key = d.NAME == "unreachable-page" ? std::to_string(d.PAGE)
                                : d.NAME == "unused-picture"  ? picture_name(d.FILE)
                                                              : "";
        const auto it = key.empty() ? shifted_by_.end() : shifted_by_.find(key);
        return it == shifted_by_.end() ? -1 : int64_t(it->second);
    };
    for (size_t i = 0; i < all.size(); ++i)
        if (owner[i] == -1 && !own.count(all[i].NAME)) owner[i] = cause_of(all[i]);
    std::vector<DIAGNOSTIC> kept;
    std::vector<std::vector<DIAGNOSTIC>> held(causes_.size());
    for (size_t i = 0; i < all.size(); ++i)
        if (owner[i] >= 0) held[size_t(owner[i])].push_back(std::move(all[i]));
    std::map<size_t, size_t> cause_at;  // index in `all` -> cause
    for (size_t k = 0; k < causes_.size(); ++k) cause_at[causes_[k].index] = k;
    auto rank = [](const std::string& s) { return s == "error" ? 2 : s == "warning" ? 1 : 0; };
    for (size_t i = 0; i < all.size(); ++i) {
        if (owner[i] >= 0) continue;
        if (const auto it = cause_at.find(i); it != cause_at.end()) {
            DIAGNOSTIC& d = all[i];
            for (DIAGNOSTIC& h : held[it->second]) {
                if (rank(h.SEVERITY) > rank(d.SEVERITY)) d.SEVERITY = h.SEVERITY;
                d.CONSEQUENCES.push_back(std::move(h));
            }
            report_.FOLDED += int(d.CONSEQUENCES.size());
        }
        kept.push_back(std::move(all[i]));
    }
    all = std::move(kept);
}

// Whatever else the story reader refused (the colour table, a picture
// reached another way), each at its own file.
void Checker::check_refused() {
    for (const STORY_FILE_TYPE& f : STORY_FILES()) file_readable(f.PATH);  // what was not read yet is tried
    for (const FILE_REFUSAL& r : STORY_REFUSED())
        if (refusals_told_.insert(native_path(r.PATH)).second)
            add("refused-file", "error", -1, file_of_asset(r.PATH), 0, 0, refused_text(file_of_asset(r.PATH), r.WHY));
}
}  // namespace

std::string STORY_FILE(const std::string& folder, const std::string& relative) {
    if (folder.empty() || folder == ".") return native_path(relative);
    const char last = folder.back();
    return native_path(last == '/' || last == '\\' ? folder + relative : folder + "\\" + relative);
}

std::string DIAGNOSTIC_PLACE(const CHECK_REPORT& report, const DIAGNOSTIC& d) {
    std::string where = d.FILE.empty() ? STORY_FILE(report.FOLDER, "Brindle\\Assets\\Pages") : d.FILE;
    if (d.LINE > 0) where += ":" + std::to_string(d.LINE);
    return where;
}

CHECK_REPORT CHECK_STORY(const std::string& folder, const REACH_BUDGET& budget) {
    CHECK_REPORT report;
    report.FOLDER = folder.empty() ? "." : folder;
    if (std::string why = STORY_FOLDER_PROBLEM(folder); !why.empty()) {
        report.PROBLEM = why;
        return report;
    }
    STORY_OPEN(folder, STORY_LOGIC, true);
    Checker(folder, report).run(budget);
    // Files in name order, lines in order, story-wide findings last.
    const auto in_order = [](const DIAGNOSTIC& a, const DIAGNOSTIC& b) {
        if (a.FILE.empty() != b.FILE.empty()) return b.FILE.empty();
        if (a.FILE != b.FILE) return a.FILE < b.FILE;
        return a.LINE < b.LINE;
    };
    std::stable_sort(report.DIAGNOSTICS.begin(), report.DIAGNOSTICS.end(), in_order);
    for (DIAGNOSTIC& d : report.DIAGNOSTICS) std::stable_sort(d.CONSEQUENCES.begin(), d.CONSEQUENCES.end(), in_order);
    for (const DIAGNOSTIC& d : report.DIAGNOSTICS)
        (d.SEVERITY == "error" ? report.ERRORS : d.SEVERITY == "warning" ? report.WARNINGS : report.NOTES)++;
    for (const STORY_FILE_TYPE& f : STORY_FILES()) report.FILES.push_back(f.PATH);
    STORY_CLOSE();
    return report;
}
