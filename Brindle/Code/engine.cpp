#include "engine.h"

#include <cstring>

#include "asset_path.h"
#include "core.h"
#include "gfx/gfx.h"
#include "image_file.h"
#include "main.h"
#include "paging_module.h"
#include "scene.h"
#include "platform/file_read.h"
#include "platform/process.h"
#include "story_state.h"
#include "surface.h"
#include "vga_lookup.h"

namespace {
STORY_MODE g_mode = STORY_LOGIC;
bool g_open = false;

// The report's own words on one line: "Aborting due to ...".
std::string report_line(const FatalReport& report) {
    std::string text = report.text;
    while (!text.empty() && (text.front() == '\n' || text.back() == '\n'))
        text = text.front() == '\n' ? text.substr(1) : text.substr(0, text.size() - 1);
    return text;
}

// Runs one step of the engine. In the player a fault ends the program with
// the fatal report; anywhere else the report comes back as the result.
template <class Step>
STORY_RESULT guarded(Step step) {
    STORY_RESULT result;
    if (g_mode == STORY_PLAYER) {
        step(result);
        return result;
    }
    FatalCatch catching;
    try {
        step(result);
    } catch (const FatalReport& report) {
        result.ok = false;
        result.error = report.error;
        result.message = report_line(report);
    }
    return result;
}

// Releases every layer, kept layer and scene canvas: what frames made.
void release_frames() {
    LAYERS_DROP_CACHE();
    for (IMAGE*& img : DISPOUT.raw()) {
        image_destroy(img);
        img = nullptr;
    }
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) {
        image_destroy(PAGES(i).SCENE);
        PAGES(i).SCENE = nullptr;
    }
}

// The frame that follows a key or a start: composed, or its bookkeeping only.
void take_frame() {
    if (g_mode == STORY_LOGIC)
        FRAME_BOOKKEEPING();
    else
        BRINDLE_FRAME();
}
}  // namespace

std::string STORY_FOLDER_PROBLEM(const std::string& folder) {
    const std::string root = folder.empty() ? "." : folder;
    if (!dir_exists(root)) return "no such folder";
    if (!dir_exists(root + "\\Brindle\\Assets")) return "it holds no Brindle/Assets folder";
    return "";
}

STORY_RESULT STORY_OPEN(const std::string& folder, STORY_MODE mode, bool trace) {
    STORY_CLOSE();
    g_mode = mode;
    if (mode != STORY_PLAYER || !folder.empty()) {
        if (std::string why = STORY_FOLDER_PROBLEM(folder); !why.empty()) {
            STORY_RESULT result;
            result.ok = false;
            result.message = (folder.empty() ? std::string(".") : folder) + ": " + why;
            return result;
        }
    }
    ASSET_ROOT = folder.empty() ? "." : folder;
    PROJECTSPACE = "Brindle";
    // Every file of the story is read from inside its Assets folder only.
    file_confine(ASSET_PATH("\\Assets"));
    C = "";
    STORY.CONSOLE = mode == STORY_PLAYER ? CONSOLE_READER : CONSOLE_QUIET;
    STORY.TRACE = trace;
    g_open = true;
    return guarded([&](STORY_RESULT& result) {
        ROUTINE("Main", "STORY_OPEN");
        if (mode != STORY_LOGIC) {
            CORE_STARTUP();
            GFX_VALIDATE_DISPLAY();
            FONTSHEET = LoadRGBAFile(FONT_PATH().c_str());
        }
        LOAD_PAGES(PAGES);
        if (PAGES.lbound() == 0 && PAGES.ubound() == -1) {
            result.ok = false;
            result.empty = true;
            result.message = "Oh Noes! No files to be found!";
            return;
        }
        if (mode != STORY_LOGIC) DISPOUT.redim(0, PAGES.ubound(), 0, LAYER_LAST);
        PAGELOCATION = 0;
        take_frame();
    });
}

