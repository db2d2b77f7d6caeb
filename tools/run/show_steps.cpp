#include "tools/run/show_steps.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

#include "dui/core/control_flags.h"

namespace tamlo::runtool {
namespace {

bool parseInt(const std::string& word, int32_t& out) {
    if (word.empty()) {
        return false;
    }
    char* end = nullptr;
    const long value = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || value < -1000000 || value > 1000000) {
        return false;
    }
    out = static_cast<int32_t>(value);
    return true;
}

bool parseId(const std::string& word, int32_t& out) {
    return word.size() > 1 && word[0] == '#' && parseInt(word.substr(1), out);
}

uint32_t flagOf(const std::string& name) {
    namespace f = dui::ControlFlag;
    static const std::map<std::string, uint32_t> flags = {
        {"enabled", f::Enabled},  {"visible", f::Visible}, {"focused", f::Focused},
        {"pressed", f::Captured}, {"hover", f::Hovered},   {"checked", f::Checked}};
    auto found = flags.find(name);
    return found == flags.end() ? 0 : found->second;
}

uint32_t keyOf(const std::string& name) {
    static const std::map<std::string, uint32_t> keys = {
        {"BACK", 0x08},  {"TAB", 0x09},     {"RETURN", 0x0D}, {"ENTER", 0x0D},  {"SHIFT", 0x10},
        {"CTRL", 0x11},  {"CONTROL", 0x11}, {"ALT", 0x12},    {"ESCAPE", 0x1B}, {"ESC", 0x1B},
        {"SPACE", 0x20}, {"PRIOR", 0x21},   {"NEXT", 0x22},   {"END", 0x23},    {"HOME", 0x24},
        {"LEFT", 0x25},  {"UP", 0x26},      {"RIGHT", 0x27},  {"DOWN", 0x28},   {"INSERT", 0x2D},
        {"DELETE", 0x2E}};
    auto found = keys.find(name);
    if (found != keys.end()) {
        return found->second;
    }
    if (name.size() == 1 &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
        return static_cast<uint32_t>(name[0]);
    }
    int32_t number = 0;
    if (name.size() >= 2 && name[0] == 'F' && parseInt(name.substr(1), number) && number >= 1 &&
        number <= 24) {
        return 0x70 + static_cast<uint32_t>(number - 1);
    }
    return 0;
}

}  // namespace

bool parseKeyName(const std::string& name, std::vector<uint32_t>& keys) {
    keys.clear();
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t plus = name.find('+', start);
        const std::string part =
            name.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        const uint32_t key = keyOf(part);
        if (key == 0) {
            return false;
        }
        keys.push_back(key);
        if (plus == std::string::npos) {
            return true;
        }
        start = plus + 1;
    }
    return false;
}

namespace {

// The words after the first `skip` words of the line, as written (spaces kept).
std::string restOfLine(const std::string& raw, int skip) {
    std::istringstream words(raw);
    std::string word;
    for (int i = 0; i < skip && words >> word; ++i) {
    }
    std::string rest;
    std::getline(words, rest);
    const std::size_t first = rest.find_first_not_of(" \t");
    const std::size_t last = rest.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : rest.substr(first, last - first + 1);
}

// A word in double quotes ("My Program/bin"): its text with \" and \\ (and \n, \r, \t)
// taken as escapes. `end` receives the offset after the closing quote; false when the
// quote is not closed.
bool unquoteWord(const std::string& text, std::size_t start, std::string& word, std::size_t& end) {
    word.clear();
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            end = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            word.push_back(next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next);
            continue;
        }
        word.push_back(c);
    }
    return false;
}

// A step line's words: runs of non-blanks, or quoted words. False for an open quote.
bool splitStepWords(const std::string& line, std::vector<std::string>& words) {
    words.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        std::string word;
        if (line[i] == '"') {
            if (!unquoteWord(line, i, word, i)) {
                return false;
            }
        } else {
            const std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
                ++i;
            }
            word = line.substr(start, i - start);
        }
        words.push_back(word);
    }
    return true;
}

