#include "page_text.h"

#include <algorithm>

#include "paging_module.h"
#include "string_support.h"

void RENDER_TEXT(STORY_PAGE_TYPE&, IMAGE*& DEST, const std::string& TEXTDATA, int64_t COL, int64_t ROW,
                 uint32_t STROKE_COLOR) {
    ROUTINE("Paging Module", "RENDER_TEXT");
    need(FONTSHEET);
    need(DEST);
    // The masked sheet: each pixel is STROKE_COLOR AND the sheet's pixel. With
    // an all-ones mask that is the sheet itself, so no copy is needed.
    IMAGE* FONTCOLOR = FONTSHEET;
    if (STROKE_COLOR != 0xFFFFFFFFu) {
        FONTCOLOR = need(image_create(int(FONTSHEET->WIDTH), int(FONTSHEET->HEIGHT), 0x00000000, 32));
        draw_line(FONTCOLOR, 0, 0, float(FONTCOLOR->WIDTH) - 1, float(FONTCOLOR->HEIGHT) - 1, STROKE_COLOR,
                  LINE_FILLED_BOX);
        check(image_put(FONTCOLOR, 0, 0, FONTSHEET, PUT_AND));
    }
    const int64_t y = 8 * (ROW - 1);
    // Glyphs wholly outside the buffer draw nothing: skip them.
    if (y > -8 && y < int64_t(DEST->HEIGHT)) {
        const int64_t first = std::max<int64_t>(1, 1 - COL);
        for (int64_t ZO = first; ZO <= int64_t(TEXTDATA.size()); ++ZO) {
            const int64_t XO = 8 * (ZO + COL - 1);
            if (XO >= int64_t(DEST->WIDTH)) break;
            const unsigned ZA = static_cast<unsigned char>(TEXTDATA[size_t(ZO - 1)]);
            const float XA = float(8 * (ZA % 16)), YA = float(8 * (ZA / 16));
            check(image_put(DEST, float(XO), float(y), FONTCOLOR, XA, YA, XA + 7, YA + 7, PUT_ALPHA));
        }
    }
    if (FONTCOLOR != FONTSHEET) image_destroy(FONTCOLOR);
}

std::vector<std::string> WRAP_LINES(const std::string& TEXTDATA, int64_t W, size_t max_lines) {
    std::vector<std::string> lines;
    if (W < 2) return lines;  // not even one character fits a line
    std::string OUTBUFFER, RESERVEBUFFER = TEXTDATA;
    STR_REPLACE("  ", " ", RESERVEBUFFER);
    static const std::string CRLF = "\r\n";
    while (!RESERVEBUFFER.empty() && lines.size() < max_lines) {
        OUTBUFFER += PREFIX(CRLF, RESERVEBUFFER);
        RESERVEBUFFER = SUFFIX(CRLF, RESERVEBUFFER);
        const size_t a = OUTBUFFER.find_first_not_of(' ');
        OUTBUFFER = a == std::string::npos ? "" : OUTBUFFER.substr(a, OUTBUFFER.find_last_not_of(' ') - a + 1);
        while (int64_t(OUTBUFFER.size()) >= W) {
            if (STRPOS(" ", OUTBUFFER) > 0) {
                RESERVEBUFFER = EXT_SUFFIX(" ", OUTBUFFER) + " " + RESERVEBUFFER;
                OUTBUFFER = EXT_PREFIX(" ", OUTBUFFER);
            } else {
                RESERVEBUFFER = " - " + middle(OUTBUFFER, W, -1) + RESERVEBUFFER;
                OUTBUFFER = left(OUTBUFFER, W - 1);
            }
        }
        lines.push_back(OUTBUFFER);
        OUTBUFFER.clear();
    }
    return lines;
}