STORY_RESULT STORY_RESTART() {
    if (!g_open || PAGES.empty()) return {false, false, false, 0, "no story is open"};
    release_frames();
    for (int32_t i = PAGES.lbound(); i <= PAGES.ubound(); ++i) PAGES(i).HISTORY = PAGES(i).VISITED = 0;
    PAGELOCATION = TOTAL = TALLY = TURNS = 0;
    SETTING_GALLERY = SETTING_GRADE = SETTING_EFFICIENCY = SETTING_TURN = 0;
    C = "";
    return guarded([](STORY_RESULT&) { take_frame(); });
}

namespace {
std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) s += (s.empty() ? "" : "; ") + l;
    return s;
}
}  // namespace

STORY_RESULT STORY_RELOAD() {
    if (!g_open || PAGES.empty()) return {false, false, false, 0, "no story is open"};
    // The new story is read into STORY while the old one waits aside, whole:
    // on any failure it comes back untouched. On success everything composed
    // from the old files goes with it (every layer, scene canvas, thumbnail
    // and the font sheet, and the record of the layers kept for the current page).
    STORY_STATE old = std::move(STORY);
    STORY = STORY_STATE{};
    const Array<std::string> old_colours = VGA_TABLE;
    STORY.CONSOLE = CONSOLE_QUIET;
    STORY.TRACE = old.TRACE;
    STORY_RESULT result;
    FatalCatch catching;
    try {
        ROUTINE("Main", "STORY_RELOAD");
        if (g_mode != STORY_LOGIC) {
            VGA_LOAD(VGA_TABLE, COLOUR_TABLE);
            FONTSHEET = LoadRGBAFile(FONT_PATH().c_str());
        }
        LOAD_PAGES(PAGES);
        if (PAGES.empty()) {
            result = {false, false, true, 0, "no page files"};
        } else if (!STORY.MESSAGES.empty()) {
            result = {false, false, false, 0, joined(STORY.MESSAGES)};
        } else if (!PAGE_HAS_FILE(PAGES, 0)) {
            result = {false, false, false, 0, "there is no page 0, where every reader starts"};
        } else if (g_mode != STORY_LOGIC && !FONTSHEET) {
            result = {false, false, false, 0, "the font cannot be read: " + GetLastResult()};
        } else {
            for (int32_t i = 0; i <= std::min(PAGES.ubound(), old.PAGES.ubound()); ++i) {
                PAGES(i).HISTORY = old.PAGES(i).HISTORY;
                PAGES(i).VISITED = old.PAGES(i).VISITED;
            }
            TOTAL = old.TOTAL;
            TALLY = old.TALLY;
            TURNS = old.TURNS;
            SETTING_GALLERY = old.SETTING_GALLERY;
            SETTING_GRADE = old.SETTING_GRADE;
            SETTING_EFFICIENCY = old.SETTING_EFFICIENCY;
            SETTING_TURN = old.SETTING_TURN;
            PAGELOCATION = old.PAGELOCATION;
            if (!PAGE_HAS_FILE(PAGES, PAGELOCATION)) {
                result.message = "page " + std::to_string(PAGELOCATION) + " is gone: back to page 0";
                PAGELOCATION = 0;
            }
            if (g_mode != STORY_LOGIC) {
                DISPOUT.redim(0, PAGES.ubound(), 0, LAYER_LAST);
                LAYERS_REBUILD();
            }
            take_frame();
        }
    } catch (const FatalReport& report) {
        result = {false, false, false, report.error, "its first frame ends the story: " + report_line(report)};
    }
    if (!result.ok) {
        STORY_RESET();
        STORY = std::move(old);
        VGA_TABLE = old_colours;
        return result;
    }
    STORY.CONSOLE = old.CONSOLE;
    STORY_RESET(old);
    return result;
}

