#include "tools/check/project_check.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include <rapidxml/rapidxml.hpp>

#include "dui/loader/attribute_registry.h"
#include "dui/loader/control_factory.h"
#include "dui/loader/layout_loader.h"
#include "platform/text_encoding.h"
#include "tools/check/check_context.h"
#include "tools/check/check_text.h"

namespace tamlo::check {
namespace {

std::vector<std::string> utf8Names(const std::vector<std::u16string>& names) {
    std::vector<std::string> result;
    for (const std::u16string& name : names) {
        result.push_back(utf16ToUtf8(name));
    }
    return result;
}

// The names style/font.xml defines (nothing when it is missing or malformed: its own
// check reports that).
std::set<std::string> readFontNames(const ProjectFiles& files) {
    std::set<std::string> names;
    const auto font = files.documents.find("style/font.xml");
    if (font == files.documents.end()) {
        return names;
    }
    std::vector<char> text(font->second.begin(), font->second.end());
    text.push_back('\0');
    rapidxml::xml_document<char> document;
    try {
        document.parse<rapidxml::parse_no_entity_translation>(text.data());
    } catch (const rapidxml::parse_error&) {
        return names;
    }
    const auto* root = document.first_node();
    for (const auto* entry = root != nullptr ? root->first_node() : nullptr; entry != nullptr;
         entry = entry->next_sibling()) {
        if (const auto* name = entry->first_attribute("name")) {
            names.insert(std::string(name->value(), name->value_size()));
        }
    }
    return names;
}

const dui::AttributeRegistry& attributeRegistry() {
    static const dui::AttributeRegistry registry;
    return registry;
}

}  // namespace

CheckContext::CheckContext(const ProjectFiles& projectFiles) : files(projectFiles) {
    elementNames = utf8Names(dui::ControlFactory().names());
    styleTypeNames = utf8Names(dui::StyleFactory().names());
    attributeNames = utf8Names(attributeRegistry().names());
    for (std::string_view flag : dui::flagAttributeNames()) {
        attributeNames.emplace_back(flag);
    }
    fontNames = readFontNames(files);
}

const char* CheckContext::kindOf(std::string_view attribute) const {
    for (std::string_view flag : dui::flagAttributeNames()) {
        if (flag == attribute) {
            return "flag";
        }
    }
    const dui::duiField::ISetter* setter = attributeRegistry().find(utf8ToUtf16(attribute));
    return setter != nullptr ? dui::valueKindName(*setter) : nullptr;
}

void CheckContext::report(const std::string& file, std::string_view text, std::size_t offset,
                          bool error, std::string message) {
    const TextPosition position = positionOf(text, offset);
    findings.push_back({file, position.line, position.column, error, std::move(message)});
}

std::vector<Finding> checkProject(const ProjectFiles& files) {
    CheckContext context(files);
    if (files.documents.count("UI.lua") == 0) {
        context.findings.push_back({"UI.lua", 1, 1, true, "the project has no UI.lua"});
    }
    checkLayouts(context);
    checkStyles(context);
    checkScripts(context);
    std::stable_sort(
        context.findings.begin(), context.findings.end(), [](const Finding& a, const Finding& b) {
            return std::tie(a.file, a.line, a.column) < std::tie(b.file, b.line, b.column);
        });
    return context.findings;
}

std::string formatFinding(const Finding& finding) {
    return finding.file + ":" + std::to_string(finding.line) + ":" +
           std::to_string(finding.column) + ": " + (finding.error ? "error" : "warning") + ": " +
           finding.text;
}

int checkAndPrint(const std::string& path, std::FILE* out, std::string* error) {
    ProjectFiles files;
    if (!loadProjectFiles(path, files, error)) {
        return -1;
    }
    // Files of a folder are named from where the author stands, so editors can open them.
    std::error_code failure;
    std::string prefix;
    if (std::filesystem::is_directory(std::filesystem::u8path(path), failure)) {
        prefix = path.back() == '/' ? path : path + "/";
    }
    int errors = 0;
    for (const Finding& finding : checkProject(files)) {
        std::fprintf(out, "%s%s\n", prefix.c_str(), formatFinding(finding).c_str());
        errors += finding.error ? 1 : 0;
    }
    return errors;
}

}  // namespace tamlo::check
