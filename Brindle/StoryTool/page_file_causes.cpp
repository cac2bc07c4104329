#include "page_file_causes.h"

#include <cctype>
#include <cstring>
#include <map>

#include "field_reader.h"

namespace {
using Fields = std::vector<FIELD_READ>;

// A field the loader read past the end of the file: nothing was written there.
bool past_end(const FIELD_READ& f) { return f.ENDING == FIELD_ENDED_BY_FILE && f.TEXT.empty(); }

bool shown_text(PAGE_FIELD f) { return f == FIELD_CAPTION || f == FIELD_OPTION_CAPTION || f == FIELD_DESC; }

std::string count_word(size_t n) {
    static const char* const words[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten"};
    return n <= 10 ? words[n] : std::to_string(n);
}

std::string lines_text(int32_t first, int32_t last) {
    return first == last ? "line " + std::to_string(first) : "lines " + std::to_string(first) + " to " + std::to_string(last);
}

// The end of a text, as far as a message needs it.
std::string tail(const std::string& s, size_t most = 24) {
    return s.size() > most ? "..." + s.substr(s.size() - most) : s;
}

// The texts read from field `from` on that could be a page number or a
// picture's name (a long text is neither).
std::vector<std::string> texts_from(const Fields& fields, size_t from) {
    std::vector<std::string> texts;
    for (size_t i = from; i < fields.size(); ++i)
        if (!past_end(fields[i]) && fields[i].TEXT.size() <= 255) texts.push_back(fields[i].TEXT);
    return texts;
}

// The fields that begin on each line, as the loader read them.
class Lines {
public:
    explicit Lines(const Fields& fields) : fields_(fields) {
        for (size_t i = 0; i < fields.size(); ++i)
            if (!past_end(fields[i])) on_[fields[i].LINE].push_back(i);
    }
    size_t count(int32_t line) const {
        const auto it = on_.find(line);
        return it == on_.end() ? 0 : it->second.size();
    }
    bool has_comma(int32_t line) const {
        for (size_t i : at(line))
            if (fields_[i].ENDING == FIELD_ENDED_BY_COMMA) return true;
        return false;
    }
    // The line's text again, as far as its fields tell it: a blank where a
    // number field ended at one.
    std::string text(int32_t line) const {
        std::string s;
        for (size_t i : at(line)) s += fields_[i].TEXT + (fields_[i].ENDING == FIELD_ENDED_BY_BLANK ? " " : "");
        return s;
    }
    // A line written as one figure: "npc = troll", no comma.
    bool figure(int32_t line) const { return count(line) > 0 && !has_comma(line) && text(line).find(" = ") != std::string::npos; }

private:
    const std::vector<size_t>& at(int32_t line) const {
        static const std::vector<size_t> none;
        const auto it = on_.find(line);
        return it == on_.end() ? none : it->second;
    }
    const Fields& fields_;
    std::map<int32_t, std::vector<size_t>> on_;
};

bool same_line_clean_number(const Fields& fields, size_t i, PAGE_FIELD kind, int32_t line) {
    return i < fields.size() && fields[i].FIELD == kind && fields[i].LINE == line && !fields[i].TEXT.empty() &&
           NUMBER_FIELD_CLEAN(fields[i].TEXT);
}

// A shown text the author ended with a comma by accident: unquoted, where
// the text belongs (a title or description first on its line, a caption
// after its key, page and condition), and not the start of fields the
// author put on one line on purpose (numbers follow where numbers go).
bool comma_in_text(const Fields& fields, size_t i) {
    const FIELD_READ& f = fields[i];
    if (!shown_text(f.FIELD) || f.QUOTED || f.ENDING != FIELD_ENDED_BY_COMMA) return false;
    if (f.FIELD == FIELD_CAPTION) return !same_line_clean_number(fields, i + 1, FIELD_NPC_COUNT, f.LINE);
    if (f.FIELD == FIELD_DESC) return i == 0 || fields[i - 1].LINE < f.LINE;
    if (i < 3) return false;
    for (size_t k = i - 3; k < i; ++k)
        if (fields[k].SLOT != f.SLOT || fields[k].LINE != f.LINE) return false;
    return !(i + 1 < fields.size() && fields[i + 1].LINE == f.LINE &&
             same_line_clean_number(fields, i + 2, FIELD_DEST, f.LINE));
}

FIELD_CAUSE comma_cause(const Fields& fields, size_t i, const Lines& lines) {
    const FIELD_READ& f = fields[i];
    const size_t held = lines.count(f.LINE), meant = f.FIELD == FIELD_OPTION_CAPTION ? 4 : 1;
    const std::string what = f.FIELD == FIELD_CAPTION          ? "the title"
                             : f.FIELD == FIELD_OPTION_CAPTION ? "option " + std::to_string(f.SLOT) + "'s caption"
                                                               : "description line " + std::to_string(f.SLOT);
    FIELD_CAUSE c;
    c.NAME = "comma-in-text";
    c.SEVERITY = "warning";
    c.LINE = f.LINE;
    c.OPTION = f.FIELD == FIELD_OPTION_CAPTION ? f.SLOT : 0;
    c.MESSAGE = "line " + std::to_string(f.LINE) + " holds " + count_word(held) + " fields" +
                  (meant > 1 ? ", not " + count_word(meant) : "") +
                  "; a comma ends a field in unquoted text: put the text in double quotes (" + what + " ends at '" +
                  tail(f.TEXT) + "', and every later field of the file is read one place on)";
    c.FOLDS_FROM = f.LINE;
    c.SHIFTED = texts_from(fields, i + 1);
    return c;
}

// Figure lines that the counts on line 2 do not match: extra lines are read
// as options, missing ones take option lines as figures.
bool count_cause(const Fields& fields, const Lines& lines, FIELD_CAUSE& c) {
    if (fields.size() < 4 || fields[1].FIELD != FIELD_NPC_COUNT || fields[2].FIELD != FIELD_ITEM_COUNT) return false;
    const FIELD_READ &npc = fields[1], &item = fields[2], &sprite = fields[3];
    if (!NUMBER_FIELD_CLEAN(npc.TEXT) || !NUMBER_FIELD_CLEAN(item.TEXT) || sprite.ENDING != FIELD_ENDED_BY_LINE) return false;
    const int64_t n = NUMBER_FIELD_VALUE(npc.TEXT), m = NUMBER_FIELD_VALUE(item.TEXT);
    if (n < 0 || m < 0) return false;
    const size_t counted = size_t(n + m), first = 4;
    const int32_t start = sprite.LINE + 1;
    int32_t shown = 0;  // figure lines, one after the other from `start`
    while (lines.figure(start + shown)) ++shown;
    int32_t misread = 0;  // the first line read as the wrong kind
    if (size_t(shown) > counted) {
        const size_t next = first + counted;  // option 1's key
        if (next < fields.size() && !past_end(fields[next]) && fields[next].LINE < start + shown) misread = fields[next].LINE;
    } else if (size_t(shown) < counted) {
        for (size_t i = first; i < first + counted && i < fields.size() && !misread; ++i) {
            const FIELD_READ& f = fields[i];
            const bool not_figure = lines.has_comma(f.LINE) ||
                                    (f.TEXT.find(' ') != std::string::npos && f.TEXT.find(" = ") == std::string::npos);
            if (f.LINE >= start + shown && !past_end(f) && not_figure) misread = f.LINE;
        }
    }
    if (misread == 0) return false;
    c.NAME = "figure-count";
    c.SEVERITY = "warning";
    c.LINE = npc.LINE;
    c.MESSAGE = "line " + std::to_string(npc.LINE) + " counts " + count_word(counted) + " figure" +
                  (counted == 1 ? "" : "s") + " (" + std::to_string(n) + " character" + (n == 1 ? "" : "s") + " and " +
                  std::to_string(m) + " item" + (m == 1 ? "" : "s") + "), but " + count_word(size_t(shown)) + " figure line" +
                  (shown == 1 ? " follows" : "s follow") + (shown > 0 ? " (" + lines_text(start, start + shown - 1) + ")" : "") +
                  ": line " + std::to_string(misread) + " is read as " +
                  (size_t(shown) > counted ? "an option" : "a figure") +
                  ", and every later field of the file with it; make the counts match the lines";
    c.FOLDS_FROM = start;
    c.SHIFTED = texts_from(fields, first + std::min(counted, size_t(shown)));
    return true;
}
}  // namespace

bool NUMBER_FIELD_CLEAN(const std::string& t) {
    if (t.empty()) return true;
    size_t i = 0;
    if (t[0] == '&') {
        if (t.size() < 2) return false;
        int radix = 8;
        i = 1;
        const char k = char(std::tolower(static_cast<unsigned char>(t[1])));
        if (k == 'h') radix = 16, i = 2;
        else if (k == 'o') radix = 8, i = 2;
        else if (k == 'b') radix = 2, i = 2;
        if (i >= t.size()) return false;
        for (; i < t.size(); ++i) {
            const char c = char(std::tolower(static_cast<unsigned char>(t[i])));
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'z' ? c - 'a' + 10 : 99;
            if (d >= radix) return false;
        }
        return true;
    }
    if (t[i] == '+' || t[i] == '-') ++i;
    size_t digits = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < t.size() && std::strchr("eEdD", t[i])) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        size_t exp = 0;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++exp;
        if (exp == 0) return false;
    }
    return i == t.size();
}

