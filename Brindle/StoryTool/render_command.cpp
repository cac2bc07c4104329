// brindle-story render: the exact frame the player shows on a page, as a
// 640 x 480 PNG file; every reachable page into a folder; or a contact sheet.
#include <cstdio>
#include <filesystem>
#include <memory>

#include "commands.h"
#include "image_file.h"
#include "key_names.h"
#include "platform/file_write.h"
#include "render.h"
#include "surface.h"

namespace {
struct Options {
    std::string folder;
    int32_t page = -1;
    std::string keys;
    bool keys_given = false;
    bool gallery = false, progress = false, all = false;
    std::string out, sheet;
    int columns = 4;
    REACH_BUDGET budget;
};

std::string quoted_title(int32_t page) { return "\"" + STORY_PAGES()(page).CAPTION + "\""; }

bool save(IMAGE* img, const std::string& path) {
    if (const std::string why = STORY_OUTPUT_PROBLEM(STORY_FILE_PATHS(), path); !why.empty()) {
        std::fprintf(stderr, "brindle-story: %s\n", why.c_str());
        return false;
    }
    if (SavePNGFile(img, path.c_str(), 0)) return true;
    std::fprintf(stderr, "brindle-story: %s\n", GetLastResult().c_str());
    return false;
}

std::string keys_shown(const std::vector<std::string>& keys) { return keys.empty() ? "none" : KEY_NAMES(keys); }

int run(const Options& o) {
    if (std::string why = STORY_FOLDER_PROBLEM(o.folder); !why.empty()) {
        return no_story(o.folder, why);
    }
    RENDER_REQUEST request;
    request.PAGE = o.page;
    request.GALLERY = o.gallery;
    request.PROGRESS = o.progress;
    if (o.keys_given) {
        std::string unknown;
        if (!KEYS_FROM_NAMES(o.keys, request.KEYS, unknown)) {
            std::fprintf(stderr, "brindle-story: --keys: \"%s\" is not a key name\n", unknown.c_str());
            return EXIT_USAGE;
        }
        request.KEYS_GIVEN = true;
    }
    screen_open(640, 480, 32, 16, 0, 0);
    struct Closer {
        ~Closer() { STORY_CLOSE(); }  // every layer and picture released, however this ends
    } closer;
    REACH_RESULT reach;
    const STORY_RESULT opened = RENDER_OPEN(o.folder, WITH_PROGRESS_LINE(o.budget), reach);
    if (!opened.ok) {
        std::fprintf(stderr, "brindle-story: %s\n", opened.message.c_str());
        return opened.empty ? EXIT_USAGE : EXIT_FOUND;
    }

    if (!o.sheet.empty()) {
        std::vector<std::string> notes;
        IMAGE* sheet = CONTACT_SHEET(reach, o.columns, notes);
        for (const std::string& n : notes) std::fprintf(stderr, "brindle-story: %s\n", n.c_str());
        if (!sheet) std::fprintf(stderr, "brindle-story: a contact sheet of this many pages is too large for one picture\n");
        const bool written = sheet && save(sheet, o.sheet);
        image_destroy(sheet);
        if (written)
            std::printf("%s: every page%s\n", o.sheet.c_str(),
                        notes.empty() ? "" : (", " + std::to_string(notes.size()) + " of them shown grey (not reached)").c_str());
        return written ? 0 : EXIT_FOUND;
    }

    if (o.all) {
        std::string error;
        if (!dir_make(o.out, error)) {
            std::fprintf(stderr, "brindle-story: %s\n", error.c_str());
            return EXIT_FOUND;
        }
        const int32_t last = STORY_PAGES().ubound();
        const size_t width = std::to_string(last).size();
        int status = 0;
        for (int32_t p = 0; p <= last; ++p) {
            if (!PAGE_HAS_FILE(STORY_PAGES(), p)) continue;
            request.PAGE = p;
            RENDER_RESULT r = RENDER_FRAME(reach, request);
            if (!r.ok) {
                std::fprintf(stderr, "brindle-story: %s\n", r.message.c_str());
                if (!r.unreachable) status = EXIT_FOUND;
                continue;
            }
            std::string name = std::to_string(p);
            name = "page-" + std::string(width - name.size(), '0') + name + ".png";
            const std::string path = (std::filesystem::path(o.out) / name).string();
            if (save(r.FRAME, path))
                std::printf("%s: page %d %s after the keys: %s\n", path.c_str(), p, quoted_title(p).c_str(),
                            keys_shown(r.KEYS).c_str());
            else
                status = EXIT_FOUND;
            image_destroy(r.FRAME);
        }
        return status;
    }

    RENDER_RESULT r = RENDER_FRAME(reach, request);
    if (!r.ok) {
        std::fprintf(stderr, "brindle-story: %s\n", r.message.c_str());
        return EXIT_FOUND;
    }
    const bool written = save(r.FRAME, o.out);
    image_destroy(r.FRAME);
    if (!written) return EXIT_FOUND;
    std::printf("%s: page %d %s after the keys: %s\n", o.out.c_str(), r.PAGE, quoted_title(r.PAGE).c_str(),
                keys_shown(r.KEYS).c_str());
    return 0;
}
}  // namespace

void add_render_command(CLI::App& app, int& status) {
    auto o = std::make_shared<Options>();
    CLI::App* render = app.add_subcommand("render", "Write the exact frame the player shows on a page, as a PNG file");
    add_folder(render, o->folder);
    auto* page = render->add_option("--page", o->page, "the page to show, reached by the shortest keys the checker finds")
                     ->check(CLI::NonNegativeNumber);
    auto* keys = render->add_option("--keys", o->keys,
                                    "play these keys instead, e.g. \"n s k space tab\" (names as the checker shows them)");
    render->add_flag("--gallery", o->gallery, "show the gallery: press Tab after the keys unless it is shown");
    render->add_flag("--progress", o->progress, "show the progress: press Backspace after the keys unless it is shown");
    auto* all = render->add_flag("--all", o->all, "every reachable page, one PNG file each, into the folder -o names");
    auto* sheet = render->add_option("--sheet", o->sheet, "a contact sheet of every page, with its number and title");
    render->add_option("--columns", o->columns, "pages to a row of the contact sheet")->check(CLI::Range(1, 64));
    render->add_option("-o,--output", o->out, "the PNG file to write (with --all: the folder)");
    add_search_budget(render, o->budget);
    all->excludes(page)->excludes(keys)->excludes(sheet);
    sheet->excludes(page)->excludes(keys);
    render->callback([o, render, page, keys, &status] {
        o->keys_given = keys->count() > 0;
        const bool one = page->count() > 0 || o->keys_given;
        if (!one && !o->all && o->sheet.empty())
            throw CLI::ValidationError("render", "say what to render: --page N, --keys K, --all or --sheet FILE.png");
        if ((one || o->all) && o->out.empty())
            throw CLI::ValidationError("render", one ? "-o FILE.png is required" : "-o FOLDER is required with --all");
        if (!o->sheet.empty() && !o->out.empty())
            throw CLI::ValidationError("render", "--sheet names its own file; -o is not used with it");
        (void)render;
        status = run(*o);
    });
}
