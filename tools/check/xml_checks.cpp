// Layouts, style documents and font.xml: well-formed, names the engine knows, values
// that parse, files that exist, and controls that can be seen.
#include <algorithm>
#include <cctype>
#include <memory>

#include <rapidxml/rapidxml.hpp>

#include "dui/core/attribute_keys.h"
#include "platform/text_encoding.h"
#include "tools/check/check_context.h"
#include "tools/check/check_text.h"

namespace tamlo::check {
namespace {

using Node = rapidxml::xml_node<char>;
using Attribute = rapidxml::xml_attribute<char>;

// One document parsed as the engine parses it, with positions back into its text.
class Document {
  public:
    Document(CheckContext& context, std::string file, const std::string& text)
        : context_(context),
          file_(std::move(file)),
          text_(text),
          buffer_(text.begin(), text.end()) {
        buffer_.push_back('\0');
    }

    // False (reported) when the text is not well-formed.
    bool parse() {
        try {
            // Stricter than the engine in one thing: a wrong closing tag is a mistake.
            document_.parse<rapidxml::parse_no_entity_translation |
                            rapidxml::parse_validate_closing_tags>(buffer_.data());
        } catch (const rapidxml::parse_error& error) {
            const char* where = error.where<char>();
            // A wrong closing tag is placed at its name, not after it.
            if (std::string_view(error.what()) == "invalid closing tag name" && where != nullptr) {
                const std::string_view before(buffer_.data(), where - buffer_.data());
                const std::size_t open = before.rfind("</");
                where = open == std::string_view::npos ? where : buffer_.data() + open + 2;
            }
            report(where, true, std::string("malformed XML: ") + error.what());
            return false;
        }
        return true;
    }

    const Node* root() const { return document_.first_node(); }

    void report(const char* at, bool error, std::string message) {
        const std::size_t offset = at != nullptr && at >= buffer_.data() ? at - buffer_.data() : 0;
        context_.report(file_, text_, offset, error, std::move(message));
    }
    // Elements are reported at their '<'.
    void reportAt(const Node& node, bool error, std::string message) {
        report(node.name() - 1, error, std::move(message));
    }

    const std::string& file() const { return file_; }
    CheckContext& context() { return context_; }

