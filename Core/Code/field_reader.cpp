#include "field_reader.h"

#include "conversions.h"

void FieldReader::skip_blanks() {
    while (i_ < d_.size() && (d_[i_] == ' ' || d_[i_] == '\t')) ++i_;
}

void FieldReader::consume_separator() {
    if (i_ >= d_.size()) return;
    if (d_[i_] == ',') {
        ++i_;
    } else if (d_[i_] == '\n') {
        ++i_;
        ++line_;
    } else if (d_[i_] == '\r') {
        ++i_;
        ++line_;
        if (i_ < d_.size() && d_[i_] == '\n') ++i_;
    }
}

std::string FieldReader::text() {
    skip_blanks();
    field_line_ = line_;
    field_text_.clear();
    if (at_end()) return "";
    if (d_[i_] == '"') {
        ++i_;
        size_t start = i_;
        while (i_ < d_.size() && d_[i_] != '"' && !line_end_at(i_) && i_ - start < MAX_FIELD) ++i_;
        std::string field = d_.substr(start, i_ - start);
        // A full field whose quote or line end does not follow at once: the
        // rest is the next field.
        if (i_ - start >= MAX_FIELD && i_ < d_.size() && d_[i_] != '"' && !line_end_at(i_)) {
            if (keep_text_) field_text_ = field;
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
    consume_separator();  // a full field followed by its comma or line end ends there too
    if (keep_text_) field_text_ = field;
    return field;
}

int32_t FieldReader::number() {
    skip_blanks();
    field_line_ = line_;
    field_text_.clear();
    if (at_end()) return 0;
    size_t start = i_;
    while (i_ < d_.size() && d_[i_] != ',' && d_[i_] != ' ' && d_[i_] != '\t' && !line_end_at(i_) &&
           i_ - start < MAX_FIELD)
        ++i_;
    std::string field = d_.substr(start, i_ - start);
    skip_blanks();
    consume_separator();
    if (keep_text_) field_text_ = field;

    if (!field.empty() && field[0] != '&' && field.find_first_of(".eEdD") != std::string::npos)
        return F2I(S2F(field));
    return S2I(field);
}
