// Lua scripts: syntax errors named by file, and the layouts, scripts and payload entries
// that literal strings name.
#include <cctype>
#include <cstdlib>

#include <lua.hpp>

#include "tools/check/check_context.h"
#include "tools/check/check_text.h"

namespace tamlo::check {
namespace {

struct Token {
    enum Kind { Name, String, Other } kind;
    std::string text;  // a string's contents without its quotes (escapes left as written)
    std::size_t offset;
};

// The names, short strings and punctuation of a script; comments and long strings skipped.
std::vector<Token> tokenize(const std::string& text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    const auto longBracketEnd = [&](std::size_t at) -> std::size_t {
        // at points to '['; returns the offset after the closing bracket, or npos.
        std::size_t level = 0;
        std::size_t j = at + 1;
        while (j < text.size() && text[j] == '=') {
            ++level;
            ++j;
        }
        if (j >= text.size() || text[j] != '[') {
            return std::string::npos;
        }
        const std::string close = "]" + std::string(level, '=') + "]";
        const std::size_t end = text.find(close, j + 1);
        return end == std::string::npos ? text.size() : end + close.size();
    };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            std::size_t end = std::string::npos;
            if (i + 2 < text.size() && text[i + 2] == '[') {
                end = longBracketEnd(i + 2);
            }
            if (end == std::string::npos) {
                end = text.find('\n', i);
                end = end == std::string::npos ? text.size() : end;
            }
            i = end;
        } else if (c == '[' && longBracketEnd(i) != std::string::npos) {
            i = longBracketEnd(i);
            tokens.push_back({Token::Other, "[[", i});
        } else if (c == '"' || c == '\'') {
            std::size_t j = i + 1;
            std::string contents;
            while (j < text.size() && text[j] != c && text[j] != '\n') {
                if (text[j] == '\\' && j + 1 < text.size()) {
                    contents += text[j];
                    ++j;
                }
                contents += text[j];
                ++j;
            }
            tokens.push_back({Token::String, contents, i});
            i = j + 1;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            std::size_t j = i;
            while (j < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) {
                ++j;
            }
            tokens.push_back({Token::Name, text.substr(i, j - i), i});
            i = j;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else {
            tokens.push_back({Token::Other, std::string(1, c), i});
            ++i;
        }
    }
    return tokens;
}

// The literal first argument of a call `name("x")` or `name "x"` at token `at`, or null.
const Token* literalArgument(const std::vector<Token>& tokens, std::size_t at) {
    std::size_t next = at + 1;
    if (next < tokens.size() && tokens[next].kind == Token::Other && tokens[next].text == "(") {
        ++next;
    }
    return next < tokens.size() && tokens[next].kind == Token::String ? &tokens[next] : nullptr;
}

// Byte offset of `line` (1-based) of `text`, plus the column where `near` starts on it.
std::size_t offsetOf(const std::string& text, int line, const std::string& near) {
    std::size_t start = 0;
    for (int n = 1; n < line && start != std::string::npos; ++n) {
        start = text.find('\n', start);
        start = start == std::string::npos ? start : start + 1;
    }
    if (start == std::string::npos) {
        return text.size();
    }
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (!near.empty()) {
        const std::size_t found = text.find(near, start);
        if (found != std::string::npos && found < end) {
            return found;
        }
    }
    return start;
}

void checkSyntax(CheckContext& context, const std::string& file, const std::string& text) {
    lua_State* L = luaL_newstate();
    if (L == nullptr) {
        return;
    }
    const std::string chunkName = "@" + file;
    if (luaL_loadbuffer(L, text.data(), text.size(), chunkName.c_str()) != LUA_OK) {
        const char* raw = lua_tostring(L, -1);
        std::string message = raw != nullptr ? raw : "cannot be loaded";
        int line = 1;
        // "UI.lua:12: 'end' expected near 'x'": the line from the prefix, the column from
        // the token it names.
        if (message.rfind(file + ":", 0) == 0) {
            const std::size_t colon = message.find(':', file.size() + 1);
            line = std::atoi(message.c_str() + file.size() + 1);
            if (colon != std::string::npos) {
                message = message.substr(colon + 1);
                message.erase(0, message.find_first_not_of(' '));
            }
        }
        std::string near;
        const std::size_t nearAt = message.rfind(" near '");
        if (nearAt != std::string::npos) {
            near = message.substr(nearAt + 7);
            near = near.substr(0, near.rfind('\''));
        }
        context.report(file, text, offsetOf(text, line < 1 ? 1 : line, near), true,
                       "Lua: " + message);
    }
    lua_close(L);
}

std::set<std::string> payloadFolders(const std::set<std::string>& payload) {
    std::set<std::string> folders;
    for (const std::string& entry : payload) {
        const std::size_t slash = entry.find('/');
        if (slash != std::string::npos) {
            folders.insert(entry.substr(0, slash));
        }
    }
    return folders;
}

bool isPayloadFolder(const std::set<std::string>& payload, const std::string& path) {
    const std::string prefix = path.back() == '/' ? path : path + "/";
    const auto it = payload.lower_bound(prefix);
    return it != payload.end() && it->rfind(prefix, 0) == 0;
}

// "bin/my": path characters only, with a folder part.
bool looksLikeEntryPath(const std::string& text) {
    if (text.find('/') == std::string::npos || text.front() == '/') {
        return false;
    }
    for (char c : text) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '.' || c == '_' ||
              c == '-')) {
            return false;
        }
    }
    return true;
}

