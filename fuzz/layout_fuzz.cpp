// libFuzzer target: any bytes as a layout document, built into a control tree through the
// factories and setters, then measured and arranged once. The nesting measured before
// parsing is also checked against the tree the parser really builds: a document the
// measure takes for shallow must never parse deeper.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include <rapidxml/rapidxml.hpp>

#include "dui/loader/xml_shape.h"

#include "dui/core/control.h"
#include "dui/loader/layout_loader.h"
#include "platform/debug_sink.h"
#include "platform/windowing/message_loop.h"
#include "platform/windowing/message_pump.h"
#include "runtime/ui_context.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    tamlo::setDebugHook([](const std::string&) {});
    tamlo::platform::createUiQueue(std::make_unique<tamlo::platform::ConditionPump>(
        tamlo::platform::ConditionPump::Time::Virtual));
    tamlo::createUiContext();
    return 0;
}

namespace {

// Elements and deepest element nesting of a parsed document, walked without recursion.
std::pair<size_t, int> treeShape(const rapidxml::xml_node<char>* document) {
    size_t elements = 0;
    int deepest = 0;
    std::vector<std::pair<const rapidxml::xml_node<char>*, int>> pending = {{document, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        for (auto* child = node->first_node(); child != nullptr; child = child->next_sibling()) {
            if (child->type() == rapidxml::node_element) {
                ++elements;
                deepest = std::max(deepest, depth + 1);
                pending.push_back({child, depth + 1});
            }
        }
    }
    return {elements, deepest};
}

void checkMeasureAgainstParser(std::string_view text) {
    const tamlo::dui::XmlShape shape = tamlo::dui::measureXml(text);
    if (!shape.withinLimits()) {
        return;  // refused: the parser never sees it
    }
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    rapidxml::xml_document<char> document;
    try {
        document.parse<rapidxml::parse_no_entity_translation>(copy.data());
    } catch (const rapidxml::parse_error&) {
        return;
    }
    const auto [elements, deepest] = treeShape(&document);
    if (deepest > shape.deepest || elements > shape.elements) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkMeasureAgainstParser(text);
    std::unique_ptr<tamlo::dui::Control> root(tamlo::dui::buildLayout(text, u"fuzz.xml"));
    if (root) {
        root->measure(560, 360);
        root->arrange(tamlo::Rect{0, 0, 560, 360});
    }
    return 0;
}
