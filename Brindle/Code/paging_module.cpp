// Page files, navigation between pages.
#include "paging_module.h"

#include <algorithm>

#include "asset_path.h"
#include "conversions.h"
#include "field_reader.h"
#include "file_support.h"
#include "platform/file_read.h"
#include "platform/process.h"
#include "string_support.h"
#include "surface.h"

namespace {
// A message for the reader: kept, and in the player shown on the console
// with a wait for a key, which stays queued.
void tell_reader(const std::string& text, const std::string& path) {
    const std::string line = text + "\"" + path + "\"";
    STORY.MESSAGES.push_back(line);
    if (STORY.CONSOLE != CONSOLE_READER) return;
    text_color(0xFFFFFFFFu);
    text_print(line, true);
    page_flip();
    sleep_ms(-1);
    sleep_ms(1);
}

// The integer at the start of a page file's base name: leading spaces, an
// optional sign, decimal digits. Saturates far outside the page range.
int64_t page_index_of(const std::string& name) {
    size_t i = 0;
    while (i < name.size() && name[i] == ' ') ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == '-' || name[i] == '+')) negative = name[i++] == '-';
    int64_t v = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) v = std::min<int64_t>(v * 10 + (name[i] - '0'), INT64_MAX / 20);
    return negative ? -v : v;
}
}  // namespace

void LOAD_PAGES(Array<STORY_PAGE_TYPE>& PAGE) {
    ROUTINE("Paging Module", "LOAD_PAGES");
    LAYERS_DROP_CACHE();  // the layers kept were made from the pages read before
    STORY.PAGE_FILES.clear();
    Array<std::string> FILES;
    CAT(FILES, ASSET_PATH("\\Assets\\Pages\\*.seq"));
    if (FILES.empty()) {
        static const std::string OH_NOES = "Oh Noes! No files to be found!";
        STORY.MESSAGES.push_back(OH_NOES);
        if (STORY.CONSOLE == CONSOLE_READER) {
            text_color(0xFFFFFFFFu);
            text_print(OH_NOES, true);
        }
        PAGE.erase();
        return;
    }
    PAGE.erase();
    for (int i = FILES.lbound(); i <= FILES.ubound(); ++i) {
        FILES(i) = EXT_PREFIX(".seq", FILES(i));
        PAGE_CREATE(PAGE, FILES(i));
    }
    FILES.erase();
}

void PAGE_CREATE(Array<STORY_PAGE_TYPE>& PAGE, const std::string& FILENAME) {
    ROUTINE("Paging Module", "PAGE_CREATE");
    const int64_t index = page_index_of(FILENAME);
    const std::string path = ASSET_PATH("\\Assets\\Pages\\" + FILENAME + ".seq");
    STORY.PAGE_FILES.push_back({STORY_FILE_PAGE, path, index >= 0 && index <= MAX_PAGE_INDEX ? int32_t(index) : -1});
    PAGE_SOURCE* source = nullptr;
    if (STORY.TRACE) {
        source = &STORY.SOURCES.emplace_back();
        source->NAME = FILENAME;
        source->PATH = path;
        source->INDEX = index;
    }
    auto refuse = [&](const std::string& text) {
        tell_reader(text, path);
        if (source) source->REFUSED = STORY.MESSAGES.back();
    };
    // One read: a file that cannot be read whole is "not a file" to the reader.
    std::string data;
    if (!file_read_all(path, data)) return refuse("Is not a file: ");
    // A page number the story cannot hold is refused before anything changes.
    if (index < 0 || index > MAX_PAGE_INDEX)
        return refuse("Page number out of range (0 to " + I2S(MAX_PAGE_INDEX) + "): ");
    const int32_t PAGEINDEX = int32_t(index);
    FieldReader in(std::move(data));
    if (source) in.keep_field_text();
    // Each field, noted with its line when tracing.
    auto note = [&](PAGE_FIELD field, int32_t slot) {
        if (source)
            source->FIELDS.push_back({field, slot, in.field_line(), in.field_text(), in.field_quoted(), in.field_ending()});
    };
    auto text = [&](PAGE_FIELD field, int32_t slot = 0) {
        std::string v = in.text();
        note(field, slot);
        return v;
    };
    auto number = [&](PAGE_FIELD field, int32_t slot = 0) {
        const int32_t v = in.number();
        note(field, slot);
        return v;
    };

    STORY_PAGE_TYPE head;
    head.CAPTION = text(FIELD_CAPTION);
    head.NPC_COUNT = number(FIELD_NPC_COUNT);
    head.ITEM_COUNT = number(FIELD_ITEM_COUNT);
    head.SPRITE = text(FIELD_SPRITE);
    if (head.NPC_COUNT < 0 || head.NPC_COUNT > MAX_ENTITIES || head.ITEM_COUNT < 0 || head.ITEM_COUNT > MAX_ENTITIES)
        return refuse("Character and item counts must be 0 to " + I2S(MAX_ENTITIES) + ": ");
    if (PAGE.ubound() < PAGEINDEX) PAGE.redim_preserve(PAGEINDEX);
    STORY_PAGE_TYPE& P = PAGE(PAGEINDEX);
    if (int64_t(P.ENTITY_COUNT) + head.NPC_COUNT + head.ITEM_COUNT > MAX_ENTITIES * int64_t(256))
        return refuse("Too many files for one page number: ");
    P.INDEX = PAGEINDEX;
    P.CAPTION = head.CAPTION;
    P.NPC_COUNT = head.NPC_COUNT;
    P.ITEM_COUNT = head.ITEM_COUNT;
    P.SPRITE = head.SPRITE;

    P.NPC.redim(0, P.NPC_COUNT);
    P.ITEM.redim(0, P.ITEM_COUNT);
    P.ENTITY.redim(0, P.NPC_COUNT);
    // A slot read twice keeps counting: the earlier file's entities leave
    // empty entries that the scene skips.
    int32_t ENTITY_INDEX = 0;
    P.ENTITY_COUNT += P.NPC_COUNT;
    P.ENTITY.redim_preserve(P.ENTITY_COUNT);
    for (int32_t NPC_INDEX = 1; NPC_INDEX <= P.NPC_COUNT; ++NPC_INDEX) {
        ++ENTITY_INDEX;
        P.NPC(NPC_INDEX) = text(FIELD_NPC, NPC_INDEX);
        P.ENTITY(ENTITY_INDEX) = P.NPC(NPC_INDEX);
    }
    P.ENTITY_COUNT += P.ITEM_COUNT;
    P.ENTITY.redim_preserve(P.ENTITY_COUNT);
    for (int32_t ITEM_INDEX = 1; ITEM_INDEX <= P.ITEM_COUNT; ++ITEM_INDEX) {
        ++ENTITY_INDEX;
        P.ITEM(ITEM_INDEX) = text(FIELD_ITEM, ITEM_INDEX);
        P.ENTITY(ENTITY_INDEX) = P.ITEM(ITEM_INDEX);
    }
    P.OPTIONS.redim(1, 4);
    for (int32_t INDEX = 1; INDEX <= 4; ++INDEX) {
        STORY_OPTION_TYPE& O = P.OPTIONS(INDEX);
        O.KEY = text(FIELD_KEY, INDEX);
        O.DEST = number(FIELD_DEST, INDEX);
        O.REQ = number(FIELD_REQ, INDEX);
        O.CAPTION = text(FIELD_OPTION_CAPTION, INDEX);
    }
    P.DESC.redim(1, 4);
    for (int32_t INDEX = 1; INDEX <= 4; ++INDEX) P.DESC(INDEX) = text(FIELD_DESC, INDEX);
    if (source) in.unread_lines(source->UNREAD_FIRST, source->UNREAD_LAST);
}