void RENDER_SCROLL(STORY_PAGE_TYPE& PAGE, const std::string& TEXTDATA, IMAGE*& DISP, int64_t, int64_t ROW,
                   uint32_t STROKE_COLOR) {
    ROUTINE("Paging Module", "RENDER_SCROLL");
    need(DISP);
    const int64_t W = DISP->WIDTH / 8 + 1;
    // Lines below the buffer would be clipped away: they are not laid out.
    const int64_t rows_left = (int64_t(DISP->HEIGHT) + 7) / 8 - (ROW - 1);
    if (rows_left <= 0) return;
    for (const std::string& line : WRAP_LINES(TEXTDATA, W, size_t(rows_left))) {
        RENDER_TEXT(PAGE, DISP, line, (W - int64_t(line.size())) / 2, ROW, STROKE_COLOR);
        ++ROW;
    }
}

std::string PAGE_DESCRIPTION(const STORY_PAGE_TYPE& PAGE) {
    std::string CAPTION;
    for (int32_t INDEX = 1; INDEX <= 4; ++INDEX) {
        if (!CAPTION.empty() && !PAGE.DESC(INDEX).empty()) CAPTION += " ";
        CAPTION += PAGE.DESC(INDEX);
    }
    return CAPTION;
}

std::string OPTIONS_TEXT(const STORY_PAGE_TYPE& PAGE, const bool (&shown)[5]) {
    std::string CAPTION;
    for (int32_t INDEX = 1; INDEX <= 4; ++INDEX) {
        const STORY_OPTION_TYPE& O = PAGE.OPTIONS(INDEX);
        if (O.CAPTION.empty() || !shown[INDEX]) continue;
        if (!CAPTION.empty()) CAPTION += " ";
        CAPTION += O.KEY == " " ? "<SP>" : "<" + ascii_upper(O.KEY) + ">";
        CAPTION += O.CAPTION;
    }
    return CAPTION;
}

std::string PAGE_OPTIONS_LINE(const STORY_PAGE_TYPE& PAGE) {
    bool shown[5] = {};
    // A condition is worked out only for an option with a caption, as the bar
    // lists no other.
    for (int32_t INDEX = 1; INDEX <= 4; ++INDEX)
        shown[INDEX] = !PAGE.OPTIONS(INDEX).CAPTION.empty() && OPTION_AVAILABLE(PAGE.OPTIONS(INDEX));
    return OPTIONS_TEXT(PAGE, shown);
}

int64_t TITLE_COLUMN(const std::string& CAPTION, uint64_t width) {
    // Centred in the free width; a title wider than the bar starts at
    // column 1 and is clipped at the right edge.
    const uint64_t used = 8 * uint64_t(CAPTION.size());
    const uint64_t free = used < width ? width - used : 0;
    return int64_t((free / 8) / 2 + 1);
}

void RENDER_PAGE(STORY_PAGE_TYPE& PAGE) {
    ROUTINE("Paging Module", "RENDER_PAGE");
    const std::string description = PAGE_DESCRIPTION(PAGE);
    RENDER_SCROLL(PAGE, description, DISPOUT(PAGE.INDEX, LAYER_TEXT), 1, 1, 0xFFFFFFFFu);
    const std::string options = PAGE_OPTIONS_LINE(PAGE);
    IMAGE*& title = DISPOUT(PAGE.INDEX, LAYER_TITLE);
    RENDER_TEXT(PAGE, title, PAGE.CAPTION, TITLE_COLUMN(PAGE.CAPTION, need(title)->WIDTH), 1, 0xFFFFFFFFu);
    RENDER_SCROLL(PAGE, options, DISPOUT(PAGE.INDEX, LAYER_OPTIONS), 1, 1, 0xFFFFFFFFu);
}

void CLS2(IMAGE*& SOURCE, uint32_t FILL) {
    ROUTINE("Paging Module", "CLS2");
    need(SOURCE);
    draw_line(SOURCE, 0, 0, float(SOURCE->WIDTH) - 1, float(SOURCE->HEIGHT) - 1, FILL, LINE_FILLED_BOX);
}
