#include "resources/journal_record.h"

namespace tamlo::journal {
namespace {

const char kHex[] = "0123456789ABCDEF";

bool needsEscape(unsigned char c) {
    return c <= 0x20 || c == 0x7F || c == '%';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

Record parseLine(std::string_view line) {
    Record record;
    bool first = true;
    size_t start = 0;
    while (start <= line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        std::string_view piece = line.substr(start, end - start);
        if (first) {
            record.kind = std::string(piece);
            first = false;
        } else {
            record.fields.push_back(unescapeField(piece));
        }
        start = end + 1;
    }
    return record;
}

}  // namespace

const std::string& Record::field(size_t index) const {
    static const std::string empty;
    return index < fields.size() ? fields[index] : empty;
}

std::string escapeField(std::string_view field) {
    if (field.empty()) {
        return "-";
    }
    if (field == "-") {
        return "%2D";
    }
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte)) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string unescapeField(std::string_view field) {
    if (field == "-") {
        return std::string();
    }
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size() && hexValue(field[i + 1]) >= 0 &&
            hexValue(field[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(field[i + 1]) * 16 + hexValue(field[i + 2]));
            i += 2;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::string formatRecord(const Record& record) {
    std::string line = record.kind;
    for (const std::string& field : record.fields) {
        line += ' ';
        line += escapeField(field);
    }
    line += '\n';
    return line;
}

std::vector<Record> parseRecords(std::string_view text) {
    std::vector<Record> records;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            break;  // no newline: cut in the middle
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty()) {
            records.push_back(parseLine(line));
        }
        start = end + 1;
    }
    return records;
}

}  // namespace tamlo::journal