STORY_RESULT STORY_RESTORE(const STORY_READER_STATE& state) {
    if (!g_open || PAGES.empty()) return {false, false, false, 0, "no story is open"};
    if (std::string why = READER_STATE_MISFIT(state); !why.empty())
        return {false, false, false, 0, "the saved place does not fit this story: " + why};
    return guarded([&](STORY_RESULT&) {
        ROUTINE("Main", "STORY_RESTORE");
        READER_STATE_SET(state);
        SETTING_TURN = 0;
        C = "";
        if (g_mode != STORY_LOGIC) {
            // Made again from the files, as a run that got here would have them.
            release_frames();
            LAYERS_REBUILD();
        }
        take_frame();
    });
}

STORY_RESULT STORY_PRESS(const std::string& key) {
    if (!g_open || PAGES.empty()) return {false, false, false, 0, "no story is open"};
    if (key == "\x1B") return {true, true, false, 0, ""};
    if (key.empty()) return {};
    return guarded([&](STORY_RESULT&) {
        const int32_t from = PAGELOCATION;
        BRINDLE_KEY(key);
        if (g_mode != STORY_LOGIC && PAGELOCATION != from) LAYERS_LEAVE(from);
        take_frame();
    });
}

bool STORY_SNAPSHOT(IMAGE* out) {
    const IMAGE* shown = surface_page(0);
    if (!g_open || g_mode == STORY_LOGIC || !shown || !out || out->WIDTH != shown->WIDTH ||
        out->HEIGHT != shown->HEIGHT)
        return false;
    for (uint32_t y = 0; y < shown->HEIGHT; ++y)
        std::memcpy(image_row(out, y), image_row(shown, y), size_t(shown->WIDTH) * 4);
    return true;
}

void STORY_CLOSE() {
    STORY_RESET();
    file_confine("");
    g_open = false;
}

void STORY_DROP_CACHES() { LAYERS_DROP_CACHE(); }

const Array<STORY_PAGE_TYPE>& STORY_PAGES() { return PAGES; }
int32_t STORY_LOCATION() { return PAGELOCATION; }
bool STORY_GALLERY_SHOWN() { return SETTING_GALLERY == 1; }
bool STORY_PROGRESS_SHOWN() { return SETTING_GRADE == 1; }
const std::vector<std::string>& STORY_MESSAGES() { return STORY.MESSAGES; }
const std::vector<PAGE_SOURCE>& STORY_SOURCES() { return STORY.SOURCES; }

std::vector<STORY_FILE_TYPE> STORY_FILES() {
    std::vector<STORY_FILE_TYPE> files;
    if (!g_open) return files;
    files.push_back({STORY_FILE_COLOURS, COLOUR_TABLE_PATH(COLOUR_TABLE)});
    FRAME_FILES(files);
    files.insert(files.end(), STORY.PAGE_FILES.begin(), STORY.PAGE_FILES.end());
    for (int32_t p = 0; p <= PAGES.ubound(); ++p) {
        if (!PAGE_HAS_FILE(PAGES, p)) continue;
        std::vector<STORY_FILE_TYPE> pictures;
        PAGE_PICTURES(PAGES(p), pictures);
        for (const STORY_FILE_TYPE& f : pictures) {
            files.push_back(f);
            files.push_back({STORY_FILE_DESCRIPTION, PICTURE_DESCRIPTION_PATH(f.PATH), f.PAGE, f.SLOT});
        }
    }
    return files;
}

std::vector<FILE_REFUSAL> STORY_REFUSED() { return g_open ? file_refusals() : std::vector<FILE_REFUSAL>{}; }

STORY_PROGRESS_FIGURES STORY_PROGRESS() {
    STORY_PROGRESS_FIGURES f;
    if (PAGES.empty()) return f;
    // GAMEPERCENT clears the histories only when told it stands on page 0;
    // told any other page it just counts.
    f.GRADE = GAMEPERCENT(1, f.TOTAL, f.TALLY, f.TURNS);
    return f;
}
