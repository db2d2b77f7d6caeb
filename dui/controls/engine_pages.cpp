#include "dui/controls/engine_pages.h"

#include <vector>

#include "platform/text_encoding.h"

namespace tamlo::dui {
namespace {

constexpr std::string_view kPackageHost = "frame";

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = lowerAscii(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// False on a broken escape.
bool percentDecode(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

}  // namespace

std::optional<std::u16string> enginePageEntry(std::string_view url) {
    const std::string prefix = std::string(platform::kEngineUrlScheme) + "://";
    if (url.size() < prefix.size() || !equalsIgnoringCase(url.substr(0, prefix.size()), prefix)) {
        return std::nullopt;
    }
    std::string_view rest = url.substr(prefix.size());
    rest = rest.substr(0, rest.find_first_of("?#"));
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos ||
        !equalsIgnoringCase(rest.substr(0, slash), kPackageHost)) {
        return std::nullopt;
    }
    std::string path;
    if (!percentDecode(rest.substr(slash + 1), path) || path.empty()) {
        return std::nullopt;
    }
    // Every segment must be a plain name: nothing empty (an absolute path after
    // decoding), no "." or "..", no back slash, no control characters.
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string_view segment(path.data() + start, end - start);
        if (segment.empty() || segment == "." || segment == "..") {
            return std::nullopt;
        }
        start = end + 1;
    }
    for (char c : path) {
        if (c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return std::nullopt;
        }
    }
    std::u16string name;
    if (!utf8ToUtf16Strict(path, name)) {
        return std::nullopt;
    }
    return name;
}

std::string mimeTypeOfEntry(std::u16string_view name) {
    const std::size_t dot = name.rfind(u'.');
    std::string extension;
    if (dot != std::u16string_view::npos) {
        for (char16_t c : name.substr(dot + 1)) {
            extension += c < 0x80 ? lowerAscii(static_cast<char>(c)) : '?';
        }
    }
    static const std::vector<std::pair<std::string_view, std::string_view>> kTypes = {
        {"html", "text/html"},      {"htm", "text/html"},         {"css", "text/css"},
        {"js", "text/javascript"},  {"json", "application/json"}, {"txt", "text/plain"},
        {"xml", "application/xml"}, {"png", "image/png"},         {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},     {"gif", "image/gif"},         {"svg", "image/svg+xml"},
        {"webp", "image/webp"},     {"ico", "image/x-icon"},      {"woff", "font/woff"},
        {"woff2", "font/woff2"},    {"ttf", "font/ttf"},
    };
    for (const auto& [known, type] : kTypes) {
        if (extension == known) {
            return std::string(type);
        }
    }
    return "application/octet-stream";
}

platform::BrowserResource serveEnginePage(std::string_view url, const EntryReader& read) {
    platform::BrowserResource reply;
    const std::optional<std::u16string> entry = enginePageEntry(url);
    if (entry && read && read(*entry, reply.body)) {
        reply.status = 200;
        reply.mimeType = mimeTypeOfEntry(*entry);
        return reply;
    }
    reply.status = 404;
    reply.mimeType = "text/html";
    reply.body =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>404</title></head>"
        "<body><h1>404</h1><p>This installer has no such page.</p></body></html>";
    return reply;
}

}  // namespace tamlo::dui