int32_t NUMBER_FIELD_VALUE(const std::string& text) { return FieldReader(text).number(); }

std::vector<FIELD_CAUSE> PAGE_FILE_CAUSES(const PAGE_SOURCE& source) {
    const Fields& fields = source.FIELDS;
    const Lines lines(fields);
    std::vector<FIELD_CAUSE> causes;
    for (size_t i = 0; i < fields.size(); ++i)
        if (comma_in_text(fields, i)) causes.push_back(comma_cause(fields, i, lines));
    // A comma in the title shifts the counts themselves: that comma is the cause.
    FIELD_CAUSE count;
    if (!(!fields.empty() && comma_in_text(fields, 0)) && count_cause(fields, lines, count)) causes.insert(causes.begin(), count);

    if (source.UNREAD_FIRST > 0) {
        int32_t last_line = 0;
        for (const FIELD_READ& f : fields)
            if (f.FIELD == FIELD_DESC && f.SLOT == 4) last_line = f.LINE;
        FIELD_CAUSE c;
        c.NAME = "unread-lines";
        c.SEVERITY = "warning";
        c.LINE = source.UNREAD_FIRST;
        c.MESSAGE = source.UNREAD_FIRST == last_line
                          ? "what follows the last field on line " + std::to_string(last_line) +
                                " is never read: a page ends with its fourth description line"
                          : lines_text(source.UNREAD_FIRST, source.UNREAD_LAST) +
                                (source.UNREAD_FIRST == source.UNREAD_LAST ? " is" : " are") +
                                " never read: a page ends with its fourth description line, here line " +
                                std::to_string(last_line) + "; join the text into four lines";
        causes.push_back(c);
    }
    return causes;
}