// "\n", "\r", "\t" and "\\" in a step's text, for line breaks and control characters.
std::string unescapeText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            const char plain = next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
            if (next == 'n' || next == 'r' || next == 't' || next == '\\') {
                out.push_back(plain);
                ++i;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// The text at the end of a step: one quoted word is unquoted (its escapes read); otherwise
// the text as written, with its escapes read when `escapes`.
std::string stepText(const std::string& rest, bool escapes) {
    std::string word;
    std::size_t end = 0;
    if (!rest.empty() && rest[0] == '"' && unquoteWord(rest, 0, word, end) && end == rest.size()) {
        return word;
    }
    return escapes ? unescapeText(rest) : rest;
}

// The text-input steps: -1 when the verb is not one of them, else whether it is well formed.
int parseTextStep(const std::string& verb, const std::vector<std::string>& args,
                  const std::string& raw, ShowStep& step) {
    using Kind = ShowStep::Kind;
    if (verb == "clipboard") {
        step.kind = Kind::SetClipboard;
        step.text = stepText(restOfLine(raw, 2), true);
        return !args.empty() && args[0] == "set" ? 1 : 0;
    }
    if (verb == "compose" || verb == "commit") {
        step.kind = verb == "compose" ? Kind::Compose : Kind::Commit;
        step.text = stepText(restOfLine(raw, 1), true);
        return verb == "commit" || !step.text.empty() ? 1 : 0;
    }
    if (verb == "expect" && !args.empty() && args[0] == "clipboard") {
        step.kind = Kind::ExpectClipboard;
        step.text = stepText(restOfLine(raw, 2), true);
        return 1;
    }
    if (verb == "expect" && !args.empty() && args[0] == "text") {
        step.kind = Kind::ExpectText;
        step.text = stepText(restOfLine(raw, 3), true);
        return args.size() >= 2 && parseId(args[1], step.id) ? 1 : 0;
    }
    return -1;
}

// The steps only a whole run has; false when the verb is not one of them or is malformed.
bool parseRunStep(const std::string& verb, const std::vector<std::string>& args,
                  const std::string& raw, ShowStep& step) {
    using Kind = ShowStep::Kind;
    if (verb == "hold") {
        step.kind = Kind::Hold;
        return args.size() == 1 && parseInt(args[0], step.x) && step.x >= 0;
    }
    if (verb == "waitfor" && args.size() == 1 && args[0] == "end") {
        step.kind = Kind::WaitForEnd;
        return true;
    }
    if (verb == "waitfor" && !args.empty() && args[0] == "notify") {
        step.kind = Kind::WaitForNotify;
        step.x = kDefaultWaitForMs;
        return (args.size() == 2 || args.size() == 3) && parseInt(args[1], step.id) &&
               step.id > 0 && (args.size() == 2 || (parseInt(args[2], step.x) && step.x >= 0));
    }
    if (verb == "waitfor") {
        step.kind = Kind::WaitFor;
        step.x = kDefaultWaitForMs;
        const bool shaped = (args.size() == 2 || args.size() == 3 || args.size() == 4) &&
                            parseId(args[0], step.id) && (step.flagMask = flagOf(args[1])) != 0;
        if (!shaped) {
            return false;
        }
        step.flagOn = true;
        std::size_t next = 2;
        if (next < args.size() && (args[next] == "on" || args[next] == "off")) {
            step.flagOn = args[next] == "on";
            ++next;
        }
        if (next < args.size() && !(parseInt(args[next++], step.x) && step.x >= 0)) {
            return false;
        }
        return next == args.size();
    }
    if (verb == "answer" && args.size() >= 2 && args[0] == "box") {
        step.kind = Kind::AnswerBox;
        return args.size() == 2 && parseInt(args[1], step.x);
    }
    if (verb == "answer" && args.size() >= 2 && args[0] == "folder") {
        step.kind = Kind::AnswerFolder;
        step.text = stepText(restOfLine(raw, 2), false);
        if (step.text == "cancel") {
            step.text.clear();
        }
        return true;
    }
    if (verb == "expect" && args.size() == 2 && (args[0] == "file" || args[0] == "nofile")) {
        step.kind = args[0] == "file" ? Kind::ExpectFile : Kind::ExpectNoFile;
        step.text = args[1];
        return true;
    }
    if (verb == "expect" && args.size() >= 3 && args[0] == "reg") {
        step.kind = Kind::ExpectRegistry;
        step.text = args[1];
        step.name = args[2] == "@" ? std::string() : args[2];
        step.value = stepText(restOfLine(raw, 4), false);
        return args.size() >= 4;
    }
    if (verb == "expect" && args.size() == 3 && args[0] == "noreg") {
        step.kind = Kind::ExpectNoRegistry;
        step.text = args[1];
        step.name = args[2] == "@" ? std::string() : args[2];
        return true;
    }
    return false;
}

}  // namespace

