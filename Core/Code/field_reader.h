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

private:
    bool line_end_at(size_t i) const { return i < d_.size() && (d_[i] == '\n' || d_[i] == '\r'); }
    void skip_blanks();
    void consume_separator();  // one comma or line end, if there is one
    std::string d_;
    size_t i_ = 0;
    int32_t line_ = 1, field_line_ = 1;
    std::string field_text_;
    bool keep_text_ = false;
};