  private:
    CheckContext& context_;
    std::string file_;
    const std::string& text_;
    std::vector<char> buffer_;
    rapidxml::xml_document<char> document_;
};

std::string nameOf(const Node& node) {
    return std::string(node.name(), node.name_size());
}
std::string nameOf(const Attribute& attribute) {
    return std::string(attribute.name(), attribute.name_size());
}
std::string valueOf(const Attribute& attribute) {
    return std::string(attribute.value(), attribute.value_size());
}

const Attribute* findAttribute(const Node& node, const char* name) {
    return node.first_attribute(name, 0, true);
}

bool isInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    const std::size_t digits = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    return i > digits && i == text.size();
}

bool isIntegerList(std::string_view text, int count) {
    for (int n = 0; n < count; ++n) {
        const std::size_t comma = n + 1 < count ? text.find(',') : std::string_view::npos;
        if (n + 1 < count && comma == std::string_view::npos) {
            return false;
        }
        if (!isInteger(text.substr(0, comma))) {
            return false;
        }
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return true;
}

bool isColour(std::string_view text) {
    return text.size() == 7 && text[0] == '#' &&
           std::all_of(text.begin() + 1, text.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

std::vector<std::string> enumWords() {
    std::vector<std::string> words;
    for (int value = 1; value <= static_cast<int>(dui::kEnumWordCount); ++value) {
        words.push_back(utf16ToUtf8(dui::enumWordText(static_cast<dui::EnumWord>(value))));
    }
    return words;
}

// Attributes whose value names images of style/.
bool namesImage(const std::string& name) {
    static const std::set<std::string> kImages = {
        "img", "src", "icon", "offIcon", "dropBtn", "progressbkimg", "progressimg", "imagelist"};
    const auto endsWith = [&](const char* tail) {
        const std::string_view t(tail);
        return name.size() > t.size() && name.compare(name.size() - t.size(), t.size(), t) == 0;
    };
    return kImages.count(name) != 0 || endsWith("Skin") || endsWith("Icon");
}

// The value of one known attribute: its syntax, and the files or fonts it names.
void checkValue(Document& document, const Attribute& attribute, const char* kind) {
    const std::string name = nameOf(attribute);
    const std::string value = valueOf(attribute);
    const std::string quoted = name + "=\"" + value + "\"";
    const char* at = attribute.value();
    const std::string_view k(kind);
    if (k == "integer" && !isInteger(value)) {
        document.report(at, true, quoted + " is not an integer");
    } else if (k == "rect" && !isIntegerList(value, 4)) {
        document.report(at, true, quoted + " is not four integers left,top,right,bottom");
    } else if (k == "size" && !isIntegerList(value, 2)) {
        document.report(at, true, quoted + " is not two integers width,height");
    } else if (k == "colour" && !isColour(value)) {
        document.report(at, true, quoted + " is not a colour #BBGGRR (\"#\" and six hex digits)");
    } else if (k == "enum") {
        const std::vector<std::string> words = enumWords();
        if (std::find(words.begin(), words.end(), value) == words.end()) {
            document.report(at, true,
                            quoted +
                                " is not one of left, right, top, bottom, center, "
                                "stretch, horizontal, vertical, true, false, auto, always, "
                                "never" +
                                suggestion(value, words));
        }
    } else if (k == "flag" && value != "0" && value != "1") {
        document.report(at, false,
                        quoted + " clears the flag: only \"1\" sets it (write \"0\" or \"1\")");
    }
    if (value.find('&') != std::string::npos) {
        const std::size_t amp = value.find('&');
        const std::size_t semicolon = value.find(';', amp);
        if (semicolon != std::string::npos && semicolon - amp <= 8) {
            document.report(at + amp, false,
                            "\"" + value.substr(amp, semicolon - amp + 1) +
                                "\" is not translated: values are taken literally, write the "
                                "character itself");
        }
    }
    const ProjectFiles& files = document.context().files;
    if (name == "style" && !value.empty() && files.styleFiles.count(value) == 0) {
        document.report(at, true, "style \"" + value + "\" is not in style/");
    } else if (name == "font" && !value.empty() && document.context().fontNames.count(value) == 0) {
        document.report(at, true, "font \"" + value + "\" is not named in style/font.xml");
    } else if (namesImage(name) && !value.empty()) {
        std::size_t start = 0;
        while (start <= value.size()) {  // imagelist holds several, ';'-separated
            std::size_t end = name == "imagelist" ? value.find(';', start) : std::string::npos;
            if (end == std::string::npos) {
                end = value.size();
            }
            const std::string image = value.substr(start, end - start);
            if (!image.empty() && files.styleFiles.count(image) == 0) {
                document.report(at + start, true, "image \"" + image + "\" is not in style/");
            }
            start = end + 1;
        }
    }
}

// Every attribute of an element or a style's property element.
void checkAttributes(Document& document, const Node& node, bool flagsAllowed) {
    CheckContext& context = document.context();
    for (const Attribute* attribute = node.first_attribute(); attribute != nullptr;
         attribute = attribute->next_attribute()) {
        const std::string name = nameOf(*attribute);
        const char* kind = context.kindOf(name);
        if (kind != nullptr && std::string_view(kind) == "flag" && !flagsAllowed) {
            kind = nullptr;
        }
        if (kind == nullptr) {
            document.report(
                attribute->name(), true,
                "unknown attribute \"" + name + "\"" + suggestion(name, context.attributeNames));
            continue;
        }
        checkValue(document, *attribute, kind);
    }
}

// --- Layouts ---

// Controls that measure nothing of their own: without a size given or a slot that
// stretches them they are 0 wide or high.
bool measuresNothing(const std::string& element, const Node& node) {
    static const std::set<std::string> kEmpty = {
        "Button",     "CheckBox",    "RadioButton", "ToggleButton", "ToggleIconButton",
        "IconButton", "ImageButton", "ProgressBar", "Edit",         "ComboBox",
        "Seperator",  "TitleBar",    "PowerPoint",  "WebBrowser"};
    if (element == "Label" || element == "LinkLabel") {
        const Attribute* text = findAttribute(node, "text");
        return text == nullptr || text->value_size() == 0;
    }
    return kEmpty.count(element) != 0;
}

bool alignmentStretches(const Node& node, const char* attribute) {
    const Attribute* align = findAttribute(node, attribute);
    return align == nullptr || valueOf(*align) == "stretch";
}

// Whether `parent` gives the child a width (horizontal) or a height (vertical).
bool slotStretches(const Node* parent, const Node& child, bool horizontal) {
    if (!alignmentStretches(child, horizontal ? "horizontalAlign" : "verticalAlign")) {
        return false;
    }
    if (parent == nullptr) {
        return true;  // the root fills the window
    }
    const std::string kind = nameOf(*parent);
    if (kind == "Canvas") {
        return false;
    }
    if (kind == "StackPanel") {
        const Attribute* orientation = findAttribute(*parent, "orientation");
        const bool across = orientation != nullptr && valueOf(*orientation) == "horizontal";
        return across ? !horizontal : horizontal;
    }
    if (kind == "DockPanel") {
        const Node* next = child.next_sibling();
        while (next != nullptr && next->type() != rapidxml::node_element) {
            next = next->next_sibling();
        }
        if (next == nullptr) {
            return true;  // the last child fills what is left
        }
        const Attribute* dock = findAttribute(child, "dock");
        const std::string side = dock == nullptr ? "left" : valueOf(*dock);
        const bool sideways = side == "left" || side == "right";
        return sideways ? !horizontal : horizontal;
    }
    return true;
}

void checkVisibility(Document& document, const Node* parent, const Node& node,
                     const std::string& element) {
    if (!measuresNothing(element, node)) {
        return;
    }
    const Attribute* visible = findAttribute(node, "visible");
    if (visible != nullptr && valueOf(*visible) != "1") {
        return;  // hidden on purpose; a script may size and show it
    }
    std::vector<std::string> missing;
    if (findAttribute(node, "width") == nullptr && !slotStretches(parent, node, true)) {
        missing.push_back("width");
    }
    if (findAttribute(node, "height") == nullptr && !slotStretches(parent, node, false)) {
        missing.push_back("height");
    }
    if (missing.empty()) {
        return;
    }
    const std::string what = missing.size() == 2 ? "width and height" : missing[0];
    document.reportAt(node, false,
                      "<" + element + "> has no " + what +
                          " and nothing gives it one: it can never be seen (write " + what +
                          "=\"...\")");
}

void checkElement(Document& document, const Node* parent, const Node& node, int depth) {
    CheckContext& context = document.context();
    const std::string element = nameOf(node);
    if (std::find(context.elementNames.begin(), context.elementNames.end(), element) ==
        context.elementNames.end()) {
        document.reportAt(node, true,
                          "unknown element <" + element + ">" +
                              suggestion(element, context.elementNames) +
                              ": it and everything inside it are skipped");
        return;
    }
    checkAttributes(document, node, true);
    checkVisibility(document, parent, node, element);
    if (depth > 200) {
        return;
    }
    static const std::set<std::string> kParents = {"Canvas",      "StackPanel", "DockPanel",
                                                   "Grid",        "Window",     "TabControl",
                                                   "ScrollPanel", "ListBox",    "TabItem"};
    bool first = true;
    for (const Node* child = node.first_node(); child != nullptr; child = child->next_sibling()) {
        if (child->type() != rapidxml::node_element) {
            continue;
        }
        if (kParents.count(element) == 0) {
            document.reportAt(
                *child, false,
                "<" + element + "> takes no child elements: <" + nameOf(*child) + "> is ignored");
        } else if (element == "TabItem" && !first) {
            document.reportAt(*child, false,
                              "a <TabItem> keeps only its first child as its page: <" +
                                  nameOf(*child) + "> is ignored");
        } else {
            checkElement(document, &node, *child, depth + 1);
        }
        first = false;
    }
}

}  // namespace

void checkLayouts(CheckContext& context) {
    for (const auto& [file, text] : context.files.documents) {
        if (file.rfind("frame/", 0) != 0) {
            continue;
        }
        Document document(context, file, text);
        if (!document.parse()) {
            continue;
        }
        const Node* root = document.root();
        if (root == nullptr) {
            document.report(nullptr, true, "the layout has no element");
            continue;
        }
        checkElement(document, nullptr, *root, 0);
    }
}

void checkStyles(CheckContext& context) {
    const auto font = context.files.documents.find("style/font.xml");
    if (font != context.files.documents.end()) {
        Document document(context, font->first, font->second);
        if (document.parse() && document.root() != nullptr) {
            for (const Node* entry = document.root()->first_node(); entry != nullptr;
                 entry = entry->next_sibling()) {
                if (entry->type() != rapidxml::node_element) {
                    continue;
                }
                static const std::vector<std::string> kFontAttributes = {"name", "face", "size",
                                                                         "bold", "underline"};
                for (const Attribute* attribute = entry->first_attribute(); attribute != nullptr;
                     attribute = attribute->next_attribute()) {
                    const std::string name = nameOf(*attribute);
                    const std::string value = valueOf(*attribute);
                    if (std::find(kFontAttributes.begin(), kFontAttributes.end(), name) ==
                        kFontAttributes.end()) {
                        document.report(attribute->name(), true,
                                        "unknown font attribute \"" + name + "\"" +
                                            suggestion(name, kFontAttributes));
                    } else if (name == "size" && !isInteger(value)) {
                        document.report(attribute->value(), true,
                                        "size=\"" + value + "\" is not an integer");
                    } else if ((name == "bold" || name == "underline") && value != "true" &&
                               value != "false") {
                        document.report(attribute->value(), false,
                                        name + "=\"" + value +
                                            "\" is neither \"true\" nor "
                                            "\"false\": it counts as false");
                    }
                }
            }
        }
    }
    for (const auto& [file, text] : context.files.documents) {
        if (file.rfind("style/", 0) != 0 || file == "style/font.xml") {
            continue;
        }
        Document document(context, file, text);
        if (!document.parse()) {
            continue;
        }
        const Node* root = document.root();
        const Node* config = root != nullptr ? root->first_node() : nullptr;
        while (config != nullptr && config->type() != rapidxml::node_element) {
            config = config->next_sibling();
        }
        const Attribute* type = config != nullptr ? config->first_attribute() : nullptr;
        if (type == nullptr) {
            document.report(root != nullptr ? root->name() - 1 : nullptr, false,
                            "no style type (<Config type=\"...\">): the style draws nothing");
            continue;
        }
        const std::string typeName = valueOf(*type);
        if (std::find(context.styleTypeNames.begin(), context.styleTypeNames.end(), typeName) ==
            context.styleTypeNames.end()) {
            document.report(type->value(), true,
                            "unknown style type \"" + typeName + "\"" +
                                suggestion(typeName, context.styleTypeNames) +
                                ": the style draws nothing");
        }
        const Node* properties = config->first_node();
        while (properties != nullptr && properties->type() != rapidxml::node_element) {
            properties = properties->next_sibling();
        }
        if (properties != nullptr) {
            checkAttributes(document, *properties, false);
        }
    }
}

}  // namespace tamlo::check
