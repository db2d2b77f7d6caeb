#pragma once

#include <string>
#include <string_view>
#include <vector>

// One line of a change journal: a kind and its fields, separated by single spaces. A field
// keeps any byte: '%', space, control bytes and DEL are written as %XX, and an empty field
// as "-" (a field that is "-" itself as %2D), so each record is one line a person can read.
namespace tamlo::journal {

struct Record {
    std::string kind;
    std::vector<std::string> fields;

    // The field at `index`, empty when the record has fewer.
    const std::string& field(size_t index) const;
};

// The record's line, newline included.
std::string formatRecord(const Record& record);

// The records of a journal's text. A last line without its newline was cut while it was
// written and is left out; empty lines are skipped.
std::vector<Record> parseRecords(std::string_view text);

std::string escapeField(std::string_view field);
std::string unescapeField(std::string_view field);

}  // namespace tamlo::journal