void checkLiterals(CheckContext& context, const std::string& file, const std::string& text) {
    const ProjectFiles& files = context.files;
    const std::vector<Token> tokens = tokenize(text);
    const std::set<std::string> folders = payloadFolders(files.payload);
    std::set<std::size_t> named;  // strings already reported as call arguments
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::Name) {
            continue;
        }
        const Token* literal = literalArgument(tokens, i);
        if (literal == nullptr) {
            continue;
        }
        const std::string& name = tokens[i].text;
        const std::string& value = literal->text;
        if (name == "createWindow" && files.layoutFiles.count(value) == 0) {
            context.report(
                file, text, literal->offset, true,
                "createWindow names layout \"" + value + "\", which frame/ lacks" +
                    suggestion(value, std::vector<std::string>(files.layoutFiles.begin(),
                                                               files.layoutFiles.end())));
        } else if (name == "extractFile" && files.payload.count(value) == 0) {
            context.report(file, text, literal->offset, true,
                           "extractFile names \"" + value + "\", which program/ lacks" +
                               suggestion(value, std::vector<std::string>(files.payload.begin(),
                                                                          files.payload.end())));
        } else if (name == "startWork" && files.documents.count(value) == 0) {
            context.report(file, text, literal->offset, true,
                           "startWork names script \"" + value + "\", which the project lacks");
        } else {
            continue;
        }
        named.insert(literal->offset);
    }
    // Other literal paths into a payload folder ("bin/my" in a list of files to extract).
    for (const Token& token : tokens) {
        if (token.kind != Token::String || named.count(token.offset) != 0 ||
            !looksLikeEntryPath(token.text)) {
            continue;
        }
        const std::string top = token.text.substr(0, token.text.find('/'));
        if (folders.count(top) != 0 && files.payload.count(token.text) == 0 &&
            !isPayloadFolder(files.payload, token.text)) {
            context.report(
                file, text, token.offset, false,
                "\"" + token.text +
                    "\" looks like a payload entry, but program/ has "
                    "no such file" +
                    suggestion(token.text, std::vector<std::string>(files.payload.begin(),
                                                                    files.payload.end())));
        }
    }
}

}  // namespace

void checkScripts(CheckContext& context) {
    for (const auto& [file, text] : context.files.documents) {
        if (file.size() < 4 || file.compare(file.size() - 4, 4, ".lua") != 0) {
            continue;
        }
        checkSyntax(context, file, text);
        checkLiterals(context, file, text);
    }
}

}  // namespace tamlo::check