void PAGE_DESTROY(Array<STORY_PAGE_TYPE>& PAGE, int32_t PAGEINDEX) {
    ROUTINE("Paging Module", "PAGE_DESTROY");
    STORY_PAGE_TYPE& P = PAGE(PAGEINDEX);
    P.CAPTION.clear();
    P.SPRITE.clear();
    P.NPC_COUNT = P.ITEM_COUNT = P.ENTITY_COUNT = 0;
    P.OPTIONS.erase();
    P.DESC.erase();
    P.NPC.erase();
    P.ITEM.erase();
    P.ENTITY.erase();
}

namespace {
// The HISTORY of the page a condition names; a page outside the story is an
// out-of-bounds error.
int32_t condition_history(int64_t page, const CallSite& at) {
    if (page < INT32_MIN || page > INT32_MAX) fatal_error(ERR_OUT_OF_BOUNDS, at);
    return PAGES(int32_t(page), at).HISTORY;
}
}  // namespace

bool OPTION_AVAILABLE(const STORY_OPTION_TYPE& O, const CallSite& at) {
    if (O.REQ > 0) return condition_history(O.REQ, at) > 0;
    if (O.REQ < 0) return condition_history(-int64_t(O.REQ), at) == 0;
    return true;
}

int32_t OPTION_CHOSEN(const STORY_PAGE_TYPE& PAGE, const std::string& C) {
    const std::string key = ascii_lower(C);
    // Every slot the search reaches has its condition worked out, whatever
    // the key: a condition naming no page ends the program at any key.
    for (int32_t INDEX = 1; INDEX <= 4; ++INDEX) {
        const STORY_OPTION_TYPE& O = PAGE.OPTIONS(INDEX);
        if (OPTION_AVAILABLE(O) && key == ascii_lower(O.KEY)) return INDEX;
    }
    return 0;
}

int32_t NAVIGATE_PAGE(STORY_PAGE_TYPE& PAGE, const std::string& C) {
    ROUTINE("Paging Module", "NAVIGATE_PAGE");
    if (C.empty()) {
        if (PAGE.HISTORY == 0) PAGE.HISTORY = 1;
        return PAGE.INDEX;
    }
    const int32_t INDEX = OPTION_CHOSEN(PAGE, C);
    if (INDEX == 0) return PAGE.INDEX;
    if (SETTING_TURN != 0 && PAGE.HISTORY < INT32_MAX) ++PAGE.HISTORY;
    return PAGE.OPTIONS(INDEX).DEST;
}
