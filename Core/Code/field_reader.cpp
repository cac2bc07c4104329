#include "field_reader.h"

#include "conversions.h"

void FieldReader::skip_blanks() {
    while (i_ < d_.size() && (d_[i_] == ' ' || d_[i_] == '\t')) ++i_;
}

void FieldReader::consume_separator() {
    if (i_ >= d_.size()) {
        ending_ = FIELD_ENDED_BY_FILE;
    } else if (d_[i_] == ',') {
        ++i_;
        ending_ = FIELD_ENDED_BY_COMMA;
    } else if (d_[i_] == '\n') {
        ++i_;
        ++line_;
        ending_ = FIELD_ENDED_BY_LINE;
    } else if (d_[i_] == '\r') {
        ++i_;
        ++line_;
        if (i_ < d_.size() && d_[i_] == '\n') ++i_;
        ending_ = FIELD_ENDED_BY_LINE;
    } else {
        ending_ = FIELD_ENDED_BY_BLANK;
    }
}

void FieldReader::unread_lines(int32_t& first, int32_t& last) const {
    first = last = 0;
    int32_t line = line_;
    for (size_t i = i_; i < d_.size(); ++i) {
        const char c = d_[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= d_.size() || d_[i + 1] != '\n'))) ++line;
        else if (c != ' ' && c != '\t' && c != '\r') {
            if (first == 0) first = line;
            last = line;
        }
    }
}

std::string FieldReader::text() {
    skip_blanks();
    field_line_ = line_;
    field_text_.clear();
    quoted_ = false;
    ending_ = FIELD_ENDED_BY_FILE;
    if (at_end()) return "";
    if (d_[i_] == '"') {
        quoted_ = true;
        ++i_;
        size_t start = i_;
        while (i_ < d_.size() && d_[i_] != '"' && !line_end_at(i_) && i_ - start < MAX_FIELD) ++i_;
        std::string field = d_.substr(start, i_ - start);
        // A full field whose quote or line end does not follow at once: the
        // rest is the next field.
        if (i_ - start >= MAX_FIELD && i_ < d_.size() && d_[i_] != '"' && !line_end_at(i_)) {
            if (keep_text_) field_text_ = field;
            ending_ = FIELD_ENDED_FULL;
            return field;
        }
        if (i_ < d_.size() && d_[i_] == '"') {
            ++i_;
            skip_blanks();
        }
        consume_separator();
        if (keep_text_) field_text_ = field;
        return field;
    }
    size_t start = i_;
    while (i_ < d_.size() && d_[i_] != ',' && !line_end_at(i_) && i_ - start < MAX_FIELD) ++i_;
    std::string field = d_.substr(start, i_ - start);
    const bool full = i_ - start >= MAX_FIELD;
    consume_separator();  // a full field followed by its comma or line end ends there too
    if (full && ending_ == FIELD_ENDED_BY_BLANK) ending_ = FIELD_ENDED_FULL;
    if (keep_text_) field_text_ = field;
    return field;
}

int32_t FieldReader::number() {
    skip_blanks();
    field_line_ = line_;
    field_text_.clear();
    quoted_ = false;
    ending_ = FIELD_ENDED_BY_FILE;
    if (at_end()) return 0;
    size_t start = i_;
    while (i_ < d_.size() && d_[i_] != ',' && d_[i_] != ' ' && d_[i_] != '\t' && !line_end_at(i_) &&
           i_ - start < MAX_FIELD)
        ++i_;
    std::string field = d_.substr(start, i_ - start);
    const bool full = i_ - start >= MAX_FIELD;
    skip_blanks();
    consume_separator();
    if (full && ending_ == FIELD_ENDED_BY_BLANK) ending_ = FIELD_ENDED_FULL;
    if (keep_text_) field_text_ = field;

    if (!field.empty() && field[0] != '&' && field.find_first_of(".eEdD") != std::string::npos)
        return F2I(S2F(field));
    return S2I(field);
}
