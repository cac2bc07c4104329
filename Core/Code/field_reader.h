// Reads the comma- and line-separated fields of the system's data files
// (page files, the colour table).
//
// - Blanks (space, tab) before a field are skipped.
// - A field ends at a comma or line end (CR LF, LF, or a lone CR), which is
//   consumed. An empty line is one empty field.
// - A field starting with '"' runs to the next '"' (or line end); after the
//   closing quote blanks are skipped and one comma or line end is consumed.
// - A number field also ends at a blank; blanks after it are skipped and one
//   comma or line end consumed.
// - A field holds at most 4096 characters; the rest begins the next field.
// - Past the end every field reads as "" or 0.
#pragma once
#include <cstdint>
#include <string>

// What ended a field.
enum FIELD_ENDING : uint8_t {
    FIELD_ENDED_BY_COMMA,
    FIELD_ENDED_BY_LINE,   // a line end
    FIELD_ENDED_BY_FILE,   // the end of the data
    FIELD_ENDED_BY_BLANK,  // a number's blank, or a closing quote, and then text that begins the next field
    FIELD_ENDED_FULL,      // MAX_FIELD characters; the rest begins the next field
};

class FieldReader {
public:
    static constexpr size_t MAX_FIELD = 4096;
    explicit FieldReader(std::string data) : d_(std::move(data)) {}
    bool at_end() const { return i_ >= d_.size(); }
    std::string text();
    // S2I rules; a number holding '.' or an exponent letter (and no "&"
    // prefix) is a decimal fraction rounded half to even.
    int32_t number();
    // The line (from 1) on which the last field read began, and (once asked
    // to keep it) the text that field was read from.
    int32_t field_line() const { return field_line_; }
    void keep_field_text() { keep_text_ = true; }
    const std::string& field_text() const { return field_text_; }
    // How the last field read was written: in double quotes or not, and what ended it.
    bool field_quoted() const { return quoted_; }
    FIELD_ENDING field_ending() const { return ending_; }
    // The lines (from 1) of the first and last text after the last field read
    // (blanks and line ends are no text); 0 and 0 when there is none.
    void unread_lines(int32_t& first, int32_t& last) const;

private:
    bool line_end_at(size_t i) const { return i < d_.size() && (d_[i] == '\n' || d_[i] == '\r'); }
    void skip_blanks();
    void consume_separator();  // one comma or line end, if there is one; notes what ended the field
    std::string d_;
    size_t i_ = 0;
    int32_t line_ = 1, field_line_ = 1;
    std::string field_text_;
    bool keep_text_ = false;
    bool quoted_ = false;
    FIELD_ENDING ending_ = FIELD_ENDED_BY_FILE;
};