bool parseShowSteps(const std::string& content, std::vector<ShowStep>& steps, std::string* error,
                    bool runSteps) {
    std::istringstream input(content);
    std::string raw;
    int lineNumber = 0;
    while (std::getline(input, raw)) {
        ++lineNumber;
        // '#' followed by a digit is a control id; any other '#' starts a comment.
        const std::size_t first = raw.find_first_not_of(" \t\r");
        if (first == std::string::npos || raw[first] == '#') {
            continue;  // blank or a comment (which may hold any quote)
        }
        std::vector<std::string> words;
        if (!splitStepWords(raw, words)) {
            if (error != nullptr) {
                *error = "step " + std::to_string(lineNumber) + " has an unclosed quote: " + raw;
            }
            return false;
        }
        if (words.empty() || words[0][0] == '#') {
            continue;
        }
        const std::string verb = words[0];
        std::vector<std::string> args;
        for (std::size_t i = 1; i < words.size(); ++i) {
            const std::string& word = words[i];
            if (!word.empty() && word[0] == '#' &&
                (word.size() == 1 || !std::isdigit(static_cast<unsigned char>(word[1])))) {
                break;  // a trailing comment
            }
            args.push_back(word);
        }
        ShowStep step;
        step.line = lineNumber;
        step.source = raw;
        bool ok = true;
        auto point = [&](ShowStep::Kind kind) {
            step.kind = kind;
            ok = args.size() == 2 && parseInt(args[0], step.x) && parseInt(args[1], step.y);
        };
        if (verb == "move") {
            point(ShowStep::Kind::Move);
        } else if (verb == "down" || verb == "up" || verb == "close") {
            step.kind = verb == "down" ? ShowStep::Kind::Down
                        : verb == "up" ? ShowStep::Kind::Up
                                       : ShowStep::Kind::Close;
            ok = args.empty();
        } else if (verb == "click" && args.size() == 1) {
            step.kind = ShowStep::Kind::ClickControl;
            ok = parseId(args[0], step.id);
        } else if (verb == "click") {
            point(ShowStep::Kind::Click);
        } else if (verb == "rclick") {
            point(ShowStep::Kind::RightClick);
        } else if (verb == "dblclick") {
            point(ShowStep::Kind::DoubleClick);
        } else if (verb == "wheel" || verb == "wait") {
            step.kind = verb == "wheel" ? ShowStep::Kind::Wheel : ShowStep::Kind::Wait;
            ok = args.size() == 1 && parseInt(args[0], step.x) &&
                 (step.kind == ShowStep::Kind::Wheel || step.x >= 0);
        } else if (verb == "key") {
            step.kind = ShowStep::Kind::Key;
            ok = args.size() == 1 && parseKeyName(args[0], step.keys);
        } else if (verb == "type") {
            step.kind = ShowStep::Kind::Type;
            const std::size_t at = raw.find("type") + 4;
            step.text = at < raw.size() ? raw.substr(at + 1) : std::string();
            if (!step.text.empty() && step.text[0] == '"') {
                step.text = stepText(restOfLine(raw, 1), false);
            }
            ok = !step.text.empty();
        } else if (verb == "pick") {
            step.kind = ShowStep::Kind::Pick;
            ok = args.size() == 1 && parseInt(args[0], step.x) && step.x >= 0;
        } else if (verb == "expect" && args.size() == 3 && args[0] == "selected") {
            step.kind = ShowStep::Kind::ExpectSelected;
            ok = parseId(args[1], step.id) && parseInt(args[2], step.x) && step.x >= -1;
        } else if (verb == "screenshot" && args.size() == 2 && args[0] == "popup") {
            args.erase(args.begin());
            step.ofDropDown = true;
            step.kind = ShowStep::Kind::Screenshot;
            ok = args[0].find('/') == std::string::npos && args[0] != ".." && args[0] != ".";
            if (ok) {
                step.text = args[0];
            }
        } else if (verb == "screenshot") {
            step.kind = ShowStep::Kind::Screenshot;
            // A bare file name: screenshots stay inside the output folder.
            ok = args.size() == 1 && args[0].find('/') == std::string::npos && args[0] != ".." &&
                 args[0] != ".";
            if (ok) {
                step.text = args[0];
            }
        } else if (const int text = parseTextStep(verb, args, raw, step); text >= 0) {
            ok = text == 1;
        } else if (runSteps && parseRunStep(verb, args, raw, step)) {
            ok = true;
        } else if (verb == "expect") {
            step.kind = ShowStep::Kind::Expect;
            ok = args.size() == 3 && parseId(args[0], step.id) &&
                 (step.flagMask = flagOf(args[1])) != 0 && (args[2] == "on" || args[2] == "off");
            step.flagOn = ok && args[2] == "on";
        } else {
            ok = false;
        }
        if (!ok) {
            if (error != nullptr) {
                *error = "step " + std::to_string(lineNumber) + " is not understood: " + raw;
            }
            return false;
        }
        steps.push_back(step);
    }
    return true;
}

}  // namespace tamlo::runtool
